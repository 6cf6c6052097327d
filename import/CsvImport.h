#pragma once
// Contacts and accounts from comma-separated files with a fixed header line. Fields are split at every comma,
// with no quoting, as the files the program has always read were written.

#include <QString>

namespace qv {

class TMainDataModule;

extern const char* const ContactsCsvHeader;
extern const char* const AccountsCsvHeader;

// Import -> "Contacts from a CSV file...": the new contacts go to the first company; duplicates are left out.
void SpeedButton14Click(TMainDataModule& dm);
// Import -> "Accounts from a CSV file...": accounts whose name is already stored are left out.
void importAccountsFromCsv(TMainDataModule& dm);

} // namespace qv
