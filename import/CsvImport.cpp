#include "import/CsvImport.h"
#include "data/BulkPost.h"
#include "data/DuplicateIndex.h"
#include "data/DataModule.h"
#include "import/ContactImport.h"
#include "import/FieldCaptions.h"
#include "import/CsvFormat.h"
#include "import/ImportSummary.h"
#include "import/TextFile.h"
#include "import/Utf8TextFile.h"
#include "platform/FileDialogs.h"
#include "platform/Messages.h"
#include "platform/WorkProgress.h"

#include <QFileInfo>
#include <functional>
#include <memory>

namespace qv {

const char* const ContactsCsvHeader =
    "Title,Name,Profession,Job Title,Home Street,Home City,Home State,Home ZIP,Home Country,Home PO Box,Email 1,"
    "Email 2,Business Email,Mobile,Primary Tel,Home Tel 1,Home Tel 2,Home Fax,Telex,Assistant Name,Manager Name,"
    "Hobbies";
const char* const AccountsCsvHeader = "Company,Company Size,Industry,Account Manager,Street,City,State,ZIP,Country,PO "
                                      "Box,Main Tel,Tel 1,Tel 2,Fax 1,Fax 2,Web Site";

namespace {

// The People column of each contacts column, in the file's order.
const char* const ContactColumns[] = {"Title",       "Name",    "Profession",   "JobTitle",  "HAStreet",
                                      "HACity",      "HAState", "HAPostalCode", "HACountry", "HAPostOfficeBox",
                                      "Email1",      "Email2",  "TelCallback",  "Mobile",    "PrimaryTel",
                                      "TelH1",       "TelH2",   "FaxH",         "Telex",     "AssistantName",
                                      "ManagerName", "Hobbies"};
constexpr int ContactNameField = 1;
constexpr int ContactEmail1Field = 10;

const QString AccountsFileMessage = QStringLiteral("This is an \"Accounts\" NOT a \"Contacts\" CSV file. Please use "
                                                   "Import -> Accounts from a CSV file... menu instead.");
const QString ContactsFileMessage = QStringLiteral("This is a \"Contacts\" NOT an \"Accounts\" CSV file. Please use "
                                                   "Import -> Contacts from a CSV file... menu instead.");
const QString IncompatibleMessage = QStringLiteral("Incompatible CSV file.");

// The chosen file, read as UTF-8 a piece at a time, each field decoded on its own as it is stored; nothing when the
// user cancelled, the file could not be read (the reason has been shown) or it has fewer than two lines.
std::unique_ptr<Utf8TextFile> chooseCsvFile(TMainDataModule& dm)
{
    // A new user fills an empty database from the example files installed beside the program (and its database).
    Statement anyRow(*dm.MainADOConnection, QStringLiteral("SELECT EXISTS (SELECT 1 FROM People) OR EXISTS (SELECT "
                                                           "1 FROM Accounts)"));
    const bool empty = anyRow.step() && anyRow.columnInt(0) == 0;
    const QString examples = QFileInfo(dm.MainADOConnection->dataSource()).absolutePath() + QStringLiteral("/examples");
    const QString path =
        chooseFileToOpen(QStringLiteral("CSV (Comma delimited) (*.csv)|*.CSV"), {}, empty ? examples : QString());
    if (path.isEmpty()) return nullptr;
    std::unique_ptr<Utf8TextFile> file = Utf8TextFile::open(path);
    if (!file || file->lineCount() < 2) return nullptr;
    return file;
}

// The header, blanks around it removed.
QString headerOf(Utf8TextFile& file)
{
    Utf8Lines lines(file);
    QByteArrayView line;
    lines.next(line);
    return trimBlanks(QString::fromUtf8(line));
}

// The header compared letter for letter; a refused one has been explained.
bool acceptHeader(const QString& header, const char* expected, const char* other, const QString& otherMessage)
{
    if (header == QLatin1String(other)) {
        showInformation(otherMessage);
        return false;
    }
    if (header != QLatin1String(expected)) {
        showError(IncompatibleMessage);
        return false;
    }
    return true;
}

// Every non-empty line after the header, split at every comma into `columns` fields (missing ones empty,
// further ones ignored), under a progress dialog; stops early when the user cancels. A file written by the accounts
// export is read as that export writes it, quoted fields and all (quoted).
void forEachRow(Utf8TextFile& file, bool quoted, int columns, const QString& caption, const std::function<int()>& added,
                const std::function<void(const QStringList&)>& addRow)
{
    WorkProgress progress(caption, file.lineCount() - 1);
    QStringList fields; // one list for every line
    auto add = [&] {
        while (fields.size() < columns) fields << QString();
        addRow(fields);
    };
    if (quoted) {
        Utf8CsvFile records(file, ',');
        QList<QByteArrayView> quotedFields;
        records.next(quotedFields); // the header
        while (records.next(quotedFields)) {
            if (!progress.step(records.line() - 2, added())) break;
            fields.clear();
            for (QByteArrayView f : quotedFields) fields << QString::fromUtf8(f);
            add();
        }
        return;
    }
    Utf8Lines lines(file);
    QByteArrayView line;
    lines.next(line); // the header
    for (int i = 1; lines.next(line); ++i) {
        if (!progress.step(i - 1, added())) break;
        if (line.isEmpty()) continue;
        fields.clear();
        for (qsizetype start = 0;;) {
            const qsizetype comma = line.indexOf(',', start);
            fields << QString::fromUtf8(line.sliced(start, (comma < 0 ? line.size() : comma) - start));
            if (comma < 0) break;
            start = comma + 1;
        }
        add();
    }
}

} // namespace

void SpeedButton14Click(TMainDataModule& dm)
{
    const std::unique_ptr<Utf8TextFile> csv = chooseCsvFile(dm);
    if (!csv) return;
    ContactImport import(dm);
    if (!acceptHeader(headerOf(*csv), ContactsCsvHeader, AccountsCsvHeader, AccountsFileMessage)) return;
    import.summary().setReplacedLines(csv->replacedLines());
    ContactImport::Values values;
    std::vector<int> columns;
    for (const char* c : ContactColumns) columns.push_back(import.column(c));
    forEachRow(
        *csv, false, int(columns.size()), QStringLiteral("Importing contacts"), [&] { return import.added(); },
        [&](const QStringList& fields) {
            values.clear();
            for (size_t k = 0; k < columns.size(); ++k) values.emplace_back(columns[k], fields.at(qsizetype(k)));
            import.add(values);
        });
    import.finish();
    showInformation(import.closingMessage());
}

void importAccountsFromCsv(TMainDataModule& dm)
{
    const std::unique_ptr<Utf8TextFile> csv = chooseCsvFile(dm);
    if (!csv) return;
    // The accounts export's file holds every field, in quotes where a field needs them; any other file must have
    // the accounts header.
    QStringList exported;
    for (const FieldCaption& f : accountFieldCaptions()) exported << QString::fromUtf8(f.caption);
    const QString header = headerOf(*csv);
    const bool quoted = header == exported.join(u',');
    if (!quoted && !acceptHeader(header, AccountsCsvHeader, ContactsCsvHeader, ContactsFileMessage)) return;
    Dataset& accounts = *dm.AccountsTable;
    accounts.checkBrowseMode();
    std::vector<int> columns, widths;
    QStringList captions;
    for (const FieldCaption& f : accountFieldCaptions()) {
        if (!quoted && columns.size() == 16) break; // the accounts header's columns
        columns.push_back(accounts.requireField(QString::fromLatin1(f.column)));
        widths.push_back(accounts.declaredWidth(QString::fromLatin1(f.column)));
        captions << QString::fromUtf8(f.caption);
    }
    // Names already stored are left out, when there were accounts at the start, and so are repeats in the file.
    const bool skipKnown = accounts.recordCount() > 0;
    DuplicateIndex known = DuplicateIndex::byFoldedColumns(accounts, {columns[0]});
    if (skipKnown) known.build(accounts.recordCount());
    ImportSummary summary;
    summary.setReplacedLines(csv->replacedLines());
    BulkPost bulk(accounts);
    QStringList texts;
    forEachRow(
        *csv, quoted, int(columns.size()), QStringLiteral("Importing accounts"), [&] { return bulk.posted(); },
        [&](const QStringList& fields) {
            texts.clear();
            QStringList cut;
            for (size_t k = 0; k < columns.size(); ++k) {
                texts << fields.at(qsizetype(k));
                if (cutToWidth(texts.last(), widths[k])) cut << captions[qsizetype(k)];
            }
            const QString& name = texts.first();
            if (TMainDataModule::isBlankName(name)) {
                summary.leftOut(LeftOut::NoName);
                return;
            }
            std::string key;
            if (skipKnown) {
                key = DuplicateIndex::foldedKey({name});
                if (known.find(key) >= 0) {
                    summary.leftOut(LeftOut::AlreadyStored);
                    return;
                }
            }
            accounts.append();
            for (size_t k = 0; k < columns.size(); ++k)
                if (!texts.at(qsizetype(k)).isEmpty()) accounts.setValue(columns[k], texts.at(qsizetype(k)));
            bulk.post();
            if (skipKnown) known.insert(key, accounts.recNo());
            for (const QString& field : cut) summary.cut(name, field);
        });
    bulk.finish();
    showInformation(summary.message(bulk.posted()));
}

} // namespace qv
