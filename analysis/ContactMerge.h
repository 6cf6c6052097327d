#pragma once
// Merging a group of contacts into one. The kept contact takes the values chosen for it; every row of the others
// that names them moves to it (their follow-ups, their buying-centre roles in subprojects it has none in, and
// their questionnaire answers where it has none); then the others are deleted. All of it in one transaction: a
// contact of the group changed meanwhile by another copy of the program refuses the merge as a save is refused,
// and a failure anywhere leaves everything as it was. No widgets: the window asks, this does.

#include <QString>
#include <QVariant>
#include <map>
#include <memory>
#include <vector>

namespace qv {

class Dataset;
class Statement;
class TMainDataModule;

// The contacts side by side: the fields filled in at least one of them, in the table's order.
struct MergeField {
    int column = -1; // in the contacts dataset
    QString name;
    std::vector<QVariant> values; // one per contact, null where empty
    bool differs = false;
};

struct MergeComparison {
    std::vector<qint64> people; // the contacts compared, in column order
    std::vector<MergeField> fields;
    // The contact with the most fields filled (the first of those), and per field the value kept by default: the
    // kept contact's, or the first other's where the kept one's is empty.
    int defaultKept() const;
    int defaultChoice(int field, int kept) const;
};

// Reads the contacts from the contacts dataset without moving it; a contact it does not show is left out.
MergeComparison compareContacts(const Dataset& contacts, const std::vector<qint64>& people);

// A value as the side-by-side view shows it: dates in the short date format.
QString shownValue(const Dataset& contacts, int column, const QVariant& value);

struct ContactMergePlan {
    std::vector<qint64> people; // every contact merged, the kept one among them
    qint64 kept = 0;
    std::vector<std::pair<int, QVariant>> values; // columns of the kept contact and the values they take
};

class ContactMerge {
public:
    explicit ContactMerge(TMainDataModule& dm);
    ~ContactMerge();
    ContactMerge(const ContactMerge&) = delete;
    ContactMerge& operator=(const ContactMerge&) = delete;

    // How many follow-ups the other contacts have, as the file holds them.
    int followUpsOfOthers(const ContactMergePlan& plan);
    // What the merge will do, as the user is asked.
    static QString confirmationText(int others, int followUps, const QString& keptName);
    // Throws DatabaseError (RowNotLocated when a contact changed meanwhile), having changed nothing. Afterwards
    // the kept contact is the current one.
    void merge(const ContactMergePlan& plan);

    Dataset* answers() const { return m_answers; } // the questionnaire answers, per contact

private:
    void mergeInTransaction(const ContactMergePlan& plan);
    // The details of the contacts among these that do not hold exactly the rows the file has for these people.
    std::vector<Dataset*> behindTheFile(const std::vector<Dataset*>& details, const std::vector<qint64>& people);
    void goTo(qint64 person);
    // The statement for this text, prepared at its first use and kept until the connection closes; reset.
    Statement& statement(const QString& sql);

    TMainDataModule& m_dm;
    Dataset* m_answers; // opened at the first merge, kept open as the personality window keeps its own
    std::map<QString, std::unique_ptr<Statement>> m_statements;
};

} // namespace qv
