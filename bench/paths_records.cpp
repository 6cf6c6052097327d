// Paths of the "Files" window: a keystroke in the search box, saving a contact, moving to the next contact on each
// page, and showing "Business info" with its company choices.
#include "app/Program.h"
#include "bench/Bench.h"
#include "data/DataModule.h"
#include "platform/DataControls.h"
#include "records/ContactPages.h"
#include "platform/RecordToolbar.h"
#include "records/DataEntry.h"

#include <QApplication>
#include <QGridLayout>
#include <QLineEdit>
#include <QTabWidget>
#include <sqlcipher/sqlite3.h>

namespace qv::bench {

namespace {

TDataEntryForm& filesWindow(Context& c)
{
    TDataEntryForm* form = c.program().dataEntryForm();
    if (!form) throw std::runtime_error("no Files window");
    return *form;
}

// A keystroke that matches no name: each one walks all the contacts.
Result searchKeystroke(Context& c)
{
    Result r =
        searchBoxKeystroke(c, filesWindow(c).SearchEdit,
                           "SELECT Name FROM People WHERE CompanyID = (SELECT min(CompanyID) FROM Companies)", 20);
    if (c.dataModule().PeopleCompanyDet->recordCount() != c.contacts())
        r.note = (r.note + " (contacts missing)").trimmed();
    return r;
}

Result contactSave(Context& c)
{
    filesWindow(c);
    Dataset* people = c.dataModule().PeopleCompanyDet;
    people->moveTo(people->recordCount() / 2);
    const qint64 rowid = people->rowId();
    Result r;
    int k = 0;
    r.program = bestOf(7, [&] {
        people->edit();
        people->setValue("JobTitle", QStringLiteral("Buyer %1").arg(k++));
        people->post();
    });
    sqlite3* db = c.openRaw();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "UPDATE People SET JobTitle = ? WHERE rowid = ?", -1, &st, nullptr);
    r.baseline = bestOf(7, [&] {
        rawExec(db, "BEGIN IMMEDIATE");
        const QByteArray title = QStringLiteral("Buyer %1").arg(k++).toUtf8();
        sqlite3_bind_text(st, 1, title.constData(), int(title.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 2, rowid);
        sqlite3_step(st);
        sqlite3_reset(st);
        rawExec(db, "COMMIT");
    });
    sqlite3_finalize(st);
    closeRaw(db);
    people->refresh(); // take in the baseline's writes before the next path
    return r;
}

// "Next record" with the Files window shown on each of its pages: every bound control updated and what changed
// painted (the event loop's turn after the click), against the toolkit's floor: the same texts set into as many
// plain line edits in a window of the same size, and what changed painted.
Result contactMove(Context& c)
{
    TDataEntryForm& form = filesWindow(c);
    Dataset* people = c.dataModule().PeopleCompanyDet;
    people->cancel();
    std::vector<int> fields;
    for (QWidget* w : form.findChildren<QWidget*>())
        if (auto* control = dynamic_cast<DataControl*>(w)) fields.push_back(control->fieldIndex());
    const int moves = 10;
    Result r;
    QStringList perPage;
    for (int page : {ContactPages::PersonalInfo, ContactPages::BusinessInfo, ContactPages::MarketingInfo}) {
        form.PageControl->setCurrentIndex(TDataEntryForm::ContactsPageIndex);
        form.Pages->setCurrentIndex(page);
        form.show();
        QApplication::processEvents();
        // The texts the controls will show, read before timing.
        std::vector<QStringList> texts;
        people->moveTo(0);
        for (int k = 1; k <= moves * 5 + 1; ++k) {
            people->moveTo(k);
            QStringList row;
            for (int f : fields) row << people->text(f);
            texts.push_back(row);
        }
        people->moveTo(0);
        QApplication::processEvents();
        const double program = bestOf(5,
                                      [&] {
                                          for (int k = 0; k < moves; ++k) {
                                              form.ContactToolbar->nextRecord();
                                              QApplication::processEvents(); // paints what changed
                                          }
                                      }) /
                               moves;
        form.hide();
        people->moveTo(0);

        QWidget floor;
        floor.resize(form.size());
        auto* grid = new QGridLayout(&floor);
        std::vector<QLineEdit*> edits;
        for (size_t i = 0; i < fields.size(); ++i) {
            edits.push_back(new QLineEdit(&floor));
            grid->addWidget(edits.back(), int(i) / 4, int(i) % 4);
        }
        floor.show();
        QApplication::processEvents();
        size_t next = 0;
        const double baseline = bestOf(5,
                                       [&] {
                                           for (int k = 0; k < moves; ++k) {
                                               const QStringList& row = texts[next++ % texts.size()];
                                               for (size_t i = 0; i < edits.size(); ++i)
                                                   edits[i]->setText(row[qsizetype(i)]);
                                               QApplication::processEvents();
                                           }
                                       }) /
                                moves;
        floor.hide();
        r.program += program;
        r.baseline += baseline;
        perPage << QStringLiteral("%1").arg(program / baseline, 0, 'f', 3);
    }
    r.program /= 3;
    r.baseline /= 3;
    r.note = QStringLiteral("(%1 bound controls; pages %2)").arg(fields.size()).arg(perPage.join(" / "));
    return r;
}

Result businessInfoShow(Context& c)
{
    TDataEntryForm& form = filesWindow(c);
    Dataset* people = c.dataModule().PeopleCompanyDet;
    people->first();
    form.Pages->setCurrentIndex(ContactPages::PersonalInfo);
    form.show();
    Result r;
    r.program = bestOf(5, [&] {
        form.Pages->setCurrentIndex(ContactPages::PersonalInfo);
        form.Pages->setCurrentIndex(ContactPages::BusinessInfo);
    });
    const int choices = form.Pages->companyChooser()->count();
    form.hide();
    people->cancel();
    sqlite3* db = c.openRaw();
    rawRead(db, "SELECT AccountName FROM Accounts ORDER BY rowid");
    r.baseline = bestOf(5, [&] { rawRead(db, "SELECT AccountName FROM Accounts ORDER BY rowid"); });
    closeRaw(db);
    r.note = QStringLiteral("(%1 company choices)").arg(choices);
    return r;
}

} // namespace

QV_BENCH_PATH("search-keystroke", searchKeystroke);
QV_BENCH_PATH("contact-save", contactSave);
QV_BENCH_PATH("contact-move", contactMove);
QV_BENCH_PATH("business-info-show", businessInfoShow);

} // namespace qv::bench
