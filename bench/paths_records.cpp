// Paths of the "Files" window's contacts: keystrokes in the search box, saving a contact, moving to the next contact
// on each page, and showing "Business info" with its company choices. The window floors are its plain copy
// (bench/PlainCopy.h) with what the window showed set into it.
#include "app/Program.h"
#include "bench/Bench.h"
#include "bench/FilesWindow.h"
#include "data/DataModule.h"
#include "platform/DataControls.h"
#include "platform/RecordToolbar.h"
#include "records/ContactPages.h"
#include "records/DataEntry.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <sqlcipher/sqlite3.h>

namespace qv::bench {

namespace {

const char* const ContactNames =
    "SELECT Name FROM People WHERE CompanyID = (SELECT min(CompanyID) FROM Companies) ORDER BY rowid";

Result searchKeystroke(Context& c)
{
    ShownFilesWindow window(c, ShownFilesWindow::PersonalInfo);
    return searchKeystrokes(c, window, window.form.SearchEdit, c.dataModule().PeopleCompanyDet, ContactNames);
}

Result searchFirstKeystroke(Context& c)
{
    ShownFilesWindow window(c, ShownFilesWindow::PersonalInfo);
    return firstKeystroke(c, window.form.SearchEdit, c.dataModule().PeopleCompanyDet, ContactNames,
                          "UPDATE People SET Info = Info WHERE rowid = (SELECT min(rowid) FROM People)");
}

// A changed job title saved, in the thread's processor time on both sides: the disk's sync, the same wait on both,
// would otherwise decide the figure.
Result contactSave(Context& c)
{
    Dataset* people = c.dataModule().PeopleCompanyDet;
    // The floor writes the contact after the program's, so that neither finds its row changed by the other. It writes
    // through the program's own connection: another connection's commit would tell the program that someone else
    // changed the contacts, and its next save would read the profession suggestions again, which a save does not.
    people->moveTo(people->recordCount() / 2 + 1);
    const qint64 rowid = people->rowId();
    people->moveTo(people->recordCount() / 2);
    sqlite3* db = c.dataModule().MainADOConnection->handle();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "UPDATE People SET JobTitle = ? WHERE rowid = ?", -1, &st, nullptr);
    int k = 0;
    Result r = inTurns(
        7,
        [&] {
            people->edit();
            people->setValue("JobTitle", QStringLiteral("Buyer %1").arg(k++));
            people->post();
        },
        [&] {
            rawExec(db, "BEGIN IMMEDIATE");
            const QByteArray title = QStringLiteral("Buyer %1").arg(k++).toUtf8();
            sqlite3_bind_text(st, 1, title.constData(), int(title.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int64(st, 2, rowid);
            sqlite3_step(st);
            sqlite3_reset(st);
            rawExec(db, "COMMIT");
        },
        Clock::ThreadCpu);
    sqlite3_finalize(st);
    r.note = QStringLiteral("(processor time of the saving thread; floor: the UPDATE of the column by rowid in its "
                            "own transaction, on the program's connection)");
    return r;
}

// "Next record" with the Files window shown on each of its pages, every bound control updated and what changed
// repainted, against the plain copy with its pages stacked as the window's are: what the window showed on each
// contact set into the copy (the controls of every page, the current page shown), repainted.
Result contactMove(Context& c)
{
    Dataset* people = c.dataModule().PeopleCompanyDet;
    people->cancel();
    const int moves = 10;
    Result r;
    QStringList perPage;
    int bound = 0;
    for (ShownFilesWindow::Page page :
         {ShownFilesWindow::PersonalInfo, ShownFilesWindow::BusinessInfo, ShownFilesWindow::MarketingInfo}) {
        ShownFilesWindow window(c, page);
        PlainCopy& copy = *window.copy;
        bound = 0;
        for (QWidget* w : window.form.findChildren<QWidget*>()) bound += dynamic_cast<DataControl*>(w) != nullptr;
        // What the window shows on the contacts the moves reach.
        std::vector<ShownState> shown;
        people->moveTo(0);
        QApplication::processEvents();
        shown.push_back(copy.capture());
        for (int k = 0; k < moves * 5; ++k) {
            window.form.ContactToolbar->nextRecord();
            QApplication::processEvents();
            shown.push_back(copy.capture());
        }
        people->moveTo(0);
        copy.apply(shown[0]);
        showPainted(copy.window());
        size_t next = 1;
        const Result one = inTurns(
            5,
            [&] {
                for (int k = 0; k < moves; ++k) {
                    window.form.ContactToolbar->nextRecord();
                    QApplication::processEvents();
                }
            },
            [&] {
                for (int k = 0; k < moves; ++k) {
                    copy.apply(shown[next]);
                    next = next % (shown.size() - 1) + 1;
                    QApplication::processEvents();
                }
            },
            Clock::Wall, moves);
        copy.window()->hide();
        people->moveTo(0);
        r.program += one.program / 3;
        r.baseline += one.baseline / 3;
        perPage << QStringLiteral("%1").arg(one.program / one.baseline, 0, 'f', 3);
    }
    r.note = QStringLiteral("(%1 bound controls; pages %2; floor: the window's plain copy, its pages stacked, the "
                            "same values set, repainted)")
                 .arg(bound)
                 .arg(perPage.join(" / "));
    return r;
}

// "Business info" chosen with the Files window on "Personal info", until repainted: the company choices rebuilt
// from the accounts and the chosen account copied into the contact. Floor: in the plain copy, the account names
// read by a prepared statement into the company list, the page changed, what the window showed set, repainted.
Result businessInfoShow(Context& c)
{
    ShownFilesWindow window(c, ShownFilesWindow::PersonalInfo);
    TDataEntryForm& form = window.form;
    Dataset* people = c.dataModule().PeopleCompanyDet;
    people->first();
    PlainCopy& copy = *window.copy;
    auto* copyPages = qobject_cast<QTabWidget*>(copy.copyOf(form.Pages));
    auto* copyChooser = qobject_cast<QComboBox*>(copy.copyOf(form.Pages->companyChooser()));
    form.Pages->setCurrentIndex(ContactPages::BusinessInfo);
    QApplication::processEvents();
    const ShownState business = copy.capture();
    const int choices = form.Pages->companyChooser()->count();
    sqlite3* db = c.openRaw();
    sqlite3_stmt* names = nullptr;
    sqlite3_prepare_v2(db, "SELECT AccountName FROM Accounts ORDER BY rowid", -1, &names, nullptr);
    showPainted(copy.window());
    const auto backToPersonal = [&](QTabWidget* pages) {
        pages->setCurrentIndex(ContactPages::PersonalInfo);
        QApplication::processEvents();
    };
    const std::vector<double> best = bestInTurns(
        5, {[&] {
                people->cancel(); // the copied account is not to be saved
                backToPersonal(form.Pages);
                return timed([&] {
                    form.Pages->setCurrentIndex(ContactPages::BusinessInfo);
                    QApplication::processEvents();
                });
            },
            [&] {
                backToPersonal(copyPages);
                return timed([&] {
                    QStringList entries;
                    while (sqlite3_step(names) == SQLITE_ROW)
                        entries << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(names, 0)),
                                                     sqlite3_column_bytes(names, 0));
                    sqlite3_reset(names);
                    copyChooser->clear();
                    copyChooser->addItems(entries);
                    copyPages->setCurrentIndex(ContactPages::BusinessInfo);
                    copy.apply(business);
                    QApplication::processEvents();
                });
            }});
    sqlite3_finalize(names);
    closeRaw(db);
    copy.window()->hide();
    people->cancel();
    Result r;
    r.program = best[0];
    r.baseline = best[1];
    r.note = QStringLiteral("(%1 company choices; floor: the account names read into the plain copy's list, the page "
                            "changed, the same values set, repainted)")
                 .arg(choices);
    return r;
}

} // namespace

QV_BENCH_PATH("search-keystroke", searchKeystroke);
QV_BENCH_PATH("search-first-keystroke", searchFirstKeystroke);
QV_BENCH_PATH("contact-save", contactSave);
QV_BENCH_PATH("contact-move", contactMove);
QV_BENCH_PATH("business-info-show", businessInfoShow);

} // namespace qv::bench
