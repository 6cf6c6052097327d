#pragma once
// A text file as UTF-8, for readers that split it before they decode each field, read a piece at a time instead of
// whole: a file of 20 MB is never held whole, and no room of its size is taken and touched page by page. A file
// whose bytes are valid UTF-8 (a byte-order mark left out) is read as it stands; any other is decoded whole, as
// readTextFile decodes it, held as UTF-8 and handed out in the same pieces.

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

namespace qv {

class Utf8TextFile {
public:
    static constexpr qsizetype PieceSize = 1 << 20;

    // Reads the file through once, for its encoding, its lines and its first zero byte. Nothing, after telling the
    // user why, when it cannot be opened or read.
    static std::unique_ptr<Utf8TextFile> open(const QString& path, qsizetype pieceSize = PieceSize);

    int lineCount() const { return m_lineCount; }       // as lineViews counts the text's lines
    int zeroByteLine() const { return m_zeroByteLine; } // the line of its first zero byte, which no text holds; 0
    const QList<int>& replacedLines() const { return m_replacedLines; } // lines of bytes that were not UTF-8

    // Back to the start of the text.
    void rewind();
    // Appends the next piece of the text to the buffer; false at the end of the text, or when the file can no
    // longer be read (the user is told).
    bool readPiece(QByteArray& buffer);

private:
    Utf8TextFile(const QString& path, qsizetype pieceSize);
    bool survey();
    bool decodeWhole();
    void cannotRead();

    QFile m_file;
    qsizetype m_pieceSize;
    qint64 m_textStart = 0;           // after a byte-order mark
    std::optional<QByteArray> m_held; // the decoded text of a file that is not UTF-8
    qsizetype m_heldAt = 0;
    int m_lineCount = 0, m_zeroByteLine = 0;
    QList<int> m_replacedLines;
    bool m_failed = false;
};

// The lines of such a file, one at a time, ending at CR LF, LF or CR, as lineViews gives them.
class Utf8Lines {
public:
    explicit Utf8Lines(Utf8TextFile& file);
    // The next line, valid until the next call; false after the last.
    bool next(QByteArrayView& line);

private:
    void readMore();
    qsizetype nextOf(char c, qsizetype& cached) const;

    Utf8TextFile& m_file;
    QByteArray m_buffer;
    qsizetype m_at = 0;
    qsizetype m_cr = -1, m_lf = -1; // the next of each at or after m_at, the buffer's size when none; -1 unknown
    bool m_end = false;
};

} // namespace qv
