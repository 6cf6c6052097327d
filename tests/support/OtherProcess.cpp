#include "tests/support/OtherProcess.h"

#include <QCoreApplication>

namespace qv::test {

OtherProcess::OtherProcess(const QString& mode, const QString& path)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QCoreApplication::applicationDirPath() + "/qv_dbclient", {mode, path});
    m_ready = m_process.waitForStarted() && waitUntilReady(2000);
}

bool OtherProcess::waitUntilReady(int ms)
{
    if (!m_ready && m_process.waitForReadyRead(ms)) m_ready = m_process.readLine().trimmed() == "ready";
    return m_ready;
}

int OtherProcess::commits()
{
    m_process.waitForReadyRead(0);
    while (m_process.canReadLine())
        if (m_process.readLine().trimmed() == "committed") ++m_commits;
    return m_commits;
}

void OtherProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning) return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(15000)) m_process.kill();
}

} // namespace qv::test
