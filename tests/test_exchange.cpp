// Data in and out through files: contacts from a vCard file and from other programs' CSV files, and contacts,
// accounts and the calendar exported, run as the menu runs them. What we write is read back by our imports (every
// field of every row comes back) and by readers we did not write (python3-vobject, python3-icalendar, Python's csv
// module); the files other programs write are fixtures shaped as they write them.
#include "app/MainFrameUnit.h"
#include "analysis/FiltersForm.h"
#include "app/Program.h"
#include "data/DataModule.h"
#include "data/Schema.h"
#include "import/CalendarExport.h"
#include "import/ContactExport.h"
#include "import/ContentLines.h"
#include "import/CsvImport.h"
#include "import/ExportFile.h"
#include "import/CsvMappingDialog.h"
#include "import/FieldCaptions.h"
#include "import/OtherCsvImport.h"
#include "import/VCardFileImport.h"
#include "platform/GuardedApplication.h"
#include "platform/WorkProgress.h"
#include "tests/support/StartedProgram.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QTableWidget>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QHeaderView>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace qv;
using namespace qv::test;

namespace {

QString fixture(const QString& name) { return QStringLiteral(QV_TEST_FIXTURES "/") + name; }

QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write %s", qPrintable(path));
}

// What a reader we did not write makes of a file we wrote (tests/support/read_exports.py).
QJsonArray readWithPython(const QString& kind, const QString& path)
{
    QProcess python;
    // Debian's own interpreter, which the readers are installed for.
    python.start("/usr/bin/python3", {QStringLiteral(QV_TEST_SUPPORT "/read_exports.py"), kind, path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        qWarning("python3 failed: %s (the readers come with scripts/setup.sh)",
                 python.readAllStandardError().constData());
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

// Every stored column of People but the keys, in the captions' order.
QStringList contactColumns()
{
    QStringList columns;
    for (const FieldCaption& f : contactFieldCaptions()) columns << f.column;
    return columns;
}

QList<QVariantList> contactRows(const TestDatabase& db)
{
    return db.rows("SELECT [" + contactColumns().join("], [") + "] FROM People ORDER BY rowid");
}

// A text of exactly `width` characters, accents, other scripts and a character beyond the basic plane among them.
QString filled(const QString& column, int width)
{
    static const QString pattern = QString::fromUtf8("Ré-ø€中😀 ");
    QString out = column + ':';
    while (characterCount(out) < width) out += pattern;
    while (characterCount(out) > width) out.chop(out.back().isLowSurrogate() ? 2 : 1);
    return out;
}

// Contacts with every field: filled to their widths, holding the characters files escape, or left empty.
QStringList contactsWithEveryField()
{
    QStringList inserts;
    for (int kind = 0; kind < 4; ++kind) {
        QStringList pairs;
        QString name;
        for (const ColumnDef& c : requireTable("People").columns) {
            if (c.type == ColumnType::AutoIncrement || c.name == "CompanyID") continue;
            QString v;
            switch (c.type) {
            case ColumnType::DateTime:
                v = kind == 0 ? "1970-01-02 10:30:00" : kind == 1 ? "1904-02-29 00:00:00" : QString();
                break;
            case ColumnType::Integer: v = kind == 0 ? "12" : kind == 1 ? "2147483647" : QString(); break;
            default:
                if (c.name == "Gender")
                    v = kind == 0 ? "Female" : kind == 1 ? "Male" : QString();
                else if (kind == 0)
                    v = filled(c.name, c.width);
                else if (kind == 1)
                    v = QString(" %1, \"quoted\"; back\\slash\nsecond line ").arg(c.name).left(c.width);
                break;
            }
            if (c.name == "Name") {
                name = kind == 2 ? "Cher" : kind == 3 ? "  Ann  van der Berg " : v;
                continue;
            }
            if (!v.isNull()) pairs << c.name << v;
        }
        inserts << personInsert(name, pairs);
    }
    return inserts;
}

QString differences(const QList<QVariantList>& got, const QList<QVariantList>& expected)
{
    if (got.size() != expected.size())
        return QStringLiteral("%1 rows instead of %2").arg(got.size()).arg(expected.size());
    const QStringList columns = contactColumns();
    for (qsizetype r = 0; r < got.size(); ++r)
        for (qsizetype c = 0; c < got[r].size(); ++c)
            if (got[r][c].toString() != expected[r][c].toString() || got[r][c].isNull() != expected[r][c].isNull())
                return QStringLiteral("row %1, %2: \"%3\" instead of \"%4\"")
                    .arg(r)
                    .arg(columns[c], got[r][c].toString(), expected[r][c].toString());
    return {};
}

// The contacts stored, each as "Name|Column=value|..." with the columns asked for (empty ones left out).
QStringList storedContacts(const TestDatabase& db, const QStringList& columns)
{
    QStringList out;
    for (const QVariantList& row : db.rows("SELECT Name, [" + columns.join("], [") + "] FROM People ORDER BY rowid")) {
        QString line = row[0].toString();
        for (qsizetype c = 0; c < columns.size(); ++c) {
            QString v = row[c + 1].toString();
            if (requireTable("People").column(columns[c])->type == ColumnType::DateTime) v.remove(" 00:00:00");
            if (!v.isEmpty()) line += '|' + columns[c] + '=' + v;
        }
        out << line;
    }
    return out;
}

} // namespace

class TestExchange : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { useUnitedStatesLocale(); }
    void vcardFileOfOtherPrograms();
    void unreadableFilesSayWhereAndStoreNothing_data();
    void unreadableFilesSayWhereAndStoreNothing();
    void csvFilesOfOtherPrograms_data();
    void csvFilesOfOtherPrograms();
    void unknownCsvHeaderMappedByTheUser();
    void textEscapedAsACardWritesIt_data();
    void textEscapedAsACardWritesIt();
    void contactsRoundTripThroughVCards();
    void contactsRoundTripThroughCsv();
    void csvReadByPythonsReader();
    void accountsRoundTripThroughCsv();
    void vcardsReadByAnotherReader();
    void calendarReadByAnotherReader();
    void filtersExportTheirResults();
    void exportReplacesOnlyWhenAllowedAndComplete();
    void exportCancelledLeavesNoFile();
    void exportKilledAtEveryStep_data();
    void exportKilledAtEveryStep();
};

// ---------------------------------------------------------------- a vCard file

void TestExchange::vcardFileOfOtherPrograms()
{
    ScriptedMessages shown;
    ScriptedFileDialogs dialogs;
    TestDatabase db({personInsert("Ada Okafor", {"Email1", "ada@okafor.example"})});
    TMainDataModule& dm = db.open();
    dialogs.answers.push_back(fixture("cards-from-other-programs.vcf"));
    runGuarded([&] { importContactsFromVCardFile(dm); });
    QCOMPARE(dialogs.requests.size(), size_t(1));
    QCOMPARE(dialogs.requests[0].kind, FileDialogRequest::Kind::Open);
    QCOMPARE(dialogs.requests[0].filter, QString("vCard (*.vcf)|*.VCF;*.VCARD"));
    QCOMPARE(shown.texts(),
             QStringList{"7 record(s) added.\n\nLeft out: 1 already stored, 1 contact list.\n\n3 values "
                         "were too long for their fields and were cut to fit: Bernd Baumann (Title, Home "
                         "Country, Mobile)."});
    // The fields the mail import fills, as it fills them, and the company a file adds.
    QCOMPARE(
        db.rows("SELECT Name, FaxH, Mobile, TelH1, HomePage, HAStreet, Company FROM People WHERE rowid = 2").first(),
        (QVariantList{"Jane Appleseed", "+1 408 555 0101", "+1 408 555 0102", "+1 408 555 0103", "http://jane.example",
                      "1 Infinite Loop", "Orchard Ltd"}));
}

// A file either import cannot read is refused whole, the file and the line named.
void TestExchange::unreadableFilesSayWhereAndStoreNothing_data()
{
    QTest::addColumn<bool>("cards"); // the vCard import, else the other programs' CSV import
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("why"); // after the file's name

    QTest::newRow("cards: no card") << true << QByteArray("\r\nName,Email\r\nAnn,ann@x.example\r\n")
                                    << "line 2 (\"Name,Email\") begins no card; a card begins with \"BEGIN:VCARD\"";
    QTest::newRow("cards: a card that does not end")
        << true
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bea\r\n")
        << "the card that begins on line 5 has no end (\"END:VCARD\")";
    QTest::newRow("cards: not text") << true
                                     << QByteArray(
                                            "BEGIN:VCARD\r\nPHOTO:\x89PNG\r\n\x00\x00\x00\rIHDR\r\nEND:VCARD\r\n", 38)
                                     << "it is not a text file (line 3 holds a zero byte)";
    QTest::newRow("cards: empty") << true << QByteArray() << "it is empty";
    QTest::newRow("CSV: a quote that is not closed")
        << false
        << QByteArray("First Name,Last Name,Display Name,Primary Email\r\nAnn,Lee,Ann Lee,ann@x.example\r\n"
                      "Bea,Ray,\"Bea Ray,bea@x.example\r\nCy,Fox,Cy Fox,cy@x.example\r\n")
        << "the quoted field that begins on line 3 is not closed";
    QTest::newRow("CSV: not text") << false << QByteArray("First Name,Last Name\r\nAnn,\x00\x01\x02\r\n", 28)
                                   << "it is not a text file (line 2 holds a zero byte)";
    QTest::newRow("CSV: empty") << false << QByteArray("\r\n\r\n") << "it is empty";
}

void TestExchange::unreadableFilesSayWhereAndStoreNothing()
{
    QFETCH(bool, cards);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, why);
    ScriptedMessages shown;
    ScriptedFileDialogs dialogs;
    TestDatabase db;
    TMainDataModule& dm = db.open();
    const QString path = db.folder() + (cards ? "cards.vcf" : "contacts.csv");
    writeFile(path, bytes);
    dialogs.answers.push_back(path);
    runGuarded([&] { cards ? importContactsFromVCardFile(dm) : importContactsFromOtherCsvFile(dm); });
    QCOMPARE(shown.texts(),
             QStringList{QString("The file \"%1\" cannot be imported: %2. Nothing was imported.").arg(path, why)});
    QCOMPARE(shown.shown[0].kind, MessageKind::Error);
    QCOMPARE(db.scalar("SELECT count(*) FROM People").toInt(), 0);
}

// ---------------------------------------------------------------- other programs' CSV files

void TestExchange::csvFilesOfOtherPrograms_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("contacts");

    QTest::newRow("Google Contacts")
        << "google-contacts.csv"
        << "3 record(s) added.\n\nLeft out: 1 without a name."
        << QStringList{"Ann Marie Lee|Title=Dr.|JobTitle=Chief buyer|Company=Acme Corp|"
                       "Department=Purchasing|Birthday=1970-01-02|Anniversary=1995-06-17|"
                       "Info=Met at the fair, hall 4|Email1=ann@home.example|Email2=ann@acme.example|"
                       "Mobile=+1 555 0101|TelH1=+1 555 0102|FaxB1=+1 555 0109|HAStreet=1 Elm St|"
                       "HACity=Salem|HAState=OR|HAPostalCode=97301|HACountry=USA|BAStreet=2 Mill Rd|"
                       "BACity=Portland|BAPostalCode=97201|HomePage=https://ann.example|Spouse=Bo Lee",
                       "Bea Ray|Email1=bea@ray.example|Email2=bea.ray@work.example|"
                       "FaxH=+44 20 7946 0001|HomePage=http://bea.example",
                       "Cher |Birthday=1904-05-20|Info=Says \"hi\",\nevery time|PrimaryTel=+1 555 0199"};
    QTest::newRow("Google Contacts, its older file in UTF-16")
        << "google-contacts-older.csv"
        << "2 record(s) added."
        << QStringList{"Zoë Müller|Profession=Architect|JobTitle=Partner|Company=Bauhaus GmbH|Birthday=1982-11-30|"
                       "Language=German|Hobbies=Sailing|Email1=zoe@mueller.example|Mobile=+49 170 5550101|"
                       "TelB1=+49 30 5550102|HAStreet=Lindenstraße 8|HACity=Berlin|HAPostalCode=10115|"
                       "HACountry=Deutschland|HomePage=https://zoe.example",
                       "Łukasz |Email1=lukasz@example.pl"};
    QTest::newRow("Outlook, in Windows-1252")
        << "outlook-contacts.csv"
        << "2 record(s) added."
        << QStringList{"René Dubois|Title=Mr.|Profession=Restaurateur|JobTitle=Gérant|Company=Café Lumière|"
                       "Department=Ventes|Birthday=1975-03-14|Anniversary=2002-06-01|Language=French|Spouse=Amélie|"
                       "Children=Léa, Hugo|AssistantName=Élise|ManagerName=Jacques|ReferredBy=Ann Lee|Hobbies=Jazz|"
                       "Info=Prefers calls\r\nafter 10 \"sharp\"|Email1=rene@cafe.example|Email2=rene@home.example|"
                       "Mobile=+33 6 55 55 03 03|PrimaryTel=+33 1 55 55 00 00|TelH1=+33 1 55 55 02 02|"
                       "TelMain=+33 1 55 55 01 00|TelB1=+33 1 55 55 01 01|FaxB1=+33 1 55 55 01 09|"
                       "HAStreet=3 quai Voltaire|HACity=Paris|HAPostalCode=75007|HACountry=France|"
                       "BAStreet=12 rue de la Paix, Bâtiment B|BACity=Paris|BAPostalCode=75002|BACountry=France|"
                       "WebPage=http://cafe.example/",
                       "Ada Okafor|Email1=ada@okafor.example"};
    QTest::newRow("Thunderbird") << "thunderbird-contacts.csv"
                                 << "2 record(s) added."
                                 << QStringList{"Grace Kim|JobTitle=Engineer|Company=Kim Labs|Department=R&D|"
                                                "Birthday=1988-07-04|Info=Likes tea|Email1=grace@kim.example|"
                                                "Email2=gk@work.example|Mobile=555-0204|TelH1=555-0202|FaxH=555-0203|"
                                                "TelB1=555-0201|HAStreet=9 Birch Ave, Apt 4|HACity=Seattle|HAState=WA|"
                                                "HAPostalCode=98101|HACountry=USA|BAStreet=1 Tower Pl|BACity=Seattle|"
                                                "HomePage=https://grace.example|WebPage=https://kimlabs.example",
                                                "The Front Desk|Birthday=1904-02-29|Email1=desk@hotel.example"};
}

void TestExchange::csvFilesOfOtherPrograms()
{
    QFETCH(QString, file);
    QFETCH(QString, message);
    QFETCH(QStringList, contacts);
    ScriptedMessages shown;
    ScriptedFileDialogs dialogs;
    TestDatabase db;
    TMainDataModule& dm = db.open();
    dialogs.answers.push_back(fixture(file));
    // A known header asks nothing: no mapping step comes up.
    auto modal = whenModal([](QWidget* w) { w->close(); }, 300);
    runGuarded([&] { importContactsFromOtherCsvFile(dm); });
    QTRY_VERIFY(!modal->ok()); // the watch has given up
    QVERIFY(!modal->acted());
    QCOMPARE(shown.texts(), QStringList{message});
    QStringList columns = contactColumns();
    columns.removeOne("Name");
    const QStringList stored = storedContacts(db, columns);
    QCOMPARE(stored.size(), contacts.size());
    for (qsizetype i = 0; i < stored.size(); ++i) {
        QStringList got = stored[i].split('|'), expected = contacts[i].split('|');
        got.sort();
        expected.sort();
        QCOMPARE(got, expected);
    }
    // The same file again adds nothing.
    dialogs.answers.push_back(fixture(file));
    importContactsFromOtherCsvFile(dm);
    QCOMPARE(db.scalar("SELECT count(*) FROM People").toInt(), contacts.size());
}

void TestExchange::unknownCsvHeaderMappedByTheUser()
{
    ScriptedMessages shown;
    ScriptedFileDialogs dialogs;
    TestDatabase db;
    TMainDataModule& dm = db.open();
    const QString path = db.folder() + "members.csv";
    // A club's list from a spreadsheet: semicolons, a header of its own words.
    writeFile(path, "Member;First name;Last name;E-mail;Joined;Remarks\r\n"
                    "17;Ann;Lee;ann@lee.example;2019-03-01;\"Treasurer; since 2019\"\r\n"
                    "18;Bea;Ray;bea@ray.example;2020-01-15;\r\n");
    dialogs.answers = {path, path};
    QStringList picks, preview;
    bool okWithoutName = true;
    auto modal = whenModal([&](QWidget* w) {
        auto* form = qobject_cast<TCsvMappingForm*>(w);
        if (!form) return;
        for (int i = 0; i < 6; ++i) picks << form->pick(i)->currentText();
        // The user gives the remarks to the comments and leaves the member number out.
        form->pick(0)->setCurrentIndex(0);
        form->pick(5)->setCurrentIndex(form->pick(5)->findText("Comments"));
        for (int r = 0; r < form->PreviewGrid->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < form->PreviewGrid->columnCount(); ++c)
                cells << form->PreviewGrid->horizontalHeaderItem(c)->text() + '=' +
                             form->PreviewGrid->item(r, c)->text();
            preview << cells.join('|');
        }
        // Without a column for the name there is nothing to import.
        form->pick(1)->setCurrentIndex(0);
        form->pick(2)->setCurrentIndex(0);
        okWithoutName = form->OkButton->isEnabled();
        form->pick(1)->setCurrentIndex(form->pick(1)->findText("Name"));
        form->pick(2)->setCurrentIndex(form->pick(2)->findText("Name"));
        QTest::mouseClick(form->OkButton, Qt::LeftButton);
    });
    runGuarded([&] { importContactsFromOtherCsvFile(dm); });
    QVERIFY2(modal->ok(), modal->failure());
    QCOMPARE(picks, (QStringList{"Leave out", "Name", "Name", "Email 1", "Leave out", "Leave out"}));
    QCOMPARE(preview, (QStringList{"Name=Ann Lee|Email 1=ann@lee.example|Comments=Treasurer; since 2019",
                                   "Name=Bea Ray|Email 1=bea@ray.example|Comments="}));
    QVERIFY(!okWithoutName);
    QCOMPARE(shown.texts(), QStringList{"2 record(s) added."});
    QCOMPARE(
        storedContacts(db, {"Email1", "Info"}),
        (QStringList{"Ann Lee|Email1=ann@lee.example|Info=Treasurer; since 2019", "Bea Ray|Email1=bea@ray.example"}));

    // Cancel imports nothing.
    auto cancel = whenModal([](QWidget* w) {
        if (auto* form = qobject_cast<TCsvMappingForm*>(w)) QTest::mouseClick(form->CancelButton, Qt::LeftButton);
    });
    importContactsFromOtherCsvFile(dm);
    QVERIFY2(cancel->ok(), cancel->failure());
    QCOMPARE(shown.texts().size(), 1);
    QCOMPARE(db.scalar("SELECT count(*) FROM People").toInt(), 2);
}

// ---------------------------------------------------------------- round trips

void TestExchange::textEscapedAsACardWritesIt_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("nothing") << QByteArray() << QByteArray();
    QTest::newRow("plain") << QByteArray("plain text") << QByteArray("plain text");
    QTest::newRow("separators and backslash") << QByteArray("a,b;c\\d") << QByteArray("a\\,b\\;c\\\\d");
    QTest::newRow("every line break") << QByteArray("one\r\ntwo\rthree\nfour")
                                      << QByteArray("one\\ntwo\\nthree\\nfour");
    QTest::newRow("breaks at both ends") << QByteArray("\nmiddle\r") << QByteArray("\\nmiddle\\n");
    QTest::newRow("only escapes") << QByteArray(";;\r\n,") << QByteArray("\\;\\;\\n\\,");
}

void TestExchange::textEscapedAsACardWritesIt()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, written);
    QByteArray out("X:");
    appendEscapedText(out, text);
    QCOMPARE(out, "X:" + written);
}

void TestExchange::contactsRoundTripThroughVCards()
{
    ScriptedMessages shown;
    ScriptedFileDialogs dialogs;
    TestDatabase from(contactsWithEveryField());
    TMainDataModule& source = from.open();
    const QString path = from.folder() + "contacts";
    dialogs.answers.push_back(path);
    runGuarded([&] { exportContactsToVCardFile(source); });
    QCOMPARE(shown.texts(), QStringList{"4 contact(s) exported to " + path + ".vcf."});

    TestDatabase to;
    TMainDataModule& target = to.open();
    dialogs.answers.push_back(path + ".vcf");
    runGuarded([&] { importContactsFromVCardFile(target); });
    QCOMPARE(shown.texts().last(), QString("4 record(s) added."));
    const QString wrong = differences(contactRows(to), contactRows(from));
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
}

void TestExchange::contactsRoundTripThroughCsv()
{
    ScriptedMessages shown;
    ScriptedFileDialogs dialogs;
    QStringList contacts = contactsWithEveryField();
    // A file keeps CR LF inside a value as it stands.
    contacts << personInsert("Dee Ward", {"Info", "one\r\ntwo\rthree", "Hobbies", "=1+2"});
    TestDatabase from(contacts);
    TMainDataModule& source = from.open();
    const QString path = from.folder() + "contacts.csv";
    dialogs.answers.push_back(path);
    runGuarded([&] { exportContactsToCsvFile(source); });
    QCOMPARE(shown.texts(), QStringList{"5 contact(s) exported to " + path + "."});
    QVERIFY(readAll(path).startsWith("\xEF\xBB\xBF" + contactsCsvExportHeader() + "\r\n"));

    TestDatabase to;
    TMainDataModule& target = to.open();
    dialogs.answers.push_back(path);
    runGuarded([&] { importContactsFromOtherCsvFile(target); });
    QCOMPARE(shown.texts().last(), QString("5 record(s) added."));
    const QString wrong = differences(contactRows(to), contactRows(from));
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
}

void TestExchange::csvReadByPythonsReader()
{
    ScriptedMessages shown;
    ScriptedFileDialogs dialogs;
    TestDatabase db(contactsWithEveryField());
    TMainDataModule& dm = db.open();
    const QString path = db.folder() + "contacts.csv";
    dialogs.answers.push_back(path);
    exportContactsToCsvFile(dm);
    const QJsonArray rows = readWithPython("csv", path);
    const QList<QVariantList> stored = contactRows(db);
    QCOMPARE(rows.size(), stored.size() + 1);
    QStringList header;
    for (const QJsonValue& v : rows[0].toArray()) header << v.toString();
    QStringList captions;
    for (const FieldCaption& f : contactFieldCaptions()) captions << f.caption;
    QCOMPARE(header, captions);
    for (qsizetype r = 0; r < stored.size(); ++r) {
        const QJsonArray cells = rows[r + 1].toArray();
        QCOMPARE(cells.size(), stored[r].size());
        for (qsizetype c = 0; c < cells.size(); ++c) {
            QString expected = stored[r][c].toString();
            if (expected.endsWith(" 00:00:00")) expected.chop(9);
            QCOMPARE(cells[c].toString(), expected);
        }
    }
}

void TestExchange::accountsRoundTripThroughCsv()
{
    ScriptedMessages shown;
    ScriptedFileDialogs dialogs;
    QStringList accounts;
    for (int kind = 0; kind < 3; ++kind) {
        QStringList pairs;
        QString name;
        for (const ColumnDef& c : requireTable("Accounts").columns) {
            if (c.type == ColumnType::AutoIncrement) continue;
            const QString v = kind == 0   ? filled(c.name, c.width)
                              : kind == 1 ? QString(" %1, \"q\"; \\\r\nx ").arg(c.name).left(c.width)
                                          : QString();
            if (c.name == "AccountName")
                name = kind == 2 ? QStringLiteral("Only a name") : v;
            else if (!v.isNull())
                pairs << c.name << v;
        }
        accounts << accountInsert(name, pairs);
    }
    TestDatabase from(accounts);
    TMainDataModule& source = from.open();
    const QString path = from.folder() + "accounts.csv";
    dialogs.answers.push_back(path);
    runGuarded([&] { exportAccountsToCsvFile(source); });
    QCOMPARE(shown.texts(), QStringList{"3 account(s) exported to " + path + "."});
    QCOMPARE(readWithPython("csv", path).size(), 4);

    TestDatabase to;
    TMainDataModule& target = to.open();
    dialogs.answers.push_back(path);
    runGuarded([&] { importAccountsFromCsv(target); });
    QCOMPARE(shown.texts().last(), QString("3 record(s) added."));
    const QString sql = "SELECT * FROM Accounts ORDER BY rowid";
    QList<QVariantList> got = to.rows(sql), expected = from.rows(sql);
    QCOMPARE(got.size(), expected.size());
    for (qsizetype r = 0; r < got.size(); ++r)
        for (qsizetype c = 1; c < got[r].size(); ++c) QCOMPARE(got[r][c].toString(), expected[r][c].toString());
}

void TestExchange::vcardsReadByAnotherReader()
{
    ScriptedMessages shown;
    ScriptedFileDialogs dialogs;
    TestDatabase db(contactsWithEveryField());
    TMainDataModule& dm = db.open();
    const QString path = db.folder() + "contacts.vcf";
    dialogs.answers.push_back(path);
    exportContactsToVCardFile(dm);
    // Folded at 75 octets, lines ended by CR LF.
    for (const QByteArray& line : readAll(path).split('\n')) {
        QVERIFY2(line.isEmpty() || line.endsWith('\r'), line.constData());
        QVERIFY2(line.size() <= 76, line.constData());
    }
    const QJsonArray cards = readWithPython("vcard", path);
    const QList<QVariantList> rows = contactRows(db);
    QCOMPARE(cards.size(), rows.size());
    const QStringList columns = contactColumns();
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const QJsonObject card = cards[r].toObject();
        for (qsizetype c = 0; c < columns.size(); ++c) {
            QString expected = rows[r][c].toString();
            if (requireTable("People").column(columns[c])->type == ColumnType::DateTime && !expected.isEmpty())
                expected = expected.endsWith("00:00:00") ? expected.left(10).remove('-')
                                                         : expected.remove('-').remove(':').replace(' ', 'T');
            const QString read = card.value(columns[c].toUpper()).toString(card.value(columns[c]).toString());
            QVERIFY2(
                read == expected,
                qPrintable(
                    QStringLiteral("card %1, %2: \"%3\" instead of \"%4\"").arg(r).arg(columns[c], read, expected)));
        }
    }
}

void TestExchange::calendarReadByAnotherReader()
{
    ScriptedMessages shown;
    ScriptedFileDialogs dialogs;
    TestDatabase db(
        {"INSERT INTO CalendarDays (DayID, Day) VALUES (1, '12/8/2026'), (2, '31.12.2026'), (3, '1/2/2027')",
         "INSERT INTO CalendarEvents (DayID, StartTime, EndTime, Action, ReminderBefore, Account, Contact) "
         "VALUES (1, '9:30 AM', '10:00 AM', 'Call Acme, about the offer; again', 15, 'Acme', 'Ann Lee'), "
         "(1, '', '', 'Trade fair', 0, NULL, NULL), (1, '11:00 PM', '1:00 AM', 'Night shift', 180, NULL, "
         "NULL), (2, '9:00 AM', '', 'Lost day', 0, NULL, NULL), (3, '8:00 AM', '', 'Early', NULL, NULL, "
         "NULL)",
         personInsert("Ann Lee", {"Birthday", "1970-01-02 00:00:00", "Breminder", "TRUE", "Anniversary",
                                  "1995-06-17 00:00:00", "Areminder", "FALSE"}),
         personInsert("Bea Ray", {"Birthday", "1904-02-29 00:00:00", "Breminder", " true "}),
         personInsert("Cy Fox",
                      {"Birthday", "1980-03-04 00:00:00", "Anniversary", "2001-09-10 00:00:00", "Areminder", "TRUE"})});
    TMainDataModule& dm = db.open();
    const QString path = db.folder() + "planner.ics";
    dialogs.answers.push_back(path);
    runGuarded([&] { exportCalendarToICalendarFile(dm); });
    QCOMPARE(dialogs.requests.back().filter, QString("iCalendar (*.ics)|*.ICS"));
    QCOMPARE(shown.texts(), QStringList{"4 event(s) and 3 birthday or anniversary reminder(s) exported to " + path +
                                        ".\n\n1 event(s) left out: their day (\"31.12.2026\") is not a date in today's "
                                        "date format."});
    QStringList events;
    for (const QJsonValue& v : readWithPython("ical", path)) {
        const QJsonObject e = v.toObject();
        QStringList alarms;
        for (const QJsonValue& a : e["alarms"].toArray()) alarms << a.toString();
        events << QStringList{e["start"].toString(),       e["end"].toString(),  e["summary"].toString(),
                              e["description"].toString(), e["rule"].toString(), alarms.join('/')}
                      .join(" | ");
    }
    QCOMPARE(
        events,
        (QStringList{
            "2026-12-08T09:30:00 | 2026-12-08T10:00:00 | Call Acme, about the offer; again | Account: Acme\nContact: "
            "Ann Lee |  | -1 day, 23:45:00",
            "2026-12-08 | 2026-12-09 | Trade fair |  |  | ",
            "2026-12-08T23:00:00 | 2026-12-09T01:00:00 | Night shift |  |  | -1 day, 21:00:00",
            "2027-01-02T08:00:00 |  | Early |  |  | 0:00:00",
            "1970-01-02 | 1970-01-03 | Birthday: Ann Lee |  | FREQ=YEARLY | ",
            "1904-02-29 | 1904-03-01 | Birthday: Bea Ray |  | FREQ=YEARLY;BYMONTHDAY=-1;BYMONTH=2 | ",
            "2001-09-10 | 2001-09-11 | Anniversary: Cy Fox |  | FREQ=YEARLY | ",
        }));
}

void TestExchange::filtersExportTheirResults()
{
    ScriptedFileDialogs dialogs;
    StartedProgram p({personInsert("Ann Lee", {"PersonType", "Customer", "Email1", "ann@x.example"}),
                      personInsert("Bea Ray", {"PersonType", "Prospect"}),
                      personInsert("Cy Fox", {"PersonType", "Customer", "Mobile", "555-0101"})});
    QVERIFY(p.started);
    TFilters* filters = p.program.filters();
    QVERIFY(!filters->ExportButton->isEnabled()); // nothing found yet
    findNamed<QCheckBox>(filters, "PersonTypeCheck")->setChecked(true);
    findNamed<QComboBox>(filters, "PersonTypeValue")->setCurrentText("Customer");
    QTest::mouseClick(filters->FilterButton, Qt::LeftButton);
    QVERIFY(filters->ExportButton->isEnabled());
    // The user drags the second result above the first: the files follow the grid.
    filters->ResultsGrid->verticalHeader()->moveSection(1, 0);
    const QString folder = QFileInfo(p.db.path()).absolutePath();
    dialogs.answers = {folder + "/customers.vcf", folder + "/customers.csv"};
    findNamed<QAction>(filters, "ExportVCardAction")->trigger();
    findNamed<QAction>(filters, "ExportCsvAction")->trigger();
    QCOMPARE(p.messages.texts(), (QStringList{"2 contact(s) exported to " + folder + "/customers.vcf.",
                                              "2 contact(s) exported to " + folder + "/customers.csv."}));
    QStringList names;
    for (const QJsonValue& card : readWithPython("vcard", folder + "/customers.vcf")) names << card["Name"].toString();
    QCOMPARE(names, (QStringList{"Cy Fox", "Ann Lee"}));
    const QJsonArray rows = readWithPython("csv", folder + "/customers.csv");
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[1].toArray()[1].toString(), QString("Cy Fox"));
    QCOMPARE(rows[2].toArray()[1].toString(), QString("Ann Lee"));
}

// ---------------------------------------------------------------- the file written

void TestExchange::exportReplacesOnlyWhenAllowedAndComplete()
{
    ScriptedMessages shown;
    ScriptedFileDialogs dialogs;
    TestDatabase db({personInsert("Ann Lee")});
    TMainDataModule& dm = db.open();
    const QString path = db.folder() + "old.vcf";
    writeFile(path, "what was there");
    // No: the file stays as it was.
    dialogs.answers.push_back(path);
    shown.answers.push_back(MessageAnswer::No);
    exportContactsToVCardFile(dm);
    QCOMPARE(shown.shown.size(), size_t(1));
    QCOMPARE(shown.shown[0].text, "The file " + path + " already exists. Do you want to replace the existing file?");
    QCOMPARE(readAll(path), QByteArray("what was there"));
    // Yes: replaced by the whole export, and nothing else is left in the folder.
    dialogs.answers.push_back(path);
    shown.answers.push_back(MessageAnswer::Yes);
    exportContactsToVCardFile(dm);
    QVERIFY(readAll(path).startsWith("BEGIN:VCARD\r\n"));
    QVERIFY(readAll(path).endsWith("END:VCARD\r\n"));
    QCOMPARE(QDir(db.folder()).entryList({"old*"}, QDir::Files), QStringList{"old.vcf"});
    // A file that cannot be written (its folder has gone meanwhile): the reason, and no file.
    const QString gone = db.folder() + "gone/contacts.vcf";
    dialogs.answers.push_back(gone);
    exportContactsToVCardFile(dm);
    QCOMPARE(shown.shown.back().kind, MessageKind::Error);
    QVERIFY2(shown.shown.back().text.startsWith("Cannot write file \"" + gone + "\". "),
             qPrintable(shown.shown.back().text));
    QVERIFY(!QFileInfo::exists(gone));
}

void TestExchange::exportCancelledLeavesNoFile()
{
    ScriptedMessages shown;
    ScriptedFileDialogs dialogs;
    QStringList many{"BEGIN"};
    for (int i = 0; i < 3000; ++i) many << personInsert(QStringLiteral("Person %1").arg(i));
    many << "COMMIT";
    TestDatabase db(many);
    TMainDataModule& dm = db.open();
    const QString path = db.folder() + "contacts.csv";
    dialogs.answers.push_back(path);
    // Cancel part of the way through: what was written so far goes, and no message comes.
    WorkProgress::setTiming({0, 0});
    bool cancelled = false;
    QString label;
    QTimer watcher;
    watcher.setInterval(0);
    connect(&watcher, &QTimer::timeout, this, [&] {
        auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        if (!dialog || cancelled || dialog->value() < 1000) return;
        cancelled = true;
        label = dialog->windowTitle() + ": " + dialog->labelText();
        QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
    });
    watcher.start();
    exportContactsToCsvFile(dm);
    watcher.stop();
    WorkProgress::setTiming({});
    QVERIFY(cancelled);
    QCOMPARE(label.section(' ', 0, 1) + ' ' + label.section(' ', 3),
             QString("Exporting contacts: record(s) exported."));
    QCOMPARE(shown.texts(), QStringList{});
    QVERIFY(QDir(db.folder()).entryList({"contacts*"}, QDir::Files).isEmpty());
}

void TestExchange::exportKilledAtEveryStep_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<bool>("fileBefore");
    for (const char* step : {"opened", "writing", "written", "replaced"})
        for (bool before : {false, true})
            QTest::addRow("%s, %s", step, before ? "replacing a file" : "a new file") << QString(step) << before;
}

void TestExchange::exportKilledAtEveryStep()
{
    // A program killed while it writes leaves the chosen name as it was, or the whole new file.
    QFETCH(QString, step);
    QFETCH(bool, fileBefore);
    constexpr int Contacts = 6000; // more than one piece of the file
    QStringList rows{"BEGIN"};
    for (int i = 0; i < Contacts; ++i)
        rows << personInsert(QStringLiteral("Person %1").arg(i), {"Info", QString(200, QChar(u'a' + i % 26))});
    rows << "COMMIT";
    TestDatabase db(rows);
    const QString target = db.folder() + "contacts.vcf";
    if (fileBefore) writeFile(target, "what was there");
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationDirPath() + "/qv_exportchild", {db.path(), target, "vcard", step});
    QByteArray said;
    for (int waited = 0; !said.contains("at " + step.toLatin1()) && waited < 120; ++waited) {
        child.waitForReadyRead(1000);
        said += child.readAllStandardOutput();
        if (child.state() == QProcess::NotRunning) break;
    }
    QVERIFY2(said.contains("at " + step.toLatin1()), said.constData());
    child.kill();
    QVERIFY(child.waitForFinished(10000));
    if (step == "replaced") {
        const QByteArray written = readAll(target);
        QCOMPARE(written.count("BEGIN:VCARD\r\n"), Contacts);
        QVERIFY(written.endsWith("END:VCARD\r\n"));
    } else if (fileBefore) {
        QCOMPARE(readAll(target), QByteArray("what was there"));
    } else {
        QVERIFY(!QFileInfo::exists(target));
    }
}

QTEST_MAIN(TestExchange)
#include "test_exchange.moc"
