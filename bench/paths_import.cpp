// Paths of the imports: a contacts CSV file, the mail client's address book, a vCard file and another program's CSV
// file, each added to a company that already has its contacts, against a complete import as a plain C program would
// write it (bench/ImportPeers.h) into a copy of the same file, in turns, best of three; and the CSV import's peak
// memory. The program's imported rows are removed again after each run.
#include "app/Program.h"
#include "bench/Bench.h"
#include "bench/ImportPeers.h"
#include "data/DataModule.h"
#include "data/EncryptedFile.h"
#include "data/Installer.h"
#include "import/CsvImport.h"
#include "import/MailClientImport.h"
#include "import/OtherCsvImport.h"
#include "import/VCardFileImport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <dirent.h>
#include <malloc.h>
#include <sched.h>
#include <sqlcipher/sqlite3.h>
#include <stdexcept>
#include <sys/syscall.h>
#include <unistd.h>

namespace qv::bench {

namespace {

// As many rows as the company has contacts, up to 100,000, and a tenth as many address-book cards.
int csvRows(const Context& c) { return std::min(c.contacts(), 100000); }
int mailCards(const Context& c) { return std::max(1, csvRows(c) / 10); }

// One imported contact: the People columns the import sets and their values (empty ones stay null).
struct Row {
    std::vector<QString> values;
};

// Runs an import through the program, timed, from its page cache as start-up leaves it; then takes its rows out
// again. Returns the time and how many rows it added.
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
    dm.MainADOConnection->releaseMemory();
    const double ms = timed([&] { command(dm); });
    const int added = people->recordCount() - before;
    dm.MainADOConnection->exec("DELETE FROM People WHERE PersonID > " + lastId);
    dm.MainADOConnection->noteWrite("People");
    people->refresh();
    dm.refreshProfessionSuggestions();
    return {ms, added};
}

// The rows an import must add, as stored: empty values null.
void checkStored(sqlite3* db, qint64 afterRowid, const QStringList& columns, const std::vector<Row>& rows)
{
    const QByteArray sql = QStringLiteral("SELECT %1 FROM People WHERE rowid > %2 ORDER BY rowid")
                               .arg(columns.join(", "))
                               .arg(afterRowid)
                               .toUtf8();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
    size_t n = 0;
    for (; sqlite3_step(st) == SQLITE_ROW; ++n) {
        if (n >= rows.size()) break;
        for (int k = 0; k < columns.size(); ++k) {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, k));
            const QString stored = p ? QString::fromUtf8(p) : QString();
            if (stored != rows[n].values[size_t(k)])
                throw std::runtime_error(QStringLiteral("the floor stored %1 = \"%2\" for \"%3\"")
                                             .arg(columns[k], stored, rows[n].values[size_t(k)])
                                             .toStdString());
        }
    }
    sqlite3_finalize(st);
    if (n != rows.size()) throw std::runtime_error("the floor stored another number of contacts");
}

std::vector<std::string> stdStrings(const QStringList& list)
{
    std::vector<std::string> out;
    for (const QString& s : list) out.push_back(s.toStdString());
    return out;
}

// The import and its floor in turns, each from the same state of the file, best of three: a machine shared with
// other work slows one run or another, and the best runs of both sides are the ones that compare. The floor works
// on a fresh copy of the file each time, with the program's connection settings; what it stores is checked once.
std::pair<Result, int> alternatedRuns(Context& c, const QStringList& columns, const std::vector<Row>& rows,
                                      const std::function<void(TMainDataModule&)>& command,
                                      const std::function<int(PeerImport&)>& peer)
{
    const QString kept = c.folder() + "import-kept.qv", copy = c.folder() + "import-floor.qv";
    c.dataModule().PeopleCompanyDet->checkBrowseMode();
    c.copyDatabase(c.databasePath(), kept);
    const std::vector<std::string> peerColumns = stdStrings(columns);
    int added = 0;
    bool checked = false;
    const std::vector<double> best = bestInTurns(
        3, {[&] {
                const auto [ms, count] = timedImport(c, command);
                added = count;
                return ms;
            },
            [&] {
                c.copyDatabase(kept, copy);
                sqlite3* db = openWithProgramSettings(copy);
                const qint64 last = [&] {
                    sqlite3_stmt* st = nullptr;
                    sqlite3_prepare_v2(db, "SELECT coalesce(max(rowid), 0) FROM People", -1, &st, nullptr);
                    sqlite3_step(st);
                    const qint64 v = sqlite3_column_int64(st, 0);
                    sqlite3_finalize(st);
                    return v;
                }();
                double ms = 0;
                {
                    PeerImport import(db, peerColumns, int(columns.indexOf("Name")), int(columns.indexOf("Email1")));
                    import.knowContacts();
                    // Reading them filled the page cache; the program's import starts with its cache emptied.
                    sqlite3_db_release_memory(db);
                    int stored = 0;
                    ms = timed([&] {
                        import.indexKnownContacts();
                        stored = peer(import);
                    });
                    if (stored != int(rows.size())) throw std::runtime_error("the floor added another number of rows");
                }
                if (!checked) checkStored(db, last, columns, rows);
                checked = true;
                closeRaw(db);
                return ms;
            }});
    QFile::remove(copy);
    QFile::remove(kept);
    Result r;
    r.program = best[0];
    r.baseline = best[1];
    return {r, added};
}

// The floor of the file formats that no plain reader is written for here: the rows as already read, each tested
// against the names and e-mails at hand and inserted as the other floors insert.
QString pick(const QStringList& list, int i) { return list.at(i % list.size()); }

const QStringList First{"Amélie", "Bruno", "Chloé", "Dmitri", "Eva",    "Farid", "Greta",  "Hiroshi",
                        "Inès",   "Jonas", "Kasia", "Luis",   "Maëlle", "Nils",  "Olivia", "Pedro"};
const QStringList Last{"Abbott",  "Bergström", "Castillo", "Dubois",    "Eriksen", "Fontaine", "García", "Hoffmann",
                       "Ivanova", "Jansen",    "Kowalski", "Lindqvist", "Moreau",  "Novak",    "Okafor", "Petrov"};
const QStringList Cities{"Lyon", "Porto", "Graz", "Ghent", "Turku", "Brno", "Bergen", "Malmö"};
const QStringList Jobs{"Buyer", "Office manager", "Chief engineer", "Head of purchasing", "Controller"};

// ---------------------------------------------------------------- contacts CSV

const QStringList CsvColumns{"Title",       "Name",          "Profession",  "JobTitle",        "HAStreet", "HACity",
                             "HAState",     "HAPostalCode",  "HACountry",   "HAPostOfficeBox", "Email1",   "Email2",
                             "TelCallback", "Mobile",        "PrimaryTel",  "TelH1",           "TelH2",    "FaxH",
                             "Telex",       "AssistantName", "ManagerName", "Hobbies"};

// Writes the contacts CSV file of the import paths; returns its rows.
std::vector<Row> writeContactsCsv(const Context& c, const QString& path)
{
    std::vector<Row> rows;
    rows.reserve(size_t(csvRows(c)));
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
                    i % 3 ? "Sailing and chess" : "Running"};
        QStringList line;
        for (const QString& v : r.values) line << v;
        out << line.join(',') << "\r\n";
        rows.push_back(std::move(r));
    }
    return rows;
}

Result csvImport(Context& c)
{
    const QString path = c.folder() + "contacts-import.csv";
    const std::vector<Row> rows = writeContactsCsv(c, path);
    AnswerFileDialogs dialogs(path);
    const QByteArray file = QFile::encodeName(path);
    const auto [r, added] = alternatedRuns(
        c, CsvColumns, rows, [](TMainDataModule& dm) { SpeedButton14Click(dm); },
        [&](PeerImport& import) {
            return peerCsvImport(import, file.constData(), ContactsCsvHeader, size_t(CsvColumns.size()));
        });
    QFile::remove(path);
    Result out = r;
    out.note = QStringLiteral("(%1 rows into %2 contacts; floor: the file read, its text checked, split at the "
                              "commas, each row tested against the names and e-mails at hand (their keys built as the "
                              "import starts), prepared inserts in "
                              "batches)")
                   .arg(added)
                   .arg(c.contacts());
    if (added != csvRows(c)) out.note += QStringLiteral(" (expected %1)").arg(csvRows(c));
    return out;
}

// The CSV import's peak resident memory over what was resident before it, against the UTF-8 bytes of the texts it
// imports.
Result csvImportMemory(Context& c)
{
    const QString path = c.folder() + "contacts-import.csv";
    const std::vector<Row> rows = writeContactsCsv(c, path);
    double text = 0;
    for (const Row& row : rows)
        for (const QString& v : row.values) text += double(v.toUtf8().size());
    AnswerFileDialogs dialogs(path);
    double before = 0, peak = 0;
    const auto [ms, added] = timedImport(c, [&](TMainDataModule& dm) {
        malloc_trim(0);
        before = residentMemoryMb();
        resetPeakMemory();
        SpeedButton14Click(dm);
        peak = peakMemoryMb();
    });
    // What a C program doing the same import needs, measured the same way: the file read whole, the keys of the
    // contacts at hand, and the engine's page cache with the program's settings, emptied first as the program's is.
    const QString copy = c.folder() + "import-floor.qv";
    c.dataModule().PeopleCompanyDet->checkBrowseMode();
    c.copyDatabase(c.databasePath(), copy);
    double peerPeak = 0;
    {
        sqlite3* db = openWithProgramSettings(copy);
        {
            PeerImport import(db, stdStrings(CsvColumns), int(CsvColumns.indexOf("Name")),
                              int(CsvColumns.indexOf("Email1")));
            import.knowContacts();
            sqlite3_db_release_memory(db);
            malloc_trim(0);
            const double peerBefore = residentMemoryMb();
            resetPeakMemory();
            import.indexKnownContacts();
            const QByteArray file = QFile::encodeName(path);
            peerCsvImport(import, file.constData(), ContactsCsvHeader, size_t(CsvColumns.size()));
            peerPeak = peakMemoryMb() - peerBefore;
        }
        closeRaw(db);
    }
    QFile::remove(copy);
    QFile::remove(path);
    Result r;
    r.memory = true;
    r.program = peak - before;
    r.baseline = text / (1024.0 * 1024.0);
    r.note = QStringLiteral("(%1 rows into %2 contacts, %3 ms; baseline: the imported texts' UTF-8 bytes; a C peer "
                            "doing the same import with the program's page cache: %4 MB, %5 x the baseline)")
                 .arg(added)
                 .arg(c.contacts())
                 .arg(ms, 0, 'f', 0)
                 .arg(peerPeak, 0, 'f', 2)
                 .arg(peerPeak / r.baseline, 0, 'f', 3);
    return r;
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

// Every thread of the process, and every thread it starts, on the core the calling thread is on, as `taskset`
// would run it; put back as it was at the end.
class OneCore {
public:
    OneCore()
    {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(sched_getcpu(), &one);
        DIR* tasks = opendir("/proc/self/task");
        if (!tasks) throw std::runtime_error("cannot list the threads");
        while (const dirent* e = readdir(tasks)) {
            const pid_t tid = pid_t(std::atoi(e->d_name));
            if (tid <= 0) continue;
            cpu_set_t was;
            if (sched_getaffinity(tid, sizeof was, &was) == 0 && sched_setaffinity(tid, sizeof one, &one) == 0)
                m_kept.push_back({tid, was});
        }
        closedir(tasks);
    }
    ~OneCore()
    {
        for (const auto& [tid, was] : m_kept) sched_setaffinity(tid, sizeof was, &was);
    }

private:
    std::vector<std::pair<pid_t, cpu_set_t>> m_kept;
};

Result mailImport(Context& c)
{
    const QStringList columns{"Name",   "Title",   "Language",     "Spouse",      "Children",        "HAStreet",
                              "HACity", "HAState", "HAPostalCode", "HACountry",   "HAPostOfficeBox", "JobTitle",
                              "Email1", "Email2",  "Mobile",       "PrimaryTel",  "HomePage",        "TelH1",
                              "TelH2",  "FaxH",    "Telex",        "ManagerName", "AssistantName",   "Hobbies"};
    FakeDesktop desktop(c.folder() + "mail-home");
    std::vector<Row> rows;
    sqlite3* book = nullptr;
    if (sqlite3_open_v2(desktop.bookPath().toUtf8().constData(), &book, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot create the address book");
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

    const QByteArray bookPath = QFile::encodeName(desktop.bookPath());
    OneCore oneCore;
    const auto [r, added] = alternatedRuns(
        c, columns, rows, [](TMainDataModule& dm) { BitBtn1Click(dm); },
        [&](PeerImport& import) { return peerBookImport(import, bookPath.constData()); });
    Result out = r;
    out.note = QStringLiteral("(%1 cards into %2 contacts, both on one core; floor: the book read, each card's "
                              "properties mapped, tested against the names and e-mails at hand (their keys built as "
                              "the import starts), prepared inserts in "
                              "batches)")
                   .arg(added)
                   .arg(c.contacts());
    if (added != mailCards(c)) out.note += QStringLiteral(" (expected %1)").arg(mailCards(c));
    return out;
}

// ---------------------------------------------------------------- a vCard file

// A tenth as many cards as contacts, as an address book or a phone exports them: the mail client's properties and
// those a file adds (company and department, business number and address, birthday, anniversary, note).
Result vcardFileImport(Context& c)
{
    const QStringList columns{"Name",      "Title",        "JobTitle",   "Email1",      "Mobile",
                              "TelH1",     "HAStreet",     "HACity",     "HAState",     "HAPostalCode",
                              "HACountry", "Company",      "Department", "TelB1",       "BAStreet",
                              "BACity",    "BAPostalCode", "Birthday",   "Anniversary", "Info"};
    const QString path = c.folder() + "contacts.vcf";
    std::vector<Row> rows;
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write the vCard file");
        QTextStream out(&file);
        for (int i = 0; i < mailCards(c); ++i) {
            const QString first = pick(First, i), last = pick(Last, i / 16) + QString::number(i);
            const QDate birthday = QDate(1950, 1, 1).addDays(i % 18000), anniversary = birthday.addYears(25);
            Row r;
            r.values = {first + ' ' + last,
                        "Dr.",
                        pick(Jobs, i),
                        first.toLower() + '.' + last.toLower() + "@example.net",
                        "+44 7700 " + QString::number(900000 + i),
                        "+44 20 " + QString::number(7946000 + i),
                        QString::number(i % 700 + 1) + " Quay Street",
                        pick(Cities, i),
                        "Kent",
                        QString::number(20000 + i),
                        "UK",
                        pick(Last, i / 3) + " Ltd",
                        "Purchasing",
                        "+44 20 " + QString::number(7000000 + i),
                        QString::number(i % 90 + 1) + " Mill Road",
                        pick(Cities, i / 8),
                        QString::number(30000 + i),
                        Dataset::dateTimeStorageText(QDateTime(birthday, QTime(0, 0))),
                        Dataset::dateTimeStorageText(QDateTime(anniversary, QTime(0, 0))),
                        "Met at the trade fair, hall 4."};
            const std::vector<QString>& v = r.values;
            out << QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nN:%1;%2;;Dr.;\r\nFN:%2 %1\r\nTITLE:%3\r\n"
                                  "EMAIL;TYPE=INTERNET:%4\r\nTEL;TYPE=CELL:%5\r\nTEL;TYPE=HOME,VOICE:%6\r\n")
                       .arg(last, first, v[2], v[3], v[4], v[5])
                << QStringLiteral("ADR;TYPE=HOME:;;%1;%2;Kent;%3;UK\r\nORG:%4;Purchasing\r\nTEL;TYPE=WORK,VOICE:%5\r\n"
                                  "ADR;TYPE=WORK:;;%6;%7;;%8;\r\nBDAY:%9\r\n")
                       .arg(v[6], v[7], v[9], v[11], v[13], v[14], v[15], v[16], birthday.toString(Qt::ISODate))
                << QStringLiteral("X-ANNIVERSARY:%1\r\nNOTE:Met at the trade fair\\, hall 4.\r\nEND:VCARD\r\n")
                       .arg(anniversary.toString(Qt::ISODate));
            rows.push_back(std::move(r));
        }
    }
    AnswerFileDialogs dialogs(path);
    const auto [r, added] = alternatedRuns(
        c, columns, rows, [](TMainDataModule& dm) { importContactsFromVCardFile(dm); },
        [file = QFile::encodeName(path), names = stdStrings(columns)](PeerImport& import) {
            return peerVCardFileImport(import, file.constData(), names);
        });
    QFile::remove(path);
    Result out = r;
    out.note = QStringLiteral("(%1 cards into %2 contacts; floor: the file read, its text checked, the cards unfolded "
                              "and read as the mail import's peer reads the book's, tested against the names and "
                              "e-mails at hand (their keys built as the import starts), prepared inserts in batches)")
                   .arg(added)
                   .arg(c.contacts());
    if (added != mailCards(c)) out.note += QStringLiteral(" (expected %1)").arg(mailCards(c));
    return out;
}

// ---------------------------------------------------------------- another program's CSV file

// As many rows as contacts under the header Google Contacts writes today: the name in its parts, the organisation,
// labelled e-mails, telephones and addresses, each read as a card is.
Result otherCsvImport(Context& c)
{
    const QStringList columns{"Name",   "Title",        "Company",   "JobTitle", "Department", "Birthday",
                              "Info",   "Email1",       "Email2",    "Mobile",   "TelB1",      "HAStreet",
                              "HACity", "HAPostalCode", "HACountry", "HomePage"};
    const QString path = c.folder() + "google-contacts.csv";
    std::vector<Row> rows;
    rows.reserve(size_t(csvRows(c)));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write the CSV file");
        QTextStream out(&file);
        out << "First Name,Middle Name,Last Name,Name Prefix,Organization Name,Organization Title,"
               "Organization Department,Birthday,Notes,Labels,E-mail 1 - Label,E-mail 1 - Value,E-mail 2 - Label,"
               "E-mail 2 - Value,Phone 1 - Label,Phone 1 - Value,Phone 2 - Label,Phone 2 - Value,Address 1 - Label,"
               "Address 1 - Street,Address 1 - City,Address 1 - Postal Code,Address 1 - Country,Website 1 - Label,"
               "Website 1 - Value\r\n";
        for (int i = 0; i < csvRows(c); ++i) {
            const QString first = pick(First, i), last = pick(Last, i / 16) + QString::number(i);
            const QDate birthday = QDate(1950, 1, 1).addDays(i % 18000);
            Row r;
            r.values = {first + ' ' + last,
                        i % 3 ? "Mr." : "Ms.",
                        pick(Last, i / 5) + " & Sons",
                        pick(Jobs, i),
                        "Sales",
                        Dataset::dateTimeStorageText(QDateTime(birthday, QTime(0, 0))),
                        i % 4 ? "" : "Prefers calls, after 10",
                        first.toLower() + '.' + last.toLower() + "@example.org",
                        i % 2 ? "" : last.toLower() + "@work.example",
                        "+33 6 " + QString::number(10000000 + i),
                        "+33 4 " + QString::number(20000000 + i),
                        QString::number(i % 900 + 1) + " Harbour Road",
                        pick(Cities, i),
                        QString::number(10000 + i % 89999),
                        "France",
                        "https://example.org/~" + last.toLower()};
            const std::vector<QString>& v = r.values;
            // Fields with a comma are quoted, as the file's writer quotes them.
            out << first << ",," << last << ',' << v[1] << ",\"" << v[2] << "\"," << v[3] << ',' << v[4] << ','
                << birthday.toString(Qt::ISODate) << ',' << (v[6].isEmpty() ? QString() : '"' + v[6] + '"')
                << ",* myContacts,* Home," << v[7] << ',' << (v[8].isEmpty() ? "," : "Work," + v[8]) << ",Mobile,"
                << v[9] << ",Work," << v[10] << ",Home," << v[11] << ',' << v[12] << ',' << v[13] << ',' << v[14]
                << ",Profile," << v[15] << "\r\n";
            rows.push_back(std::move(r));
        }
    }
    AnswerFileDialogs dialogs(path);
    const auto [r, added] = alternatedRuns(
        c, columns, rows, [](TMainDataModule& dm) { importContactsFromOtherCsvFile(dm); },
        [file = QFile::encodeName(path), names = stdStrings(columns)](PeerImport& import) {
            return peerGoogleCsvImport(import, file.constData(), names);
        });
    QFile::remove(path);
    Result out = r;
    out.note = QStringLiteral("(%1 rows into %2 contacts; floor: the file read, its text checked, its quoted fields "
                              "read, the header's columns mapped, the name joined, tested against the names and "
                              "e-mails at hand (their keys built as the import starts), prepared inserts in batches)")
                   .arg(added)
                   .arg(c.contacts());
    if (added != csvRows(c)) out.note += QStringLiteral(" (expected %1)").arg(csvRows(c));
    return out;
}

} // namespace

QV_BENCH_PATH("csv-import", csvImport);
QV_BENCH_PATH_IN_OWN_PROCESS("csv-import-memory", csvImportMemory);
QV_BENCH_PATH("mail-import", mailImport);
QV_BENCH_PATH("vcard-file-import", vcardFileImport);
QV_BENCH_PATH("other-csv-import", otherCsvImport);

} // namespace qv::bench
