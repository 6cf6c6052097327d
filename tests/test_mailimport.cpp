// Contacts from the desktop mail client: vCards of each version read into the contact item's properties, the
// address book of the client that handles "mailto:" links found in a home folder built by the test (a
// Thunderbird profile in the current and the older card format, an Evolution system book), and the import run
// as the menu runs it. The client's files must come out of it untouched.
#include "data/DataModule.h"
#include "import/ContactItem.h"
#include "import/MailClientImport.h"
#include "import/VCard.h"
#include "platform/MailAddressBook.h"
#include "platform/WorkProgress.h"
#include "tests/support/FileFixtures.h"
#include "tests/support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <sqlcipher/sqlite3.h>

using namespace qv;
using namespace qv::test;

namespace {

const std::pair<const char*, QString ContactItem::*> ItemProperties[] = {
    {"FirstName", &ContactItem::FirstName},
    {"LastName", &ContactItem::LastName},
    {"Title", &ContactItem::Title},
    {"Language", &ContactItem::Language},
    {"Spouse", &ContactItem::Spouse},
    {"Children", &ContactItem::Children},
    {"HomeAddressStreet", &ContactItem::HomeAddressStreet},
    {"HomeAddressCity", &ContactItem::HomeAddressCity},
    {"HomeAddressState", &ContactItem::HomeAddressState},
    {"HomeAddressPostalCode", &ContactItem::HomeAddressPostalCode},
    {"HomeAddressCountry", &ContactItem::HomeAddressCountry},
    {"HomeAddressPostOfficeBox", &ContactItem::HomeAddressPostOfficeBox},
    {"JobTitle", &ContactItem::JobTitle},
    {"Email1Address", &ContactItem::Email1Address},
    {"Email2Address", &ContactItem::Email2Address},
    {"MobileTelephoneNumber", &ContactItem::MobileTelephoneNumber},
    {"PrimaryTelephoneNumber", &ContactItem::PrimaryTelephoneNumber},
    {"PersonalHomePage", &ContactItem::PersonalHomePage},
    {"HomeTelephoneNumber", &ContactItem::HomeTelephoneNumber},
    {"Home2TelephoneNumber", &ContactItem::Home2TelephoneNumber},
    {"HomeFaxNumber", &ContactItem::HomeFaxNumber},
    {"TelexNumber", &ContactItem::TelexNumber},
    {"ManagerName", &ContactItem::ManagerName},
    {"AssistantName", &ContactItem::AssistantName},
    {"Hobby", &ContactItem::Hobby},
};

// Every property as "Name=value", the empty ones left out.
QStringList filledProperties(const ContactItem& c)
{
    QStringList out;
    for (const auto& [name, member] : ItemProperties)
        if (!(c.*member).isEmpty()) out << QString::fromLatin1(name) + '=' + c.*member;
    return out;
}

QString crlf(const QString& lines) { return QString(lines).replace('\n', "\r\n"); }

// A plain SQLite file, as the mail clients keep their books.
class PlainFile {
public:
    explicit PlainFile(const QString& path)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
            SQLITE_OK)
            qFatal("cannot create %s", qPrintable(path));
    }
    ~PlainFile() { sqlite3_close(m_db); }
    void exec(const QString& sql, const QStringList& args = {})
    {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK)
            qFatal("%s: %s", qPrintable(sql), sqlite3_errmsg(m_db));
        for (int i = 0; i < args.size(); ++i) {
            const QByteArray a = args[i].toUtf8();
            sqlite3_bind_text(st, i + 1, a.constData(), int(a.size()), SQLITE_TRANSIENT);
        }
        while (sqlite3_step(st) == SQLITE_ROW) {}
        sqlite3_finalize(st);
    }

private:
    sqlite3* m_db = nullptr;
};

// The empty home folder, with the desktop's settings and the mail clients' files the tests put there.
class FakeDesktop : public EmptyHome {
public:
    void setMailto(const QString& desktopId) const
    {
        QDir().mkpath(home() + "/.config");
        QFile f(home() + "/.config/mimeapps.list");
        if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write mimeapps.list");
        f.write("[Added Associations]\nx-scheme-handler/mailto=other.desktop;\n\n[Default Applications]\n"
                "text/html=firefox.desktop\nx-scheme-handler/mailto=" +
                desktopId.toUtf8() + ";\n");
    }

    // The default profile of a Thunderbird with two profiles; the installation names the default.
    QString thunderbirdBookPath() const
    {
        const QString root = home() + "/.thunderbird";
        QDir().mkpath(root + "/old.default");
        QDir().mkpath(root + "/k3x9q2.default-release");
        QFile ini(root + "/profiles.ini");
        if (!ini.open(QIODevice::WriteOnly)) qFatal("cannot write profiles.ini");
        ini.write("[Profile1]\nName=default\nIsRelative=1\nPath=old.default\nDefault=1\n\n"
                  "[Profile0]\nName=default-release\nIsRelative=1\nPath=k3x9q2.default-release\n\n"
                  "[General]\nStartWithLastProfile=1\nVersion=2\n\n"
                  "[Install4F96D1932A9F858E]\nDefault=k3x9q2.default-release\nLocked=1\n");
        return root + "/k3x9q2.default-release/abook.sqlite";
    }
    QString evolutionBookPath() const { return home() + "/.local/share/evolution/addressbook/system/contacts.db"; }
};

// A current Thunderbird book: no card table, each card a set of properties with its vCard among them.
void writeThunderbirdBook(PlainFile& f, const QStringList& vcards, const QStringList& lists = {})
{
    f.exec("CREATE TABLE properties (card TEXT, name TEXT, value TEXT)");
    f.exec("CREATE TABLE lists (uid TEXT PRIMARY KEY, name TEXT, nickName TEXT, description TEXT)");
    f.exec("CREATE TABLE list_cards (list TEXT, card TEXT, PRIMARY KEY(list, card))");
    for (int i = 0; i < vcards.size(); ++i) {
        const QString uid = QStringLiteral("card-%1").arg(i);
        f.exec("INSERT INTO properties VALUES (?, 'PopularityIndex', '0')", {uid});
        f.exec("INSERT INTO properties VALUES (?, '_vCard', ?)", {uid, vcards[i]});
        f.exec("INSERT INTO properties VALUES (?, 'DisplayName', 'shown name')", {uid});
    }
    for (int i = 0; i < lists.size(); ++i)
        f.exec("INSERT INTO lists VALUES (?, ?, '', '')", {QStringLiteral("list-%1").arg(i), lists[i]});
}

void writeEvolutionBook(PlainFile& f, const QStringList& vcards)
{
    f.exec("CREATE TABLE folders (folder_id TEXT PRIMARY KEY, version INTEGER, multivalues TEXT)");
    f.exec("INSERT INTO folders VALUES ('folder_id', 12, '')");
    f.exec("CREATE TABLE keys (key TEXT PRIMARY KEY, value TEXT, folder_id TEXT)");
    f.exec("CREATE TABLE folder_id (uid TEXT PRIMARY KEY, Rev TEXT, file_as TEXT, is_list INTEGER, vcard TEXT, "
           "bdata TEXT)");
    for (int i = 0; i < vcards.size(); ++i)
        f.exec("INSERT INTO folder_id (uid, vcard) VALUES (?, ?)", {QStringLiteral("pas-id-%1").arg(i), vcards[i]});
}

QString card(const QString& body) { return crlf("BEGIN:VCARD\nVERSION:3.0\n" + body + "\nEND:VCARD"); }

// Names, sizes, times and contents of every file under a folder.
QStringList snapshot(const QString& folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        out << QStringLiteral("%1 %2 %3 %4")
                   .arg(path)
                   .arg(f.size())
                   .arg(QFileInfo(path).lastModified().toMSecsSinceEpoch())
                   .arg(QString::fromLatin1(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1).toHex()));
    }
    out.sort();
    return out;
}

} // namespace

class TestMailImport : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { useUnitedStatesLocale(); }
    void vcardToContactItem_data();
    void vcardToContactItem();
    void contactListsAreNotContacts_data();
    void contactListsAreNotContacts();
    void bookOfTheMailtoHandler_data();
    void bookOfTheMailtoHandler();
    void importFromEvolution();
    void importFromThunderbirdCurrentAndOlderCards();
    void contactListsAreLeftOutAndCounted();
    void cardsOfOtherPrograms_data();
    void cardsOfOtherPrograms();
    void longBookInOrder_data();
    void longBookInOrder();
    void noBookOrAnEmptyOne();
    void booksAreOnlyRead();
};

// ---------------------------------------------------------------- vCards

void TestMailImport::vcardToContactItem_data()
{
    QTest::addColumn<QString>("vcard");
    QTest::addColumn<QStringList>("expected"); // every property that is not empty

    QTest::newRow("2.1: quoted-printable, character sets, bare types, an embedded card")
        << crlf("BEGIN:VCARD\nVERSION:2.1\n"
                "N;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:M=FCller;Ren=E9;;Herr Dr.;\n"
                "FN:Ren\xC3\xA9 M\xC3\xBCller\n"
                "TITLE:Head of\n purchasing\n"
                "AGENT:\nBEGIN:VCARD\nVERSION:2.1\nN:Agent;Secret\nTEL;CELL:000\nEMAIL;INTERNET:agent@x.example\n"
                "END:VCARD\n"
                "TEL;HOME;VOICE:+49 711 555 01\nTEL;HOME:+49 711 555 02\nTEL;CELL:+49 170 555 03\n"
                "TEL;HOME;FAX:+49 711 555 04\nTEL;WORK;VOICE:+49 711 555 99\n"
                "EMAIL;INTERNET;PREF:rene@example.de\nEMAIL;INTERNET:r.mueller@example.org\nEMAIL;TLX:884411\n"
                "ADR;HOME;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:;;Lindenstra=C3=9Fe 8=0D=0A=\nHinterhaus;Stuttgart;"
                "BW;70173;Germany\n"
                "ADR;WORK:;;Werkstr. 1;Berlin;;10115;Germany\n"
                "PHOTO;ENCODING=BASE64;TYPE=JPEG:\n /9j/4AAQSkZJRgABAQEASABIAAD\n\n"
                "URL;HOME:http://rene.example.de\nEND:VCARD\n")
        << QStringList{QString::fromUtf8("FirstName=René"),
                       QString::fromUtf8("LastName=Müller"),
                       "Title=Herr Dr.",
                       QString::fromUtf8("HomeAddressStreet=Lindenstraße 8\r\nHinterhaus"),
                       "HomeAddressCity=Stuttgart",
                       "HomeAddressState=BW",
                       "HomeAddressPostalCode=70173",
                       "HomeAddressCountry=Germany",
                       "JobTitle=Head of purchasing",
                       "Email1Address=rene@example.de",
                       "Email2Address=r.mueller@example.org",
                       "MobileTelephoneNumber=+49 170 555 03",
                       "PersonalHomePage=http://rene.example.de",
                       "HomeTelephoneNumber=+49 711 555 01",
                       "Home2TelephoneNumber=+49 711 555 02",
                       "HomeFaxNumber=+49 711 555 04",
                       "TelexNumber=884411"};
    QTest::newRow("3.0: escapes, type lists, folding, the writer's own properties")
        << crlf("BEGIN:VCARD\nVERSION:3.0\nN:O'Brien;Se\xC3\xA1n;;Mr.;\nFN:Se\xC3\xA1n O'Brien\n"
                "TITLE:Director\\, Sales & Marketing\n"
                "TEL;TYPE=HOME,VOICE:+353 1 555 0101\nTEL;TYPE=CELL:+353 87 555 0102\n"
                "TEL;TYPE=home;TYPE=fax:+353 1 555 0103\nTEL;TYPE=pref:+353 1 555 0100\nTEL;TYPE=WORK:+353 1 555 0199\n"
                "EMAIL;TYPE=INTERNET:sean@exa\n mple.ie\n"
                "ADR;TYPE=HOME:PO Box 12;;4 Patrick Street\\nFlat 2;Cork;Munster;T12 X7P8;Ireland\n"
                "LANG:en-IE\nX-EVOLUTION-SPOUSE:Niamh O'Brien\nX-EVOLUTION-MANAGER:Declan Walsh\n"
                "X-EVOLUTION-ASSISTANT:Aoife Byrne\nNOTE:A note\\; folded\n  across two lines\n"
                "URL:http://sean.example.ie\nX-HOBBY:hurling\nEND:VCARD")
        << QStringList{QString::fromUtf8("FirstName=Seán"),
                       "LastName=O'Brien",
                       "Title=Mr.",
                       "Language=en-IE",
                       "Spouse=Niamh O'Brien",
                       "HomeAddressStreet=4 Patrick Street\nFlat 2",
                       "HomeAddressCity=Cork",
                       "HomeAddressState=Munster",
                       "HomeAddressPostalCode=T12 X7P8",
                       "HomeAddressCountry=Ireland",
                       "HomeAddressPostOfficeBox=PO Box 12",
                       "JobTitle=Director, Sales & Marketing",
                       "Email1Address=sean@example.ie",
                       "MobileTelephoneNumber=+353 87 555 0102",
                       "PrimaryTelephoneNumber=+353 1 555 0100",
                       "PersonalHomePage=http://sean.example.ie",
                       "HomeTelephoneNumber=+353 1 555 0101",
                       "HomeFaxNumber=+353 1 555 0103",
                       "ManagerName=Declan Walsh",
                       "AssistantName=Aoife Byrne",
                       "Hobby=hurling"};
    QTest::newRow("4.0: preferences, related people, labelled groups, quoted parameters")
        << crlf("BEGIN:VCARD\nVERSION:4.0\nKIND:individual\nFN:Dr. Aiko Tanaka\nN:Tanaka;Aiko;;Dr.;\n"
                "EMAIL;TYPE=work:aiko@work.example\nEMAIL;PREF=1:aiko@home.example\n"
                "TEL;VALUE=uri;TYPE=\"home,voice\":tel:+81-3-5555-0101\nTEL;VALUE=uri;TYPE=cell:tel:+81-90-5555-0102\n"
                "ADR;TYPE=home;LABEL=\"Namba: 1-5-2;Osaka\":;;1-5-2 Namba;Osaka;Osaka;542-0076;Japan\n"
                "LANG;PREF=2:en\nLANG;PREF=1:ja\n"
                "RELATED;TYPE=spouse;VALUE=text:Kenji Tanaka\nRELATED;TYPE=child;VALUE=text:Yui\n"
                "RELATED;TYPE=child;VALUE=text:Ren\nRELATED;TYPE=spouse:urn:uuid:03a0e51f-d1aa-4385-8a53-e29025acd8af\n"
                "item1.X-ABRELATEDNAMES:Hiro Sato\nitem1.X-ABLabel:_$!<Manager>!$_\n"
                "item2.X-ABRELATEDNAMES;TYPE=pref:Mika Ito\nitem2.X-ABLabel:_$!<Assistant>!$_\n"
                "HOBBY;LEVEL=high:origami\nINTEREST:jazz\n"
                "URL;TYPE=work:https://work.example\nURL;TYPE=home:https://aiko.example\nEND:VCARD")
        << QStringList{"FirstName=Aiko",
                       "LastName=Tanaka",
                       "Title=Dr.",
                       "Language=ja, en",
                       "Spouse=Kenji Tanaka",
                       "Children=Yui, Ren",
                       "HomeAddressStreet=1-5-2 Namba",
                       "HomeAddressCity=Osaka",
                       "HomeAddressState=Osaka",
                       "HomeAddressPostalCode=542-0076",
                       "HomeAddressCountry=Japan",
                       "Email1Address=aiko@home.example",
                       "Email2Address=aiko@work.example",
                       "MobileTelephoneNumber=+81-90-5555-0102",
                       "PersonalHomePage=https://aiko.example",
                       "HomeTelephoneNumber=+81-3-5555-0101",
                       "ManagerName=Hiro Sato",
                       "AssistantName=Mika Ito",
                       "Hobby=origami, jazz"};
    QTest::newRow("only a formatted name") << crlf("BEGIN:VCARD\nVERSION:4.0\nFN:Ada King Lovelace\nEND:VCARD")
                                           << QStringList{"FirstName=Ada King", "LastName=Lovelace"};
    // Without a given name the card is named as it is shown: the formatted name, else the family name, the nickname
    // or the address.
    QTest::newRow("the family name only, with a formatted name")
        << card("N:Fujita;;;;\nFN:Fujita Hana") << QStringList{"FirstName=Fujita", "LastName=Hana"};
    QTest::newRow("a single name, with a formatted name")
        << crlf("BEGIN:VCARD\nVERSION:2.1\nN:Janet\nFN:Janet Jackson\nEND:VCARD")
        << QStringList{"FirstName=Janet", "LastName=Jackson"};
    QTest::newRow("the whole name as the family name")
        << card("N:Fujita Hana;;;;") << QStringList{"FirstName=Fujita", "LastName=Hana"};
    QTest::newRow("a nickname only") << card("NICKNAME:Bubbles") << QStringList{"FirstName=Bubbles"};
    QTest::newRow("an address only")
        << crlf("BEGIN:VCARD\nVERSION:2.1\nN:;;;;\nEMAIL;HOME:info@bakery.example\nEND:VCARD")
        << QStringList{"FirstName=info@bakery.example", "Email1Address=info@bakery.example"};
    QTest::newRow("nothing that names anyone") << card("ORG:Acme\nNOTE:no name here") << QStringList{};
    // Address books label numbers, addresses and pages in groups; the label is the type it names.
    QTest::newRow("labels of address books and plain words")
        << card("N:Lee;Ann;;;\nitem1.TEL:555-0101\nitem1.X-ABLabel:_$!<HomeFAX>!$_\nitem2.TEL;type=pref:555-0102\n"
                "item2.X-ABLabel:_$!<Mobile>!$_\nITEM3.TEL:555-0103\nitem3.X-ABLabel:Home\nitem4.TEL:555-0104\n"
                "item4.X-ABLabel:_$!<WorkFAX>!$_\nitem5.TEL:555-0105\nitem5.X-ABLabel:pager\nTEL:555-0106\n"
                "URL;type=pref:http://plain.example\nitem6.URL:http://ann.example\nitem6.X-ABLabel:_$!<HomePage>!$_\n"
                "item7.ADR:;;1 Work Rd;Salem;;;\nitem7.X-ABLabel:work\nitem8.ADR:;;2 Elm St;Salem;;;\n"
                "item8.X-ABLabel:Home\nitem9.EMAIL:ann@x.example\nitem9.X-ABLabel:_$!<Other>!$_\n"
                "item10.TEL:555-0110\nitem10.X-ABLabel:My own words")
        << QStringList{"FirstName=Ann",
                       "LastName=Lee",
                       "HomeAddressStreet=2 Elm St",
                       "HomeAddressCity=Salem",
                       "Email1Address=ann@x.example",
                       "MobileTelephoneNumber=555-0102",
                       "PrimaryTelephoneNumber=555-0106",
                       "PersonalHomePage=http://ann.example",
                       "HomeTelephoneNumber=555-0103",
                       "HomeFaxNumber=555-0101"};
    QTest::newRow("2.1: a doubled backslash is one")
        << crlf("BEGIN:VCARD\nVERSION:2.1\nN:Lee;Ann\nTITLE:Admin of C:\\\\Shares\\\\Sales\n"
                "ADR;HOME:;;1 Elm St\\;Rear;Salem;;;\nEND:VCARD")
        << QStringList{"FirstName=Ann", "LastName=Lee", "HomeAddressStreet=1 Elm St;Rear", "HomeAddressCity=Salem",
                       "JobTitle=Admin of C:\\Shares\\Sales"};
    QTest::newRow("lines that make no sense are left out")
        << QString("BEGIN:VCARD\nVERSION:3.0\nthis is no property\n:no name\nN:Lee;Ann\nEMAIL;TYPE=\"unclosed:ann@x\n"
                   "END:VCARD\nTEL;TYPE=CELL:outside any card\n")
        << QStringList{"FirstName=Ann", "LastName=Lee"};
}

void TestMailImport::vcardToContactItem()
{
    QFETCH(QString, vcard);
    QFETCH(QStringList, expected);
    const std::vector<VCard> cards = parseVCards(vcard);
    QCOMPARE(cards.size(), size_t(1));
    QCOMPARE(filledProperties(contactItemFromVCard(cards.front())), expected);
}

void TestMailImport::contactListsAreNotContacts_data()
{
    QTest::addColumn<QString>("vcard");
    QTest::addColumn<bool>("list");
    QTest::newRow("4.0 group") << crlf("BEGIN:VCARD\nVERSION:4.0\nKIND:group\nFN:Team\nMEMBER:urn:uuid:1\nEND:VCARD")
                               << true;
    QTest::newRow("3.0 group of another writer") << card("N:Team;;;;\nFN:Team\nX-ADDRESSBOOKSERVER-KIND:group") << true;
    QTest::newRow("Evolution list") << card("FN:Team\nX-EVOLUTION-LIST:TRUE\nEMAIL:a@x.example") << true;
    QTest::newRow("a person") << crlf("BEGIN:VCARD\nVERSION:4.0\nKIND:individual\nFN:Ann\nEND:VCARD") << false;
}

void TestMailImport::contactListsAreNotContacts()
{
    QFETCH(QString, vcard);
    QFETCH(bool, list);
    const std::vector<VCard> cards = parseVCards(vcard);
    QCOMPARE(cards.size(), size_t(1));
    QCOMPARE(cards.front().isGroup(), list);
}

// ---------------------------------------------------------------- which book

void TestMailImport::bookOfTheMailtoHandler_data()
{
    QTest::addColumn<QString>("handler"); // empty: none set
    QTest::addColumn<bool>("thunderbird");
    QTest::addColumn<bool>("evolution");
    QTest::addColumn<QString>("read"); // the client whose book is read; empty: none

    QTest::newRow("Thunderbird handles mailto") << "thunderbird.desktop" << true << true << "Thunderbird";
    QTest::newRow("Evolution handles mailto") << "org.gnome.Evolution.desktop" << true << true << "Evolution";
    QTest::newRow("Thunderbird as a packaged app")
        << "org.mozilla.Thunderbird.desktop" << true << false << "Thunderbird";
    QTest::newRow("no handler: Thunderbird's book first") << "" << true << true << "Thunderbird";
    QTest::newRow("no handler: Evolution's book") << "" << false << true << "Evolution";
    // Whatever handles e-mail links, a book of the two that is there is read.
    QTest::newRow("a client without a book we read") << "geary.desktop" << true << true << "Thunderbird";
    QTest::newRow("a browser handles mailto, Evolution's book")
        << "firefox-esr.desktop" << false << true << "Evolution";
    QTest::newRow("the handler's book missing") << "thunderbird.desktop" << false << true << "Evolution";
    QTest::newRow("no book at all") << "geary.desktop" << false << false << "";
}

void TestMailImport::bookOfTheMailtoHandler()
{
    QFETCH(QString, handler);
    QFETCH(bool, thunderbird);
    QFETCH(bool, evolution);
    QFETCH(QString, read);
    FakeDesktop desktop;
    if (!handler.isEmpty()) desktop.setMailto(handler);
    if (thunderbird) {
        PlainFile f(desktop.thunderbirdBookPath());
        writeThunderbirdBook(f, {card("N:Bird;Tom;;;")});
    }
    if (evolution) {
        PlainFile f(desktop.evolutionBookPath());
        writeEvolutionBook(f, {card("N:Evo;Eve;;;")});
    }
    QCOMPARE(mailtoHandler(), handler);
    QString problem;
    const std::optional<AddressBook> book = readMailClientAddressBook(&problem);
    QCOMPARE(book ? book->client : QString(), read);
    if (book) {
        QCOMPARE(book->items.size(), size_t(1));
        QVERIFY(book->items[0].vcard.contains(read == "Thunderbird" ? "Bird" : "Evo"));
    } else {
        QVERIFY(!problem.isEmpty());
    }
}

// ---------------------------------------------------------------- the import

void TestMailImport::importFromEvolution()
{
    FakeDesktop desktop;
    desktop.setMailto("evolution.desktop");
    {
        PlainFile f(desktop.evolutionBookPath());
        writeEvolutionBook(
            f, {card("N:Lee;Ann;;Ms.;\nFN:Ann Lee\nEMAIL;TYPE=HOME:ann@home.example\nEMAIL;TYPE=WORK:ann@work.example\n"
                     "TEL;TYPE=CELL:555-0101\nTEL;TYPE=HOME,VOICE:555-0102\nTEL;TYPE=HOME:555-0103\n"
                     "TEL;TYPE=HOME,FAX:555-0104\nTEL;TYPE=PREF:555-0105\nTEL;TYPE=X-TELEX:884411\n"
                     "ADR;TYPE=HOME:PO Box 9;;1 Elm St;Salem;OR;97301;USA\nTITLE:Chief buyer\nLANG:English\n"
                     "URL:https://ann.example\nX-EVOLUTION-SPOUSE:Bo Lee\nX-CHILDREN:Cy\\, Di\n"
                     "X-EVOLUTION-MANAGER:Ed Fox\nX-EVOLUTION-ASSISTANT:Flo Kay\nX-HOBBY:Chess\n"
                     "ADR;TYPE=WORK:;;2 Work Rd;Portland;OR;97201;USA\nORG:Acme\nBDAY:1970-01-02"),
                card("N:Smith;;;;\nFN:Smith\nEMAIL:smith@x.example"), card("N:;Bea;;;\nFN:Bea"),
                card("N:LEE;ANN;;;\nFN:ANN LEE\nEMAIL:ANN@HOME.EXAMPLE"), card("ORG:Nobody Inc.")});
    }
    ScriptedMessages shown;
    TestDatabase db;
    TMainDataModule& dm = db.open();
    BitBtn1Click(dm);
    QCOMPARE(shown.texts(), QStringList{"4 record(s) added.\n\nLeft out: 1 without a name."});
    QCOMPARE(storedNames(db.path()), (QStringList{"Ann Lee", "Smith ", "Bea ", "ANN LEE"}));
    const auto row = db.rows("SELECT Name, Title, Language, Spouse, Children, HAStreet, HACity, HAState, HAPostalCode, "
                             "HACountry, HAPostOfficeBox, JobTitle, Email1, Email2, Mobile, PrimaryTel, HomePage, "
                             "TelH1, TelH2, FaxH, Telex, ManagerName, AssistantName, Hobbies, Company, BAStreet, "
                             "Birthday, TelB1 FROM People ORDER BY rowid LIMIT 1")
                         .first();
    const QVariantList expected{"Ann Lee",
                                "Ms.",
                                "English",
                                "Bo Lee",
                                "Cy, Di",
                                "1 Elm St",
                                "Salem",
                                "OR",
                                "97301",
                                "USA",
                                "PO Box 9",
                                "Chief buyer",
                                "ann@home.example",
                                "ann@work.example",
                                "555-0101",
                                "555-0105",
                                "https://ann.example",
                                "555-0102",
                                "555-0103",
                                "555-0104",
                                "884411",
                                "Ed Fox",
                                "Flo Kay",
                                "Chess",
                                QVariant(),
                                QVariant(),
                                QVariant(),
                                QVariant()};
    QCOMPARE(row.size(), expected.size());
    for (int i = 0; i < row.size(); ++i) QCOMPARE(row[i], expected[i]);

    // A second run finds every one of them, letter case ignored.
    BitBtn1Click(dm);
    QCOMPARE(shown.texts().last(), QString("0 record(s) added.\n\nLeft out: 1 without a name, 4 already stored."));
    QCOMPARE(storedNames(db.path()).size(), 4);
}

void TestMailImport::importFromThunderbirdCurrentAndOlderCards()
{
    FakeDesktop desktop;
    desktop.setMailto("thunderbird.desktop");
    const QString path = desktop.thunderbirdBookPath();
    {
        PlainFile f(path);
        writeThunderbirdBook(f, {crlf("BEGIN:VCARD\nVERSION:4.0\nN:Kim;Grace;;;\nFN:Grace Kim\n"
                                      "EMAIL;PREF=1:grace@example.com\nTEL;TYPE=cell;VALUE=TEXT:555-0111\n"
                                      "END:VCARD")});
    }
    ScriptedMessages shown;
    TestDatabase db;
    TMainDataModule& dm = db.open();
    BitBtn1Click(dm);

    // An older profile: a card table, and each card's fields as properties of their own.
    QFile::remove(path);
    {
        PlainFile f(path);
        f.exec("CREATE TABLE cards (uid TEXT PRIMARY KEY, localId INTEGER)");
        f.exec("CREATE TABLE properties (card TEXT, name TEXT, value TEXT)");
        f.exec("CREATE TABLE lists (uid TEXT PRIMARY KEY, localId INTEGER, name TEXT, nickName TEXT, description "
               "TEXT)");
        f.exec("INSERT INTO cards VALUES ('c1', 1)");
        const QStringList props{"FirstName",      "Tom",
                                "LastName",       "Baker",
                                "PrimaryEmail",   "tom@x.example",
                                "SecondEmail",    "tb@y.example",
                                "CellularNumber", "555-0121",
                                "HomePhone",      "555-0122",
                                "FaxNumber",      "555-0123",
                                "HomeAddress",    "5 Oak Rd",
                                "HomeAddress2",   "Flat 3",
                                "HomeCity",       "Leeds",
                                "HomeState",      "Yorks",
                                "HomeZipCode",    "LS1 4AB",
                                "HomeCountry",    "UK",
                                "WebPage2",       "http://tom.example",
                                "JobTitle",       "Chef",
                                "WorkPhone",      "555-0199",
                                "Company",        "Inn Ltd"};
        for (int i = 0; i + 1 < props.size(); i += 2)
            f.exec("INSERT INTO properties VALUES ('c1', ?, ?)", {props[i], props[i + 1]});
    }
    BitBtn1Click(dm);
    QCOMPARE(shown.texts(), (QStringList{"1 record(s) added.", "1 record(s) added."}));
    QCOMPARE(storedNames(db.path()), (QStringList{"Grace Kim", "Tom Baker"}));
    QCOMPARE(db.scalar("SELECT Mobile FROM People WHERE Name = 'Grace Kim'").toString(), QString("555-0111"));
    const auto tom = db.rows("SELECT Email1, Email2, Mobile, TelH1, FaxH, HAStreet, HACity, HAState, HAPostalCode, "
                             "HACountry, HomePage, JobTitle, TelB1, Company FROM People WHERE Name = 'Tom Baker'")
                         .first();
    QCOMPARE(tom,
             (QVariantList{"tom@x.example", "tb@y.example", "555-0121", "555-0122", "555-0123", "5 Oak Rd, Flat 3",
                           "Leeds", "Yorks", "LS1 4AB", "UK", "http://tom.example", "Chef", QVariant(), QVariant()}));
}

void TestMailImport::contactListsAreLeftOutAndCounted()
{
    FakeDesktop desktop;
    desktop.setMailto("org.gnome.Evolution.desktop");
    {
        PlainFile f(desktop.evolutionBookPath());
        writeEvolutionBook(f, {card("N:Lee;Ann;;;"), card("FN:Sales team\nX-EVOLUTION-LIST:TRUE\nEMAIL:a@x.example"),
                               card("N:Ray;Bea;;;")});
    }
    ScriptedMessages shown;
    TestDatabase db;
    TMainDataModule& dm = db.open();
    BitBtn1Click(dm);
    QCOMPARE(shown.shown.size(), size_t(1));
    QCOMPARE(shown.shown[0].kind, MessageKind::Information);
    QCOMPARE(shown.texts(), QStringList{"2 record(s) added.\n\nLeft out: 1 contact list."});
    QCOMPARE(storedNames(db.path()), (QStringList{"Ann Lee", "Bea Ray"}));
    QCOMPARE(dm.PeopleCompanyDet->recordCount(), 2);

    // Thunderbird keeps its lists apart from the cards: they come after every card.
    desktop.setMailto("thunderbird.desktop");
    {
        PlainFile f(desktop.thunderbirdBookPath());
        writeThunderbirdBook(f, {card("N:Fox;Cy;;;")}, {"Friends", "Golf"});
    }
    BitBtn1Click(dm);
    QCOMPARE(shown.texts().last(), QString("1 record(s) added.\n\nLeft out: 2 contact lists."));
    QCOMPARE(storedNames(db.path()), (QStringList{"Ann Lee", "Bea Ray", "Cy Fox"}));
}

// The cards of a fixture file shaped as other programs write them (an Apple and a Google card with labels, phone
// cards with a family name only, a single name, only an address, a card with values wider than their fields, a 2.1
// card with a doubled backslash and quoted-printable lines, a contact list), in the book of each mail client.
QStringList fixtureCards()
{
    QFile f(QStringLiteral(QV_TEST_FIXTURES "/cards-from-other-programs.vcf"));
    if (!f.open(QIODevice::ReadOnly)) qFatal("the fixture file is missing");
    QStringList cards = QString::fromUtf8(f.readAll()).split("END:VCARD\r\n", Qt::SkipEmptyParts);
    for (QString& c : cards) c += "END:VCARD\r\n";
    return cards;
}

void TestMailImport::cardsOfOtherPrograms_data()
{
    QTest::addColumn<QString>("client");
    QTest::newRow("in a Thunderbird book") << "thunderbird.desktop";
    QTest::newRow("in an Evolution book") << "org.gnome.Evolution.desktop";
}

void TestMailImport::cardsOfOtherPrograms()
{
    QFETCH(QString, client);
    FakeDesktop desktop;
    desktop.setMailto(client);
    QStringList cards = fixtureCards();
    // The clients keep a contact list in their own way: Thunderbird apart from the cards, Evolution as a card.
    const qsizetype group =
        cards.indexOf(QRegularExpression(".*KIND:group.*", QRegularExpression::DotMatchesEverythingOption));
    QVERIFY(group >= 0);
    if (client.startsWith("thunderbird")) {
        cards.removeAt(group);
        PlainFile f(desktop.thunderbirdBookPath());
        writeThunderbirdBook(f, cards, {"Golf club"});
    } else {
        cards[group] = card("FN:Golf club\nX-EVOLUTION-LIST:TRUE\nX-EVOLUTION-LIST-SHOW-ADDRESSES:TRUE\n"
                            "EMAIL;X-EVOLUTION-DEST-NAME=Ada Okafor:ada@okafor.example");
        PlainFile f(desktop.evolutionBookPath());
        writeEvolutionBook(f, cards);
    }
    ScriptedMessages shown;
    TestDatabase db({personInsert("Ada Okafor", {"Email1", "ada@okafor.example"})});
    TMainDataModule& dm = db.open();
    BitBtn1Click(dm);
    QCOMPARE(shown.texts(),
             QStringList{"7 record(s) added.\n\nLeft out: 1 already stored, 1 contact list.\n\n3 values were "
                         "too long for their fields and were cut to fit: Bernd Baumann (Title, Home "
                         "Country, Mobile)."});
    const QString columns =
        "Name, Title, JobTitle, Email1, Mobile, PrimaryTel, TelH1, FaxH, HomePage, HAStreet, HACity, "
        "HAPostalCode, HACountry";
    QList<QVariantList> expected{
        {"Ada Okafor", {}, {}, "ada@okafor.example", {}, {}, {}, {}, {}, {}, {}, {}, {}},
        {"Jane Appleseed",
         {},
         {},
         "jane@orchard.example",
         "+1 408 555 0102",
         {},
         "+1 408 555 0103",
         "+1 408 555 0101",
         "http://jane.example",
         "1 Infinite Loop",
         "Cupertino",
         "95014",
         "United States"},
        {"Carlos Ruiz",
         {},
         {},
         "carlos@casa.example",
         "+34 600 555 101",
         {},
         {},
         "+34 91 555 0102",
         "https://carlos.example",
         "Calle Mayor 5",
         "Madrid",
         "28013",
         "Spain"},
        {"Fujita Hana", {}, {}, {}, "090-5555-0101", {}, {}, {}, {}, {}, {}, {}, {}},
        {"Janet Jackson", {}, {}, "janet@example.com", {}, {}, {}, {}, {}, {}, {}, {}, {}},
        {"info@bakery.example ", {}, {}, "info@bakery.example", {}, {}, {}, {}, {}, {}, {}, {}, {}},
        {"Bernd Baumann",
         "Prof. Dr. ",
         {},
         {},
         "+49 (0) 171 555 0101 ext. 1234",
         {},
         {},
         {},
         {},
         "Hauptstraße 1",
         "Heidelberg",
         "69117",
         "Bundesrepublik Deutschland (BR"},
        {"Jürgen Müller",
         {},
         "Admin of C:\\Shares\\Sales",
         {},
         {},
         {},
         {},
         {},
         {},
         "Straße 2\r\nHinterhaus",
         "Berlin",
         "10115",
         "Germany"},
    };
    const QList<QVariantList> rows = db.rows("SELECT " + columns + " FROM People ORDER BY rowid");
    QCOMPARE(rows.size(), expected.size());
    for (qsizetype r = 0; r < rows.size(); ++r)
        for (qsizetype c = 0; c < rows[r].size(); ++c)
            QVERIFY2(
                rows[r][c] == expected[r][c],
                qPrintable(QStringLiteral("row %1, %2: %3").arg(r).arg(columns.split(", ")[c], rows[r][c].toString())));

    // The next run finds each of them as it was stored, cut values and all.
    BitBtn1Click(dm);
    QCOMPARE(shown.texts().last(), QString("0 record(s) added.\n\nLeft out: 8 already stored, 1 contact list."));
}

void TestMailImport::longBookInOrder_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("a contact list far into the book, and every card after it") << false;
    QTest::newRow("cancelled at the start") << true;
}

void TestMailImport::longBookInOrder()
{
    // Many more cards than are read ahead of the posts: the reading waits for them, and stops when they stop.
    QFETCH(bool, cancel);
    constexpr int Cards = 6000, ListAt = 5000;
    FakeDesktop desktop;
    desktop.setMailto("org.gnome.Evolution.desktop");
    {
        PlainFile f(desktop.evolutionBookPath());
        QStringList cards;
        for (int i = 0; i < Cards; ++i)
            cards << (i == ListAt ? card("FN:Team\nX-EVOLUTION-LIST:TRUE")
                                  : card(QStringLiteral("N:Person%1;Ann;;;\nEMAIL:ann%1@x.example").arg(i)));
        f.exec("BEGIN");
        writeEvolutionBook(f, cards);
        f.exec("COMMIT");
    }
    ScriptedMessages shown;
    TestDatabase db;
    TMainDataModule& dm = db.open();
    QTimer watcher;
    if (cancel) {
        // Every step is an update here, so that the dialog comes up at once and Cancel is seen at the next card.
        WorkProgress::setTiming({0, 0});
        watcher.setInterval(0);
        connect(&watcher, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->findChild<QLabel*>()->text().startsWith("5 ")) return;
            watcher.stop();
            QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
        });
        watcher.start();
    }
    BitBtn1Click(dm);
    WorkProgress::setTiming({});
    const QStringList names = storedNames(db.path());
    if (cancel) {
        QCOMPARE(names.size(), 5);
        QCOMPARE(shown.texts(), QStringList{"5 record(s) added."});
    } else {
        QCOMPARE(names.size(), Cards - 1);
        QCOMPARE(shown.texts(),
                 QStringList{QStringLiteral("%1 record(s) added.\n\nLeft out: 1 contact list.").arg(Cards - 1)});
    }
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(names[i], QStringLiteral("Ann Person%1").arg(i < ListAt ? i : i + 1));
    QCOMPARE(dm.PeopleCompanyDet->recordCount(), int(names.size()));
}

void TestMailImport::noBookOrAnEmptyOne()
{
    FakeDesktop desktop;
    ScriptedMessages shown;
    TestDatabase db;
    TMainDataModule& dm = db.open();
    BitBtn1Click(dm);
    QCOMPARE(shown.shown.size(), size_t(1));
    QCOMPARE(shown.shown[0].kind, MessageKind::Error);
    QCOMPARE(shown.shown[0].text, QString("MS Outlook is not installed."));

    // A book that is not one: the same message, nothing imported.
    desktop.setMailto("evolution.desktop");
    QDir().mkpath(QFileInfo(desktop.evolutionBookPath()).absolutePath());
    QFile junk(desktop.evolutionBookPath());
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    BitBtn1Click(dm);
    QCOMPARE(shown.texts(), (QStringList{"MS Outlook is not installed.", "MS Outlook is not installed."}));

    // An empty book: nothing at all.
    QFile::remove(desktop.evolutionBookPath());
    {
        PlainFile f(desktop.evolutionBookPath());
        writeEvolutionBook(f, {});
    }
    BitBtn1Click(dm);
    QCOMPARE(shown.shown.size(), size_t(2));
    QCOMPARE(db.scalar("SELECT count(*) FROM People").toInt(), 0);
}

void TestMailImport::booksAreOnlyRead()
{
    FakeDesktop desktop;
    desktop.setMailto("thunderbird.desktop");
    const QString path = desktop.thunderbirdBookPath();
    // Thunderbird running: its book in WAL mode, the last cards still in the log, its connection open.
    PlainFile running(path);
    running.exec("PRAGMA journal_mode = WAL");
    running.exec("PRAGMA wal_autocheckpoint = 0");
    writeThunderbirdBook(running, {card("N:Lee;Ann;;;"), card("N:Ray;Bea;;;")});
    QVERIFY(QFileInfo(path + "-wal").size() > 0);
    const QStringList before = snapshot(desktop.home());

    ScriptedMessages shown;
    TestDatabase db;
    TMainDataModule& dm = db.open();
    BitBtn1Click(dm);
    QCOMPARE(shown.texts(), QStringList{"2 record(s) added."});
    QCOMPARE(snapshot(desktop.home()), before);
}

QTEST_MAIN(TestMailImport)
#include "test_mailimport.moc"
