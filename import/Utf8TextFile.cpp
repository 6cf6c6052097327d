#include "import/Utf8TextFile.h"
#include "import/TextFile.h"

#include <algorithm>
#include <cstring>

namespace qv {

namespace {

// The line breaks among bytes (CR LF, LF or CR), found by the C library's fast search; afterCr says whether the
// bytes before them ended in a carriage return, whose line feed would be part of it, and is left saying so of these.
qint64 countBreaks(QByteArrayView bytes, bool& afterCr)
{
    if (bytes.isEmpty()) return 0;
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    qint64 breaks = 0;
    for (const char* q = begin; (q = static_cast<const char*>(std::memchr(q, '\n', size_t(end - q)))); ++q)
        breaks += !(q == begin ? afterCr : q[-1] == '\r');
    for (const char* q = begin; (q = static_cast<const char*>(std::memchr(q, '\r', size_t(end - q)))); ++q) ++breaks;
    afterCr = end[-1] == '\r';
    return breaks;
}

// Counts a text's lines as lineViews splits them, and finds its first zero byte, a piece at a time.
class LineCounter {
public:
    void add(QByteArrayView bytes)
    {
        if (bytes.isEmpty()) return;
        if (m_zeroByteLine == 0) {
            if (const void* zero = std::memchr(bytes.data(), 0, size_t(bytes.size()))) {
                bool afterCr = m_afterCr;
                const qsizetype before = static_cast<const char*>(zero) - bytes.data();
                m_zeroByteLine = int(m_breaks + countBreaks(bytes.first(before), afterCr)) + 1;
            }
        }
        m_breaks += countBreaks(bytes, m_afterCr);
        m_endsInBreak = bytes.back() == '\n' || bytes.back() == '\r';
    }
    // A line break at the very end starts no further line.
    int lines() const { return int(m_breaks) + (m_endsInBreak ? 0 : 1); }
    int zeroByteLine() const { return m_zeroByteLine; }

private:
    qint64 m_breaks = 0;
    bool m_afterCr = false, m_endsInBreak = true;
    int m_zeroByteLine = 0;
};

} // namespace

Utf8TextFile::Utf8TextFile(const QString& path, qsizetype pieceSize)
    : m_file(path), m_pieceSize(std::max<qsizetype>(pieceSize, 1))
{}

std::unique_ptr<Utf8TextFile> Utf8TextFile::open(const QString& path, qsizetype pieceSize)
{
    std::unique_ptr<Utf8TextFile> file(new Utf8TextFile(path, pieceSize));
    // Unbuffered: the pieces are read straight into their buffers.
    if (!file->m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        showCannotOpen(file->m_file);
        return nullptr;
    }
    if (!file->survey()) return nullptr;
    file->rewind();
    return file;
}

bool Utf8TextFile::survey()
{
    // Its start tells UTF-16, by a byte-order mark or by zero bytes, and UTF-8's byte-order mark.
    const QByteArray head = m_file.read(4096 + 3);
    if (m_file.error() != QFileDevice::NoError) {
        cannotRead();
        return false;
    }
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF")) return decodeWhole();
    m_textStart = head.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    if (utf16ByZeroBytes(QByteArrayView(head).sliced(m_textStart)) != TextEncoding::Utf8) return decodeWhole();
    // The rest a piece at a time, a character that a piece cuts checked with the next one.
    if (!m_file.seek(m_textStart)) {
        cannotRead();
        return false;
    }
    LineCounter counter;
    QByteArray buffer(m_pieceSize + 4, Qt::Uninitialized);
    qsizetype carried = 0;
    for (;;) {
        const qint64 read = m_file.read(buffer.data() + carried, m_pieceSize);
        if (read < 0) {
            cannotRead();
            return false;
        }
        counter.add(QByteArrayView(buffer.constData() + carried, read));
        const qsizetype left = checkUtf8(QByteArrayView(buffer.constData(), carried + read), read == 0);
        if (left < 0) return decodeWhole();
        if (read == 0) break;
        std::memmove(buffer.data(), buffer.constData() + carried + read - left, size_t(left));
        carried = left;
    }
    m_lineCount = counter.lines();
    m_zeroByteLine = counter.zeroByteLine();
    return true;
}

bool Utf8TextFile::decodeWhole()
{
    if (!m_file.seek(0)) {
        cannotRead();
        return false;
    }
    const QByteArray bytes = m_file.readAll();
    if (m_file.error() != QFileDevice::NoError) {
        cannotRead();
        return false;
    }
    DecodedText decoded = decodeTextFile(bytes);
    m_held = decoded.text.toUtf8();
    m_replacedLines = std::move(decoded.replacedLines);
    LineCounter counter;
    counter.add(*m_held);
    m_lineCount = counter.lines();
    m_zeroByteLine = counter.zeroByteLine();
    return true;
}

void Utf8TextFile::cannotRead()
{
    m_failed = true;
    showCannotRead(m_file);
}

void Utf8TextFile::rewind()
{
    m_heldAt = 0;
    if (!m_held && !m_failed && !m_file.seek(m_textStart)) cannotRead();
}

bool Utf8TextFile::readPiece(QByteArray& buffer)
{
    if (m_held) {
        const qsizetype size = std::min(m_pieceSize, m_held->size() - m_heldAt);
        buffer.append(m_held->constData() + m_heldAt, size);
        m_heldAt += size;
        return size > 0;
    }
    if (m_failed) return false;
    const qsizetype before = buffer.size();
    buffer.resize(before + m_pieceSize);
    const qint64 read = m_file.read(buffer.data() + before, m_pieceSize);
    buffer.resize(before + std::max<qint64>(read, 0));
    if (read < 0) cannotRead();
    return read > 0;
}

Utf8Lines::Utf8Lines(Utf8TextFile& file) : m_file(file) { m_file.rewind(); }

void Utf8Lines::readMore()
{
    // What is left of the buffer moves to its front, and the next piece comes after it.
    const qsizetype left = m_buffer.size() - m_at;
    std::memmove(m_buffer.data(), m_buffer.constData() + m_at, size_t(left));
    m_buffer.resize(left);
    m_at = 0;
    m_cr = m_lf = -1;
    if (!m_file.readPiece(m_buffer)) m_end = true;
}

qsizetype Utf8Lines::nextOf(char c, qsizetype& cached) const
{
    if (cached < m_at) {
        cached = m_buffer.indexOf(c, m_at);
        if (cached < 0) cached = m_buffer.size();
    }
    return cached;
}

bool Utf8Lines::next(QByteArrayView& line)
{
    for (;;) {
        const qsizetype size = m_buffer.size();
        const qsizetype end = std::min(nextOf('\r', m_cr), nextOf('\n', m_lf));
        // A carriage return at the end of a piece may be half of a CR LF.
        const bool whole = end < size && !(m_buffer[end] == '\r' && end + 1 == size && !m_end);
        if (whole) {
            line = QByteArrayView(m_buffer.constData() + m_at, end - m_at);
            m_at = end + 1;
            if (m_buffer[end] == '\r' && m_at < size && m_buffer[m_at] == '\n') ++m_at;
            return true;
        }
        if (!m_end) {
            readMore();
            continue;
        }
        if (m_at >= size) return false;
        line = QByteArrayView(m_buffer.constData() + m_at, size - m_at);
        m_at = size;
        return true;
    }
}

} // namespace qv
