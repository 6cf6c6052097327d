#include "import/CsvFormat.h"

namespace qv {

namespace {

// A character of either kind of text as a UTF-16 unit: what shapes a record is ASCII in both.
char16_t unit(QChar c) { return c.unicode(); }
char16_t unit(char c) { return char16_t(uchar(c)); }

bool isBreak(char16_t c) { return c == u'\n' || c == u'\r'; }

void halveQuotes(QString& text) { text.replace(QLatin1String("\"\""), QLatin1String("\"")); }
void halveQuotes(QByteArray& text) { text.replace("\"\"", "\""); }

} // namespace

template <typename View> char detectCsvSeparator(View text)
{
    int commas = 0, semicolons = 0, tabs = 0;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = unit(text[i]);
        if (c == u'"') quoted = !quoted;
        if (quoted) continue;
        if (isBreak(c)) break;
        commas += c == u',';
        semicolons += c == u';';
        tabs += c == u'\t';
    }
    if (semicolons > commas && semicolons >= tabs) return ';';
    if (tabs > commas && tabs > semicolons) return '\t';
    return ',';
}

template <typename View> int unclosedQuoteLine(View text, char separator)
{
    int line = 1, openedOn = 0;
    bool quoted = false, fieldStart = true;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = unit(text[i]);
        if (c == u'\n' || (c == u'\r' && (i + 1 >= n || unit(text[i + 1]) != u'\n'))) ++line;
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < n && unit(text[i + 1]) == u'"')
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
        fieldStart = c == char16_t(separator) || isBreak(c);
    }
    return quoted ? openedOn : 0;
}

template <typename View> bool BasicCsvReader<View>::next(QList<View>& fields)
{
    fields.clear();
    const qsizetype n = m_text.size();
    const char16_t separator = char16_t(m_separator);
    auto at = [this](qsizetype i) { return unit(m_text[i]); };
    // Empty lines hold no record.
    while (m_at < n && isBreak(at(m_at))) {
        if (at(m_at) == u'\r' && m_at + 1 < n && at(m_at + 1) == u'\n') ++m_at;
        ++m_at;
        ++m_line;
    }
    if (m_at >= n) return false;
    m_recordLine = m_line;
    for (;;) {
        const qsizetype start = m_at;
        if (m_at < n && at(m_at) == u'"') {
            // A quoted field: up to the quote that is not doubled; anything after it, up to the separator, is kept as
            // it stands, as lenient readers do.
            ++m_at;
            const qsizetype from = m_at;
            bool doubled = false;
            while (m_at < n) {
                const char16_t c = at(m_at);
                if (c == u'"') {
                    if (m_at + 1 < n && at(m_at + 1) == u'"') {
                        doubled = true;
                        m_at += 2;
                        continue;
                    }
                    break;
                }
                if (c == u'\n' || (c == u'\r' && (m_at + 1 >= n || at(m_at + 1) != u'\n'))) ++m_line;
                ++m_at;
            }
            View value = m_text.sliced(from, m_at - from);
            if (m_at < n) ++m_at; // the closing quote
            const qsizetype rest = m_at;
            while (m_at < n && at(m_at) != separator && !isBreak(at(m_at))) ++m_at;
            if (doubled || m_at > rest) {
                const size_t slot = size_t(fields.size());
                if (m_unquoted.size() <= slot) m_unquoted.resize(slot + 1);
                Owned& own = m_unquoted[slot];
                own = Owned(value.data(), value.size());
                if (doubled) halveQuotes(own);
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
        if (m_at < n) {
            if (at(m_at) == u'\r' && m_at + 1 < n && at(m_at + 1) == u'\n') ++m_at;
            ++m_at;
            ++m_line;
        }
        return true;
    }
}

template char detectCsvSeparator(QStringView);
template char detectCsvSeparator(QByteArrayView);
template int unclosedQuoteLine(QStringView, char);
template int unclosedQuoteLine(QByteArrayView, char);
template class BasicCsvReader<QStringView>;
template class BasicCsvReader<QByteArrayView>;

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
