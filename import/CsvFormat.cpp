#include "import/CsvFormat.h"

#include <cstring>

namespace qv {

namespace {

bool isBreak(char c) { return c == '\n' || c == '\r'; }

} // namespace

char detectCsvSeparator(QByteArrayView text)
{
    int commas = 0, semicolons = 0, tabs = 0;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (isBreak(c)) break;
        commas += c == ',';
        semicolons += c == ';';
        tabs += c == '\t';
    }
    if (semicolons > commas && semicolons >= tabs) return ';';
    if (tabs > commas && tabs > semicolons) return '\t';
    return ',';
}

bool CsvReader::next(QList<QByteArrayView>& fields)
{
    fields.clear();
    m_wantsMore = false;
    const qsizetype n = m_text.size();
    const char separator = m_separator;
    auto at = [this](qsizetype i) { return m_text[i]; };
    // Text that more text follows ends a record only at a line break with a byte after it: every character that
    // shapes a record is read with the one after it, so such a record reads as it would from the whole text.
    auto waitForMore = [&](qsizetype recordStart) {
        m_at = recordStart;
        m_line = m_recordLine;
        m_wantsMore = true;
        fields.clear();
        return false;
    };
    // Empty lines hold no record.
    while (m_at < n && isBreak(at(m_at)) && !(m_more && m_at + 1 >= n)) {
        if (at(m_at) == '\r' && m_at + 1 < n && at(m_at + 1) == '\n') ++m_at;
        ++m_at;
        ++m_line;
    }
    m_recordLine = m_line;
    const qsizetype recordStart = m_at;
    if (m_more && m_at + 1 >= n) return waitForMore(recordStart);
    if (m_at >= n) return false;
    for (;;) {
        const qsizetype start = m_at;
        if (m_at < n && at(m_at) == '"') {
            // A quoted field: up to the quote that is not doubled; anything after it, up to the separator, is kept as
            // it stands, as lenient readers do.
            const int openedOn = m_line;
            ++m_at;
            const qsizetype from = m_at;
            bool doubled = false;
            while (m_at < n) {
                const char c = at(m_at);
                if (c == '"') {
                    if (m_at + 1 < n && at(m_at + 1) == '"') {
                        doubled = true;
                        m_at += 2;
                        continue;
                    }
                    break;
                }
                if (c == '\n' || (c == '\r' && (m_at + 1 >= n || at(m_at + 1) != '\n'))) ++m_line;
                ++m_at;
            }
            if (m_at >= n) {
                if (m_more) return waitForMore(recordStart);
                m_unclosedQuoteLine = openedOn;
            }
            QByteArrayView value = m_text.sliced(from, m_at - from);
            if (m_at < n) ++m_at; // the closing quote
            const qsizetype rest = m_at;
            while (m_at < n && at(m_at) != separator && !isBreak(at(m_at))) ++m_at;
            if (doubled || m_at > rest) {
                const size_t slot = size_t(fields.size());
                if (m_unquoted.size() <= slot) m_unquoted.resize(slot + 1);
                QByteArray& own = m_unquoted[slot];
                own = value.toByteArray();
                if (doubled) own.replace("\"\"", "\"");
                own.append(m_text.sliced(rest, m_at - rest));
                value = own;
            }
            fields.append(value);
        } else {
            while (m_at < n && at(m_at) != separator && !isBreak(at(m_at))) ++m_at;
            fields.append(m_text.sliced(start, m_at - start));
        }
        if (m_at < n && at(m_at) == separator) {
            ++m_at;
            continue;
        }
        // The end of the record.
        if (m_more && m_at + 1 >= n) return waitForMore(recordStart);
        if (m_at < n) {
            if (at(m_at) == '\r' && m_at + 1 < n && at(m_at + 1) == '\n') ++m_at;
            ++m_at;
            ++m_line;
        }
        return true;
    }
}

void CsvReader::continueWith(QByteArrayView text, bool more)
{
    m_text = text;
    m_at = 0;
    m_more = more;
}

Utf8CsvFile::Utf8CsvFile(Utf8TextFile& file, char separator) : m_file(file), m_reader({}, separator, true)
{
    m_file.rewind();
}

bool Utf8CsvFile::next(QList<QByteArrayView>& fields)
{
    while (!m_reader.next(fields)) {
        if (!m_reader.wantsMore()) return false;
        // The record begun stays, at the buffer's front, and the next piece comes after it.
        const qsizetype used = m_reader.used();
        std::memmove(m_buffer.data(), m_buffer.constData() + used, size_t(m_buffer.size() - used));
        m_buffer.resize(m_buffer.size() - used);
        const bool more = m_file.readPiece(m_buffer);
        m_reader.continueWith(m_buffer, more);
    }
    return true;
}

int unclosedQuoteLine(Utf8TextFile& file, char separator)
{
    Utf8CsvFile records(file, separator);
    QList<QByteArrayView> fields;
    while (records.next(fields)) {}
    return records.unclosedQuoteLine();
}

void appendCsvField(QByteArray& out, const char* utf8, qsizetype size, char separator)
{
    bool quote = size > 0 && (utf8[0] == ' ' || utf8[size - 1] == ' ');
    for (qsizetype i = 0; i < size && !quote; ++i) {
        const char c = utf8[i];
        quote = c == separator || c == '"' || c == '\n' || c == '\r';
    }
    if (!quote) {
        out.append(utf8, size);
        return;
    }
    out += '"';
    for (qsizetype i = 0; i < size; ++i) {
        if (utf8[i] == '"') out += '"';
        out += utf8[i];
    }
    out += '"';
}

} // namespace qv
