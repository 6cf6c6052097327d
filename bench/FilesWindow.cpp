#include "bench/FilesWindow.h"
#include "app/Program.h"
#include "data/DataModule.h"
#include "records/ContactPages.h"
#include "records/DataEntry.h"

#include <QApplication>
#include <QHash>
#include <QLineEdit>
#include <QTabWidget>
#include <algorithm>
#include <sqlcipher/sqlite3.h>
#include <strings.h>

namespace qv::bench {

ShownFilesWindow::ShownFilesWindow(Context& c, Page page) : form(*c.program().dataEntryForm())
{
    form.show();
    // Every page laid out once, so that the copy finds each widget in its place.
    for (Page p : {Accounts, MarketingInfo, BusinessInfo, PersonalInfo, page}) {
        showPage(p);
        QApplication::processEvents();
    }
    // Showing "Business info" copies the chosen account into the contact: nothing of that is to be saved.
    c.dataModule().PeopleCompanyDet->cancel();
    QApplication::processEvents();
    copy = std::make_unique<PlainCopy>(&form);
}

ShownFilesWindow::~ShownFilesWindow()
{
    form.hide();
    showPage(PersonalInfo);
}

void ShownFilesWindow::showPage(Page page)
{
    if (page == Accounts) {
        form.PageControl->setCurrentIndex(TDataEntryForm::AccountsPageIndex);
        return;
    }
    form.PageControl->setCurrentIndex(TDataEntryForm::ContactsPageIndex);
    form.Pages->setCurrentIndex(page);
}

namespace {

RawRows readNames(const Context& c, const char* namesSql)
{
    sqlite3* db = c.openRaw();
    RawRows names;
    names.read(db, namesSql);
    closeRaw(db);
    return names;
}

// What is typed: the prefixes, one letter more each, of the two names whose first match lies deepest in the rows.
// The first keystrokes find early rows, the last ones walk far.
struct Typing {
    QStringList names, texts;
};

Typing typing(const RawRows& names)
{
    QHash<QString, int> first; // a name's first row: walked backwards, the first row is inserted last
    for (int r = names.rowCount() - 1; r >= 0; --r) first.insert(names.text(r, 0).toCaseFolded(), r);
    std::vector<int> firstRows(first.cbegin(), first.cend());
    std::sort(firstRows.rbegin(), firstRows.rend());
    Typing t;
    for (size_t k = 0; k < std::min<size_t>(2, firstRows.size()); ++k) {
        const QString name = names.text(firstRows[k], 0);
        t.names << name;
        for (int n = 1; n <= name.size(); ++n) t.texts << name.left(n);
    }
    return t;
}

// The floor's search: the first name that starts with the typed text, letters compared without case (the texts
// typed are ASCII).
int firstMatch(const RawRows& names, const QByteArray& typed)
{
    for (int r = 0, n = names.rowCount(); r < n; ++r) {
        int size = 0;
        const char* p = names.bytes(r, 0, &size);
        if (size >= typed.size() && strncasecmp(p, typed.constData(), size_t(typed.size())) == 0) return r;
    }
    return -1;
}

} // namespace

Result searchKeystrokes(Context& c, ShownFilesWindow& window, QLineEdit* box, Dataset* rows, const char* namesSql)
{
    const RawRows names = readNames(c, namesSql);
    const Typing typed = typing(names);
    const QStringList& texts = typed.texts;
    PlainCopy& copy = *window.copy;
    auto* copyBox = qobject_cast<QLineEdit*>(copy.copyOf(box));
    box->clear();
    QApplication::processEvents();
    // What the window showed after each keystroke, and the row it found.
    std::vector<ShownState> shown;
    std::vector<int> found;
    for (const QString& text : texts) {
        box->setText(text);
        QApplication::processEvents();
        shown.push_back(copy.capture());
        found.push_back(rows->recNo());
    }
    showPainted(copy.window());
    int differing = 0;
    Result r = inTurns(
        5,
        [&] {
            for (const QString& text : texts) {
                box->setText(text);
                QApplication::processEvents();
            }
        },
        [&] {
            for (qsizetype i = 0; i < texts.size(); ++i) {
                copyBox->setText(texts[i]);
                if (firstMatch(names, copyBox->text().toUtf8()) != found[size_t(i)]) ++differing;
                copy.apply(shown[size_t(i)]);
                QApplication::processEvents();
            }
        },
        Clock::Wall, int(texts.size()));
    copy.window()->hide();
    box->clear();
    QApplication::processEvents();
    r.note = QStringLiteral("(%1 rows, \"%2\" and \"%3\" typed a letter at a time, each keystroke finding a row; "
                            "floor: the same scan over the names as UTF-8, what the window showed set into its "
                            "plain copy, repainted)")
                 .arg(names.rowCount())
                 .arg(typed.names.value(0), typed.names.value(1));
    if (differing) r.note += QStringLiteral(" (the floor found other rows %1 times)").arg(differing);
    return r;
}

Result firstKeystroke(Context& c, QLineEdit* box, Dataset* rows, const char* namesSql, const char* touchSql)
{
    const QString text = typing(readNames(c, namesSql)).texts.value(0);
    bool reread = true;
    const auto keystroke = [&](bool afterRead) {
        box->clear();
        QApplication::processEvents();
        if (afterRead) {
            sqlite3* db = c.openRaw();
            rawExec(db, touchSql);
            closeRaw(db);
            rows->refresh();
            reread &= !rows->lastRefreshSkipped();
            QApplication::processEvents();
        }
        return timed([&] {
            box->setText(text);
            QApplication::processEvents();
        });
    };
    const std::vector<double> best =
        bestInTurns(5, {[&] { return keystroke(true); }, [&] { return keystroke(false); }});
    box->clear();
    QApplication::processEvents();
    if (!reread) throw std::runtime_error("the rows were not read again");
    Result r;
    r.program = best[0];
    r.baseline = best[1];
    r.note = QStringLiteral("(\"%1\" typed right after the %2 rows were read again; baseline: the same keystroke once "
                            "the rows had been searched)")
                 .arg(text)
                 .arg(rows->recordCount());
    return r;
}

} // namespace qv::bench
