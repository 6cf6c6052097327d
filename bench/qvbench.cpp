// qvbench --contacts N [--folder DIR] [PATH...]: builds a synthetic database of N contacts in a temporary folder (or
// in DIR, kept there for the next run) and times each named path (all by default) against its floor.
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
#include <QDir>
#include <QProcess>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QWidget>
#include <cstdio>
#include <ctime>
#include <sqlcipher/sqlite3.h>
#include <sys/stat.h>
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

class StandardScreen : public ScreenMetrics {
public:
    int logicalDpi() const override { return 96; }
    int screenHeight() const override { return 1024; }
};

double statusFieldMb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    const QByteArray name = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(name)) return line.mid(name.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

} // namespace

void installBenchDesktop(bool quietMessages)
{
    static SilentMessages messages;
    static StandardScreen screen;
    messages.quiet = quietMessages;
    setMessageService(&messages);
    setScreenMetrics(&screen);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

std::vector<Path>& registry()
{
    static std::vector<Path> paths;
    return paths;
}

// ---------------------------------------------------------------- the context

Context::Context(const QString& folder, int contacts) : m_folder(folder), m_contacts(contacts)
{
    copyDatabase(databasePath(), m_folder + "generated.qv");
    m_generatedStamp = stampOfDatabase();
}

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

Context::FileStamp Context::stampOfDatabase() const
{
    struct stat s {};
    if (::stat(QFile::encodeName(databasePath()).constData(), &s) != 0) return {};
    return {qint64(s.st_size), qint64(s.st_mtim.tv_sec) * 1000000000 + s.st_mtim.tv_nsec, qint64(s.st_ino)};
}

void Context::withProgramClosed(const std::function<void()>& change)
{
    if (!m_program) {
        change();
        return;
    }
    TMainDataModule& dm = *m_program->dataModule();
    dm.openAll(false);
    dm.MainADOConnection->close();
    change();
    dm.MainADOConnection->open();
    dm.openAll(true);
}

void Context::restoreGenerated()
{
    if (stampOfDatabase() == m_generatedStamp) return;
    withProgramClosed([this] { copyDatabase(m_folder + "generated.qv", databasePath()); });
    m_generatedStamp = stampOfDatabase();
}

// Raw connections are used by one thread, as the program's is: no mutex around every call on either side.
sqlite3* Context::openRaw(const QString& path) const
{
    const QString file = path.isEmpty() ? databasePath() : path;
    sqlite3* db = openEncryptedFile(file, DatabasePassword, FileOpening::ReadWrite).release();
    // A page cache that holds the whole file, with room to spare.
    const QByteArray cache = "PRAGMA cache_size = -" + QByteArray::number(QFileInfo(file).size() / 1024 * 5 / 4 + 4096);
    rawExec(db, cache.constData());
    return db;
}

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

// ---------------------------------------------------------------- timing

double timed(const std::function<void()>& f, Clock clock)
{
    if (clock == Clock::ThreadCpu) {
        timespec start{}, end{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
        f();
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
        return double(end.tv_sec - start.tv_sec) * 1e3 + double(end.tv_nsec - start.tv_nsec) / 1e6;
    }
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e6;
}

std::vector<double> bestInTurns(int runs, const std::vector<Measure>& sides)
{
    std::vector<double> best(sides.size(), 1e18);
    for (int run = 0; run < runs; ++run)
        for (size_t s = 0; s < sides.size(); ++s) best[s] = std::min(best[s], sides[s]());
    return best;
}

double bestOf(int runs, const std::function<void()>& f, Clock clock)
{
    return bestInTurns(runs, {[&] { return timed(f, clock); }})[0];
}

Result inTurns(int runs, const std::function<void()>& program, const std::function<void()>& floor, Clock clock,
               int perRun)
{
    const std::vector<double> best =
        bestInTurns(runs, {[&] { return timed(program, clock); }, [&] { return timed(floor, clock); }});
    Result r;
    r.program = best[0] / perRun;
    r.baseline = best[1] / perRun;
    return r;
}

// ---------------------------------------------------------------- paints

PaintWatch::PaintWatch(QWidget* widget, std::function<void(QWidget*)> action)
    : m_widget(widget), m_action(std::move(action))
{
    widget->installEventFilter(this);
}

PaintWatch::PaintWatch(const char* windowClass, std::function<void(QWidget*)> action)
    : m_class(windowClass), m_action(std::move(action))
{
    qApp->installEventFilter(this);
}

PaintWatch::~PaintWatch()
{
    if (m_class)
        qApp->removeEventFilter(this);
    else if (m_widget)
        m_widget->removeEventFilter(this);
}

bool PaintWatch::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_seen && event->type() == QEvent::Paint && watched->isWidgetType()) {
        QWidget* top = static_cast<QWidget*>(watched)->window();
        if (m_class ? top->inherits(m_class) : watched == m_widget) {
            m_seen = true;
            // Queued: it runs once the window's whole paint (every child widget) is done.
            QPointer<QWidget> window(top);
            QMetaObject::invokeMethod(
                this,
                [this, window] {
                    m_painted = true;
                    if (m_action) m_action(window);
                },
                Qt::QueuedConnection);
        }
    }
    return false;
}

void PaintWatch::wait(int seconds)
{
    QElapsedTimer t;
    t.start();
    while (!m_painted) {
        if (t.elapsed() > seconds * 1000) throw std::runtime_error("a window was not painted");
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
}

double timeToFirstPaint(const char* windowClass, const std::function<void()>& command,
                        const std::function<void(QWidget*)>& painted)
{
    QElapsedTimer timer;
    qint64 elapsed = -1;
    PaintWatch watch(windowClass, [&](QWidget* window) {
        elapsed = timer.nsecsElapsed();
        if (painted) painted(window);
        if (window) window->close();
    });
    timer.start();
    command();
    // A window that is not modal may still be waiting for its paint.
    for (int i = 0; i < 200 && elapsed < 0; ++i) QApplication::processEvents(QEventLoop::AllEvents, 10);
    if (elapsed < 0) throw std::runtime_error(std::string("no window of class ") + windowClass + " was painted");
    return double(elapsed) / 1e6;
}

void showPainted(QWidget* window)
{
    PaintWatch watch(window);
    window->show();
    watch.wait();
}

// ---------------------------------------------------------------- memory

double peakMemoryMb() { return statusFieldMb("VmHWM"); }
double residentMemoryMb() { return statusFieldMb("VmRSS"); }

void resetPeakMemory()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (!refs.open(QIODevice::WriteOnly) || refs.write("5") != 1)
        throw std::runtime_error("the peak memory cannot be reset (/proc/self/clear_refs)");
}

// ---------------------------------------------------------------- raw SQLite

sqlite3* openWithProgramReadSettings(const QString& path)
{
    sqlite3* db = openEncryptedFile(path, DatabasePassword, FileOpening::ReadWrite).release();
    const QByteArray cache = "PRAGMA cache_size = -" + QByteArray::number(Connection::ScanCacheKiB);
    rawExec(db, cache.constData());
    return db;
}

sqlite3* openWithProgramSettings(const QString& path)
{
    sqlite3* db = openWithProgramReadSettings(path);
    rawExec(db, "PRAGMA journal_mode = DELETE");
    rawExec(db, "PRAGMA temp_store = MEMORY");
    rawExec(db, "PRAGMA cache_spill = OFF");
    const QByteArray cache = "PRAGMA cache_size = -" + QByteArray::number(Connection::FullCacheKiB);
    rawExec(db, cache.constData());
    return db;
}

quint64 rawReadAllTables(sqlite3* db)
{
    quint64 sum = 0;
    for (const TableDef& t : schemaTables())
        sum += rawRead(db, QStringLiteral("SELECT * FROM %1").arg(t.name).toUtf8().constData());
    return sum;
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

// Runs one path in a new process of this program, on a copy of the generated file in a folder of its own, and
// prints what it prints. Returns 1 when it failed.
int runInOwnProcess(const QString& name, const QString& folder, int contacts)
{
    const QString own = folder + "own-process";
    QDir(own).removeRecursively();
    QDir().mkpath(own);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (QFile::copy(folder + "generated.qv", own + "/generated.qv")) {
        child.start(QCoreApplication::applicationFilePath(),
                    {"--contacts", QString::number(contacts), "--folder", own, name});
        child.waitForFinished(-1);
    }
    const QByteArray out = child.readAllStandardOutput();
    QDir(own).removeRecursively();
    if (out.isEmpty()) {
        std::printf("%s failed: it did not run in a process of its own\n", qPrintable(name));
        std::fflush(stdout);
        return 1;
    }
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fflush(stdout);
    return child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 ? 0 : 1;
}

} // namespace qv::bench

int main(int argc, char** argv)
{
    if (argc >= 4 && qstrcmp(argv[1], "--launch-child") == 0) return qv::bench::launchChild(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qv::GuardedApplication app(argc, argv);
    qv::bench::installBenchDesktop(false);

    int contacts = 100000;
    QString kept; // --folder: where the generated file is kept between runs (the same --contacts each time)
    QStringList wanted;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--contacts" && i + 1 < args.size())
            contacts = args[++i].toInt();
        else if (args[i] == "--folder" && i + 1 < args.size())
            kept = args[++i];
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
    const QString folder = kept.isEmpty() ? dir.path() + '/' : kept + '/';
    // A kept folder holds the file as generated from an earlier run: start from that.
    if (!kept.isEmpty() && QFile::exists(folder + "generated.qv")) {
        QFile::remove(folder + "Quorvane.qv");
        QFile::copy(folder + "generated.qv", folder + "Quorvane.qv");
    } else {
        qv::bench::GeneratorOptions options;
        options.contacts = contacts;
        options.accounts = std::min(2000, std::max(5, contacts / 50));
        if (contacts >= 100000) options.accounts = 2000;
        std::fprintf(stderr, "generating %d contacts, %d accounts...\n", contacts, options.accounts);
        try {
            QDir().mkpath(folder);
            qv::bench::generateDatabase(folder + "Quorvane.qv", options);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "qvbench: %s\n", e.what());
            return 1;
        }
    }

    qv::bench::Context context(folder, contacts);
    int failures = 0;
    for (const auto& p : qv::bench::registry()) {
        if (!wanted.isEmpty() && !wanted.contains(p.name)) continue;
        if (p.ownProcess && wanted != QStringList{p.name}) {
            failures += qv::bench::runInOwnProcess(p.name, folder, contacts);
            continue;
        }
        try {
            context.restoreGenerated();
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
