#pragma once
// Cards added as new contacts of the first company: the cards of the mail client's address book, or of a vCard
// file. Each card is read into a contact item and mapped to the contact's fields by one table; a file import also
// fills the fields the table marks as a file's. Contact lists are left out and counted; so are cards without a
// name and contacts already stored. Ends with the closing message.

#include "import/ContactImport.h"
#include "import/ContactItem.h"
#include "platform/MailAddressBook.h"

#include <QHash>
#include <QList>
#include <vector>

namespace qv {

class TMainDataModule;

enum class CardFields {
    MailClient, // the mail client's fields, as the mail import has always stored them
    File,       // those, and the contact fields a card file carries beside them
};

// How a contact item becomes a contact's values, People column by column: one table of fields, the fields a file
// carries switched on for a file, and then the fields this program's own export names exactly.
class CardMapping {
public:
    CardMapping(const ContactImport& import, CardFields fields);
    void fill(const ContactItem& contact, ContactImport::Values& values) const;

private:
    std::vector<std::pair<int, QString ContactItem::*>> m_columns; // nullptr: the name
    bool m_ownFields = false;
    QHash<QString, int> m_ownColumns; // letter case folded
};

// replacedLines: lines of the file whose bytes were not valid UTF-8, for the closing message.
void importCards(TMainDataModule& dm, const std::vector<AddressBookItem>& items, CardFields fields,
                 const QList<int>& replacedLines = {});

} // namespace qv
