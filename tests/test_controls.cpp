// The data-aware controls and their data source: what each kind shows for a stored text, what typing and
// picking store, that a scan nobody watches leaves the controls alone, and the desktop shell's refusals.
#include "platform/DataControls.h"
#include "platform/FileDialogs.h"
#include "platform/Messages.h"
#include "platform/ShellOpen.h"
#include "tests/support/TestSupport.h"

#include <QAccessible>
#include <QDesktopServices>
#include <QFileDialog>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryFile>
#include <QUrlQuery>
#include <QVBoxLayout>
#include <QtTest>

using namespace qv;
using namespace qv::test;

namespace {

// A window with one control of each kind over the contacts.
struct Bound {
    explicit Bound(Dataset* people)
    {
        window.setObjectName("BoundWindow");
        source = new DataSource(people, &window);
        auto* v = new QVBoxLayout(&window);
        v->addWidget(name = new DBEdit(source, "Name"));
        v->addWidget(state = new DBEdit(source, "HAState", DBEdit::Options{.upperCase = true}));
        v->addWidget(ethnic = new DBEdit(source, "Ethnic", DBEdit::Options{.limit = 25}));
        v->addWidget(title = new DBComboBox(source, "Title", domains::title()));
        v->addWidget(innovation = new DBLookupList(source, "Innovation", domains::innovation()));
        v->addWidget(income = new DBLookupList(source, "Income", domains::income()));
        v->addWidget(personType = new DBRadioGroup(source, "PersonType", "Type", domains::personType()));
        v->addWidget(reminder = new DBRadioGroup(source, "Breminder", "Birthday reminder", domains::reminderFlag()));
        v->addWidget(birthday = new DBDateBox(source, "Birthday"));
        v->addWidget(explanation = new ExplanationBox(innovation, domains::innovationExplanations()));
    }
    QWidget window;
    DataSource* source;
    DBEdit *name, *state, *ethnic;
    DBComboBox* title;
    DBLookupList *innovation, *income;
    DBRadioGroup *personType, *reminder;
    DBDateBox* birthday;
    ExplanationBox* explanation;
};

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

} // namespace

class TestControls : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { useUnitedStatesLocale(); }

    void choosersShowWithoutRewriting_data();
    void choosersShowWithoutRewriting();
    void typingStartsAnEditAndStoresWhatWasTyped();
    void limitsCountCharacters_data();
    void limitsCountCharacters();
    void pickingStoresTheEntryNotTheCaption();
    void everyChangeReachesTheField_data();
    void everyChangeReachesTheField();
    void hiddenWindowCatchesUpOnShow();
    void domainTexts();
    void desktopShellRefusesMissingFiles_data();
    void desktopShellRefusesMissingFiles();
    void mailtoLinksKeepEveryPartWhole_data();
    void mailtoLinksKeepEveryPartWhole();
    void desktopMessageBoxesKeepTheirTitleWhole_data();
    void desktopMessageBoxesKeepTheirTitleWhole();
    void fileDialogsOpenWhereThatKindOfFileWasLastChosen();
};

// Closed lists select the entry equal to the stored text ignoring case; radio groups only an exact match.
// Showing never rewrites the stored text.
void TestControls::choosersShowWithoutRewriting_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("shown"); // position selected, -1 for none
    QTest::newRow("closed list, other letter case") << "Innovation"
                                                    << "innovator" << 0;
    QTest::newRow("closed list, exact") << "Innovation"
                                        << "Laggard" << 4;
    QTest::newRow("closed list, no entry") << "Income"
                                           << "45,000" << -1;
    QTest::newRow("closed list, empty") << "Income"
                                        << "" << -1;
    QTest::newRow("radio group, other letter case") << "PersonType"
                                                    << "customer" << -1;
    QTest::newRow("radio group, exact") << "PersonType"
                                        << "Prospect" << 1;
    QTest::newRow("radio group, caption is not the stored text") << "Breminder"
                                                                 << "Set" << -1;
    QTest::newRow("radio group, stored text under its caption") << "Breminder"
                                                                << "FALSE" << 1;
}

void TestControls::choosersShowWithoutRewriting()
{
    QFETCH(QString, field);
    QFETCH(QString, stored);
    QFETCH(int, shown);
    TestDatabase db({personInsert("Before", {field, "Laggard"}), personInsert("Adams", {field, stored})});
    Dataset* people = db.open().PeopleCompanyDet;
    Bound b(people);
    b.window.show();
    people->next(); // from a contact that shows an entry, so that clearing is tested too
    const int position = field == "Innovation"   ? b.innovation->currentIndex()
                         : field == "Income"     ? b.income->currentIndex()
                         : field == "PersonType" ? b.personType->checkedPosition()
                                                 : b.reminder->checkedPosition();
    QCOMPARE(position, shown);
    if (field == "Innovation") {
        b.explanation->refresh();
        QCOMPARE(b.explanation->text(), domains::explanationAt(domains::innovationExplanations(), shown));
    }
    QCOMPARE(people->state(), DatasetState::Browse);
    QCOMPARE(people->text(field), stored);
    people->refresh();
    QCOMPARE(db.scalar(QString("SELECT %1 FROM People WHERE Name = 'Adams'").arg(field)).toString(), stored);
}

void TestControls::typingStartsAnEditAndStoresWhatWasTyped()
{
    TestDatabase db({personInsert("Adams", {"Title", "Mr."})});
    Dataset* people = db.open().PeopleCompanyDet;
    Bound b(people);
    b.window.show();
    QCOMPARE(b.title->currentText(), QString("Mr."));

    QTest::keyClicks(b.state, "ny");
    QCOMPARE(people->state(), DatasetState::Edit);
    QCOMPARE(b.state->text(), QString("NY"));
    QTest::keyClick(b.name, Qt::Key_End);
    QTest::keyClicks(b.name, "son");
    QCOMPARE(b.name->text(), QString("Adamsson")); // the echo of each keystroke does not disturb the box
    // Typing stops at the box's limit, or at the column's width.
    QTest::keyClicks(b.ethnic, QString(30, 'e'));
    QCOMPARE(b.ethnic->text().size(), 25);
    b.title->lineEdit()->clear();
    QTest::keyClicks(b.title->lineEdit(), "Sir Lancelot the Brave");
    QCOMPARE(b.title->currentText(), QString("Sir Lancel")); // Title holds 10 characters
    people->post();
    const auto row = db.rows("SELECT Name, HAState, length(Ethnic), Title FROM People").value(0);
    QCOMPARE(row.value(0).toString(), QString("Adamsson"));
    QCOMPARE(row.value(1).toString(), QString("NY"));
    QCOMPARE(row.value(2).toInt(), 25);
    QCOMPARE(row.value(3).toString(), QString("Sir Lancel"));
}

// A box's limit counts characters as the column's width does: a character outside the basic plane counts once,
// what goes beyond the limit is cut from the inserted text, and no character is cut in half.
void TestControls::limitsCountCharacters_data()
{
    const QString face = QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("inserted");
    QTest::addColumn<QString>("after");
    QTest::newRow("faces up to the width") << "Title" << QString() << 0 << face.repeated(12) << face.repeated(10);
    QTest::newRow("faces and letters") << "Title"
                                       << "Mr." << 3 << "ab" + face + "cdefgh"
                                       << "Mr.ab" + face + "cdef";
    QTest::newRow("a face at the last place") << "Title"
                                              << "abcdefghi" << 9 << face + face << "abcdefghi" + face;
    QTest::newRow("full box, insertion in the middle") << "Title"
                                                       << "abcdefghij" << 3 << "XY"
                                                       << "abcdefghij";
    QTest::newRow("the box's own limit") << "Ethnic" << QString() << 0 << face.repeated(30) << face.repeated(25);
}

void TestControls::limitsCountCharacters()
{
    QFETCH(QString, field);
    QFETCH(QString, before);
    QFETCH(int, cursor);
    QFETCH(QString, inserted);
    QFETCH(QString, after);
    TestDatabase db({personInsert("Adams", {field, before})});
    Dataset* people = db.open().PeopleCompanyDet;
    Bound b(people);
    b.window.show();
    QLineEdit* box = field == "Title" ? b.title->lineEdit() : static_cast<QLineEdit*>(b.ethnic);
    QCOMPARE(box->text(), before);
    box->setFocus();
    box->setCursorPosition(cursor);
    box->insert(inserted); // as typing or pasting does
    QCOMPARE(box->text(), after);
    if (after != before) {
        QCOMPARE(people->text(field), after);
        people->post();
        QCOMPARE(db.scalar("SELECT " + field + " FROM People").toString(), after);
    }
}

void TestControls::pickingStoresTheEntryNotTheCaption()
{
    TestDatabase db({personInsert("Adams", {"Innovation", "innovator"})});
    Dataset* people = db.open().PeopleCompanyDet;
    Bound b(people);
    b.window.show();
    b.reminder->buttons().at(1)->click(); // "Unset"
    QCOMPARE(people->text("Breminder"), QString("FALSE"));
    b.innovation->setFocus();
    QTest::keyClick(b.innovation, Qt::Key_Down);
    QCOMPARE(people->text("Innovation"), QString("Early adopter (opinion leader)"));
    // Picking refreshes that chooser's explanation at once.
    QCOMPARE(b.explanation->text(), domains::innovationExplanations().at(1));
    people->post();
    QCOMPARE(db.scalar("SELECT Breminder || '/' || Innovation FROM People").toString(),
             QString("FALSE/Early adopter (opinion leader)"));
}

// Every change of a control's value reaches its field, whatever made it: typing, a screen reader's or an
// automation tool's set-text, text replacement or toggle, the program itself. Showing the next contact then writes
// nothing back.
void TestControls::everyChangeReachesTheField_data()
{
    QTest::addColumn<QString>("control"); // object name of the control; a radio button is field_caption
    QTest::addColumn<QString>("way");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("stored");
    QTest::newRow("name box, typed") << "Name"
                                     << "type"
                                     << "Baker"
                                     << "Name"
                                     << "AdamsBaker";
    QTest::newRow("name box, accessible set-text") << "Name"
                                                   << "set text"
                                                   << "Baker"
                                                   << "Name"
                                                   << "Baker";
    QTest::newRow("name box, accessible text replaced") << "Name"
                                                        << "replace text"
                                                        << "Baker"
                                                        << "Name"
                                                        << "Baker";
    QTest::newRow("name box, set by the program") << "Name"
                                                  << "program"
                                                  << "Baker"
                                                  << "Name"
                                                  << "Baker";
    QTest::newRow("capitals box, accessible set-text") << "HAState"
                                                       << "set text"
                                                       << "ny"
                                                       << "HAState"
                                                       << "NY";
    QTest::newRow("box limit, accessible set-text") << "Ethnic"
                                                    << "set text" << QString(40, 'e') << "Ethnic" << QString(25, 'e');
    QTest::newRow("open list, accessible set-text") << "Title"
                                                    << "set text"
                                                    << "Dr."
                                                    << "Title"
                                                    << "Dr.";
    QTest::newRow("radio group, accessible toggle") << "PersonType_Prospect"
                                                    << "toggle"
                                                    << ""
                                                    << "PersonType"
                                                    << "Prospect";
    QTest::newRow("closed list, set by the program") << "Income"
                                                     << "index"
                                                     << "3"
                                                     << "Income" << domains::income().at(3);
}

void TestControls::everyChangeReachesTheField()
{
    QFETCH(QString, control);
    QFETCH(QString, way);
    QFETCH(QString, input);
    QFETCH(QString, field);
    QFETCH(QString, stored);
    TestDatabase db({personInsert("Adams", {"Breminder", "TRUE"}), personInsert("Next", {"HAState", "CA"})});
    Dataset* people = db.open().PeopleCompanyDet;
    Bound b(people);
    b.window.show();
    QWidget* w = b.window.findChild<QWidget*>(control);
    QVERIFY(w);
    if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->isEditable()) w = combo->lineEdit();
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    if (way == "type") {
        QTest::keyClick(w, Qt::Key_End);
        QTest::keyClicks(w, input);
    } else if (way == "set text") {
        a->setText(QAccessible::Value, input);
    } else if (way == "replace text") {
        a->editableTextInterface()->replaceText(0, a->textInterface()->characterCount(), input);
    } else if (way == "program") {
        static_cast<QLineEdit*>(w)->setText(input);
    } else if (way == "toggle") {
        QVERIFY(a->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
        a->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QVERIFY(static_cast<QAbstractButton*>(w)->isChecked());
    } else if (way == "index") {
        static_cast<QComboBox*>(w)->setCurrentIndex(input.toInt());
    }
    QCOMPARE(people->state(), DatasetState::Edit);
    QCOMPARE(people->text(field), stored);
    people->post();
    QCOMPARE(db.scalar(QString("SELECT %1 FROM People WHERE rowid = 1").arg(field)).toString(), stored);
    // Showing another contact, and coming back, writes nothing.
    people->next();
    people->prior();
    QCOMPARE(people->state(), DatasetState::Browse);
    QVERIFY(!people->isModified());
    QCOMPARE(db.scalar("SELECT HAState FROM People WHERE rowid = 2").toString(), QString("CA"));
}

// A scan while the window is hidden repaints nothing; the next show brings every control up to date once.
void TestControls::hiddenWindowCatchesUpOnShow()
{
    QStringList rows;
    for (int i = 0; i < 50; ++i) rows << personInsert(QString("Contact %1").arg(i), {"PersonType", "Customer"});
    rows << personInsert("Zed", {"PersonType", "Prospect", "Birthday", "2001-02-03 00:00:00"});
    TestDatabase db(rows);
    Dataset* people = db.open().PeopleCompanyDet;
    Bound b(people);
    b.window.show();
    b.window.hide();
    const int before = b.source->fullRefreshCount();
    for (people->first(); !people->atEnd(); people->next()) {}
    QCOMPARE(b.source->fullRefreshCount(), before);
    QVERIFY(b.source->isStale());
    QCOMPARE(b.name->text(), QString("Contact 0"));
    b.window.show();
    QCOMPARE(b.source->fullRefreshCount(), before + 1);
    QCOMPARE(b.name->text(), QString("Zed"));
    QCOMPARE(b.personType->checkedPosition(), 1);
    QCOMPARE(b.birthday->text(), QString("2/3/2001"));
    // Visible again: each move shows at once.
    people->prior();
    QCOMPARE(b.name->text(), QString("Contact 49"));
    QCOMPARE(b.birthday->text(), QString());
}

void TestControls::domainTexts()
{
    QCOMPARE(domains::halfHourTime().size(), 36);
    QCOMPARE(domains::halfHourTime().first(), QString("6:00 AM"));
    QCOMPARE(domains::halfHourTime().at(12), QString("12:00 PM"));
    QCOMPARE(domains::halfHourTime().last(), QString("11:30 PM"));
    QVERIFY(domains::approachExplanations().at(0).contains(QString("company") + QChar(0x2019) + "s problem"));
    QVERIFY(domains::innovationExplanations().at(1).contains(QString("innovators") + QChar(0x2019) + " "));
    QVERIFY(domains::educationLevel().contains("Master's"));
    QCOMPARE(domains::reminderFlag().at(0).caption + "=" + domains::reminderFlag().at(0).stored, QString("Set=TRUE"));
    QCOMPARE(domains::positionIgnoringCase(domains::prospectingMethod(), "OTHER"), 19);
    QCOMPARE(domains::explanationAt(domains::approachExplanations(), 5), QString("Other method of approach."));
}

// A file that does not exist is a failure without asking the desktop; an existing one is handed over.
void TestControls::desktopShellRefusesMissingFiles_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("exists");
    QTest::newRow("missing path") << "/nonexistent/folder/report.doc" << false;
    QTest::newRow("missing file URL") << "file:///nonexistent/folder/report.doc" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("existing path") << "%1" << true;
    QTest::newRow("existing file URL") << "file://%1" << true;
}

void TestControls::desktopShellRefusesMissingFiles()
{
    QFETCH(QString, target);
    QFETCH(bool, exists);
    QTemporaryFile file;
    QVERIFY(file.open());
    target = target.contains("%1") ? target.arg(file.fileName()) : target;
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler("file", &recorder, "open");
    const int result = shellOpen(target, ShowMode::Normal);
    QDesktopServices::unsetUrlHandler("file");
    QCOMPARE(result > 32, exists);
    QCOMPARE(recorder.urls.size(), exists ? 1 : 0);
    if (exists) QCOMPARE(recorder.urls.first().toLocalFile(), file.fileName());
}

// What a stored address holds stays inside it when the link reaches the desktop's mail handler: no header, no
// second recipient, no text of the mail comes from it.
void TestControls::mailtoLinksKeepEveryPartWhole_data()
{
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("header");
    QTest::addColumn<QStringList>("values"); // one value, or the addresses of a list
    QTest::addColumn<QString>("link");
    QTest::newRow("plain") << "ann@example.com" << QString() << QStringList() << "mailto:ann@example.com";
    QTest::newRow("empty") << "" << QString() << QStringList() << "mailto:";
    QTest::newRow("question mark adds an attachment")
        << "ann@example.com?attach=/etc/passwd" << QString() << QStringList()
        << "mailto:ann@example.com%3Fattach%3D%2Fetc%2Fpasswd";
    QTest::newRow("line break adds a header") << "ann@example.com\r\nBcc: eve@example.com"
                                              << "subject" << QStringList{"Happy Birthday"}
                                              << "mailto:ann@example.com%0D%0ABcc%3A%20eve@example.com"
                                                 "?subject=Happy%20Birthday";
    QTest::newRow("non-ASCII") << "j\u00FCrgen@m\u00FCller.de"
                               << "subject" << QStringList{"Gr\u00FC\u00DFe"}
                               << "mailto:j%C3%BCrgen@m%C3%BCller.de?subject=Gr%C3%BC%C3%9Fe";
    QTest::newRow("percent and hash") << "100%25@example.com#x" << QString() << QStringList()
                                      << "mailto:100%2525@example.com%23x";
    QTest::newRow("ampersand in a list adds a copy")
        << "me@example.com"
        << "bcc" << QStringList{"a@example.com&cc=eve@example.com", "", "b@example.com\nbody=hi"}
        << "mailto:me@example.com?bcc=a@example.com%26cc%3Deve@example.com;;b@example.com%0Abody%3Dhi;";
}

void TestControls::mailtoLinksKeepEveryPartWhole()
{
    QFETCH(QString, to);
    QFETCH(QString, header);
    QFETCH(QStringList, values);
    QFETCH(QString, link);
    const bool list = header == "bcc";
    const QString made = list               ? mailtoLink(to, header, values)
                         : header.isEmpty() ? mailtoLink(to)
                                            : mailtoLink(to, header, values.value(0));
    QCOMPARE(made, link);
    // Through the desktop shell, as the mail program receives it.
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler("mailto", &recorder, "open");
    QVERIFY(shellOpen(made, ShowMode::Maximized) > 32);
    QDesktopServices::unsetUrlHandler("mailto");
    QCOMPARE(recorder.urls.size(), 1);
    const QUrl url = recorder.urls.first();
    QCOMPARE(url.path(QUrl::FullyDecoded), to);
    QList<QPair<QString, QString>> items;
    if (!header.isEmpty()) items.append({header, list ? values.join(';') + ';' : values.value(0)});
    QCOMPARE(QUrlQuery(url).queryItems(QUrl::FullyDecoded), items);
}

// The real message box, as the desktop shows it: wide enough for the program's name in the window manager's bold
// title beside the title bar's icon and three buttons (about 100 pixels), and never wider than the screen.
void TestControls::desktopMessageBoxesKeepTheirTitleWhole_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QString>("text");
    QTest::newRow("short information") << int(MessageKind::Information) << int(MessageButtons::Ok)
                                       << "10 record(s) added.";
    QTest::newRow("question") << int(MessageKind::Warning) << int(MessageButtons::YesNo)
                              << "This will delete the current record. Proceed?";
    QTest::newRow("long error") << int(MessageKind::Error) << int(MessageButtons::Ok)
                                << QString("The value in field 'Name' is too long for its column. ").repeated(8);
}

void TestControls::desktopMessageBoxesKeepTheirTitleWhole()
{
    QFETCH(int, kind);
    QFETCH(int, buttons);
    QFETCH(QString, text);
    const QString previousName = QApplication::applicationName();
    QApplication::setApplicationName("Quorvane PRO 2005");
    QString title;
    int width = 0;
    QFont font;
    auto modal = whenModal([&](QWidget* w) {
        title = w->windowTitle();
        width = w->width();
        font = w->font();
        w->close();
    });
    messages().show(MessageKind(kind), text, MessageButtons(buttons));
    QApplication::setApplicationName(previousName);
    QVERIFY2(modal->ok(), modal->failure());
    QCOMPARE(title, QString("Quorvane PRO 2005"));
    font.setBold(true);
    const int titleWidth = QFontMetrics(font).horizontalAdvance(title);
    QVERIFY2(width >= titleWidth + 100, qPrintable(QString("%1 wide for a title of %2").arg(width).arg(titleWidth)));
    QVERIFY(width <= QGuiApplication::primaryScreen()->availableGeometry().width());
}

// The real dialog, one kind of file after another: the user's home at first, then the folder the last file of that
// kind came from (open and save alike, also in a later run of the program), another kind's first folder while that
// kind has none, and home again when the remembered folder is gone.
void TestControls::fileDialogsOpenWhereThatKindOfFileWasLastChosen()
{
    EmptyHome home;
    const QString backups = home.home() + "/backups";
    const QString reports = home.home() + "/reports";
    QVERIFY(QDir().mkpath(backups) && QDir().mkpath(reports));
    const QString backupFilter = "Quorvane backup (*.qvb)|*.QVB";
    const QString reportFilter = "Quorvane report (*.qvr)|*.qvr";
    // Shows one dialog, notes the folder it opens in, and chooses `file` in it (cancels for an empty one).
    auto shown = [&](const std::function<QString()>& show, const QString& file) {
        QString folder;
        auto modal = whenModal([&](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            if (!dialog) {
                w->close();
                return;
            }
            folder = dialog->directory().absolutePath();
            if (file.isEmpty()) {
                dialog->reject();
                return;
            }
            dialog->selectFile(file);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        const QString chosen = show();
        if (!modal->ok()) qWarning("%s", modal->failure());
        if (!file.isEmpty() && chosen != file) qWarning("chose %s", qPrintable(chosen));
        return folder;
    };
    auto open = [&](const QString& filter, const QString& first = {}) {
        return [=] { return chooseFileToOpen(filter, {}, first); };
    };
    auto save = [&](const QString& filter) { return [=] { return chooseFileToSave(filter, "Quorvane"); }; };
    QFile(backups + "/monday.qvb").open(QIODevice::WriteOnly);

    QCOMPARE(shown(open(backupFilter), ""), home.home());
    QCOMPARE(shown(open(backupFilter), backups + "/monday.qvb"), home.home());
    QCOMPARE(shown(save(backupFilter), backups + "/tuesday.qvb"), backups);
    QCOMPARE(shown(open(reportFilter, reports), ""), reports);
    QCOMPARE(shown(open(reportFilter), ""), home.home());
    QVERIFY(QFile::exists(home.home() + "/.config/Quorvane/Quorvane PRO 2005.conf"));
    QCOMPARE(shown(open(backupFilter), ""), backups);
    QVERIFY(QDir(backups).removeRecursively());
    QCOMPARE(shown(open(backupFilter, reports), ""), reports);
    QCOMPARE(shown(open(backupFilter), ""), home.home());
}

QTEST_MAIN(TestControls)
#include "test_controls.moc"
