// Paths of the "Files" window: a keystroke in the search box, saving a contact, a scan of the contacts while the
// window is created and bound but hidden, and showing "Business info" with its company choices.
#include "app/Program.h"
#include "bench/Bench.h"
#include "data/DataModule.h"
#include "platform/DataControls.h"
#include "records/ContactPages.h"
#include "records/DataEntry.h"

#include <QLineEdit>
#include <sqlcipher/sqlite3.h>

namespace qv::bench {

namespace {

const char* FirstCompanyPeople = "SELECT * FROM People WHERE CompanyID = (SELECT min(CompanyID) FROM Companies)";

TDataEntryForm& filesWindow(Context& c)
{
    TDataEntryForm* form = c.program().dataEntryForm();
    if (!form) throw std::runtime_error("no Files window");
    return *form;
}

QStringList rawNames(sqlite3* db)
{
    QStringList names;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT Name FROM People WHERE CompanyID = (SELECT min(CompanyID) FROM Companies)", -1, &st,
                       nullptr);
    while (sqlite3_step(st) == SQLITE_ROW)
        names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)),
                                   sqlite3_column_bytes(st, 0));
    sqlite3_finalize(st);
    return names;
}

// Texts no name starts with: every change of the search text walks all the contacts.
const QString Unmatched[] = {QStringLiteral("Zq"), QStringLiteral("zQx")};

Result searchKeystroke(Context& c)
{
    TDataEntryForm& form = filesWindow(c);
    Dataset* people = c.dataModule().PeopleCompanyDet;
    Result r;
    const int rounds = 20;
    int k = 0;
    r.program = bestOf(3,
                       [&] {
                           for (int i = 0; i < rounds; ++i) form.SearchEdit->setText(Unmatched[k++ % 2]);
                       }) /
                rounds;
    if (people->recordCount() != c.contacts()) r.note = "(contacts missing)";
    sqlite3* db = c.openRaw();
    const QStringList names = rawNames(db);
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
    if (found) r.note = "(a search text matched)";
    form.SearchEdit->clear();
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

Result scanBound(Context& c)
{
    filesWindow(c);
    Dataset* people = c.dataModule().PeopleCompanyDet;
    Result r;
    int visited = 0;
    r.program = bestOf(3, [&] {
        visited = 0;
        for (people->first(); !people->atEnd(); people->next()) ++visited;
    });
    if (visited != c.contacts()) r.note = QStringLiteral("(visited %1)").arg(visited);
    sqlite3* db = c.openRaw();
    rawRead(db, FirstCompanyPeople);
    r.baseline = bestOf(3, [&] { rawRead(db, FirstCompanyPeople); });
    closeRaw(db);
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
QV_BENCH_PATH("scan-bound", scanBound);
QV_BENCH_PATH("business-info-show", businessInfoShow);

} // namespace qv::bench
