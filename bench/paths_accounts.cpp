// Paths of the "Accounts" page: keystrokes in its search box, and moving to the next account with the page on the
// screen (its boxes and its related-files grid follow). The floors are the Files window's plain copy.
#include "app/Program.h"
#include "bench/Bench.h"
#include "bench/FilesWindow.h"
#include "data/DataModule.h"
#include "platform/DBGrid.h"
#include "platform/RecordToolbar.h"
#include "records/AccountsPage.h"
#include "records/DataEntry.h"

#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <sqlcipher/sqlite3.h>

namespace qv::bench {

namespace {

const char* const AccountNames = "SELECT AccountName FROM Accounts ORDER BY rowid";

Result accountSearchKeystroke(Context& c)
{
    ShownFilesWindow window(c, ShownFilesWindow::Accounts);
    return searchKeystrokes(c, window, window.form.Accounts->SearchEdit, c.dataModule().AccountsTable, AccountNames);
}

Result accountSearchFirstKeystroke(Context& c)
{
    ShownFilesWindow window(c, ShownFilesWindow::Accounts);
    return firstKeystroke(c, window.form.Accounts->SearchEdit, c.dataModule().AccountsTable, AccountNames,
                          "UPDATE Accounts SET Comments = Comments WHERE rowid = (SELECT min(rowid) FROM Accounts)");
}

// The toolbar's "Next record" with the page shown, until repainted: the boxes and the related-files grid take the
// next account's values. Floor: the account's row and its related files read by prepared statements, the files
// into the plain copy's table, what the page showed set into the copy, repainted.
Result accountMove(Context& c)
{
    ShownFilesWindow window(c, ShownFilesWindow::Accounts);
    AccountsPage& page = *window.form.Accounts;
    PlainCopy& copy = *window.copy;
    Dataset* accounts = c.dataModule().AccountsTable;
    const int rounds = std::min(50, accounts->recordCount() - 1);
    // What the page shows on the accounts the moves reach, and their rowids.
    std::vector<ShownState> shown;
    std::vector<qint64> rowids;
    accounts->first();
    QApplication::processEvents();
    for (int k = 0; k <= rounds; ++k) {
        shown.push_back(copy.capture());
        rowids.push_back(accounts->rowId());
        page.Toolbar->nextRecord();
        QApplication::processEvents();
    }
    accounts->first();
    QStringList headings;
    for (int col = 0; col < page.RelatedFilesGrid->datasetModel()->columnCount(); ++col)
        headings << page.RelatedFilesGrid->datasetModel()->column(col).caption;
    RawTableModel files(headings);
    files.setDateColumns({0});
    copy.tableFor(page.RelatedFilesGrid)->setModel(&files);
    copy.matchColumns(page.RelatedFilesGrid);
    copy.apply(shown[0]);
    showPainted(copy.window());

    sqlite3* db = c.openRaw();
    sqlite3_stmt* account = nullptr;
    sqlite3_stmt* related = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM Accounts WHERE rowid = ?", -1, &account, nullptr);
    sqlite3_prepare_v2(db, "SELECT Date, FilePath, OPENFILE, FileDescription FROM RelatedFiles WHERE AccountID = ?", -1,
                       &related, nullptr);
    RawRows row;
    // Each run from the first account on, as the captured values are.
    const auto fromFirst = [&](const std::function<void()>& prepare, const std::function<void(int)> move) {
        prepare();
        QApplication::processEvents();
        return timed([&] {
            for (int i = 1; i <= rounds; ++i) {
                move(i);
                QApplication::processEvents();
            }
        });
    };
    const std::vector<double> best =
        bestInTurns(3, {[&] { return fromFirst([&] { accounts->first(); }, [&](int) { page.Toolbar->nextRecord(); }); },
                        [&] {
                            return fromFirst([&] { copy.apply(shown[0]); },
                                             [&](int i) {
                                                 row.clear();
                                                 sqlite3_bind_int64(account, 1, rowids[size_t(i)]);
                                                 row.read(account);
                                                 files.beginChange();
                                                 files.rows().clear();
                                                 sqlite3_bind_int64(related, 1, rowids[size_t(i)]);
                                                 files.rows().read(related);
                                                 files.endChange();
                                                 copy.apply(shown[size_t(i)]);
                                             });
                        }});
    Result r;
    r.program = best[0] / rounds;
    r.baseline = best[1] / rounds;
    sqlite3_finalize(account);
    sqlite3_finalize(related);
    closeRaw(db);
    copy.window()->hide();
    accounts->first();
    r.note = QStringLiteral("(%1 accounts; floor: the account and its related files read by prepared statements, set "
                            "into the page's plain copy, repainted)")
                 .arg(accounts->recordCount());
    return r;
}

} // namespace

QV_BENCH_PATH("account-search-keystroke", accountSearchKeystroke);
QV_BENCH_PATH("account-search-first-keystroke", accountSearchFirstKeystroke);
QV_BENCH_PATH("account-move", accountMove);

} // namespace qv::bench
