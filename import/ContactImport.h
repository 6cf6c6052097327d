#pragma once
// What the contact imports share: the target company (the first one), the duplicate test, and new contacts posted
// through the contacts dataset in batches, so that the record rules run on every one of them.

#include "data/BulkPost.h"

#include <QString>
#include <QVariant>
#include <string>
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
    ~ContactImport();
    ContactImport(const ContactImport&) = delete;
    ContactImport& operator=(const ContactImport&) = delete;

    int added() const { return m_added; }
    int column(const char* name) const; // a People column for add()

    // People columns and their values, in the order they are set; an empty text leaves its column empty.
    using Values = std::vector<std::pair<int, QVariant>>;

    // Adds a contact with these values unless its name is blank or, when the company had contacts at the start,
    // a contact of the company, or one added before, has the same name and Email1, letter case ignored. Returns
    // whether it was added. A database error ends the import: it is thrown after the contacts before it are
    // stored.
    bool add(const QString& name, const QString& email1, const Values& values);

    // Stores the last batch and brings the profession suggestions up to date.
    void finish();

private:
    void indexContacts();
    void foldRowKey(int position, std::string& key); // the key of the contact at a position of the dataset
    bool isKnown(const std::string& key, size_t hash);
    void remember(size_t hash, int position);
    void reserveSlots(size_t contacts);

    Dataset& m_people;
    const int m_initialCount;
    const int m_nameColumn, m_emailColumn;
    int m_added = 0;
    bool m_indexed = false;
    bool m_quiet = true; // the contacts' controls are told once, at the end
    // The duplicate test is a look-up, not a walk through the contacts: the hash of every contact's name and
    // Email1, letter case folded away, with the contact's position (open addressing, no allocation per contact).
    // A matching hash is confirmed against the contact itself.
    std::vector<std::pair<size_t, int>> m_slots; // position -1: free
    size_t m_used = 0;
    std::string m_key, m_candidate;
    BulkPost m_bulk;
};

} // namespace qv
