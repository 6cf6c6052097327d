#pragma once
// Another process on the database file (tests/support/DatabaseClient.cpp, built as qv_dbclient beside the tests),
// stopped when this goes:
//     "hold"  connects as a running copy of the program does and waits;
//     "read"  connects and holds a read lock (a read transaction that has read), as a copy showing a report does;
//     "write" keeps committing changes spread over the whole file;
//     "add"   keeps committing new contacts, changing no row there was.
// A test using it depends on qv_dbclient in tests/CMakeLists.txt.

#include <QProcess>
#include <QString>

namespace qv::test {

class OtherProcess {
public:
    OtherProcess(const QString& mode, const QString& path);
    ~OtherProcess() { stop(); }
    OtherProcess(const OtherProcess&) = delete;
    OtherProcess& operator=(const OtherProcess&) = delete;

    bool waitUntilReady(int ms = 10000);
    bool ready() const { return m_ready; }
    int commits(); // a writer's commits so far
    void stop();   // closes its input, which ends it and lets go of its locks

private:
    QProcess m_process;
    bool m_ready = false;
    int m_commits = 0;
};

} // namespace qv::test
