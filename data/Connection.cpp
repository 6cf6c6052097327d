#include "data/Connection.h"
#include "data/DatabaseError.h"
#include "data/EncryptedFile.h"
#include "data/StoredText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>
#include <sqlcipher/sqlite3.h>
#include <unistd.h>

namespace qv {

namespace {

QByteArray cacheSizePragma(int kib) { return "PRAGMA cache_size = -" + QByteArray::number(kib) + ';'; }

[[noreturn]] void fail(sqlite3* db, int rc) { throw DatabaseError(engineErrorText(db, rc), rc); }

} // namespace

// ---------------------------------------------------------------- Statement

Statement::Statement(Connection& connection, const QString& sql) : m_connection(connection)
{
    sqlite3* db = connection.handle();
    const QByteArray utf8 = sql.toUtf8();
    int rc = sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        QString text = connection.describeFailure(rc, engineErrorText(db, rc));
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw DatabaseError(text, rc);
    }
}

Statement::~Statement() { sqlite3_finalize(m_stmt); }

void Statement::bind(int index, const QVariant& value)
{
    if (!value.isValid() || value.isNull()) return bindNull(index);
    switch (value.typeId()) {
    case QMetaType::Bool: return bindInt(index, value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong: return bindInt(index, value.toLongLong());
    case QMetaType::Double:
        if (sqlite3_bind_double(m_stmt, index, value.toDouble()) != SQLITE_OK) fail(m_connection.handle(), 0);
        return;
    default: {
        const QByteArray utf8 = value.toString().toUtf8();
        if (sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT) != SQLITE_OK)
            fail(m_connection.handle(), 0);
    }
    }
}

void Statement::bindText(int index, const char* utf8, int bytes, Binding binding)
{
    if (sqlite3_bind_text(m_stmt, index, utf8, bytes, binding == Binding::Static ? SQLITE_STATIC : SQLITE_TRANSIENT) !=
        SQLITE_OK)
        fail(m_connection.handle(), 0);
}

void Statement::bindInt(int index, qint64 value)
{
    if (sqlite3_bind_int64(m_stmt, index, value) != SQLITE_OK) fail(m_connection.handle(), 0);
}

void Statement::bindNull(int index)
{
    if (sqlite3_bind_null(m_stmt, index) != SQLITE_OK) fail(m_connection.handle(), 0);
}

bool Statement::step()
{
    int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    QString text = m_connection.describeFailure(rc, engineErrorText(m_connection.handle(), rc));
    sqlite3_reset(m_stmt);
    throw DatabaseError(text, rc);
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

int Statement::columnCount() const { return sqlite3_column_count(m_stmt); }
QString Statement::columnName(int i) const { return QString::fromUtf8(sqlite3_column_name(m_stmt, i)); }
bool Statement::isNull(int i) const { return sqlite3_column_type(m_stmt, i) == SQLITE_NULL; }
qint64 Statement::columnInt(int i) const { return sqlite3_column_int64(m_stmt, i); }

QString Statement::columnText(int i) const
{
    const char* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i));
    return p ? textFromUtf8(p, sqlite3_column_bytes(m_stmt, i)) : QString();
}

QVariant Statement::columnValue(int i) const
{
    switch (sqlite3_column_type(m_stmt, i)) {
    case SQLITE_NULL: return {};
    case SQLITE_INTEGER: return QVariant(qint64(sqlite3_column_int64(m_stmt, i)));
    case SQLITE_FLOAT: return QVariant(sqlite3_column_double(m_stmt, i));
    default: return QVariant(columnText(i));
    }
}

// ---------------------------------------------------------------- Connection

Connection::Connection(QObject* parent) : QObject(parent) {}

Connection::~Connection()
{
    if (m_opening.joinable()) {
        // An opening begun and never finished: its handle closes, then its lock goes.
        m_opening.join();
        if (m_opened.db) {
            m_opened.db.reset();
            m_fileLock.release();
        }
    }
    close();
}

void Connection::setConnectionString(const QString& text) { m_connectionString = text; }

QString Connection::connectionStringValue(const QString& cs, const QString& key)
{
    for (const QString& part : cs.split(';')) {
        int eq = part.indexOf('=');
        if (eq < 0) continue;
        if (part.left(eq).trimmed().compare(key, Qt::CaseInsensitive) != 0) continue;
        QString v = part.mid(eq + 1).trimmed();
        if (v.size() >= 2 && ((v.startsWith('"') && v.endsWith('"')) || (v.startsWith('\'') && v.endsWith('\''))))
            v = v.mid(1, v.size() - 2);
        return v;
    }
    return {};
}

QString Connection::dataSource() const { return connectionStringValue(m_connectionString, "Data Source"); }
QString Connection::shareMode() const { return connectionStringValue(m_connectionString, "Mode"); }
QString Connection::password() const
{
    return connectionStringValue(m_connectionString, "Jet OLEDB:Database Password");
}

void Connection::startOpening()
{
    if (m_db || m_opening.joinable()) return;
    m_opening = std::thread([this] {
        try {
            m_opened = openFile();
        } catch (...) {
            m_openingError = std::current_exception();
        }
    });
}

void Connection::open()
{
    if (m_db) return;
    if (!m_opening.joinable()) startOpening();
    m_opening.join();
    if (m_openingError) std::rethrow_exception(std::exchange(m_openingError, nullptr));
    m_writeProblem = std::move(m_opened.writeProblem);
    m_db = m_opened.db.release();
    m_transactionDepth = 0;
    emit connected();
}

Connection::OpenedFile Connection::openFile()
{
    // It touches nothing the connection's own thread uses meanwhile: the file lock, and the connection string read.
    const QString path = dataSource();
    const QString mode = shareMode();
    if (!m_fileLock.acquire(path, FileLock::Kind::Shared, m_busyTimeoutMs))
        throw DatabaseError(QStringLiteral("%1: another copy of the program is restoring this database; try again in "
                                           "a moment.")
                                .arg(QDir::toNativeSeparators(path)),
                            SQLITE_BUSY);
    EngineHandle db;
    const auto abandon = [&](const DatabaseError& e) {
        db.reset();
        m_fileLock.release(); // after SQLite's handle: closing our descriptor first would drop SQLite's locks
        throw e;
    };
    const bool readOnly = mode.compare("Read", Qt::CaseInsensitive) == 0;
    int tables = 0;
    const auto described = [&](const DatabaseError& e) {
        return DatabaseError(describeOpenFailure(e.code(), e.message(), path), e.code());
    };
    try {
        // Opened read-write and never created: a missing file must fail, not leave an empty database behind.
        db = openEncryptedFile(path, password(), readOnly ? FileOpening::ReadOnly : FileOpening::ReadWrite,
                               m_busyTimeoutMs, &tables);
    } catch (const DatabaseError& e) {
        abandon(described(e));
    }
    // SQLite takes an empty file for an empty database; ours always holds its tables.
    if (tables == 0)
        abandon(DatabaseError(QStringLiteral("The database file %1 is empty or damaged: it holds no tables. Restore it "
                                             "from a backup or install it again.")
                                  .arg(QDir::toNativeSeparators(path)),
                              SQLITE_CORRUPT));
    try {
        // A long transaction (deleting every contact, an import) keeps its changed pages in memory until it commits
        // instead of writing them out and decrypting them again when the cache is full.
        runOrThrow(db.get(), QByteArrayLiteral("PRAGMA journal_mode = DELETE;"
                                               "PRAGMA temp_store = MEMORY;"
                                               "PRAGMA cache_spill = OFF;") +
                                 cacheSizePragma(FullCacheKiB));
        if (mode.contains("Exclusive", Qt::CaseInsensitive) || mode.contains("Deny Read", Qt::CaseInsensitive))
            runOrThrow(db.get(), "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT;");
    } catch (const DatabaseError& e) {
        abandon(described(e));
    }
    OpenedFile opened;
    opened.writeProblem = readOnly ? QString() : writeProblemOf(db.get(), path);
    opened.db = std::move(db);
    return opened;
}

QString Connection::describeOpenFailure(int code, const QString& text, const QString& path)
{
    const QString file = QDir::toNativeSeparators(path);
    switch (code) {
    case SQLITE_CANTOPEN: return QStringLiteral("%1 (%2)").arg(text, file);
    case SQLITE_NOTADB:
        return QStringLiteral("%1: %2 (the database password is wrong or the file is damaged)").arg(file, text);
    case SQLITE_CORRUPT: return damagedFileText(path, text);
    default: return text;
    }
}

QString Connection::writeProblemOf(sqlite3* db, const QString& path)
{
    // A file that cannot be written opens all the same, read-only; so does one whose folder cannot take the journal a
    // save writes beside it. Say so before the first save fails.
    const QString folder = QFileInfo(path).absolutePath();
    if (sqlite3_db_readonly(db, "main") == 1)
        return QStringLiteral("The database file %1 cannot be written: it is read-only. You can look at your records, "
                              "but no change can be saved.")
            .arg(QDir::toNativeSeparators(path));
    if (::access(QFile::encodeName(folder).constData(), W_OK) != 0)
        return QStringLiteral("The folder %1 of the database file cannot be written, and every save needs to write a "
                              "journal file there. You can look at your records, but no change can be saved.")
            .arg(QDir::toNativeSeparators(folder));
    return {};
}

void Connection::close()
{
    if (!m_db) return;
    sqlite3_finalize(m_dataVersion);
    m_dataVersion = nullptr;
    sqlite3_close_v2(m_db);
    m_fileLock.release(); // after SQLite's handle: closing our descriptor first would drop SQLite's locks
    m_db = nullptr;
    m_transactionDepth = 0;
    m_writeTransaction = false;
    emit disconnected();
}

sqlite3* Connection::handle() const
{
    if (!m_db) throw DatabaseError(QStringLiteral("Operation is not allowed when the object is closed."));
    if (m_lender != std::thread::id() && std::this_thread::get_id() == m_lender)
        throw DatabaseError(QStringLiteral("The connection is in use by the reading of the rows."));
    return m_db;
}

void Connection::lend() { m_lender = std::this_thread::get_id(); }
void Connection::takeBack() { m_lender = std::thread::id(); }

void Connection::exec(const QString& sql) { runOrThrow(handle(), sql.toUtf8()); }

qint64 Connection::dataVersion()
{
    // While our write transaction holds its lock no other connection can commit, so the counter stands: an import's
    // posts need not ask for it each time. (A transaction the engine gave up on is ours no more.)
    const bool locked = m_writeTransaction && !sqlite3_get_autocommit(handle());
    if (locked && m_lockedDataVersion >= 0) return m_lockedDataVersion;
    if (!m_dataVersion) {
        int rc = sqlite3_prepare_v2(handle(), "PRAGMA data_version;", -1, &m_dataVersion, nullptr);
        if (rc != SQLITE_OK) fail(m_db, rc);
    }
    qint64 v = -1;
    if (sqlite3_step(m_dataVersion) == SQLITE_ROW) v = sqlite3_column_int64(m_dataVersion, 0);
    sqlite3_reset(m_dataVersion);
    m_lockedDataVersion = locked ? v : -1;
    return v;
}

Connection::Stamp Connection::stampOf(const QString& table)
{
    Stamp s;
    s.external = dataVersion();
    auto it = m_localWrites.find(table);
    s.local = it == m_localWrites.end() ? 0 : it->second;
    return s;
}

void Connection::noteWrite(const QString& table) { ++m_localWrites[table]; }

void Connection::begin(TransactionKind kind)
{
    // The engine may have ended our transaction by itself (a full disk): the next one starts afresh.
    if (m_transactionDepth > 0 && !inTransaction()) endTransaction(false);
    if (m_transactionDepth++ == 0) {
        try {
            exec(kind == TransactionKind::Read ? "BEGIN" : "BEGIN IMMEDIATE");
        } catch (...) {
            m_transactionDepth = 0;
            throw;
        }
        m_writeTransaction = kind == TransactionKind::Write;
        m_lockedDataVersion = -1;
    }
}

void Connection::commit()
{
    if (m_transactionDepth == 0) return;
    if (m_transactionDepth > 1) {
        --m_transactionDepth;
        return;
    }
    try {
        exec("COMMIT");
    } catch (...) {
        // A lock the commit could not get leaves the transaction open in the engine; other failures end it. Either
        // way nothing of it is kept, so that no later statement runs inside it and no later commit keeps it unseen.
        try {
            rollback();
        } catch (...) {}
        throw;
    }
    endTransaction(true);
}

void Connection::rollback()
{
    if (m_transactionDepth == 0) return;
    const bool open = inTransaction();
    endTransaction(false);
    if (open) exec("ROLLBACK");
}

bool Connection::inTransaction() const { return m_db && !sqlite3_get_autocommit(m_db); }

void Connection::endTransaction(bool committed)
{
    // What our datasets wrote in a write transaction rolled back is gone again: their stamps must no longer say that
    // they hold what the file holds.
    if (!committed && m_writeTransaction)
        for (auto& written : m_localWrites) ++written.second;
    m_transactionDepth = 0;
    m_writeTransaction = false;
}

void Connection::setBusyTimeout(int ms)
{
    m_busyTimeoutMs = ms;
    if (m_db) sqlite3_busy_timeout(m_db, ms);
}

qint64 Connection::lastInsertRowid() const { return sqlite3_last_insert_rowid(handle()); }
int Connection::changes() const { return sqlite3_changes(handle()); }

void Connection::limitPageCache(bool limited)
{
    if (!m_db) return;
    const int rc = sqlite3_exec(m_db, cacheSizePragma(limited ? ScanCacheKiB : FullCacheKiB).constData(), nullptr,
                                nullptr, nullptr);
    if (rc != SQLITE_OK) throw DatabaseError(describeFailure(rc, lastErrorText()), rc);
}

void Connection::releaseMemory()
{
    if (m_db) sqlite3_db_release_memory(m_db);
}

QString Connection::damagedFileText(const QString& path, const QString& engineText)
{
    return QStringLiteral("The database file %1 is damaged (%2). Restore it from a backup or install it again.")
        .arg(QDir::toNativeSeparators(path), engineText);
}

QString Connection::describeFailure(int code, const QString& engineText) const
{
    // The file itself is at fault: the user must know which file.
    if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB) return damagedFileText(dataSource(), engineText);
    return engineText;
}

QString Connection::lastErrorText() const { return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString(); }

} // namespace qv
