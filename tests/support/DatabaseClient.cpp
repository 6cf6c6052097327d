// Another process on the database file, for the tests that need one (tests/support/OtherProcess.h starts it):
// "hold PATH" connects the way a running copy of the program does and waits; "read PATH" connects and holds a read
// lock until it stops, so that no other process can commit meanwhile; "write PATH" keeps committing changes spread
// over the whole file; "add PATH" keeps committing new contacts a few times a second and leaves every row there was
// alone. Each prints "ready" once connected (and locked) and stops when its standard input closes; "write" and "add"
// print a line after each commit.
#include "data/Connection.h"
#include "data/DatabaseError.h"
#include "data/Installer.h"

#include <QCoreApplication>
#include <cstdio>
#include <optional>
#include <poll.h>
#include <unistd.h>

namespace {

bool inputClosed(bool wait)
{
    pollfd p{STDIN_FILENO, POLLIN, 0};
    if (::poll(&p, 1, wait ? -1 : 0) <= 0) return false;
    char c;
    return ::read(STDIN_FILENO, &c, 1) <= 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QStringList modes{"hold", "read", "write", "add"};
    if (args.size() != 3 || !modes.contains(args[1])) {
        std::fprintf(stderr, "usage: qv_dbclient hold|read|write|add PATH\n");
        return 2;
    }
    try {
        qv::Connection connection;
        connection.setConnectionString(QStringLiteral("Data Source=%1;Mode=Share Deny None;"
                                                      "Jet OLEDB:Database Password=\"%2\";")
                                           .arg(args[2], QString::fromLatin1(qv::DatabasePassword)));
        connection.setBusyTimeout(10000);
        connection.open();
        // A read transaction takes its shared lock with its first read and keeps it to its end.
        std::optional<qv::Transaction> reading;
        if (args[1] == "read") {
            reading.emplace(connection, qv::Connection::TransactionKind::Read);
            qv::Statement schema(connection, "SELECT count(*) FROM sqlite_master");
            schema.step();
        }
        std::printf("ready\n");
        std::fflush(stdout);
        if (args[1] == "hold" || args[1] == "read") {
            while (!inputClosed(true)) {}
            return 0;
        }
        long commits = 0;
        qv::Statement update(connection, "UPDATE People SET Info = hex(randomblob(40)) WHERE PersonID % 37 = ?");
        qv::Statement insert(connection,
                             "INSERT INTO People (CompanyID, Name, Info) VALUES (1, ?, hex(randomblob(90)))");
        while (!inputClosed(false)) {
            qv::Transaction t(connection);
            if (args[1] == "write") {
                update.reset();
                update.bindInt(1, commits % 37);
                update.step();
            }
            insert.reset();
            insert.bind(1, QStringLiteral("Writer %1").arg(commits));
            insert.step();
            t.commit();
            ++commits;
            std::printf("committed\n");
            std::fflush(stdout);
            // A copy of the program saves as its user types, not back to back: others get their turn at the file.
            if (args[1] == "add") ::usleep(20000);
        }
        return 0;
    } catch (const qv::DatabaseError& e) {
        std::fprintf(stderr, "qv_dbclient: %s\n", qPrintable(e.message()));
        return 1;
    }
}
