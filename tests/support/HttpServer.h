#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace sf::test {

// The test web service and download host (tests/servers/http_server.py) on a loopback port chosen
// at run time, one per fixture. It serves files under "/files/" and web functions under
// "/webfunction/", records every request and POST, and plays faults on request.
class HttpServer {
public:
    enum class Scheme { Http, Https };
    explicit HttpServer(Scheme scheme = Scheme::Http);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    bool isRunning() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    // "http://127.0.0.1:<port>" (or https), without a trailing slash.
    QString baseUrl() const;
    // For HTTPS: the PEM file of the server's self-signed certificate.
    QString certificateFile() const;
    QString filesDir() const;

    void putFile(const QString& name, const QByteArray& bytes);
    // Serves the folder as the web site: every path outside "/files/" and "/webfunction/".
    bool serveSite(const QString& folder);
    // Answers the path with "301 Moved Permanently" to the location.
    void redirect(const QString& path, const QString& location);
    void setWebFunction(const QString& name, const QByteArray& body);
    // Faults for one path ("/files/x"): an error status, a body cut after n bytes, a pause before
    // the answer, a body sent at a limited rate. clearRules removes them all.
    void answerStatus(const QString& path, int status);
    void cutShort(const QString& path, qint64 bytes);
    void delay(const QString& path, double seconds);
    void slow(const QString& path, qint64 bytesPerSecond);
    // Hostile answers with a success status: an empty body, an HTML error page, and the first
    // bytes of the file sent without a length, ended by closing the connection.
    void answerEmpty(const QString& path);
    void answerHtml(const QString& path);
    void sendWithoutLength(const QString& path, qint64 bytes);
    // An oversize answer: "200 OK" announcing `bytes` and sending them, the path's file over and
    // over (or comment lines), made as they are sent.
    void answerHuge(const QString& path, qint64 bytes);
    void clearRules();

    // "GET /files/x" for every request so far, and the POSTs' bodies and header lines in order.
    QStringList requests() const;
    QList<QByteArray> postBodies() const;
    QList<QByteArray> postHeaders() const;
    // Waits up to timeoutMs for a request line to appear, letting events run; true when it did.
    bool waitForRequest(const QString& line, int timeoutMs) const;

private:
    void addRule(const QString& line);

    QTemporaryDir m_state;
    QProcess m_process;
    quint16 m_port = 0;
    Scheme m_scheme;
};

} // namespace sf::test
