#pragma once
// What the contact imports share: the target company (the first one), the duplicate test, and new contacts posted
// through the contacts dataset in batches, so that the record rules run on every one of them.

#include "data/BulkPost.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <utility>
#include <vector>

namespace qv {

class Dataset;
class TMainDataModule;

class ContactImport {
public:
    // Notes how many contacts the current company has, then makes the first company current: every contact
    // added belongs to it.
    explicit ContactImport(TMainDataModule& dm);

    int initialCount() const { return m_initialCount; }
    int added() const { return m_added; }
    int column(const char* name) const; // a People column for add()

    // Adds a contact with these values (People columns, in the order they are set; an empty text leaves its
    // column empty) unless its name is blank or, when the company had contacts at the start, a contact of
    // the company, or one added before, has the same name and Email1, letter case ignored. Returns whether it
    // was added. A database error ends the import: it is thrown after the contacts before it are stored.
    bool add(const QString& name, const QString& email1, const std::vector<std::pair<int, QString>>& values);

    // Stores the last batch and brings the profession suggestions up to date.
    void finish();

    // A name the required-name rule would refuse: nothing but blanks and control characters.
    static bool isBlankName(const QString& name);

private:
    static QByteArray duplicateKey(const QString& name, const QString& email1);
    void indexExistingContacts();

    Dataset& m_people;
    int m_initialCount;
    int m_added = 0;
    bool m_indexed = false;
    QSet<QByteArray> m_keys;
    BulkPost m_bulk;
};

} // namespace qv
