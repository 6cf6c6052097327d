#include "tests/support/StoppedChild.h"
#include "data/DatabaseFiles.h"

#include <QCoreApplication>
#include <cstdio>
#include <unistd.h>

namespace qv::test {

StoppedChild::StoppedChild(const QStringList& arguments, int stopAt)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), arguments + QStringList{QString::number(stopAt)});
    if (!child.waitForStarted()) {
        m_errors = child.errorString();
        return;
    }
    for (;;) {
        while (child.canReadLine()) {
            const QString line = QString::fromUtf8(child.readLine()).chopped(1);
            if (line.startsWith(QLatin1String("step "))) m_steps << line.mid(5);
            if (line.startsWith(QLatin1String("stopped "))) {
                m_steps << line.mid(8);
                m_stopped = true;
                child.kill(); // SIGKILL: no handler, no destructor, no flush runs
                child.waitForFinished();
                return;
            }
        }
        if (child.state() == QProcess::NotRunning || !child.waitForReadyRead(30000)) break;
    }
    child.waitForFinished(30000);
    while (child.canReadLine()) {
        const QString line = QString::fromUtf8(child.readLine()).chopped(1);
        if (line.startsWith(QLatin1String("step "))) m_steps << line.mid(5);
    }
    m_succeeded = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    m_errors = QString::fromUtf8(child.readAllStandardError());
}

void stopBeforeStep(int stopAt)
{
    dbfiles::setStepWatcher([stopAt, count = 0](const QString& step) mutable {
        const bool stop = ++count == stopAt;
        std::printf("%s %s\n", stop ? "stopped" : "step", step.toUtf8().constData());
        std::fflush(stdout);
        while (stop) ::pause();
    });
}

} // namespace qv::test
