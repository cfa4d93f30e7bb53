#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace sf::test {

// The hostile FTP proxy (tests/servers/hostile_proxy.py) on a loopback port chosen at run time, in
// front of a real server's port: it passes the control and data connections through and damages
// them as its faults say ("--cut-data", "100"; "--stall-data"; "--close-after", "150"; "--delay",
// "0.2"; "--bad-pasv"; "--clean-data", "1"; "--close-spare", "1"; "--refuse-data-at", "2,3";
// "--refuse-data-every", "2"; "--refuse-reply", "450 busy"). Stopped by its process id when the
// object goes.
class HostileProxy {
public:
    HostileProxy() = default;
    ~HostileProxy();
    HostileProxy(const HostileProxy&) = delete;
    HostileProxy& operator=(const HostileProxy&) = delete;

    // False with errorString() when the proxy did not report its port.
    bool start(int upstreamPort, const QStringList& faults);
    int port() const { return m_port; }
    QString errorString() const { return m_error; }

private:
    QProcess m_process;
    int m_port = 0;
    QString m_error;
};

} // namespace sf::test
