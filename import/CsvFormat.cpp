#include "import/CsvFormat.h"

namespace qv {

namespace {

bool isBreak(QChar c) { return c == u'\n' || c == u'\r'; }

} // namespace

QChar detectCsvSeparator(QStringView text)
{
    int commas = 0, semicolons = 0, tabs = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"') quoted = !quoted;
        if (quoted) continue;
        if (isBreak(c)) break;
        commas += c == u',';
        semicolons += c == u';';
        tabs += c == u'\t';
    }
    if (semicolons > commas && semicolons >= tabs) return u';';
    if (tabs > commas && tabs > semicolons) return u'\t';
    return u',';
}

int unclosedQuoteLine(QStringView text, QChar separator)
{
    int line = 1, openedOn = 0;
    bool quoted = false, fieldStart = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\n' || (c == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n'))) ++line;
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < text.size() && text[i + 1] == u'"')
                    ++i;
                else
                    quoted = false;
            }
            continue;
        }
        if (c == u'"' && fieldStart) {
            quoted = true;
            openedOn = line;
        }
        fieldStart = c == separator || isBreak(c);
    }
    return quoted ? openedOn : 0;
}

bool CsvReader::next(QList<QStringView>& fields)
{
    fields.clear();
    const qsizetype n = m_text.size();
    // Empty lines hold no record.
    while (m_at < n && isBreak(m_text[m_at])) {
        if (m_text[m_at] == u'\r' && m_at + 1 < n && m_text[m_at + 1] == u'\n') ++m_at;
        ++m_at;
        ++m_line;
    }
    if (m_at >= n) return false;
    m_recordLine = m_line;
    for (;;) {
        const qsizetype start = m_at;
        if (m_at < n && m_text[m_at] == u'"') {
            // A quoted field: up to the quote that is not doubled; anything after it, up to the separator, is kept as
            // it stands, as lenient readers do.
            ++m_at;
            const qsizetype from = m_at;
            bool doubled = false;
            while (m_at < n) {
                const QChar c = m_text[m_at];
                if (c == u'"') {
                    if (m_at + 1 < n && m_text[m_at + 1] == u'"') {
                        doubled = true;
                        m_at += 2;
                        continue;
                    }
                    break;
                }
                if (c == u'\n' || (c == u'\r' && (m_at + 1 >= n || m_text[m_at + 1] != u'\n'))) ++m_line;
                ++m_at;
            }
            QStringView value = m_text.mid(from, m_at - from);
            if (m_at < n) ++m_at; // the closing quote
            const qsizetype rest = m_at;
            while (m_at < n && m_text[m_at] != m_separator && !isBreak(m_text[m_at])) ++m_at;
            if (doubled || m_at > rest) {
                const size_t slot = size_t(fields.size());
                if (m_unquoted.size() <= slot) m_unquoted.resize(slot + 1);
                QString& own = m_unquoted[slot];
                own = value.toString();
                if (doubled) own.replace(QLatin1String("\"\""), QLatin1String("\""));
                own += m_text.mid(rest, m_at - rest);
                value = own;
            }
            fields.append(value);
        } else {
            while (m_at < n && m_text[m_at] != m_separator && !isBreak(m_text[m_at])) ++m_at;
            fields.append(m_text.mid(start, m_at - start));
        }
        if (m_at < n && m_text[m_at] == m_separator) {
            ++m_at;
            continue;
        }
        // The end of the record.
        if (m_at < n) {
            if (m_text[m_at] == u'\r' && m_at + 1 < n && m_text[m_at + 1] == u'\n') ++m_at;
            ++m_at;
            ++m_line;
        }
        return true;
    }
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
