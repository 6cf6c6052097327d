#pragma once
// Comma-separated text as RFC 4180 writes it: fields separated by one character (a comma, or the semicolon or tab
// a spreadsheet of another locale writes), a field in double quotes may hold that character, line breaks and
// quotes (written twice). Records end at CR LF, LF or CR outside quotes; empty lines hold no record.

#include "import/Utf8TextFile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <vector>

namespace qv {

// Records are read from UTF-8 bytes, split before they are decoded: every character that shapes a record is ASCII,
// and no byte of a UTF-8 sequence is one.

// The separator of a header line: the one of comma, semicolon and tab found most often outside quotes (a comma
// when none is).
char detectCsvSeparator(QByteArrayView text);

// Reads the records of a text one at a time, without copying fields that hold no doubled quote.
class CsvReader {
public:
    // more: the text is a piece of a longer one, whose next piece continueWith gives.
    CsvReader(QByteArrayView text, char separator, bool more = false)
        : m_text(text), m_separator(separator), m_more(more)
    {}
    // The next record's fields, valid until the next call; false after the last record, or when the record may go
    // on beyond the piece (wantsMore).
    bool next(QList<QByteArrayView>& fields);
    int line() const { return m_recordLine; } // where the record just read begins, 1-based
    // The line on which a quoted field begins that the end of the text leaves open, 0 while none does. Such a
    // field takes the rest of the file into itself.
    int unclosedQuoteLine() const { return m_unclosedQuoteLine; }

    bool wantsMore() const { return m_wantsMore; }
    qsizetype used() const { return m_at; } // the bytes of the piece read as whole records
    // The text again from the first unused byte, with the next piece after it.
    void continueWith(QByteArrayView text, bool more);

private:
    QByteArrayView m_text;
    char m_separator;
    bool m_more = false, m_wantsMore = false;
    qsizetype m_at = 0;
    int m_line = 1, m_recordLine = 0, m_unclosedQuoteLine = 0;
    std::vector<QByteArray> m_unquoted; // the fields of the current record that had doubled quotes, by position
};

// The records of a text file as UTF-8, read a piece at a time.
class Utf8CsvFile {
public:
    Utf8CsvFile(Utf8TextFile& file, char separator); // from the start of the file
    bool next(QList<QByteArrayView>& fields);        // as CsvReader's
    int line() const { return m_reader.line(); }
    int unclosedQuoteLine() const { return m_reader.unclosedQuoteLine(); }

private:
    Utf8TextFile& m_file;
    QByteArray m_buffer;
    CsvReader m_reader;
};

// The line (1-based) on which a quoted field of the file begins that no quote closes, 0 when every one is closed.
int unclosedQuoteLine(Utf8TextFile& file, char separator);

// Appends a field as RFC 4180 writes it: in quotes (each quote written twice) when it holds the separator, a
// quote or a line break, or begins or ends with a blank, which some readers would drop.
void appendCsvField(QByteArray& out, const char* utf8, qsizetype size, char separator = ',');

} // namespace qv
