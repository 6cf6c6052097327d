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

// A keystroke that matches no account: each one walks all the accounts.
Result accountSearchKeystroke(Context& c)
{
    Result r = searchBoxKeystroke(c, accountsPage(c).SearchEdit, "SELECT AccountName FROM Accounts", 50);
    r.note = QStringLiteral("(%1 accounts)%2")
                 .arg(c.dataModule().AccountsTable->recordCount())
                 .arg(r.note.isEmpty() ? QString() : " " + r.note);
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
