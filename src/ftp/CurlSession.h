#pragma once

#include "base/Protocol.h"
#include "transfer/Curl.h"
#include "transfer/CurlDriver.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace sf::ftp {

// A transfer that carries no byte for this many seconds ends with a time-out, so that a stalled data
// connection never holds a listing, an upload or a download for good.
constexpr long kStallLimitSeconds = 30;
// The stall limit of the requests sent from now on, for every session (tests shorten it).
void setStallLimitSeconds(long seconds);
long stallLimitSeconds();

// A server's certificate, as libcurl reports it.
struct CertificateInfo {
    QString subject;
    QString issuer;
    QString validFrom;
    QString validUntil;
    QByteArray pem;
    QString fingerprint; // SHA-256 of the DER bytes, "AB:CD:..."
    bool isValid() const { return !pem.isEmpty(); }
};

// The SHA-256 fingerprint of a PEM certificate, in the form of CertificateInfo::fingerprint.
QString pemFingerprint(const QByteArray& pem);

// An SSH server's host key as met during the handshake, and what the known-hosts file says of it.
struct HostKeyInfo {
    enum class Match { Known, Unknown, Changed };
    QString keyType;     // e.g. "ssh-ed25519"
    QString fingerprint; // "SHA256:" and the unpadded base64 of the key's hash, as OpenSSH shows it
    Match match = Match::Unknown;
};

// How a session reaches its server: the protocol, the login and what it trusts.
struct ConnectionOptions {
    Protocol protocol = Protocol::Ftp;
    QString host;
    int port = 21;
    QString user;
    QString password;
    QString keyFile;       // SFTP: private key file; empty: password login
    QString keyPassphrase; // SFTP: passphrase of the key file
    // TLS: the one certificate trusted for this server instead of the system's roots (PEM); empty:
    // the system's roots decide.
    QByteArray trustedCertificate;
    QString knownHostsFile; // SFTP: OpenSSH known-hosts file the host key is checked against
    // SFTP: decides on a host key the known-hosts file does not vouch for; Always also adds it to
    // the file. A changed key is refused whatever the answer.
    std::function<TrustAnswer(const HostKeyInfo&)> judgeHostKey;
};

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
    // Puts the source and sink back to their start, so that the request can be sent again on a
    // fresh connection; unset: a request with data cannot be repeated.
    std::function<void()> restart;
};

// The one libcurl easy handle of a session (FTP, FTP over TLS, FTPS or SFTP). libcurl keeps the
// connection of the handle open between requests, so consecutive requests run on the same login.
// SFTP requests carry SFTP quote commands ("rename", "rm", ...) and get no replies.
//
// Paths are always absolute (the URL carries "%2F" for the root and the path is sent as one CWD),
// so the server's idea of the current directory never has to be trusted between requests.
class CurlSession {
public:
    CurlSession();
    ~CurlSession();
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    void open(const ConnectionOptions& options);
    void close();
    bool isOpen() const { return m_curl != nullptr; }

    void setPassive(bool passive) { m_passive = passive; }
    bool isPassive() const { return m_passive; }
    void setBinary(bool binary) { m_binary = binary; }
    // TLS: the connections made from now on speak TLS 1.2 at most.
    void limitTlsTo12();
    bool isTlsLimited() const { return m_tlsLimited; }

    CURLcode perform(const FtpRequest& request);

    // Replies of the last request, in order of arrival.
    const QList<ServerReply>& replies() const { return m_replies; }
    // How the connections of the last request ended: a data connection that the peer reset (a
    // listing or download cut, even when libcurl took the reset for the data's end), and a control
    // connection that the server closed or reset while the request ran.
    bool dataConnectionReset() const { return m_dataReset; }
    bool controlConnectionClosed() const { return m_controlClosed; }
    // libcurl's own detail of the last failure (its error buffer).
    QString errorDetail() const { return QString::fromLocal8Bit(m_errorBuffer); }
    // The size the last request learnt of its file without its body (SIZE, or the SFTP stat); -1
    // when the server told none.
    qint64 contentLength() const;
    // The directory the server placed the login in.
    QString entryPath() const;
    Protocol protocol() const { return m_options.protocol; }
    bool isSftp() const { return m_options.protocol == Protocol::Sftp; }

    // TLS: connects without checking the certificate, takes it and stops before the login, so that
    // no password reaches a server that has not shown who it is. An invalid result when no
    // certificate came.
    CertificateInfo probeCertificate();

    // The URL path of an absolute remote path for this session's protocol.
    QByteArray remotePath(const QString& absolutePath) const;

    static QByteArray urlPath(const QString& absolutePath);

private:
    void applyRequest(const FtpRequest& request, curl_slist* postQuote);
    void applyCommonOptions();
    void applySecurityOptions();
    static int onHostKey(CURL*, const curl_khkey* known, const curl_khkey* found, curl_khmatch match,
                         void* self);
    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static size_t onWrite(char* data, size_t size, size_t count, void* self);
    static size_t onRead(char* buffer, size_t size, size_t count, void* self);
    static curl_socket_t onOpenSocket(void* self, curlsocktype purpose, curl_sockaddr* address);
    static int onCloseSocket(void* self, curl_socket_t fd);
    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    void takeReplyLine(const QByteArray& line);
    void noteClosedSocket(curl_socket_t fd);
    void noteControlAfterRequest();

    std::unique_ptr<curl::Driver> m_driver; // its multi handle keeps the connection between requests
    curl::Easy m_curl;
    QByteArray m_baseUrl;
    ConnectionOptions m_options;
    QByteArray m_user;
    QByteArray m_password;
    QByteArray m_keyFile;
    QByteArray m_keyPassphrase;
    QByteArray m_knownHosts;
    bool m_passive = false;
    bool m_binary = false;
    bool m_tlsLimited = false;
    const FtpRequest* m_request = nullptr;
    QList<ServerReply> m_replies;
    QStringList m_pendingLines;    // lines of a multi-line reply not yet complete
    QSet<curl_socket_t> m_sockets; // sockets libcurl opened and has not closed yet
    // The control connection's socket: the first one a new connection opens, confirmed by libcurl
    // after each request.
    curl_socket_t m_controlSocket = CURL_SOCKET_BAD;
    bool m_dataReset = false;
    bool m_controlClosed = false;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
};

} // namespace sf::ftp
