// Paths of the imports: a contacts CSV file and the mail client's address book, each added to a company that
// already has its contacts, against raw prepared inserts of the same rows and columns in one transaction on a copy
// of the same file, in turns, best of three. The imported rows are removed again after each run, so that later paths
// see the usual database.
#include "app/Program.h"
#include "bench/Bench.h"
#include "data/DataModule.h"
#include "data/EncryptedFile.h"
#include "data/Installer.h"
#include "import/CsvImport.h"
#include "import/MailClientImport.h"
#include "platform/FileDialogs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <sqlcipher/sqlite3.h>
#include <stdexcept>

namespace qv::bench {

namespace {

// As many rows as the company has contacts (100,000 by default), and a tenth as many address-book cards.
int csvRows(const Context& c) { return c.contacts(); }
int mailCards(const Context& c) { return std::max(1, c.contacts() / 10); }

// One imported contact: the People columns the import sets and their values (empty ones stay null).
struct Row {
    std::vector<QString> values;
};

class AnswerFileDialogs : public FileDialogService {
public:
    explicit AnswerFileDialogs(const QString& path) : m_path(path) { setFileDialogService(this); }
    ~AnswerFileDialogs() override { setFileDialogService(nullptr); }
    QString choose(const FileDialogRequest&) override { return m_path; }

private:
    QString m_path;
};

sqlite3* openRawAt(const QString& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK)
        throw std::runtime_error("cannot open " + path.toStdString());
    return db;
}

sqlite3* openKeyed(const QString& path)
{
    sqlite3* db = openEncryptedFile(path, DatabasePassword, FileOpening::ReadWrite).release();
    rawExec(db, "PRAGMA cache_size = -131072");
    return db;
}

// The floor: the same rows and columns inserted with one prepared statement in one transaction, into a copy of the
// database as it was before the program's import, its page cache warmed as the program's is.
double rawInserts(const QString& copy, const QStringList& columns, const std::vector<Row>& rows)
{
    sqlite3* db = openKeyed(copy);
    rawRead(db, "SELECT * FROM People");
    QStringList marks;
    for (int i = 0; i <= columns.size(); ++i) marks << "?";
    const QByteArray sql = QStringLiteral("INSERT INTO People (CompanyID, %1) VALUES (%2)")
                               .arg(columns.join(", "), marks.join(", "))
                               .toUtf8();
    QElapsedTimer t;
    t.start();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    rawExec(db, "BEGIN IMMEDIATE");
    for (const Row& r : rows) {
        sqlite3_bind_int64(st, 1, 1);
        for (size_t k = 0; k < r.values.size(); ++k) {
            if (r.values[k].isEmpty()) {
                sqlite3_bind_null(st, int(k) + 2);
            } else {
                const QByteArray v = r.values[k].toUtf8();
                sqlite3_bind_text(st, int(k) + 2, v.constData(), int(v.size()), SQLITE_TRANSIENT);
            }
        }
        if (sqlite3_step(st) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db));
        sqlite3_reset(st);
    }
    rawExec(db, "COMMIT");
    const double ms = double(t.nsecsElapsed()) / 1e6;
    sqlite3_finalize(st);
    closeRaw(db);
    return ms;
}

// Runs an import through the program, timed; then takes its rows out again. Returns the time and how many rows
// it added.
std::pair<double, int> timedImport(Context& c, const std::function<void(TMainDataModule&)>& command)
{
    TMainDataModule& dm = c.dataModule();
    Dataset* people = dm.PeopleCompanyDet;
    people->first();
    const int before = people->recordCount();
    Statement last(*dm.MainADOConnection, "SELECT coalesce(max(PersonID), 0) FROM People");
    last.step();
    const QString lastId = QString::number(last.columnInt(0));
    last.reset();
    QElapsedTimer t;
    t.start();
    command(dm);
    const double ms = double(t.nsecsElapsed()) / 1e6;
    const int added = people->recordCount() - before;
    dm.MainADOConnection->exec("DELETE FROM People WHERE PersonID > " + lastId);
    dm.MainADOConnection->noteWrite("People");
    people->refresh();
    dm.refreshProfessionSuggestions();
    return {ms, added};
}

QString copyOfDatabase(Context& c)
{
    const QString copy = c.folder() + "baseline-copy.qv";
    QFile::remove(copy);
    if (!QFile::copy(c.databasePath(), copy)) throw std::runtime_error("cannot copy the database");
    return copy;
}

// The import and its floor in turns, each from the same state of the file, best of three: a machine shared with
// other work slows one run or another, and the best runs of both sides are the ones that compare.
std::pair<Result, int> alternatedRuns(Context& c, const QStringList& columns, const std::vector<Row>& rows,
                                      const std::function<void(TMainDataModule&)>& command)
{
    Result r;
    r.program = r.baseline = 1e18;
    int added = 0;
    for (int run = 0; run < 3; ++run) {
        const QString copy = copyOfDatabase(c);
        const auto [ms, count] = timedImport(c, command);
        r.program = std::min(r.program, ms);
        added = count;
        const double raw = rawInserts(copy, columns, rows);
        r.baseline = std::min(r.baseline, raw);
        QFile::remove(copy);
    }
    return {r, added};
}

QString pick(const QStringList& list, int i) { return list.at(i % list.size()); }

const QStringList First{"Amélie", "Bruno", "Chloé", "Dmitri", "Eva",    "Farid", "Greta",  "Hiroshi",
                        "Inès",   "Jonas", "Kasia", "Luis",   "Maëlle", "Nils",  "Olivia", "Pedro"};
const QStringList Last{"Abbott",  "Bergström", "Castillo", "Dubois",    "Eriksen", "Fontaine", "García", "Hoffmann",
                       "Ivanova", "Jansen",    "Kowalski", "Lindqvist", "Moreau",  "Novak",    "Okafor", "Petrov"};
const QStringList Cities{"Lyon", "Porto", "Graz", "Ghent", "Turku", "Brno", "Bergen", "Malmö"};
const QStringList Jobs{"Buyer", "Office manager", "Chief engineer", "Head of purchasing", "Controller"};

// ---------------------------------------------------------------- contacts CSV

Result csvImport(Context& c)
{
    const QStringList columns{"Title",       "Name",          "Profession",  "JobTitle",        "HAStreet", "HACity",
                              "HAState",     "HAPostalCode",  "HACountry",   "HAPostOfficeBox", "Email1",   "Email2",
                              "TelCallback", "Mobile",        "PrimaryTel",  "TelH1",           "TelH2",    "FaxH",
                              "Telex",       "AssistantName", "ManagerName", "Hobbies"};
    std::vector<Row> rows;
    rows.reserve(size_t(csvRows(c)));
    const QString path = c.folder() + "contacts-import.csv";
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write the CSV file");
        QTextStream out(&file);
        out << ContactsCsvHeader << "\r\n";
        for (int i = 0; i < csvRows(c); ++i) {
            const QString first = pick(First, i), last = pick(Last, i / 16) + QString::number(i);
            const QString mail = first.toLower() + '.' + last.toLower() + "@example.org";
            Row r;
            r.values = {i % 3 ? "Mr." : "Ms.",
                        first + ' ' + last,
                        pick(Jobs, i / 7),
                        pick(Jobs, i),
                        QString::number(i % 900 + 1) + " Harbour Road",
                        pick(Cities, i),
                        "",
                        QString::number(10000 + i % 89999),
                        "Europe",
                        i % 5 ? "" : "PO Box " + QString::number(i % 400),
                        mail,
                        i % 4 ? "" : first.toLower() + "@home.example",
                        last.toLower() + "@work.example",
                        "+33 6 " + QString::number(10000000 + i),
                        "+33 4 " + QString::number(20000000 + i),
                        "+33 4 " + QString::number(30000000 + i),
                        "",
                        i % 6 ? "" : "+33 4 " + QString::number(40000000 + i),
                        "",
                        i % 2 ? "Ann Weber" : "",
                        "Tom Brandt",
                        i % 3 ? "Sailing, chess" : "Running"};
            QStringList line;
            for (const QString& v : r.values) line << v;
            out << line.join(',') << "\r\n";
            rows.push_back(std::move(r));
        }
    }
    AnswerFileDialogs dialogs(path);
    const auto [r, added] = alternatedRuns(c, columns, rows, [](TMainDataModule& dm) { SpeedButton14Click(dm); });
    QFile::remove(path);
    Result out = r;
    out.note = QStringLiteral("(%1 rows into %2 contacts)").arg(added).arg(c.contacts());
    if (added != csvRows(c)) out.note += QStringLiteral(" (expected %1)").arg(csvRows(c));
    return out;
}

// ---------------------------------------------------------------- mail client's address book

// A desktop whose mail client is Evolution, with its system address book, in a folder of its own; the variables
// that point there are put back when the path ends.
class FakeDesktop {
public:
    explicit FakeDesktop(const QString& home) : m_home(home)
    {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_DIRS"})
            m_saved.push_back({name, qgetenv(name)});
        qputenv("HOME", home.toUtf8());
        qputenv("XDG_CONFIG_HOME", (home + "/.config").toUtf8());
        qputenv("XDG_DATA_HOME", (home + "/.local/share").toUtf8());
        qputenv("XDG_CONFIG_DIRS", (home + "/etc").toUtf8());
        qputenv("XDG_DATA_DIRS", (home + "/usr").toUtf8());
        QDir().mkpath(home + "/.config");
        QFile mimeapps(home + "/.config/mimeapps.list");
        if (!mimeapps.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write mimeapps.list");
        mimeapps.write("[Default Applications]\nx-scheme-handler/mailto=org.gnome.Evolution.desktop\n");
    }
    ~FakeDesktop()
    {
        for (const auto& [name, value] : m_saved) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
        QDir(m_home).removeRecursively();
    }
    QString bookPath() const
    {
        const QString dir = m_home + "/.local/share/evolution/addressbook/system";
        QDir().mkpath(dir);
        return dir + "/contacts.db";
    }

private:
    QString m_home;
    std::vector<std::pair<const char*, QByteArray>> m_saved;
};

Result mailImport(Context& c)
{
    const QStringList columns{"Name",   "Title",   "Language",     "Spouse",      "Children",        "HAStreet",
                              "HACity", "HAState", "HAPostalCode", "HACountry",   "HAPostOfficeBox", "JobTitle",
                              "Email1", "Email2",  "Mobile",       "PrimaryTel",  "HomePage",        "TelH1",
                              "TelH2",  "FaxH",    "Telex",        "ManagerName", "AssistantName",   "Hobbies"};
    FakeDesktop desktop(c.folder() + "mail-home");
    std::vector<Row> rows;
    sqlite3* book = openRawAt(desktop.bookPath());
    rawExec(book, "CREATE TABLE folders (folder_id TEXT PRIMARY KEY, version INTEGER)");
    rawExec(book, "INSERT INTO folders VALUES ('folder_id', 0)");
    rawExec(book, "CREATE TABLE folder_id (uid TEXT PRIMARY KEY, Rev TEXT, file_as TEXT, is_list INTEGER, "
                  "vcard TEXT, bdata TEXT)");
    rawExec(book, "BEGIN");
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(book, "INSERT INTO folder_id (uid, vcard) VALUES (?, ?)", -1, &st, nullptr);
    for (int i = 0; i < mailCards(c); ++i) {
        const QString first = pick(First, i), last = pick(Last, i / 16) + QString::number(i);
        const QString mail = first.toLower() + '.' + last.toLower() + "@example.net";
        const QString street = QString::number(i % 700 + 1) + " Quay Street", city = pick(Cities, i);
        const QString zip = QString::number(20000 + i), mobile = "+44 7700 " + QString::number(900000 + i);
        const QString home = "+44 20 " + QString::number(7946000 + i), job = pick(Jobs, i);
        const QString spouse = i % 2 ? "Sam " + last : QString(), manager = i % 3 ? "Lee Carter" : QString();
        Row r;
        r.values = {first + ' ' + last,
                    "Dr.",
                    "English, French",
                    spouse,
                    "",
                    street,
                    city,
                    "Kent",
                    zip,
                    "UK",
                    "",
                    job,
                    mail,
                    "",
                    mobile,
                    "",
                    "https://example.net/~" + last.toLower(),
                    home,
                    "",
                    "",
                    "",
                    manager,
                    "",
                    ""};
        const QString vcard =
            QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:card-%1\r\nN:%2;%3;;Dr.;\r\nFN:%3 %2\r\n"
                           "EMAIL;TYPE=HOME:%4\r\nTEL;TYPE=CELL:%5\r\nTEL;TYPE=HOME,VOICE:%6\r\n"
                           "ADR;TYPE=HOME:;;%7;%8;Kent;%9;UK\r\nTITLE:%10\r\nURL:%11\r\n"
                           "LANG:English\r\nLANG:French\r\nX-EVOLUTION-SPOUSE:%12\r\nX-EVOLUTION-MANAGER:%13\r\n"
                           "NOTE:Met at the trade fair\\, hall 4.\r\nEND:VCARD")
                .arg(i)
                .arg(last, first, mail, mobile, home, street, city, zip)
                .arg(job, r.values[16], spouse, manager);
        const QByteArray uid = QByteArray::number(i), card = vcard.toUtf8();
        sqlite3_bind_text(st, 1, uid.constData(), int(uid.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, card.constData(), int(card.size()), SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
        rows.push_back(std::move(r));
    }
    sqlite3_finalize(st);
    rawExec(book, "COMMIT");
    closeRaw(book);

    const auto [r, added] = alternatedRuns(c, columns, rows, [](TMainDataModule& dm) { BitBtn1Click(dm); });
    Result out = r;
    out.note = QStringLiteral("(%1 cards into %2 contacts)").arg(added).arg(c.contacts());
    if (added != mailCards(c)) out.note += QStringLiteral(" (expected %1)").arg(mailCards(c));
    return out;
}

} // namespace

QV_BENCH_PATH("csv-import", csvImport);
QV_BENCH_PATH("mail-import", mailImport);

} // namespace qv::bench
