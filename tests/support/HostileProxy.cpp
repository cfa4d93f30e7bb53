#include "HostileProxy.h"

#include <QDeadlineTimer>

#include <csignal>
#include <sys/prctl.h>

namespace sf::test {

HostileProxy::~HostileProxy()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
    m_process.waitForFinished(5000);
}

bool HostileProxy::start(int upstreamPort, const QStringList& faults)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process.start(QStringLiteral("/usr/bin/python3"),
                    QStringList{QStringLiteral(SF_SERVERS_DIR "/hostile_proxy.py"),
                                QStringLiteral("--upstream-port"), QString::number(upstreamPort)} +
                        faults);
    if (!m_process.waitForStarted(15000)) {
        m_error = QStringLiteral("python3 did not start: ") + m_process.errorString();
        return false;
    }
    QDeadlineTimer deadline(15000);
    while (!m_process.canReadLine() && !deadline.hasExpired() && m_process.state() == QProcess::Running)
        m_process.waitForReadyRead(200);
    const QByteArray line = m_process.readLine().trimmed();
    if (!line.startsWith("PORT ")) {
        m_error = QStringLiteral("the hostile proxy did not report its port: ") + QString::fromUtf8(line);
        return false;
    }
    m_port = line.mid(5).toInt();
    return true;
}

} // namespace sf::test
