#pragma once
// Contacts from the CSV file another program wrote (RFC 4180: quoted fields may hold separators, quotes and line
// breaks). The separator is found from the header line (comma, semicolon or tab) and the encoding from the bytes
// (UTF-8 with or without a byte-order mark, UTF-16, Windows-1252). A known header (Google Contacts, Outlook,
// Thunderbird, this program's export) is mapped without asking; any other opens the mapping step, where the user
// picks the field of each column and sees the first rows as they would be stored.

#include "import/CsvHeaders.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

namespace qv {

class TMainDataModule;

// The fields a row gives under the targets of its columns: each field once, with the texts of its columns joined
// (the name's parts with a blank, others with ", "; a single column's text as it stands), the name made of its
// parts when no column holds it whole, the birthday of its year, month and day.
class CsvRowReader {
public:
    explicit CsvRowReader(const std::vector<CsvTarget>& targets);
    // The People columns this reader fills, the name first.
    const QStringList& fields() const { return m_fields; }
    // The text of each field, by its position in fields(); empty when the row has none.
    void read(const QList<QStringView>& row, QStringList& texts) const;

private:
    QStringList m_fields;
    std::vector<std::vector<int>> m_fieldColumns; // the columns of each field, in the file's order
    std::vector<int> m_given, m_middle, m_family, m_full, m_nickname;
    int m_year = -1, m_month = -1, m_day = -1;
    int m_name = 0, m_birthday = -1, m_email1 = -1; // positions in m_fields
};

// Import -> "Contacts from another program's CSV file...".
void importContactsFromOtherCsvFile(TMainDataModule& dm);

} // namespace qv
