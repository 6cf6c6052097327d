#pragma once
// What the contact imports share: the target company (the first one), the duplicate test, values cut to their
// fields' widths, and new contacts posted through the contacts dataset in batches, so that the record rules run on
// every one of them. The summary gathers what the closing message says.

#include "data/BulkPost.h"
#include "data/DuplicateIndex.h"
#include "data/Schema.h"
#include "import/ImportSummary.h"

#include <QString>
#include <QVariant>
#include <utility>
#include <vector>

namespace qv {

class Dataset;
class TMainDataModule;

// A date, or a date and time, as files write them: 1970-01-02, 19700102, with a time of day after a blank or a T
// (a zone after it is ignored: dates are kept as the wall clock shows them), the user's short date, or a month and
// day without a year (--01-02, --0102), which is kept in 1904 (a leap year, so that 29 February stays). An empty
// text, or the empty date some programs write (0/0/00), gives an empty text; a text that is no date gives a null
// text. Otherwise the date as it is stored.
QString importedDateText(const QString& text);

// Cuts a text to at most `width` characters (code points), at the end of a whole character as the user sees it:
// a letter keeps its accents. Returns whether it was cut.
bool cutToWidth(QString& text, int width);

class ContactImport {
public:
    // Notes how many contacts the current company has, then makes the first company current: every contact
    // added belongs to it.
    explicit ContactImport(TMainDataModule& dm);
    ~ContactImport();
    ContactImport(const ContactImport&) = delete;
    ContactImport& operator=(const ContactImport&) = delete;

    int added() const { return m_added; }
    int column(const char* name) const; // a People column for add()

    // People columns and their values, in the order they are set; an empty text or a null leaves its column empty.
    using Values = std::vector<std::pair<int, QVariant>>;

    // Adds a contact with these values (the name among them) unless its name is blank or, when the company had
    // contacts at the start, a contact of the company, or one added before, has the same name and Email1, letter
    // case ignored; either is counted as left out. A text wider than its column is cut to fit first, and a text
    // that is no date or whole number where its column wants one is left out; both are noted.
    // Returns whether it was added. A database error ends the import: it is thrown after the contacts before it
    // are stored.
    bool add(Values& values);

    // Stores the last batch and brings the profession suggestions up to date.
    void finish();

    ImportSummary& summary() { return m_summary; }
    QString closingMessage() const { return m_summary.message(m_added); }

private:
    void readNameAndEmail(const Values& values, QString& name, QString& email1) const;
    QStringList cutToWidths(Values& values) const;     // the captions of the fields cut
    QStringList readTypedValues(Values& values) const; // the captions of the values left out

    Dataset& m_people;
    const int m_initialCount;
    const int m_nameColumn, m_emailColumn;
    std::vector<int> m_widths; // by column
    std::vector<ColumnType> m_types;
    int m_added = 0;
    bool m_quiet = true; // the contacts' controls are told once, at the end
    DuplicateIndex m_known;
    BulkPost m_bulk;
    ImportSummary m_summary;
};

} // namespace qv
