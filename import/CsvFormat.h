#pragma once
// Comma-separated text as RFC 4180 writes it: fields separated by one character (a comma, or the semicolon or tab
// a spreadsheet of another locale writes), a field in double quotes may hold that character, line breaks and
// quotes (written twice). Records end at CR LF, LF or CR outside quotes; empty lines hold no record.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>
#include <type_traits>
#include <vector>

namespace qv {

// Each works on decoded text (QStringView) and on UTF-8 bytes (QByteArrayView) alike: every character that shapes
// a record is ASCII, and no byte of a UTF-8 sequence is one.

// The separator of a header line: the one of comma, semicolon and tab found most often outside quotes (a comma
// when none is).
template <typename View> char detectCsvSeparator(View text);

// The line (1-based) on which a quoted field begins that no quote closes, 0 when every one is closed. Such a field
// would take the rest of the file into itself.
template <typename View> int unclosedQuoteLine(View text, char separator);

// Reads the records of a text one at a time, without copying fields that hold no doubled quote.
template <typename View> class BasicCsvReader {
public:
    BasicCsvReader(View text, char separator) : m_text(text), m_separator(separator) {}
    // The next record's fields, valid until the next call; false after the last record.
    bool next(QList<View>& fields);
    int line() const { return m_recordLine; } // where the record just read begins, 1-based

private:
    using Owned = std::conditional_t<std::is_same_v<View, QStringView>, QString, QByteArray>;
    View m_text;
    char m_separator;
    qsizetype m_at = 0;
    int m_line = 1, m_recordLine = 0;
    std::vector<Owned> m_unquoted; // the fields of the current record that had doubled quotes, by position
};
using CsvReader = BasicCsvReader<QStringView>;
using Utf8CsvReader = BasicCsvReader<QByteArrayView>;

// Appends a field as RFC 4180 writes it: in quotes (each quote written twice) when it holds the separator, a
// quote or a line break, or begins or ends with a blank, which some readers would drop.
void appendCsvField(QByteArray& out, const char* utf8, qsizetype size, char separator = ',');

} // namespace qv
