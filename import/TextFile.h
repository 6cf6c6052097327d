#pragma once
// Text files from other programs. A file is UTF-8 (a leading byte-order mark is not part of the text) when its bytes
// say so, even if a few of them are not valid UTF-8: those are replaced and their lines noted. A file with no
// sign of UTF-8 is Windows-1252, the single-byte code page such files were written in. UTF-16 is known by its
// byte-order mark or by the zero bytes of its ASCII characters.

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace qv {

enum class TextEncoding { Utf8, Utf16LE, Utf16BE, Windows1252 };

struct DecodedText {
    QString text;
    TextEncoding encoding = TextEncoding::Utf8;
    QList<int> replacedLines; // 1-based lines whose bytes were not valid UTF-8, each replaced by U+FFFD
};

DecodedText decodeTextFile(const QByteArray& bytes);

// The file at path, read whole and decoded; nothing, after telling the user why, when it cannot be opened or read.
std::optional<DecodedText> readTextFile(const QString& path);
// The line of the first zero byte of a text, which no text file holds; 0 when there is none.
int zeroByteLine(QStringView text);
// Tells the user that the file could not be opened, or read, and why.
void showCannotOpen(const QFile& file);
void showCannotRead(const QFile& file);
// Tells the user that an import refuses the file, and why ("it is empty"), and that nothing was imported.
void refuseFile(const QString& path, const QString& why);

// UTF-16 without a byte-order mark, known by the zero bytes of its ASCII characters, which all fall on one side of
// each pair; Utf8 for any other text.
TextEncoding utf16ByZeroBytes(QByteArrayView bytes);

// Checks UTF-8 as Unicode's table of well-formed sequences has it (no overlong forms, no surrogates, nothing beyond
// U+10FFFF), as the toolkit's decoder reads it: -1 when the bytes are not UTF-8. Otherwise, when more bytes
// follow (not last), how many at the end may begin a character that they complete, left unchecked (at most 3).
qsizetype checkUtf8(QByteArrayView bytes, bool last);

// A value of unknown character set: UTF-8 when it is valid UTF-8, otherwise Windows-1252.
QString decodeImportedText(const QByteArray& bytes);
QString decodeWindows1252(const QByteArray& bytes);

// Lines ending at CR LF, LF or CR, as views of the text; a line break at the very end starts no further line.
QList<QStringView> lineViews(QStringView text);

// Removes leading and trailing blanks (U+0020 only).
QString trimBlanks(QStringView text);

// "line 3", "lines 3, 7 and 12"; beyond `shown` numbers, "and N more".
QString lineList(const QList<int>& lines, int shown = 10);

} // namespace qv
