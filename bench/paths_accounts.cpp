// Paths of the "Accounts" page: a keystroke in its search box, and moving to the next account with the page on the
// screen (its boxes and its related-files grid follow).
#include "app/Program.h"
#include "bench/Bench.h"
#include "data/DataModule.h"
#include "platform/RecordToolbar.h"
#include "records/AccountsPage.h"
#include "records/DataEntry.h"

#include <QApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <sqlcipher/sqlite3.h>

namespace qv::bench {

namespace {

AccountsPage& accountsPage(Context& c)
{
    TDataEntryForm* form = c.program().dataEntryForm();
    if (!form) throw std::runtime_error("no Files window");
    return *form->Accounts;
}

// Texts no account name starts with: every change of the search text walks all the accounts.
const QString Unmatched[] = {QStringLiteral("Zq"), QStringLiteral("zQx")};

Result accountSearchKeystroke(Context& c)
{
    AccountsPage& page = accountsPage(c);
    Result r;
    const int rounds = 50;
    int k = 0;
    r.program = bestOf(3,
                       [&] {
                           for (int i = 0; i < rounds; ++i) page.SearchEdit->setText(Unmatched[k++ % 2]);
                       }) /
                rounds;
    sqlite3* db = c.openRaw();
    QStringList names;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT AccountName FROM Accounts", -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW)
        names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)),
                                   sqlite3_column_bytes(st, 0));
    sqlite3_finalize(st);
    closeRaw(db);
    int found = 0;
    r.baseline = bestOf(3,
                        [&] {
                            for (int i = 0; i < rounds; ++i) {
                                const QString& text = Unmatched[k++ % 2];
                                for (const QString& n : names)
                                    if (n.startsWith(text, Qt::CaseInsensitive)) {
                                        ++found;
                                        break;
                                    }
                            }
                        }) /
                 rounds;
    r.note = QStringLiteral("(%1 accounts)").arg(names.size());
    if (found) r.note += " (a search text matched)";
    page.SearchEdit->clear();
    return r;
}

// The toolbar's "Next record" with the page shown: the boxes and the related-files grid take the next account's
// values (the paint follows at the event loop's next turn). The baseline reads one account row and its related
// files through the index.
Result accountMove(Context& c)
{
    TDataEntryForm& form = *c.program().dataEntryForm();
    AccountsPage& page = accountsPage(c);
    Dataset* accounts = c.dataModule().AccountsTable;
    form.PageControl->setCurrentIndex(TDataEntryForm::AccountsPageIndex);
    form.show();
    QApplication::processEvents();
    accounts->first();
    Result r;
    const int rounds = 50;
    r.program = bestOf(3,
                       [&] {
                           for (int i = 0; i < rounds; ++i) page.Toolbar->nextRecord();
                       }) /
                rounds;
    form.hide();
    // The next paths find the window as start-up left it.
    form.PageControl->setCurrentIndex(TDataEntryForm::ContactsPageIndex);
    sqlite3* db = c.openRaw();
    sqlite3_stmt* account = nullptr;
    sqlite3_stmt* files = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM Accounts WHERE rowid = ?", -1, &account, nullptr);
    sqlite3_prepare_v2(db, "SELECT * FROM RelatedFiles WHERE AccountID = ?", -1, &files, nullptr);
    qint64 id = 1;
    quint64 sum = 0;
    r.baseline = bestOf(3,
                        [&] {
                            for (int i = 0; i < rounds; ++i, ++id) {
                                for (sqlite3_stmt* st : {account, files}) {
                                    sqlite3_bind_int64(st, 1, id);
                                    while (sqlite3_step(st) == SQLITE_ROW)
                                        for (int col = 0; col < sqlite3_column_count(st); ++col)
                                            sum += quint64(sqlite3_column_bytes(st, col));
                                    sqlite3_reset(st);
                                }
                            }
                        }) /
                 rounds;
    sqlite3_finalize(account);
    sqlite3_finalize(files);
    closeRaw(db);
    if (sum == 0) r.note = "(nothing read)";
    return r;
}

} // namespace

QV_BENCH_PATH("account-search-keystroke", accountSearchKeystroke);
QV_BENCH_PATH("account-move", accountMove);

} // namespace qv::bench
