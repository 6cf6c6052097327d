#pragma once
// Contacts from the desktop mail client's address book (platform/MailAddressBook), added as new contacts of the
// first company; contacts already stored are left out. Nothing is ever written to the mail client's files.

namespace qv {

class TMainDataModule;

// Import -> "Contacts from MS Office Outlook...".
void BitBtn1Click(TMainDataModule& dm);

} // namespace qv
