#pragma once
// A kill at every step of a file operation. The test program runs itself as a child that does the operation and
// stops before its Nth file step (the steps data/DatabaseFiles announces); the parent kills it there with SIGKILL
// and then looks at what the next start makes of the files. Counting up from 1 until the child runs to its end
// reaches every step, whatever their number:
//     for (int step = 1;; ++step) {
//         StoppedChild child({"--child", "restore", ...}, step);
//         if (!child.stopped()) break;
//         ... start the program on the files, check ...
//     }

#include <QProcess>
#include <QStringList>

namespace qv::test {

class StoppedChild {
public:
    // Runs this test program with the arguments and waits until it has stopped at step `stopAt` and been killed, or
    // has ended by itself.
    StoppedChild(const QStringList& arguments, int stopAt);
    bool stopped() const { return m_stopped; }
    // The steps it announced, the one it was stopped before last; paths as the child wrote them.
    QStringList steps() const { return m_steps; }
    // Whether an unstopped child ended with status 0, and what it wrote to its error output otherwise.
    bool succeeded() const { return m_succeeded; }
    QString errors() const { return m_errors; }

private:
    QStringList m_steps;
    bool m_stopped = false;
    bool m_succeeded = false;
    QString m_errors;
};

// In the child: announce every step on the standard output and wait to be killed before step `stopAt`.
void stopBeforeStep(int stopAt);

} // namespace qv::test
