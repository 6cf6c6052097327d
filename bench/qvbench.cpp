// qvbench --contacts N [PATH...]: builds a synthetic database of N contacts in a temporary folder and times each
// named path (all by default) against its raw SQLite baseline.
#include "bench/Bench.h"
#include "app/Program.h"
#include "bench/Generator.h"
#include "data/DataModule.h"
#include "data/Installer.h"
#include "platform/GuardedApplication.h"
#include "platform/Messages.h"
#include "platform/ScreenMetrics.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QTemporaryDir>
#include <cstdio>
#include <sqlcipher/sqlite3.h>

namespace qv::bench {

namespace {

// Start-up must not stop on a message box or on the display check of the machine running the benchmark.
class SilentMessages : public MessageService {
public:
    MessageAnswer show(MessageKind, const QString& text, MessageButtons buttons) override
    {
        std::fprintf(stderr, "  (message: %s)\n", qPrintable(text));
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
    }
};

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

sqlite3* Context::openRaw() const
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(databasePath().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open database");
    const QByteArray key(DatabasePassword);
    sqlite3_key(db, key.constData(), int(key.size()));
    rawExec(db, "PRAGMA cipher_page_size = 4096");
    rawExec(db, "PRAGMA cache_size = -131072");
    rawExec(db, "SELECT count(*) FROM sqlite_master");
    return db;
}

void rawExec(sqlite3* db, const char* sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::string e = err ? err : "?";
        sqlite3_free(err);
        throw std::runtime_error(e);
    }
}

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

} // namespace qv::bench

int main(int argc, char** argv)
{
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
        } catch (const std::exception& e) {
            std::printf("%s failed: %s\n", qPrintable(p.name), e.what());
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
