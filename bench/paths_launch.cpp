// Paths of start-up: the program started afresh until its main window is painted (launch) and until the Files
// window shows the first contact (files-ready), its peak memory by then (launch-memory), and start-up's reading of
// every row (open-all). The started processes are this executable, run as `--launch-child MODE FOLDER`.
#include "app/MainFrameUnit.h"
#include "app/Program.h"
#include "bench/Bench.h"
#include "data/DataModule.h"
#include "data/Schema.h"
#include "platform/DataControls.h"
#include "platform/GuardedApplication.h"
#include "records/DataEntry.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sqlcipher/sqlite3.h>
#include <string>
#include <unistd.h>
#include <utility>

namespace qv::bench {

namespace {

// ---------------------------------------------------------------- the started processes

void report(const char* milestone)
{
    std::printf("%s %.3f\n", milestone, peakMemoryMb());
    std::fflush(stdout);
}

// A started process's application object that says when a window of the given class has been painted in full: once
// the event in which it was first painted (the window system's expose or update request, with every child's paint and
// the flush to the screen inside it) has been handled. The program and the floor are measured to the same moment,
// whatever either does next.
template <class Base> class PaintedWindowApplication : public Base {
public:
    PaintedWindowApplication(int& argc, char** argv, const char* windowClass, std::function<void()> painted)
        : Base(argc, argv), m_class(windowClass), m_painted(std::move(painted))
    {}
    bool notify(QObject* receiver, QEvent* event) override
    {
        if (m_painted && event->type() == QEvent::Paint && receiver->isWidgetType() &&
            static_cast<QWidget*>(receiver)->window()->inherits(m_class))
            m_seen = true;
        ++m_depth;
        const bool handled = Base::notify(receiver, event);
        // A paint sent on its own (a repaint called outside any event) counts once the next event is over.
        if (--m_depth == 0 && m_seen && m_painted && event->type() != QEvent::Paint)
            std::exchange(m_painted, nullptr)();
        return handled;
    }

private:
    const char* m_class;
    std::function<void()> m_painted;
    int m_depth = 0;
    bool m_seen = false;
};

// The program as its entry point runs it. Once the main window's first paint is over it reports "window", chooses
// "Personal info...", and once the Files window has painted the first contact (its name, given as an argument, in
// the name box) it reports "files" and ends at once. Each report carries the peak memory so far.
int programChild(int argc, char** argv, const QString& folder, const QString& firstName)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    Program* started = nullptr;
    PaintedWindowApplication<GuardedApplication> app(argc, argv, "qv::TForm1", [&] {
        report("window");
        QMetaObject::invokeMethod(started->mainWindow()->PersonalInfoItem, &QAction::trigger, Qt::QueuedConnection);
    });
    installBenchDesktop(true);
    Program program(folder + "quorvane");
    started = &program;
    PaintWatch files("qv::TDataEntryForm", [&](QWidget*) {
        if (program.dataEntryForm()->NameEdit->text() != firstName) {
            files.rearm(); // painted before the contact was there: not ready yet
            return;
        }
        report("files");
        _exit(0);
    });
    if (!program.start()) return 1;
    return program.run();
}

// Rows kept as a plain program keeps them, compactly: each cell as its kind and length in a variable-length number
// followed by its bytes (integers as variable-length numbers too), in blocks of 1 MiB that never move, and where
// each row starts.
class HeldRows {
public:
    void startRow()
    {
        reserve(10);
        m_rowStarts.push_back(m_blocks.back().get() + m_used);
    }
    void addCell(sqlite3_stmt* st, int i)
    {
        switch (sqlite3_column_type(st, i)) {
        case SQLITE_NULL: put(0); break;
        case SQLITE_INTEGER: {
            const qint64 v = sqlite3_column_int64(st, i);
            put(1);
            put((quint64(v) << 1) ^ quint64(v >> 63));
            break;
        }
        case SQLITE_FLOAT: {
            const double v = sqlite3_column_double(st, i);
            put(2);
            append(&v, sizeof v);
            break;
        }
        default: {
            const auto* p = sqlite3_column_text(st, i);
            const size_t n = size_t(sqlite3_column_bytes(st, i));
            put(3 + quint64(n) * 4);
            append(p, n);
        }
        }
    }

private:
    static constexpr size_t BlockSize = 1 << 20;
    void reserve(size_t n)
    {
        if (!m_blocks.empty() && m_used + n <= m_size) return;
        m_size = std::max(BlockSize, n);
        m_blocks.push_back(std::make_unique<char[]>(m_size));
        m_used = 0;
    }
    void put(quint64 v)
    {
        reserve(10);
        char* p = m_blocks.back().get() + m_used;
        do {
            *p++ = char((v & 0x7F) | (v > 0x7F ? 0x80 : 0));
            v >>= 7;
        } while (v);
        m_used = size_t(p - m_blocks.back().get());
    }
    void append(const void* bytes, size_t n)
    {
        reserve(n);
        std::memcpy(m_blocks.back().get() + m_used, bytes, n);
        m_used += n;
    }
    std::vector<std::unique_ptr<char[]>> m_blocks;
    size_t m_used = 0, m_size = 0;
    std::vector<const char*> m_rowStarts;
};

// The floors of start-up: the toolkit started, the key derived and the file verified as the program's connection
// does (its key, cipher page size and the small page cache it reads every row through), and a plain window of the
// main window's size painted; it reports "window" then. With `holdRows` it goes on: every table the program opens
// and the professions read with prepared statements in one pass, every row kept (HeldRows), the page cache given
// back as the program gives it back; it reports "ready" then.
int floorChild(int argc, char** argv, const QString& folder, bool holdRows)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    std::function<void()> painted; // set below, once the window and the file are there
    PaintedWindowApplication<QApplication> app(argc, argv, "QWidget", [&] { painted(); });
    sqlite3* db = nullptr;
    try {
        db = openWithProgramReadSettings(folder + "Quorvane.qv");
    } catch (const std::exception&) {
        return 1;
    }
    QWidget window;
    window.setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
    painted = [&] {
        if (!holdRows) {
            report("window");
            _exit(0);
        }
        HeldRows rows;
        QList<QByteArray> queries;
        for (const TableDef& t : schemaTables()) queries << QStringLiteral("SELECT * FROM %1").arg(t.name).toUtf8();
        queries << TMainDataModule::professionSql();
        for (const QByteArray& sql : queries) {
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) != SQLITE_OK) _exit(1);
            const int n = sqlite3_column_count(st);
            while (sqlite3_step(st) == SQLITE_ROW) {
                rows.startRow();
                for (int i = 0; i < n; ++i) rows.addCell(st, i);
            }
            sqlite3_finalize(st);
        }
        sqlite3_db_release_memory(db);
        report("ready");
        _exit(0);
    };
    window.showMaximized();
    return app.exec();
}

// ---------------------------------------------------------------- the parent's side

// Milliseconds from a child's start to each of its reports, and the peak memory each report gives.
struct Milestone {
    QString name;
    double ms = 0;
    double peakMb = 0;
};

std::vector<Milestone> runChild(const QStringList& arguments, int milestones)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(), QStringList{"--launch-child"} + arguments);
    std::vector<Milestone> seen;
    while (int(seen.size()) < milestones) {
        if (!child.canReadLine() && !child.waitForReadyRead(600000))
            throw std::runtime_error(QStringLiteral("the started process (%1) reported %2 of %3 milestones")
                                         .arg(arguments.value(0))
                                         .arg(seen.size())
                                         .arg(milestones)
                                         .toStdString());
        while (child.canReadLine() && int(seen.size()) < milestones) {
            const QList<QByteArray> words = child.readLine().trimmed().split(' ');
            seen.push_back(
                {QString::fromLatin1(words.value(0)), double(timer.nsecsElapsed()) / 1e6, words.value(1).toDouble()});
        }
    }
    child.waitForFinished(60000);
    return seen;
}

QString firstContactName(const Context& c)
{
    sqlite3* db = c.openRaw();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT Name FROM People WHERE CompanyID = (SELECT CompanyID FROM Companies ORDER BY rowid "
                       "LIMIT 1) ORDER BY rowid LIMIT 1",
                       -1, &st, nullptr);
    QString name;
    if (sqlite3_step(st) == SQLITE_ROW)
        name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    closeRaw(db);
    return name;
}

// Start-up's open-all and its floor, each from a fresh connection so that both decrypt the file from disk once: the
// program's and the floor's whole work, then their connections alone (key derivation), which are subtracted.
std::vector<Measure> openAllMeasures(Context& c)
{
    const auto connected = [&c] {
        auto dm = std::make_unique<TMainDataModule>();
        dm->MainADOConnection->setConnectionString(Program::connectionStringFor(c.folder()));
        dm->MainADOConnection->open();
        return dm;
    };
    return {[=] { return timed([&] { connected()->openAll(true); }); }, [=] { return timed([&] { connected(); }); },
            [&c] {
                return timed([&] {
                    sqlite3* db = c.openRaw();
                    rawReadAllTables(db);
                    rawRead(db, TMainDataModule::professionSql());
                    closeRaw(db);
                });
            },
            [&c] { return timed([&] { closeRaw(c.openRaw()); }); }};
}

// The figures of the three start-up paths, from the same runs in turns: whichever of them runs first measures them.
struct LaunchFigures {
    bool measured = false;
    double windowMs = 0, filesMs = 1e18, peakMb = 1e18; // the program; its files-ready and peak of its best runs
    double floorWindowMs = 0, floorRowsMb = 0, floorOpenAllMs = 0;
    double floorReadyMs = 1e18; // the launch floor's process going on to read every row, its best run
};
LaunchFigures figures;

const LaunchFigures& launchFigures(Context& c)
{
    if (figures.measured) return figures;
    const QString name = firstContactName(c);
    const std::vector<Measure> openAll = openAllMeasures(c);
    const std::vector<double> best =
        bestInTurns(3, {[&] {
                            const std::vector<Milestone> program = runChild({"program", c.folder(), name}, 2);
                            figures.filesMs = std::min(figures.filesMs, program[1].ms);
                            figures.peakMb = std::min(figures.peakMb, program[1].peakMb);
                            return program[0].ms;
                        },
                        [&] {
                            return runChild({"window", c.folder()}, 1)[0].ms;
                        },
                        [&] {
                            const Milestone ready = runChild({"ready", c.folder()}, 1)[0];
                            figures.floorReadyMs = std::min(figures.floorReadyMs, ready.ms);
                            return ready.peakMb;
                        },
                        openAll[2], openAll[3]});
    figures.windowMs = best[0];
    figures.floorWindowMs = best[1];
    figures.floorRowsMb = best[2];
    figures.floorOpenAllMs = best[3] - best[4];
    figures.measured = true;
    return figures;
}

Result launch(Context& c)
{
    const LaunchFigures& f = launchFigures(c);
    Result r;
    r.program = f.windowMs;
    r.baseline = f.floorWindowMs;
    r.note = QStringLiteral("(process start to the main window painted; floor: the toolkit started, the key derived, "
                            "the file verified, a plain window of the same size painted)");
    return r;
}

Result filesReady(Context& c)
{
    const LaunchFigures& f = launchFigures(c);
    Result r;
    r.program = f.filesMs;
    // The two floors run in one fresh process, as the program runs them: its rows take memory never touched before,
    // which the open-all floor, measured in this warm process, finds ready.
    r.baseline = f.floorReadyMs;
    r.note = QStringLiteral("(process start to the Files window painted on the first contact; floor: the launch "
                            "floor's process going on to read every table with the program's own cache settings, "
                            "keeping every row compactly; the launch floor %1 ms and the open-all floor %2 ms "
                            "measured apart add up to %3 ms)")
                 .arg(f.floorWindowMs, 0, 'f', 1)
                 .arg(f.floorOpenAllMs, 0, 'f', 1)
                 .arg(f.floorWindowMs + f.floorOpenAllMs, 0, 'f', 1);
    return r;
}

Result launchMemory(Context& c)
{
    const LaunchFigures& f = launchFigures(c);
    Result r;
    r.memory = true;
    r.program = f.peakMb;
    r.baseline = f.floorRowsMb;
    r.note = QStringLiteral("(peak resident memory by the Files window painted; floor: the launch floor's process "
                            "going on to read every table with the program's own cache settings, keeping every row "
                            "compactly)");
    return r;
}

Result openAll(Context& c)
{
    const std::vector<double> best = bestInTurns(5, openAllMeasures(c));
    Result r;
    r.program = best[0] - best[1];
    r.baseline = best[2] - best[3];
    r.note = QStringLiteral("(every row read into the datasets, the connection's key derivation left out; floor: every "
                            "table and the professions read with prepared statements in one pass)");
    return r;
}

} // namespace

int launchChild(int argc, char** argv)
{
    const QString mode = QString::fromLocal8Bit(argv[2]);
    const QString folder = QString::fromLocal8Bit(argv[3]);
    if (mode == QLatin1String("window") || mode == QLatin1String("ready"))
        return floorChild(argc, argv, folder, mode == QLatin1String("ready"));
    return programChild(argc, argv, folder, argc > 4 ? QString::fromLocal8Bit(argv[4]) : QString());
}

QV_BENCH_PATH("launch", launch);
QV_BENCH_PATH("files-ready", filesReady);
QV_BENCH_PATH("launch-memory", launchMemory);
QV_BENCH_PATH("open-all", openAll);

} // namespace qv::bench
