#pragma once
// Contacts and accounts written to files other programs read: contacts as vCard 4.0 cards (RFC 6350) or as a CSV
// file (RFC 4180, UTF-8 with a byte-order mark, a header of the field captions), accounts as a CSV file. Every field
// is written, so that importing the file again gives every field of every contact back exactly: on the cards, the
// fields other programs know are written as their own properties, each naming its field in an X-QUORVANE-FIELD
// parameter, and the others as X-QUORVANE-<field> properties. A line break is written as a vCard line break (LF).

#include <QByteArray>
#include <vector>

namespace qv {

class Dataset;
class ExportFile;
class TMainDataModule;

// The contacts at these positions of the contacts dataset, in this order, appended to the file as they are
// written; false when the user pressed Cancel.
bool writeContactsAsVCards(const Dataset& people, const std::vector<int>& positions, ExportFile& file);
bool writeContactsAsCsv(const Dataset& people, const std::vector<int>& positions, ExportFile& file);
// Every account, in the dataset's order.
bool writeAccountsAsCsv(const Dataset& accounts, ExportFile& file);

// The header line of the files these write, without its line break: the field captions, in their order.
QByteArray contactsCsvExportHeader();
QByteArray accountsCsvExportHeader();

// Export -> "Contacts to a vCard file..." and "Contacts to a CSV file...": the contacts at these positions of the
// contacts dataset (the Filters window's results), or every contact of the current company when none is given.
void exportContactsToVCardFile(TMainDataModule& dm, const std::vector<int>& positions = {});
void exportContactsToCsvFile(TMainDataModule& dm, const std::vector<int>& positions = {});
// Export -> "Accounts to a CSV file...".
void exportAccountsToCsvFile(TMainDataModule& dm);

} // namespace qv
