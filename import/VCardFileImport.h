#pragma once
// Contacts from a vCard file (.vcf, versions 2.1, 3.0 and 4.0, one card or many), read as the mail client's cards
// are, with the fields a card file carries beside them; added as new contacts of the first company.

#include "platform/MailAddressBook.h"

#include <QString>
#include <vector>

namespace qv {

class TMainDataModule;

// The cards of a file's text, each from its BEGIN:VCARD line to its END:VCARD line. When the text holds no card, or
// a card that does not end, nothing: `problem` then says why, naming the line.
std::vector<AddressBookItem> splitCardFile(const QString& text, QString* problem);

// Import -> "Contacts from a vCard file...".
void importContactsFromVCardFile(TMainDataModule& dm);

} // namespace qv
