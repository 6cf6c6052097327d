#pragma once
// The desktop mail client's contacts, our stand-in for its contacts folder: the personal address book of the mail
// client that handles "mailto:" links (the one our e-mail commands open). Thunderbird keeps it in its default
// profile's abook.sqlite, Evolution in its system address book's contacts.db. Both are read from a private copy,
// so that the client's own files are only ever opened for reading, even while it runs.

#include <QList>
#include <QPair>
#include <QString>
#include <optional>
#include <vector>

namespace qv {

struct AddressBookItem {
    bool isList = false; // a mailing list kept apart from the cards (Thunderbird)
    QString vcard;       // the card as a vCard, when the book keeps one
    // Otherwise the card's own named properties (older Thunderbird books: FirstName, PrimaryEmail...).
    QList<QPair<QString, QString>> properties;
};

struct AddressBook {
    QString client;                     // "Thunderbird" or "Evolution"
    QString file;                       // the book that was read
    std::vector<AddressBookItem> items; // in the book's order; lists after the cards
};

// The desktop file name of the default "mailto:" handler ("thunderbird.desktop"), empty when none is set.
QString mailtoHandler();

// The personal address book of the mail client that handles "mailto:" links; when that client keeps none this
// program reads, or it cannot be read, the first of Thunderbird's and Evolution's books that can. Nothing when there
// is none; `problem` then says why.
std::optional<AddressBook> readMailClientAddressBook(QString* problem = nullptr);

// The private copies of address books that killed imports left in the temporary folder, removed (start-up).
void removeLeftoverBookCopies();

} // namespace qv
