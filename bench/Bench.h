#pragma once
// The benchmark program's framework: paths register themselves, each timing the program's own code against a raw
// SQLite baseline doing the same work in the same run.

#include <QString>
#include <functional>
#include <memory>
#include <vector>

struct sqlite3;

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

    // A raw SQLite connection with the key applied, for baselines. A fresh one on each call.
    sqlite3* openRaw() const;

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

// Best (smallest) time of `repeats` runs of f, in milliseconds.
double bestOf(int repeats, const std::function<void()>& f);
// Reads every row and column of a query on a raw connection; returns a checksum so that nothing is skipped.
quint64 rawRead(sqlite3* db, const char* sql);
void rawExec(sqlite3* db, const char* sql);
void closeRaw(sqlite3* db);

} // namespace qv::bench

#define QV_BENCH_CONCAT2(a, b) a##b
#define QV_BENCH_CONCAT(a, b) QV_BENCH_CONCAT2(a, b)
#define QV_BENCH_PATH(name, fn) static ::qv::bench::Registrar QV_BENCH_CONCAT(qvBenchPath, __LINE__)(name, fn)
