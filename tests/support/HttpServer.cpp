#include "support/HttpServer.h"

#include "support/TestEnvironment.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

namespace sf::test {
namespace {

QString statePath(const QTemporaryDir& dir, const QString& name)
{
    return dir.filePath(name);
}

bool makeCertificate(const QString& pem)
{
    const QString key = pem + QStringLiteral(".key");
    const QString crt = pem + QStringLiteral(".crt");
    QProcess openssl;
    openssl.setStandardOutputFile(QProcess::nullDevice());
    openssl.setStandardErrorFile(QProcess::nullDevice());
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1",
                   "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", key, "-out", crt});
    if (!openssl.waitForFinished(30000) || openssl.exitStatus() != QProcess::NormalExit ||
        openssl.exitCode() != 0)
        return false;
    writeFileBytes(pem, readFileBytes(crt) + readFileBytes(key));
    return true;
}

} // namespace

HttpServer::HttpServer(Scheme scheme) : m_scheme(scheme)
{
    QStringList args{serversDir() + QStringLiteral("/http_server.py"), QStringLiteral("--state"),
                     m_state.path()};
    if (scheme == Scheme::Https) {
        if (!makeCertificate(statePath(m_state, QStringLiteral("server.pem")))) {
            ADD_FAILURE() << "cannot make a test certificate with openssl";
            return;
        }
        args << QStringLiteral("--cert") << statePath(m_state, QStringLiteral("server.pem"));
    }
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("/usr/bin/python3"), args);
    const QDeadlineTimer deadline(15000);
    while (!m_process.canReadLine() && !deadline.hasExpired() && m_process.state() != QProcess::NotRunning)
        m_process.waitForReadyRead(100);
    const QByteArray line = m_process.readLine().trimmed();
    if (!line.startsWith("PORT ")) {
        ADD_FAILURE() << "the test web server did not start: " << line.toStdString();
        return;
    }
    m_port = static_cast<quint16>(line.mid(5).toUInt());
}

HttpServer::~HttpServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString HttpServer::baseUrl() const
{
    return QStringLiteral("%1://127.0.0.1:%2")
        .arg(m_scheme == Scheme::Https ? QStringLiteral("https") : QStringLiteral("http"))
        .arg(m_port);
}

QString HttpServer::certificateFile() const
{
    return statePath(m_state, QStringLiteral("server.pem.crt"));
}

QString HttpServer::filesDir() const
{
    return statePath(m_state, QStringLiteral("files"));
}

void HttpServer::putFile(const QString& name, const QByteArray& bytes)
{
    QDir().mkpath(filesDir());
    writeFileBytes(filesDir() + QLatin1Char('/') + name, bytes);
}

void HttpServer::setWebFunction(const QString& name, const QByteArray& body)
{
    const QString dir = statePath(m_state, QStringLiteral("webfunction"));
    QDir().mkpath(dir);
    writeFileBytes(dir + QLatin1Char('/') + name, body);
}

bool HttpServer::serveSite(const QString& folder)
{
    return QFile::link(folder, statePath(m_state, QStringLiteral("site")));
}

void HttpServer::redirect(const QString& path, const QString& location)
{
    addRule(QStringLiteral("%1 redirect %2").arg(path, location));
}

void HttpServer::answerStatus(const QString& path, int status)
{
    addRule(QStringLiteral("%1 status %2").arg(path).arg(status));
}

void HttpServer::cutShort(const QString& path, qint64 bytes)
{
    addRule(QStringLiteral("%1 cut %2").arg(path).arg(bytes));
}

void HttpServer::delay(const QString& path, double seconds)
{
    addRule(QStringLiteral("%1 delay %2").arg(path).arg(seconds));
}

void HttpServer::slow(const QString& path, qint64 bytesPerSecond)
{
    addRule(QStringLiteral("%1 slow %2").arg(path).arg(bytesPerSecond));
}

void HttpServer::answerEmpty(const QString& path)
{
    addRule(QStringLiteral("%1 empty 200").arg(path));
}

void HttpServer::answerHtml(const QString& path)
{
    addRule(QStringLiteral("%1 html 200").arg(path));
}

void HttpServer::sendWithoutLength(const QString& path, qint64 bytes)
{
    addRule(QStringLiteral("%1 nolength %2").arg(path).arg(bytes));
}

void HttpServer::answerHuge(const QString& path, qint64 bytes)
{
    addRule(QStringLiteral("%1 huge %2").arg(path).arg(bytes));
}

void HttpServer::clearRules()
{
    QFile::remove(statePath(m_state, QStringLiteral("rules")));
}

void HttpServer::addRule(const QString& line)
{
    QFile file(statePath(m_state, QStringLiteral("rules")));
    if (!file.open(QIODevice::Append) || file.write(line.toUtf8() + '\n') <= 0)
        ADD_FAILURE() << "cannot write the server's rules";
}

QStringList HttpServer::requests() const
{
    QFile file(statePath(m_state, QStringLiteral("requests.log")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QList<QByteArray> HttpServer::postBodies() const
{
    QList<QByteArray> bodies;
    for (int n = 1; QFile::exists(statePath(m_state, QStringLiteral("posts/%1.body").arg(n))); ++n)
        bodies.append(readFileBytes(statePath(m_state, QStringLiteral("posts/%1.body").arg(n))));
    return bodies;
}

QList<QByteArray> HttpServer::postHeaders() const
{
    QList<QByteArray> headers;
    for (int n = 1; QFile::exists(statePath(m_state, QStringLiteral("posts/%1.headers").arg(n))); ++n)
        headers.append(readFileBytes(statePath(m_state, QStringLiteral("posts/%1.headers").arg(n))));
    return headers;
}

bool HttpServer::waitForRequest(const QString& line, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return requests().contains(line); }, timeoutMs);
}

} // namespace sf::test
