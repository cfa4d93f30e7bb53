#include "support/SecretService.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <dlfcn.h>
#include <signal.h>
#include <sys/prctl.h>

namespace sf::test {

namespace {

constexpr int kStartTimeoutMs = 15000;
const QString serviceName = QStringLiteral("org.freedesktop.secrets");

} // namespace

// The secret store's library talks over GLib's shared session-bus connection, which by default
// ends the whole process when its bus goes away. The test process outlives the bus it stops, so it
// takes that connection first (the library then shares it) and lets it close quietly instead.
class QuietSessionBus {
public:
    QuietSessionBus()
    {
        m_gio = ::dlopen("libgio-2.0.so.0", RTLD_NOW);
        if (!m_gio)
            return;
        using BusGet = void* (*)(int, void*, void**);
        using SetExitOnClose = void (*)(void*, int);
        auto busGet = reinterpret_cast<BusGet>(::dlsym(m_gio, "g_bus_get_sync"));
        auto setExitOnClose =
            reinterpret_cast<SetExitOnClose>(::dlsym(m_gio, "g_dbus_connection_set_exit_on_close"));
        constexpr int kSessionBus = 2; // G_BUS_TYPE_SESSION
        m_connection = busGet && setExitOnClose ? busGet(kSessionBus, nullptr, nullptr) : nullptr;
        if (m_connection)
            setExitOnClose(m_connection, 0);
    }
    ~QuietSessionBus()
    {
        using Unref = void (*)(void*);
        if (auto unref = m_gio ? reinterpret_cast<Unref>(::dlsym(m_gio, "g_object_unref")) : nullptr;
            unref && m_connection)
            unref(m_connection);
        if (m_gio)
            ::dlclose(m_gio);
    }
    QuietSessionBus(const QuietSessionBus&) = delete;
    QuietSessionBus& operator=(const QuietSessionBus&) = delete;

    bool ok() const { return m_connection != nullptr; }

private:
    void* m_gio = nullptr;
    void* m_connection = nullptr;
};

SecretService::SecretService() = default;

SecretService::~SecretService()
{
    stop();
}

bool SecretService::start()
{
    stop();
    m_error.clear();
    for (const char* program : {"dbus-run-session", "gnome-keyring-daemon"}) {
        if (QStandardPaths::findExecutable(QLatin1String(program)).isEmpty()) {
            m_error = QStringLiteral("%1 is not installed (packages dbus and gnome-keyring; see "
                                     "scripts/install-deps)")
                          .arg(QLatin1String(program));
            return false;
        }
    }
    for (const char* folder : {"home", "data", "config", "runtime"}) {
        if (!m_dir.isValid() || !QDir(m_dir.path()).mkpath(QLatin1String(folder))) {
            m_error = QStringLiteral("cannot create the daemon's folders");
            return false;
        }
    }
    QFile::setPermissions(m_dir.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!launch() || !waitForService()) {
        stop();
        return false;
    }
    m_busSet = true;
    m_hadBus = qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS");
    m_previousBus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toLocal8Bit());
    m_quietBus = std::make_unique<QuietSessionBus>();
    if (!m_quietBus->ok()) {
        m_error = QStringLiteral("cannot reach the session bus through GLib (libgio-2.0.so.0)");
        stop();
        return false;
    }
    return true;
}

bool SecretService::launch()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    env.insert(QStringLiteral("HOME"), m_dir.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.filePath(QStringLiteral("runtime")));
    m_process.setProcessEnvironment(env);
    m_process.setStandardErrorFile(m_dir.filePath(QStringLiteral("daemon.log")));
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    // The shell says its process id, which the daemon keeps (exec), and the bus's address.
    m_process.start(QStringLiteral("dbus-run-session"),
                    {QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
                     QStringLiteral("echo \"$$ $DBUS_SESSION_BUS_ADDRESS\"; exec gnome-keyring-daemon "
                                    "--foreground --unlock --components=secrets")});
    // --unlock reads the login keyring's password up to the end of its input.
    m_process.write("keyring pass word");
    m_process.closeWriteChannel();
    QDeadlineTimer deadline(kStartTimeoutMs);
    while (!m_process.canReadLine() && !deadline.hasExpired() && m_process.state() != QProcess::NotRunning)
        m_process.waitForReadyRead(100);
    const QList<QByteArray> line = m_process.readLine().trimmed().split(' ');
    if (line.size() == 2 && line[0].toLongLong() > 0 && !line[1].isEmpty()) {
        m_daemonPid = line[0].toLongLong();
        m_address = QString::fromLocal8Bit(line[1]);
        return true;
    }
    m_error = QStringLiteral("dbus-run-session did not start the daemon: ") + m_process.errorString() +
              QStringLiteral("; log: ") + QString::fromLocal8Bit(m_process.readAllStandardError());
    return false;
}

bool SecretService::waitForService()
{
    // Only a look at the bus's names: asking the service would let the bus start another daemon.
    const QString connection = QStringLiteral("sf-test-secret-service");
    bool registered = false;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(m_address, connection);
        QDeadlineTimer deadline(kStartTimeoutMs);
        while (bus.isConnected() && !deadline.hasExpired() && m_process.state() != QProcess::NotRunning) {
            registered = bus.interface()->isServiceRegistered(serviceName);
            if (registered)
                break;
            QThread::msleep(50);
        }
    }
    QDBusConnection::disconnectFromBus(connection);
    if (!registered) {
        QFile log(m_dir.filePath(QStringLiteral("daemon.log")));
        log.open(QIODevice::ReadOnly);
        m_error = QStringLiteral("gnome-keyring-daemon did not offer %1; log: %2")
                      .arg(serviceName, QString::fromLocal8Bit(log.readAll()));
    }
    return registered;
}

bool SecretService::lockKeyring()
{
    const QString connection = QStringLiteral("sf-test-secret-lock");
    QDBusMessage reply;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(m_address, connection);
        QDBusMessage call = QDBusMessage::createMethodCall(
            serviceName, QStringLiteral("/org/freedesktop/secrets"),
            QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("Lock"));
        call << QVariant::fromValue(QList<QDBusObjectPath>{
            QDBusObjectPath(QStringLiteral("/org/freedesktop/secrets/collection/login"))});
        reply = bus.call(call);
    }
    QDBusConnection::disconnectFromBus(connection);
    if (reply.type() != QDBusMessage::ReplyMessage)
        m_error = QStringLiteral("cannot lock the keyring: ") + reply.errorMessage();
    return reply.type() == QDBusMessage::ReplyMessage;
}

void SecretService::stop()
{
    m_quietBus.reset(); // let go of the bus's connection (it closes quietly when the bus stops)
    if (m_busSet)
        m_hadBus ? qputenv("DBUS_SESSION_BUS_ADDRESS", m_previousBus) : qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    m_busSet = false;
    m_address.clear();
    if (m_process.state() == QProcess::NotRunning)
        return;
    // The daemon's end ends dbus-run-session, which stops the bus.
    if (m_daemonPid > 0)
        ::kill(static_cast<pid_t>(m_daemonPid), SIGTERM);
    m_daemonPid = 0;
    if (!m_process.waitForFinished(5000)) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
}

} // namespace sf::test
