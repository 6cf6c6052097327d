#pragma once
// The benchmark program's framework: paths register themselves, each timing the program's own code against a floor
// doing the same job in the same run.

#include "platform/FileDialogs.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <stdexcept>
#include <functional>
#include <memory>
#include <vector>

struct sqlite3;
class QWidget;

namespace qv {
class Program;
class TMainDataModule;
} // namespace qv

namespace qv::bench {

struct Result {
    double program = 0; // milliseconds, or MB for memory paths
    double baseline = 0;
    bool memory = false;
    QString note; // optional extra words after the figures
};
// A path that is a yes-or-no check rather than a ratio throws this when the check fails: the line says why and
// the benchmark program ends with a failure.
struct CheckFailed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Context {
public:
    // Keeps a copy of the generated file beside it, so that every path can be given the file as generated.
    Context(const QString& folder, int contacts);
    ~Context();
    QString folder() const { return m_folder; }
    QString databasePath() const { return m_folder + "Quorvane.qv"; }
    int contacts() const { return m_contacts; }

    // The program as it runs: every window created and bound, the data module opened (start-up without the
    // event loop). Created on first use and kept for the following paths.
    Program& program();
    TMainDataModule& dataModule(); // the program's data module

    // Puts the generated file back if anything wrote to it since it was last put in place; a running program's
    // connection is closed around the copy and its rows read again. Run before every path.
    void restoreGenerated();

    // A raw SQLite connection with the key applied and a page cache large enough for the whole file, for
    // baselines, to the database or to a copy of it at `path`. A fresh one on each call; its cache starts empty.
    sqlite3* openRaw(const QString& path = {}) const;
    // The same, with every table read once: its page cache holds the file, as a warm baseline's should.
    sqlite3* openRawWarm() const;
    // Copies the database file to `path` (for paths that destroy data) or back.
    void copyDatabase(const QString& from, const QString& to) const;
    // Closes the program's connection, runs `change` on the file, and opens the connection and its rows again.
    void withProgramClosed(const std::function<void()>& change);

private:
    struct FileStamp {
        qint64 size = -1, modifiedNs = -1, inode = -1;
        bool operator==(const FileStamp&) const = default;
    };
    FileStamp stampOfDatabase() const;
    QString m_folder;
    int m_contacts;
    FileStamp m_generatedStamp;
    std::unique_ptr<Program> m_program;
};

using PathFunction = std::function<Result(Context&)>;
struct Path {
    QString name;
    PathFunction run;
    // Run in a process of its own when other paths run too: a peak of memory is measured over the heap as the
    // earlier paths left it, whose freed blocks would otherwise hold part of what the path needs.
    bool ownProcess = false;
};
std::vector<Path>& registry();

struct Registrar {
    Registrar(const char* name, PathFunction f, bool ownProcess = false)
    {
        registry().push_back({name, std::move(f), ownProcess});
    }
};

// ---------------------------------------------------------------- the desktop

// While it lives, every file dialog chooses this path, as a user would.
class AnswerFileDialogs : public FileDialogService {
public:
    explicit AnswerFileDialogs(const QString& path) : m_path(path) { setFileDialogService(this); }
    ~AnswerFileDialogs() override { setFileDialogService(nullptr); }
    QString choose(const FileDialogRequest&) override { return m_path; }

private:
    QString m_path;
};

// ---------------------------------------------------------------- timing

// Wall time, or the processor time of the calling thread: what the program works, without the time it waits for
// the disk or for the platform to ask a window to paint.
enum class Clock { Wall, ThreadCpu };
// Milliseconds that f takes on the clock.
double timed(const std::function<void()>& f, Clock clock = Clock::Wall);
// One run of one side of a path, measuring itself: milliseconds or megabytes, smaller is better.
using Measure = std::function<double()>;
// Every side run `runs` times in turns; each side's best run. Load from elsewhere on a shared machine falls on all
// sides alike, and each side's best run is its least disturbed one.
std::vector<double> bestInTurns(int runs, const std::vector<Measure>& sides);
// The best of `runs` timings of f.
double bestOf(int runs, const std::function<void()>& f, Clock clock = Clock::Wall);
// The program's and the floor's best of `runs` in turns, each run divided by perRun (a run of several actions).
Result inTurns(int runs, const std::function<void()>& program, const std::function<void()>& floor,
               Clock clock = Clock::Wall, int perRun = 1);

// ---------------------------------------------------------------- paints

// Watches for a paint of one widget, or of any widget of a top-level window of one class (as its meta-object names
// it, "qv::PreviewWindow"). painted() turns true, and the action runs, once the window's whole paint is over.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* widget, std::function<void(QWidget*)> action = {});
    PaintWatch(const char* windowClass, std::function<void(QWidget*)> action = {});
    ~PaintWatch() override;
    bool painted() const { return m_painted; }
    void rearm() { m_seen = m_painted = false; }
    // Processes events until the paint is over; throws after `seconds` without one.
    void wait(int seconds = 60);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_widget;
    const char* m_class = nullptr;
    std::function<void(QWidget*)> m_action;
    bool m_seen = false, m_painted = false;
};

// Milliseconds from the start of command to the end of the first paint of a top-level window of class windowClass;
// that window is then shown to `painted` and closed, so that a command waiting for it returns. Throws when no such
// window is painted.
double timeToFirstPaint(const char* windowClass, const std::function<void()>& command,
                        const std::function<void(QWidget*)>& painted = {});
// Shows a window and processes events until its first paint is over.
void showPainted(QWidget* window);

// ---------------------------------------------------------------- memory

// The process's peak resident memory (VmHWM) and its resident memory now (VmRSS), in MB.
double peakMemoryMb();
double residentMemoryMb();
// Starts the peak over from what is resident now.
void resetPeakMemory();

// ---------------------------------------------------------------- raw SQLite

// The file opened as the program's connection opens it, with the page cache it keeps while every row is read into
// memory; throws when it cannot be opened.
sqlite3* openWithProgramReadSettings(const QString& path);
// The same with all of the program's connection settings: the journal, temporary storage and page cache it keeps.
sqlite3* openWithProgramSettings(const QString& path);
// Reads every table of the schema with prepared statements; returns a checksum.
quint64 rawReadAllTables(sqlite3* db);
// Reads every row and column of a query on a raw connection; returns a checksum so that nothing is skipped.
quint64 rawRead(sqlite3* db, const char* sql);
void rawExec(sqlite3* db, const char* sql);
void closeRaw(sqlite3* db);

// What the program's desktop answers in a benchmark process: message boxes answered at once (said on stderr unless
// quiet), a 96-dpi screen 1024 pixels high, English (United States).
void installBenchDesktop(bool quietMessages);

// The launch paths' own processes: `qvbench --launch-child MODE FOLDER [ARGS...]` (see paths_launch.cpp).
int launchChild(int argc, char** argv);

} // namespace qv::bench

#define QV_BENCH_CONCAT2(a, b) a##b
#define QV_BENCH_CONCAT(a, b) QV_BENCH_CONCAT2(a, b)
#define QV_BENCH_PATH(name, fn) static ::qv::bench::Registrar QV_BENCH_CONCAT(qvBenchPath, __LINE__)(name, fn)
#define QV_BENCH_PATH_IN_OWN_PROCESS(name, fn)                                                                         \
    static ::qv::bench::Registrar QV_BENCH_CONCAT(qvBenchPath, __LINE__)(name, fn, true)
