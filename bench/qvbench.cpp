// qvbench --contacts N [PATH...]: builds a synthetic database of N contacts in a temporary folder and times each
// named path (all by default) against its raw SQLite baseline.
#include "bench/Bench.h"
#include "app/Program.h"
#include "bench/Generator.h"
#include "data/DataModule.h"
#include "data/Schema.h"
#include "data/EncryptedFile.h"
#include "data/Installer.h"
#include "platform/GuardedApplication.h"
#include "platform/Messages.h"
#include "platform/ScreenMetrics.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QTemporaryDir>
#include <QWidget>
#include <cstdio>
#include <sqlcipher/sqlite3.h>
#include <unistd.h>

namespace qv::bench {

namespace {

// Start-up must not stop on a message box or on the display check of the machine running the benchmark.
class SilentMessages : public MessageService {
public:
    MessageAnswer show(MessageKind, const QString& text, MessageButtons buttons) override
    {
        if (!quiet) std::fprintf(stderr, "  (message: %s)\n", qPrintable(text));
        switch (buttons) {
        case MessageButtons::Ok: return MessageAnswer::Ok;
        case MessageButtons::YesNo: return MessageAnswer::Yes;
        case MessageButtons::NoYesToAll: return MessageAnswer::YesToAll;
        case MessageButtons::OkCancel: return MessageAnswer::Ok;
        }
        return MessageAnswer::Ok;
    }
    bool quiet = false;
};

// Watches for the first paint of a top-level window of one class and acts once that paint is over.
class FirstPaintWatch : public QObject {
public:
    FirstPaintWatch(const char* windowClass, std::function<void(QWidget*)> painted)
        : m_class(windowClass), m_painted(std::move(painted))
    {
        qApp->installEventFilter(this);
    }
    ~FirstPaintWatch() override { qApp->removeEventFilter(this); }
    bool seen() const { return m_seen; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_seen && event->type() == QEvent::Paint && watched->isWidgetType()) {
            QWidget* top = static_cast<QWidget*>(watched)->window();
            if (top->inherits(m_class)) {
                m_seen = true;
                // Queued: it runs once the window's whole paint (every child widget) is done.
                QPointer<QWidget> window(top);
                QMetaObject::invokeMethod(
                    this, [this, window] { m_painted(window); }, Qt::QueuedConnection);
            }
        }
        return false;
    }

private:
    const char* m_class;
    std::function<void(QWidget*)> m_painted;
    bool m_seen = false;
};

// The file opened as the program opens it, with a page cache that holds the whole file, with room to spare.
sqlite3* openRawFile(const QString& path)
{
    sqlite3* db = openEncryptedFile(path, DatabasePassword, FileOpening::ReadWrite).release();
    const QByteArray cache = "PRAGMA cache_size = -" + QByteArray::number(QFileInfo(path).size() / 1024 * 5 / 4 + 4096);
    rawExec(db, cache.constData());
    return db;
}

class StandardScreen : public ScreenMetrics {
public:
    int logicalDpi() const override { return 96; }
    int screenHeight() const override { return 1024; }
};

} // namespace

std::vector<Path>& registry()
{
    static std::vector<Path> paths;
    return paths;
}

Context::Context(const QString& folder, int contacts) : m_folder(folder), m_contacts(contacts) {}
Context::~Context() = default;

Program& Context::program()
{
    if (!m_program) {
        m_program = std::make_unique<Program>(m_folder + "quorvane");
        if (!m_program->start()) throw std::runtime_error("start-up failed");
    }
    return *m_program;
}

TMainDataModule& Context::dataModule() { return *program().dataModule(); }

// Raw connections are used by one thread, as the program's is: no mutex around every call on either side.
sqlite3* Context::openRaw() const { return openRawFile(databasePath()); }

sqlite3* Context::openRawWarm() const
{
    sqlite3* db = openRaw();
    rawReadAllTables(db);
    return db;
}

void Context::copyDatabase(const QString& from, const QString& to) const
{
    QFile::remove(to);
    if (!QFile::copy(from, to)) throw std::runtime_error("cannot copy the database file");
}

quint64 rawReadAllTables(sqlite3* db)
{
    quint64 sum = 0;
    for (const TableDef& t : schemaTables())
        sum += rawRead(db, QStringLiteral("SELECT * FROM %1").arg(t.name).toUtf8().constData());
    return sum;
}

double timeToFirstPaint(const char* windowClass, const std::function<void()>& command)
{
    QElapsedTimer timer;
    qint64 elapsed = -1;
    FirstPaintWatch watch(windowClass, [&](QWidget* window) {
        elapsed = timer.nsecsElapsed();
        if (window) window->close();
    });
    timer.start();
    command();
    // A window that is not modal may still be waiting for its paint.
    for (int i = 0; i < 200 && elapsed < 0; ++i) QApplication::processEvents(QEventLoop::AllEvents, 10);
    if (elapsed < 0) throw std::runtime_error(std::string("no window of class ") + windowClass + " was painted");
    return double(elapsed) / 1e6;
}

double peakMemoryMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

void rawExec(sqlite3* db, const char* sql) { runOrThrow(db, sql); }

void closeRaw(sqlite3* db) { sqlite3_close(db); }

quint64 rawRead(sqlite3* db, const char* sql)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db));
    quint64 sum = 0;
    const int n = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int i = 0; i < n; ++i) {
            switch (sqlite3_column_type(st, i)) {
            case SQLITE_INTEGER: sum += quint64(sqlite3_column_int64(st, i)); break;
            case SQLITE_FLOAT: sum += quint64(sqlite3_column_double(st, i)); break;
            case SQLITE_NULL: ++sum; break;
            default: {
                const unsigned char* p = sqlite3_column_text(st, i);
                const int bytes = sqlite3_column_bytes(st, i);
                sum += quint64(bytes) + (bytes ? p[0] : 0);
            }
            }
        }
    }
    sqlite3_finalize(st);
    return sum;
}

double bestOf(int repeats, const std::function<void()>& f)
{
    double best = 1e18;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        best = std::min(best, double(t.nsecsElapsed()) / 1e6);
    }
    return best;
}

Result searchBoxKeystroke(const Context& c, QLineEdit* box, const char* namesSql, int rounds)
{
    static const QString Unmatched[] = {QStringLiteral("Zq"), QStringLiteral("zQx")};
    Result r;
    int k = 0;
    r.program = bestOf(3,
                       [&] {
                           for (int i = 0; i < rounds; ++i) box->setText(Unmatched[k++ % 2]);
                       }) /
                rounds;
    sqlite3* db = c.openRaw();
    QStringList names;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, namesSql, -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW)
        names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)),
                                   sqlite3_column_bytes(st, 0));
    sqlite3_finalize(st);
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
    if (found) r.note = QStringLiteral("(a search text matched)");
    box->clear();
    return r;
}

// ---------------------------------------------------------------- the launch path's own processes

namespace {

// The program's own start-up, as its entry point runs it, up to the end of the main window's first paint; then the
// process's peak memory is written out and the process ends at once.
int launchProgram(int argc, char** argv, const QString& folder)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    GuardedApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    SilentMessages silent;
    silent.quiet = true;
    setMessageService(&silent);
    StandardScreen screen;
    setScreenMetrics(&screen);
    FirstPaintWatch watch("qv::TForm1", [](QWidget*) {
        std::printf("%.3f\n", peakMemoryMb());
        std::fflush(stdout);
        _exit(0);
    });
    Program program(folder + "quorvane");
    if (!program.start()) return 1;
    return program.run();
}

// The floor: open the file with the same cipher settings and a page cache that holds it, read every table the
// program opens (and the professions) with prepared statements in one pass, and keep every row: each table's
// cell bytes in one buffer with the end of every cell.
int launchRaw(const QString& folder)
{
    const QString path = folder + "Quorvane.qv";
    sqlite3* db = nullptr;
    try {
        db = openRawFile(path);
    } catch (const std::exception&) {
        return 1;
    }
    struct Held {
        std::string bytes;
        std::vector<quint32> ends;
    };
    std::vector<Held> held;
    QList<QByteArray> queries;
    for (const TableDef& t : schemaTables()) queries << QStringLiteral("SELECT * FROM %1").arg(t.name).toUtf8();
    queries << TMainDataModule::professionSql();
    for (const QByteArray& sql : queries) {
        Held h;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) != SQLITE_OK) return 1;
        const int n = sqlite3_column_count(st);
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int i = 0; i < n; ++i) {
                switch (sqlite3_column_type(st, i)) {
                case SQLITE_NULL: break;
                case SQLITE_INTEGER: {
                    const qint64 v = sqlite3_column_int64(st, i);
                    h.bytes.append(reinterpret_cast<const char*>(&v), sizeof v);
                    break;
                }
                case SQLITE_FLOAT: {
                    const double v = sqlite3_column_double(st, i);
                    h.bytes.append(reinterpret_cast<const char*>(&v), sizeof v);
                    break;
                }
                default:
                    h.bytes.append(reinterpret_cast<const char*>(sqlite3_column_text(st, i)),
                                   size_t(sqlite3_column_bytes(st, i)));
                }
                h.ends.push_back(quint32(h.bytes.size()));
            }
        }
        sqlite3_finalize(st);
        held.push_back(std::move(h));
    }
    std::printf("%.3f\n", peakMemoryMb());
    std::fflush(stdout);
    _exit(0);
}

} // namespace

int launchChild(int argc, char** argv)
{
    const QString mode = QString::fromLocal8Bit(argv[2]);
    const QString folder = QString::fromLocal8Bit(argv[3]);
    return mode == QLatin1String("raw") ? launchRaw(folder) : launchProgram(argc, argv, folder);
}

} // namespace qv::bench

int main(int argc, char** argv)
{
    if (argc >= 4 && qstrcmp(argv[1], "--launch-child") == 0) return qv::bench::launchChild(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qv::GuardedApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    qv::bench::SilentMessages silent;
    qv::setMessageService(&silent);
    qv::bench::StandardScreen screen;
    qv::setScreenMetrics(&screen);

    int contacts = 100000;
    QStringList wanted;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--contacts" && i + 1 < args.size())
            contacts = args[++i].toInt();
        else if (args[i] == "--list") {
            for (const auto& p : qv::bench::registry()) std::printf("%s\n", qPrintable(p.name));
            return 0;
        } else
            wanted << args[i];
    }
    for (const QString& w : wanted) {
        bool known = false;
        for (const auto& p : qv::bench::registry()) known |= p.name == w;
        if (!known) {
            std::fprintf(stderr, "qvbench: unknown path %s (--list shows them)\n", qPrintable(w));
            return 2;
        }
    }

    QTemporaryDir dir;
    const QString folder = dir.path() + '/';
    qv::bench::GeneratorOptions options;
    options.contacts = contacts;
    options.accounts = std::min(2000, std::max(5, contacts / 50));
    if (contacts >= 100000) options.accounts = 2000;
    std::fprintf(stderr, "generating %d contacts, %d accounts...\n", contacts, options.accounts);
    try {
        qv::bench::generateDatabase(folder + "Quorvane.qv", options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qvbench: %s\n", e.what());
        return 1;
    }

    qv::bench::Context context(folder, contacts);
    int failures = 0;
    for (const auto& p : qv::bench::registry()) {
        if (!wanted.isEmpty() && !wanted.contains(p.name)) continue;
        try {
            const qv::bench::Result r = p.run(context);
            const double ratio = r.baseline > 0 ? r.program / r.baseline : 0;
            if (r.memory)
                std::printf("%s ratio=%.3f program_mb=%.2f baseline_mb=%.2f%s%s\n", qPrintable(p.name), ratio,
                            r.program, r.baseline, r.note.isEmpty() ? "" : " ", qPrintable(r.note));
            else
                std::printf("%s ratio=%.3f program_ms=%.3f baseline_ms=%.3f%s%s\n", qPrintable(p.name), ratio,
                            r.program, r.baseline, r.note.isEmpty() ? "" : " ", qPrintable(r.note));
            std::fflush(stdout);
        } catch (const qv::bench::CheckFailed& e) {
            std::printf("%s FAILED: %s\n", qPrintable(p.name), e.what());
            std::fflush(stdout);
            ++failures;
        } catch (const std::exception& e) {
            std::printf("%s failed: %s\n", qPrintable(p.name), e.what());
            std::fflush(stdout);
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
