#include "platform/MailAddressBook.h"
#include "data/DatabaseFiles.h"
#include "data/StoredText.h"
#include "data/UnfinishedWork.h"

#include <QDir>
#include <QRegularExpression>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <QTextStream>
#include <sqlcipher/sqlite3.h>
#include <algorithm>
#include <functional>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace qv {

namespace {

QString home() { return QDir::homePath(); }

QString envOr(const char* name, const QString& fallback)
{
    const QString v = qEnvironmentVariable(name);
    return v.isEmpty() ? fallback : v;
}

QStringList envList(const char* name, const QString& fallback)
{
    return envOr(name, fallback).split(u':', Qt::SkipEmptyParts);
}

// The value of one key of the [Default Applications] section of a mimeapps.list or defaults.list.
QString defaultApplication(const QString& file, const QString& key)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    QTextStream in(&f);
    bool inSection = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(u'[')) {
            inSection = line == QLatin1String("[Default Applications]");
            continue;
        }
        if (!inSection) continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0 || line.left(eq).trimmed() != key) continue;
        for (const QString& id : line.mid(eq + 1).split(u';', Qt::SkipEmptyParts))
            if (!id.trimmed().isEmpty()) return id.trimmed();
    }
    return {};
}

enum class Client { None, Thunderbird, Evolution };

Client clientOf(const QString& desktopId)
{
    const QString id = desktopId.toLower();
    if (id.contains(QLatin1String("thunderbird")) || id.contains(QLatin1String("icedove")) ||
        id.contains(QLatin1String("betterbird")))
        return Client::Thunderbird;
    if (id.contains(QLatin1String("evolution"))) return Client::Evolution;
    return Client::None;
}

// The profile folder profiles.ini names as the default: the installation's default first, then the profile
// marked Default=1, then the only or first profile.
QString defaultThunderbirdProfile(const QString& root)
{
    QFile f(root + "/profiles.ini");
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    QTextStream in(&f);
    struct Section {
        QString name;
        QHash<QString, QString> values;
    };
    std::vector<Section> sections;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            sections.push_back({line.mid(1, line.size() - 2), {}});
        } else if (!sections.empty()) {
            const qsizetype eq = line.indexOf(u'=');
            if (eq > 0) sections.back().values.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
        }
    }
    auto resolve = [&root](const QString& path, bool relative) {
        return relative || QFileInfo(path).isRelative() ? root + '/' + path : path;
    };
    for (const Section& s : sections)
        if (s.name.startsWith(QLatin1String("Install")) && !s.values.value("Default").isEmpty())
            return resolve(s.values.value("Default"), false);
    const Section* chosen = nullptr;
    for (const Section& s : sections) {
        if (!s.name.startsWith(QLatin1String("Profile")) || s.values.value("Path").isEmpty()) continue;
        if (!chosen || s.values.value("Default") == QLatin1String("1")) chosen = &s;
        if (s.values.value("Default") == QLatin1String("1")) break;
    }
    if (!chosen) return {};
    return resolve(chosen->values.value("Path"), chosen->values.value("IsRelative", "1") == QLatin1String("1"));
}

QString thunderbirdBook()
{
    const QString h = home();
    for (const QString& root :
         {h + "/.thunderbird", h + "/.mozilla/thunderbird", h + "/snap/thunderbird/common/.thunderbird",
          h + "/.var/app/org.mozilla.Thunderbird/.thunderbird"}) {
        const QString profile = defaultThunderbirdProfile(root);
        if (profile.isEmpty()) continue;
        const QString book = profile + "/abook.sqlite";
        if (QFileInfo::exists(book)) return book;
    }
    return {};
}

QString evolutionBook()
{
    const QString dataHome = envOr("XDG_DATA_HOME", home() + "/.local/share");
    for (const QString& dir : {dataHome + "/evolution", home() + "/.var/app/org.gnome.Evolution/data/evolution"}) {
        const QString book = dir + "/addressbook/system/contacts.db";
        if (QFileInfo::exists(book)) return book;
    }
    return {};
}

const QString BookCopyFolder = QStringLiteral("quorvane-book-");
const QString BookCopyFile = QStringLiteral("book.sqlite");

// A read-only look at an SQLite file through a private copy: the client may hold it open in WAL mode, and even a
// reader would have to write beside it then. The copy takes the journal files along, so it holds what the client
// last committed.
class BookCopy {
public:
    explicit BookCopy(const QString& file)
    {
        if (!m_dir.isValid()) throw std::runtime_error("no temporary folder for a copy of the address book");
        // Held while the copy is in use: the next start removes it only when this process died without doing so.
        m_hold = ::open(QFile::encodeName(m_dir.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_hold >= 0) holdAgainstTidying(m_hold);
        const QString copy = m_dir.path() + '/' + BookCopyFile;
        for (const char* suffix : {"", "-wal", "-journal"}) {
            const QString from = file + suffix;
            if (!QFileInfo::exists(from)) continue;
            QFile source(from);
            dbfiles::passStep(QStringLiteral("copy %1 to %2").arg(from, copy + suffix));
            if (!source.copy(copy + suffix))
                throw std::runtime_error(QStringLiteral("%1: %2").arg(from, source.errorString()).toStdString());
        }
        if (sqlite3_open_v2(copy.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) fail();
    }
    ~BookCopy()
    {
        sqlite3_close(m_db);
        if (m_hold >= 0) ::close(m_hold);
    }

    bool hasTable(const QString& table)
    {
        bool found = false;
        query("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?", {table},
              [&](sqlite3_stmt*) { found = true; });
        return found;
    }

    void query(const QString& sql, const QStringList& args, const std::function<void(sqlite3_stmt*)>& row)
    {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) fail();
        for (int i = 0; i < args.size(); ++i) {
            const QByteArray a = args[i].toUtf8();
            sqlite3_bind_text(st, i + 1, a.constData(), int(a.size()), SQLITE_TRANSIENT);
        }
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) row(st);
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE) fail();
    }

    static QString text(sqlite3_stmt* st, int column)
    {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, column));
        return p ? textFromUtf8(p, sqlite3_column_bytes(st, column)) : QString();
    }

private:
    [[noreturn]] void fail()
    {
        const QString why = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("cannot open");
        throw std::runtime_error(why.toStdString());
    }
    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/") + BookCopyFolder + QStringLiteral("XXXXXX")};
    int m_hold = -1;
    sqlite3* m_db = nullptr;
};

QString quotedName(const QString& name) { return '"' + QString(name).replace(u'"', QLatin1String("\"\"")) + '"'; }

// Current books keep each card as a vCard in its "_vCard" property; older ones only as separate properties.
// There is no card table in current books: a card is the set of properties that name it, in the order written.
void readThunderbird(BookCopy& db, AddressBook& book)
{
    QHash<QString, size_t> index;
    db.query("SELECT card, name, value FROM properties ORDER BY rowid", {}, [&](sqlite3_stmt* st) {
        const QString card = BookCopy::text(st, 0);
        auto it = index.find(card);
        if (it == index.end()) {
            it = index.insert(card, book.items.size());
            book.items.emplace_back();
        }
        AddressBookItem& item = book.items[*it];
        const QString name = BookCopy::text(st, 1);
        if (name == QLatin1String("_vCard"))
            item.vcard = BookCopy::text(st, 2);
        else
            item.properties.append({name, BookCopy::text(st, 2)});
    });
    if (db.hasTable("lists")) {
        db.query("SELECT rowid FROM lists ORDER BY rowid", {}, [&](sqlite3_stmt*) {
            AddressBookItem list;
            list.isList = true;
            book.items.push_back(std::move(list));
        });
    }
}

// Each folder of the book is a table named after it, with the whole vCard in its "vcard" column.
void readEvolution(BookCopy& db, AddressBook& book)
{
    QStringList folders;
    if (db.hasTable("folders"))
        db.query("SELECT folder_id FROM folders", {}, [&](sqlite3_stmt* st) { folders << BookCopy::text(st, 0); });
    if (folders.isEmpty()) folders << QStringLiteral("folder_id");
    for (const QString& folder : folders) {
        if (!db.hasTable(folder)) continue;
        db.query("SELECT vcard FROM " + quotedName(folder) + " ORDER BY rowid", {}, [&](sqlite3_stmt* st) {
            const QString card = BookCopy::text(st, 0);
            if (card.isEmpty()) return;
            AddressBookItem item;
            item.vcard = card;
            book.items.push_back(std::move(item));
        });
    }
}

} // namespace

QString mailtoHandler()
{
    const QString key = QStringLiteral("x-scheme-handler/mailto");
    QStringList desktops;
    for (const QString& d : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts))
        desktops << d.toLower();
    QStringList folders;
    folders << envOr("XDG_CONFIG_HOME", home() + "/.config");
    folders << envList("XDG_CONFIG_DIRS", "/etc/xdg");
    folders << envOr("XDG_DATA_HOME", home() + "/.local/share") + "/applications";
    for (const QString& d : envList("XDG_DATA_DIRS", "/usr/local/share:/usr/share")) folders << d + "/applications";
    for (const QString& folder : folders) {
        for (const QString& desktop : desktops) {
            const QString id = defaultApplication(folder + '/' + desktop + "-mimeapps.list", key);
            if (!id.isEmpty()) return id;
        }
        const QString id = defaultApplication(folder + "/mimeapps.list", key);
        if (!id.isEmpty()) return id;
    }
    for (const QString& d : envList("XDG_DATA_DIRS", "/usr/local/share:/usr/share")) {
        const QString id = defaultApplication(d + "/applications/defaults.list", key);
        if (!id.isEmpty()) return id;
    }
    return {};
}

std::optional<AddressBook> readMailClientAddressBook(QString* problem)
{
    // The book of the client that handles e-mail links first; then, whatever handles them (another client, a
    // browser, nothing), any book of the two that can be read.
    std::vector<Client> order;
    if (const Client handler = clientOf(mailtoHandler()); handler != Client::None) order.push_back(handler);
    for (const Client c : {Client::Thunderbird, Client::Evolution})
        if (std::find(order.begin(), order.end(), c) == order.end()) order.push_back(c);
    QString why = QStringLiteral("no personal address book was found");
    for (const Client client : order) {
        const QString file = client == Client::Thunderbird ? thunderbirdBook() : evolutionBook();
        if (file.isEmpty()) continue;
        AddressBook book;
        book.client = client == Client::Thunderbird ? QStringLiteral("Thunderbird") : QStringLiteral("Evolution");
        book.file = file;
        try {
            BookCopy db(file);
            if (client == Client::Thunderbird)
                readThunderbird(db, book);
            else
                readEvolution(db, book);
            return book;
        } catch (const std::exception& e) {
            why = QStringLiteral("%1: %2").arg(file, QString::fromUtf8(e.what()));
        }
    }
    if (problem) *problem = why;
    return std::nullopt;
}

void removeLeftoverBookCopies()
{
    // The copy, its journal files, and the toolkit's own temporary file of a copy broken off.
    removeLeftovers(QDir::tempPath(), QRegularExpression::escape(BookCopyFolder) + QStringLiteral("[A-Za-z0-9]{6}"),
                    QRegularExpression::escape(BookCopyFile) +
                        QStringLiteral("(-wal|-journal|-shm)?|qt_temp\\.[A-Za-z0-9]{6}"));
}

} // namespace qv
