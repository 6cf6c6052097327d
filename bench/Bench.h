#pragma once
// The benchmark program's framework: paths register themselves, each timing the program's own code against a raw
// SQLite baseline doing the same work in the same run.

#include "platform/FileDialogs.h"

#include <QString>
#include <stdexcept>
#include <functional>
#include <memory>
#include <vector>

struct sqlite3;
class QLineEdit;

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
    Context(const QString& folder, int contacts);
    ~Context();
    QString folder() const { return m_folder; }
    QString databasePath() const { return m_folder + "Quorvane.qv"; }
    int contacts() const { return m_contacts; }

    // The program as it runs: every window created and bound, the data module opened (start-up without the
    // event loop). Created on first use and kept for the following paths.
    Program& program();
    TMainDataModule& dataModule(); // the program's data module

    // A raw SQLite connection with the key applied and a page cache large enough for the whole file, for
    // baselines. A fresh one on each call; its cache starts empty.
    sqlite3* openRaw() const;
    // The same, with every table read once: its page cache holds the file, as a warm baseline's should.
    sqlite3* openRawWarm() const;
    // Copies the database file to `path` (for paths that destroy data) or back.
    void copyDatabase(const QString& from, const QString& to) const;

private:
    QString m_folder;
    int m_contacts;
    std::unique_ptr<Program> m_program;
};

using PathFunction = std::function<Result(Context&)>;
struct Path {
    QString name;
    PathFunction run;
};
std::vector<Path>& registry();

struct Registrar {
    Registrar(const char* name, PathFunction f) { registry().push_back({name, std::move(f)}); }
};

// While it lives, every file dialog chooses this path, as a user would.
class AnswerFileDialogs : public FileDialogService {
public:
    explicit AnswerFileDialogs(const QString& path) : m_path(path) { setFileDialogService(this); }
    ~AnswerFileDialogs() override { setFileDialogService(nullptr); }
    QString choose(const FileDialogRequest&) override { return m_path; }

private:
    QString m_path;
};

// Best (smallest) time of `repeats` runs of f, in milliseconds.
double bestOf(int repeats, const std::function<void()>& f);
// Milliseconds from the start of command to the end of the first paint of a top-level window whose class is
// windowClass (as its meta-object names it, "qv::PreviewWindow"); that window is then closed, so that a command
// waiting for it returns. Throws when no such window is painted.
double timeToFirstPaint(const char* windowClass, const std::function<void()>& command);
// A keystroke in a search box, per keystroke: texts that no name starts with are set in turn, so that each one walks
// every name, against the bare loop over the same names held in a list, read raw by namesSql (one text column).
Result searchBoxKeystroke(const Context& c, QLineEdit* box, const char* namesSql, int rounds);
// The process's peak resident memory (VmHWM) in MB.
double peakMemoryMb();
// Reads every table of the schema with prepared statements; returns a checksum.
quint64 rawReadAllTables(sqlite3* db);
// Reads every row and column of a query on a raw connection; returns a checksum so that nothing is skipped.
quint64 rawRead(sqlite3* db, const char* sql);
void rawExec(sqlite3* db, const char* sql);
// The launch path's own processes: `qvbench --launch-child program|raw FOLDER` (see paths_data.cpp).
int launchChild(int argc, char** argv);
void closeRaw(sqlite3* db);

} // namespace qv::bench

#define QV_BENCH_CONCAT2(a, b) a##b
#define QV_BENCH_CONCAT(a, b) QV_BENCH_CONCAT2(a, b)
#define QV_BENCH_PATH(name, fn) static ::qv::bench::Registrar QV_BENCH_CONCAT(qvBenchPath, __LINE__)(name, fn)
