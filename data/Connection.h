#pragma once
// The program's one connection to the encrypted database file (the data module's `MainADOConnection`).

#include "data/EncryptedFile.h"
#include "data/FileLock.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <exception>
#include <memory>
#include <thread>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace qv {

class Connection;

// A prepared statement with bound parameters. Errors throw DatabaseError with the engine's text.
class Statement {
public:
    Statement(Connection& connection, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int index, const QVariant& value); // 1-based, as SQLite counts
    // Copied, or kept by reference (Static) when the bytes outlive the statement's next reset.
    enum class Binding { Copied, Static };
    void bindText(int index, const char* utf8, int bytes, Binding binding = Binding::Copied);
    void bindInt(int index, qint64 value);
    void bindNull(int index);
    bool step(); // true while a row is available
    void reset();

    int columnCount() const;
    QString columnName(int i) const;
    bool isNull(int i) const;
    qint64 columnInt(int i) const;
    QString columnText(int i) const;
    QVariant columnValue(int i) const;

    sqlite3_stmt* handle() const { return m_stmt; }

private:
    Connection& m_connection;
    sqlite3_stmt* m_stmt = nullptr;
};

class Connection : public QObject {
    Q_OBJECT
public:
    explicit Connection(QObject* parent = nullptr);
    ~Connection() override;

    // The connection string as start-up builds it: the data source, the sharing mode and the database password
    // are read from it.
    void setConnectionString(const QString& text);
    QString connectionString() const { return m_connectionString; }

    QString dataSource() const;
    QString shareMode() const;
    QString password() const;

    // Milliseconds to wait for another process's lock before a statement fails; from now on when connected.
    void setBusyTimeout(int ms);

    void open(); // connect; throws DatabaseError with the engine's text
    // The slow half of connecting (the key derived from the password, the file verified) begun on a thread of its
    // own, so that the caller goes on meanwhile; open() waits for it and finishes. Until then the connection is
    // closed: using it is the closed-connection error.
    void startOpening();
    void close(); // disconnect; datasets keep their rows
    bool isOpen() const { return m_db != nullptr; }

    sqlite3* handle() const;
    // Lent to another thread, which alone uses it until it is taken back: handle() refuses the lending thread
    // meanwhile, so that a use that would race the other thread is an error instead.
    void lend();
    void takeBack();
    void exec(const QString& sql);
    qint64 lastInsertRowid() const;
    int changes() const;

    // Change tracking, so that a dataset can skip a re-read when nothing changed since it last read.
    // The stamp of a table changes when any dataset of ours writes to it or another process commits anything.
    struct Stamp {
        qint64 external = -1; // PRAGMA data_version
        quint64 local = 0;    // our own writes to the table
        bool operator==(const Stamp&) const = default;
    };
    Stamp stampOf(const QString& table);
    void noteWrite(const QString& table);

    // Nested transactions collapse into the outermost one. A read transaction takes no lock until its first
    // statement and then only the shared one: other readers and another writer's preparation go on meanwhile.
    // A transaction that does not commit (its commit failed, or the engine gave it up after a failed statement) is
    // rolled back whole, and every table's stamp moves: the datasets re-read what the file holds.
    enum class TransactionKind { Write, Read };
    void begin(TransactionKind kind = TransactionKind::Write);
    void commit(); // throws with the engine's text when the commit fails, the transaction rolled back
    void rollback();
    bool inTransaction() const; // the engine holds a transaction open

    QString lastErrorText() const;
    // Gives back the page cache's unused pages: once the datasets hold their rows, the cache would be a second copy.
    // While limited, the page cache holds a few MiB: a read of every row into memory passes each page once, and
    // keeping them all would only fault in a second copy of the file that is given back right after.
    void limitPageCache(bool limited);
    void releaseMemory();
    // Decrypted pages kept, in KiB: enough that re-reads stay in memory; a few MiB while limited.
    static constexpr int FullCacheKiB = 131072, ScanCacheKiB = 2048;

    // Why saves will fail although the file opened (it or its folder cannot be written); empty when they can.
    QString writeProblem() const { return m_writeProblem; }
    // An engine error as the user is told it: a damaged file is named.
    QString describeFailure(int code, const QString& engineText) const;

    // Parses "key=value;..." pairs the way the connection string writes them, quotes removed.
    static QString connectionStringValue(const QString& connectionString, const QString& key);

signals:
    void connected();
    void disconnected();

private:
    qint64 dataVersion();
    void endTransaction(bool committed);
    static QString damagedFileText(const QString& path, const QString& engineText);
    static QString describeOpenFailure(int code, const QString& text, const QString& path);
    static QString writeProblemOf(sqlite3* db, const QString& path);
    struct OpenedFile {
        EngineHandle db;
        QString writeProblem;
    };
    OpenedFile openFile(); // opens, sets up and checks the file; throws DatabaseError

    QString m_connectionString;
    int m_busyTimeoutMs = 5000;
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_dataVersion = nullptr;
    std::unordered_map<QString, quint64> m_localWrites;
    int m_transactionDepth = 0;
    bool m_writeTransaction = false; // the outermost transaction began as a write one
    qint64 m_lockedDataVersion = -1; // the counter as read within it
    QString m_writeProblem;
    FileLock m_fileLock;      // shared while connected, so that a restore elsewhere leaves the file alone
    std::thread::id m_lender; // while lent: the thread that lent it
    std::thread m_opening;    // the opening begun by startOpening(), until open() finishes it
    OpenedFile m_opened;
    std::exception_ptr m_openingError;
};

class Transaction {
public:
    explicit Transaction(Connection& c, Connection::TransactionKind kind = Connection::TransactionKind::Write) : m_c(c)
    {
        m_c.begin(kind);
    }
    ~Transaction()
    {
        if (!m_done) try {
                m_c.rollback();
            } catch (...) {}
    }
    void commit()
    {
        m_c.commit();
        m_done = true;
    }

private:
    Connection& m_c;
    bool m_done = false;
};

} // namespace qv
