#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <curl/curl.h>

#include <functional>

namespace sf::ftp {

// One complete reply of the FTP server: its three-digit code and its text, all lines of a
// multi-line reply joined by "\n", without the final line end.
struct ServerReply {
    int code = 0;
    QString text;
};

// What one round trip on the control connection does.
struct FtpRequest {
    QString path;             // absolute remote path; a directory ends with "/"
    bool noBody = false;      // log in and change directory only, no data connection
    bool upload = false;      // STOR the bytes that `read` supplies
    QString listCommand;      // "MLSD" or "LIST" for a directory listing; empty: default
    QStringList postCommands; // raw commands sent after the request; their failure keeps the connection
    bool freshConnection = false;
    std::function<size_t(char* buffer, size_t size)> read;    // upload source; 0 = end
    std::function<bool(const char* data, size_t size)> write; // data sink; false = abort
    std::function<bool()> progress;                           // false = abort
};

// The one libcurl easy handle of an FTP session. libcurl keeps the control connection of the
// handle open between requests, so consecutive requests run on the same login.
//
// Paths are always absolute (the URL carries "%2F" for the root and the path is sent as one CWD),
// so the server's idea of the current directory never has to be trusted between requests.
class CurlSession {
public:
    CurlSession();
    ~CurlSession();
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    void open(const QString& host, int port, const QString& user, const QString& password);
    void close();
    bool isOpen() const { return m_curl != nullptr; }

    void setPassive(bool passive) { m_passive = passive; }
    bool isPassive() const { return m_passive; }
    void setBinary(bool binary) { m_binary = binary; }

    CURLcode perform(const FtpRequest& request);

    // Replies of the last request, in order of arrival.
    const QList<ServerReply>& replies() const { return m_replies; }
    // libcurl's own detail of the last failure (its error buffer).
    QString errorDetail() const { return QString::fromLocal8Bit(m_errorBuffer); }
    // The directory the server placed the login in.
    QString entryPath() const;

    static QByteArray urlPath(const QString& absolutePath);

private:
    void applyRequest(const FtpRequest& request, curl_slist* postQuote);
    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static size_t onWrite(char* data, size_t size, size_t count, void* self);
    static size_t onRead(char* buffer, size_t size, size_t count, void* self);
    static curl_socket_t onOpenSocket(void* self, curlsocktype purpose, curl_sockaddr* address);
    static int onCloseSocket(void* self, curl_socket_t fd);
    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    void takeReplyLine(const QByteArray& line);

    CURLcode drive();

    CURLM* m_multi = nullptr;
    CURL* m_curl = nullptr;
    QByteArray m_baseUrl;
    QByteArray m_user;
    QByteArray m_password;
    bool m_passive = false;
    bool m_binary = false;
    const FtpRequest* m_request = nullptr;
    QList<ServerReply> m_replies;
    QStringList m_pendingLines;
    QSet<curl_socket_t> m_sockets; // sockets libcurl opened and has not closed yet // lines of a multi-line
                                   // reply not yet complete
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
};

} // namespace sf::ftp
