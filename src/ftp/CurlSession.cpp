#include "ftp/CurlSession.h"

#include "ftp/RemoteName.h"

#include <QCryptographicHash>
#include <QFile>
#include <QUrl>

#include <cctype>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace sf::ftp {

namespace {

constexpr long kConnectTimeoutSeconds = 30;
constexpr long kResponseTimeoutSeconds = 60;
constexpr long kAcceptTimeoutMs = 30000;
// libcurl 7.88 (Debian 12) leaves sockets an FTP transfer waits on out of its wait set: the data
// connection while it connects, the control connection around a TLS data connection. Driven by
// its wait set and timer alone, a listing of 20,000 entries on pyftpdlib ended in "421 Passive
// data channel timed out" and a 500 KiB upload over TLS to vsftpd in a 30 s connect time-out, so
// a running transfer is looked at every kStepCapMs as well. Measured with bench_ftp_secure (TLS
// listing of 20,000 entries / 500 KiB publish, mean of 10 / 20): 1 ms 142 / 7.3 ms, 5 ms 198 / 10.8
// ms, 20 ms 200 / 9.9 ms; the looks cost 2 % of a core while a server keeps silent (0.7 % at 5 ms).
constexpr int kStepCapMs = 1;

long g_stallLimitSeconds = kStallLimitSeconds;

#ifdef _WIN32
constexpr int kShutRead = SD_RECEIVE;
int closeSocket(curl_socket_t fd)
{
    return closesocket(fd);
}
#else
constexpr int kShutRead = SHUT_RD;
int closeSocket(curl_socket_t fd)
{
    return ::close(fd);
}
#endif

// How the peer left a connection: still open, closed in order (its FIN), or reset.
enum class PeerEnd { Open, Closed, Reset };

PeerEnd peerEnd(curl_socket_t fd)
{
#ifdef __linux__
    // The connection's state tells a reset apart from an orderly end even after the error has been
    // read (then a read gives the data and an end, as if the peer had closed in order). A socket
    // that never got connected negotiated no TCP options.
    tcp_info info{};
    socklen_t length = sizeof(info);
    if (::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &length) == 0) {
        if (info.tcpi_state == TCP_CLOSE && info.tcpi_options != 0)
            return PeerEnd::Reset;
        if (info.tcpi_state == TCP_CLOSE_WAIT || info.tcpi_state == TCP_LAST_ACK)
            return PeerEnd::Closed;
        return PeerEnd::Open;
    }
#endif
    char byte = 0;
#ifdef _WIN32
    u_long waiting = 0;
    if (ioctlsocket(fd, FIONREAD, &waiting) != 0 || waiting > 0)
        return PeerEnd::Open; // unread bytes first: the end, if any, is not seen yet
    const int n = ::recv(fd, &byte, 1, MSG_PEEK);
    return n == 0                                        ? PeerEnd::Closed
           : n < 0 && WSAGetLastError() == WSAECONNRESET ? PeerEnd::Reset
                                                         : PeerEnd::Open;
#else
    const ssize_t n = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return n == 0 ? PeerEnd::Closed : n < 0 && errno == ECONNRESET ? PeerEnd::Reset : PeerEnd::Open;
#endif
}

bool startsWithCode(const QByteArray& line)
{
    return line.size() >= 3 && std::isdigit(static_cast<unsigned char>(line[0])) &&
           std::isdigit(static_cast<unsigned char>(line[1])) &&
           std::isdigit(static_cast<unsigned char>(line[2]));
}

QByteArray schemeOf(Protocol protocol)
{
    switch (protocol) {
    case Protocol::FtpsImplicit:
        return "ftps";
    case Protocol::Sftp:
        return "sftp";
    default:
        return "ftp"; // plain FTP, and FTP over TLS after AUTH TLS
    }
}

CertificateInfo certificateFromCurl(const curl_slist* fields)
{
    CertificateInfo info;
    for (const curl_slist* field = fields; field; field = field->next) {
        const QByteArray text(field->data);
        const qsizetype colon = text.indexOf(':');
        const QByteArray name = text.left(colon);
        const QString value = QString::fromUtf8(text.mid(colon + 1)).trimmed();
        if (name == "Subject")
            info.subject = value;
        else if (name == "Issuer")
            info.issuer = value;
        else if (name == "Start date")
            info.validFrom = value;
        else if (name == "Expire date")
            info.validUntil = value;
        else if (name == "Cert")
            info.pem = text.mid(colon + 1);
    }
    info.fingerprint = pemFingerprint(info.pem);
    return info;
}

HostKeyInfo hostKeyFromCurl(const curl_khkey* key)
{
    HostKeyInfo info;
    if (!key)
        return info;
    const QByteArray blob = key->len == 0 ? QByteArray::fromBase64(QByteArray(key->key))
                                          : QByteArray(key->key, static_cast<qsizetype>(key->len));
    static const char* const kTypes[] = {"unknown", "ssh-rsa1", "ssh-rsa", "ssh-dss", "ecdsa", "ssh-ed25519"};
    const int type = static_cast<int>(key->keytype);
    info.keyType = QString::fromLatin1(type >= 0 && type < 6 ? kTypes[type] : kTypes[0]);
    const QByteArray hash = QCryptographicHash::hash(blob, QCryptographicHash::Sha256);
    info.fingerprint =
        QStringLiteral("SHA256:") + QString::fromLatin1(hash.toBase64(QByteArray::OmitTrailingEquals));
    return info;
}

} // namespace

QString pemFingerprint(const QByteArray& pem)
{
    QByteArray base64;
    for (const QByteArray& line : pem.split('\n'))
        if (!line.startsWith("-----"))
            base64 += line.trimmed();
    const QByteArray der = QByteArray::fromBase64(base64);
    return QString::fromLatin1(
        QCryptographicHash::hash(der, QCryptographicHash::Sha256).toHex(':').toUpper());
}

CurlSession::CurlSession() = default;

CurlSession::~CurlSession()
{
    close();
}

void CurlSession::open(const ConnectionOptions& options)
{
    close();
    m_driver = std::make_unique<curl::Driver>();
    m_driver->setStepCap(kStepCapMs);
    if (m_driver->isValid())
        m_curl = curl::makeEasy();
    if (!m_curl)
        return;
    m_options = options;
    QString hostPart = options.host;
    if (hostPart.contains(QLatin1Char(':')) && !hostPart.startsWith(QLatin1Char('[')))
        hostPart = QLatin1Char('[') + hostPart + QLatin1Char(']');
    const QByteArray scheme = schemeOf(options.protocol);
    m_baseUrl = scheme + "://" + hostPart.toUtf8() + ':' + QByteArray::number(options.port);
    m_user = options.user.toUtf8();
    m_password = options.password.toUtf8();
    curl_easy_setopt(m_curl, CURLOPT_PROTOCOLS_STR, scheme.constData());
    curl_easy_setopt(m_curl, CURLOPT_USERNAME, m_user.constData());
    curl_easy_setopt(m_curl, CURLOPT_PASSWORD, m_password.constData());
    applyCommonOptions();
    applySecurityOptions();
}

void CurlSession::applyCommonOptions()
{
    curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(m_curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, kResponseTimeoutSeconds);
    curl_easy_setopt(m_curl, CURLOPT_ACCEPTTIMEOUT_MS, kAcceptTimeoutMs);
    curl_easy_setopt(m_curl, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    curl_easy_setopt(m_curl, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_curl, CURLOPT_FTP_USE_EPSV, 1L);
    curl_easy_setopt(m_curl, CURLOPT_ERRORBUFFER, m_errorBuffer);
    curl_easy_setopt(m_curl, CURLOPT_HEADERFUNCTION, &CurlSession::onHeader);
    curl_easy_setopt(m_curl, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &CurlSession::onWrite);
    curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(m_curl, CURLOPT_READFUNCTION, &CurlSession::onRead);
    curl_easy_setopt(m_curl, CURLOPT_READDATA, this);
    curl_easy_setopt(m_curl, CURLOPT_XFERINFOFUNCTION, &CurlSession::onProgress);
    curl_easy_setopt(m_curl, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(m_curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(m_curl, CURLOPT_OPENSOCKETFUNCTION, &CurlSession::onOpenSocket);
    curl_easy_setopt(m_curl, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(m_curl, CURLOPT_CLOSESOCKETFUNCTION, &CurlSession::onCloseSocket);
    curl_easy_setopt(m_curl, CURLOPT_CLOSESOCKETDATA, this);
}

void CurlSession::applySecurityOptions()
{
    if (m_options.protocol == Protocol::FtpExplicit)
        curl_easy_setopt(m_curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    if (usesTls(m_options.protocol) && !m_options.trustedCertificate.isEmpty()) {
        // Exactly this certificate, whatever name it was made for: the user has looked at it.
        curl_blob blob{const_cast<char*>(m_options.trustedCertificate.constData()),
                       static_cast<size_t>(m_options.trustedCertificate.size()), CURL_BLOB_COPY};
        curl_easy_setopt(m_curl, CURLOPT_CAINFO_BLOB, &blob);
        curl_easy_setopt(m_curl, CURLOPT_SSL_VERIFYHOST, 0L);
    }
    if (usesTls(m_options.protocol) && m_tlsLimited)
        curl_easy_setopt(m_curl, CURLOPT_SSLVERSION,
                         static_cast<long>(CURL_SSLVERSION_DEFAULT) | CURL_SSLVERSION_MAX_TLSv1_2);
    if (m_options.protocol != Protocol::Sftp)
        return;
    m_knownHosts = QFile::encodeName(m_options.knownHostsFile);
    curl_easy_setopt(m_curl, CURLOPT_SSH_KNOWNHOSTS, m_knownHosts.constData());
    curl_easy_setopt(m_curl, CURLOPT_SSH_KEYFUNCTION, &CurlSession::onHostKey);
    curl_easy_setopt(m_curl, CURLOPT_SSH_KEYDATA, this);
    if (m_options.keyFile.isEmpty()) {
        curl_easy_setopt(m_curl, CURLOPT_SSH_AUTH_TYPES,
                         static_cast<long>(CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD));
        return;
    }
    m_keyFile = QFile::encodeName(m_options.keyFile);
    m_keyPassphrase = m_options.keyPassphrase.toUtf8();
    curl_easy_setopt(m_curl, CURLOPT_SSH_AUTH_TYPES, static_cast<long>(CURLSSH_AUTH_PUBLICKEY));
    curl_easy_setopt(m_curl, CURLOPT_SSH_PRIVATE_KEYFILE, m_keyFile.constData());
    curl_easy_setopt(m_curl, CURLOPT_SSH_PUBLIC_KEYFILE, ""); // derived from the private key
    curl_easy_setopt(m_curl, CURLOPT_KEYPASSWD, m_keyPassphrase.constData());
}

void CurlSession::close()
{
    // libcurl sends QUIT and waits up to two minutes for its reply, with no way for window events
    // to run. Nothing is left to hear from the server: its sockets stop reading, so the QUIT still
    // goes out but the wait ends at once.
    for (const curl_socket_t fd : std::as_const(m_sockets))
        ::shutdown(fd, kShutRead);
    m_curl.reset();
    m_driver.reset(); // the connection pool lives in its multi handle: sends QUIT and closes
}

void CurlSession::limitTlsTo12()
{
    // A new connection pool too: no connection made before may serve a later request.
    m_tlsLimited = true;
    open(ConnectionOptions(m_options));
}

QByteArray CurlSession::remotePath(const QString& absolutePath) const
{
    const QString rest = absolutePath.startsWith(QLatin1Char('/')) ? absolutePath.mid(1) : absolutePath;
    // SFTP takes the path as it stands. FTP: "%2F" makes it absolute for libcurl; the rest is sent
    // as it is, one CWD for the folder.
    return (isSftp() ? QByteArray("/") : QByteArray("/%2F")) + nameToServer(rest).toPercentEncoding("/");
}

void setStallLimitSeconds(long seconds)
{
    g_stallLimitSeconds = seconds;
}

long stallLimitSeconds()
{
    return g_stallLimitSeconds;
}

qint64 CurlSession::contentLength() const
{
    curl_off_t length = -1;
    if (!m_curl || curl_easy_getinfo(m_curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK)
        return -1;
    return static_cast<qint64>(length);
}

QString CurlSession::entryPath() const
{
    char* path = nullptr;
    if (!m_curl || curl_easy_getinfo(m_curl, CURLINFO_FTP_ENTRY_PATH, &path) != CURLE_OK || !path)
        return {};
    return nameFromServer(path);
}

void CurlSession::applyRequest(const FtpRequest& request, curl_slist* postQuote)
{
    // No path: the login directory, without any CWD.
    const QByteArray url = m_baseUrl + (request.path.isEmpty() ? QByteArray("/") : remotePath(request.path));
    curl_easy_setopt(m_curl, CURLOPT_URL, url.constData()); // libcurl copies strings it is given
    curl_easy_setopt(m_curl, CURLOPT_NOBODY, request.noBody ? 1L : 0L);
    curl_easy_setopt(m_curl, CURLOPT_UPLOAD, request.upload ? 1L : 0L);
    const QByteArray list = isSftp() ? QByteArray() : request.listCommand.toUtf8();
    curl_easy_setopt(m_curl, CURLOPT_CUSTOMREQUEST, list.isEmpty() ? nullptr : list.constData());
    curl_easy_setopt(m_curl, CURLOPT_POSTQUOTE, postQuote);
    curl_easy_setopt(m_curl, CURLOPT_FRESH_CONNECT, request.freshConnection ? 1L : 0L);
    curl_easy_setopt(m_curl, CURLOPT_TRANSFERTEXT, m_binary || isSftp() ? 0L : 1L);
    // Active mode: "-" makes libcurl offer the local address of the control connection.
    curl_easy_setopt(m_curl, CURLOPT_FTPPORT, m_passive ? nullptr : "-");
    // Less than a byte a second for the whole limit: the transfer has stalled.
    curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_TIME, g_stallLimitSeconds);
}

CURLcode CurlSession::perform(const FtpRequest& request)
{
    if (!m_curl)
        return CURLE_FAILED_INIT;
    m_replies.clear();
    m_pendingLines.clear();
    m_errorBuffer[0] = '\0';
    m_dataReset = m_controlClosed = false;
    if (request.freshConnection)
        m_controlSocket = CURL_SOCKET_BAD; // the connection this request opens has the control

    curl::StringList postQuote;
    for (const QString& command : request.postCommands) {
        // FTP, "*": a failing command does not make libcurl drop the control connection; the
        // caller reads the command's reply instead. SFTP has no replies: a failure ends the request.
        curl::append(postQuote,
                     ((isSftp() ? QByteArray() : QByteArray("*")) + nameToServer(command)).constData());
    }
    applyRequest(request, postQuote.get());
    m_request = &request;
    // Window events run while libcurl waits; a request whose progress says stop ends at once.
    const CURLcode result =
        m_driver->run(m_curl, [&request] { return !request.progress || request.progress(); });
    noteControlAfterRequest();
    m_request = nullptr;
    curl_easy_setopt(m_curl, CURLOPT_POSTQUOTE, nullptr);
    return result;
}

void CurlSession::noteClosedSocket(curl_socket_t fd)
{
    if (!m_request)
        return; // closed by this side (close(), a new pool): nothing the server did
    const PeerEnd end = peerEnd(fd);
    if (fd == m_controlSocket)
        m_controlClosed = m_controlClosed || end != PeerEnd::Open;
    else
        m_dataReset = m_dataReset || end == PeerEnd::Reset;
}

void CurlSession::noteControlAfterRequest()
{
    // A control connection that libcurl keeps may still have been closed by the server: libcurl
    // takes a listing's data as whole when it ends before the final reply it never got.
    if (!isSftp() && m_sockets.contains(m_controlSocket) && peerEnd(m_controlSocket) != PeerEnd::Open)
        m_controlClosed = true;
}

void CurlSession::takeReplyLine(const QByteArray& line)
{
    if (m_pendingLines.isEmpty()) {
        if (!startsWithCode(line))
            return; // libcurl's own informational lines, not a server reply
        if (line.size() > 3 && line[3] == '-') {
            m_pendingLines.append(nameFromServer(line));
            return;
        }
        m_replies.append({line.left(3).toInt(), nameFromServer(line)});
        return;
    }
    m_pendingLines.append(nameFromServer(line));
    const QByteArray code = m_pendingLines.first().left(3).toUtf8();
    if (line.startsWith(code) && (line.size() == 3 || line[3] == ' ')) {
        m_replies.append({code.toInt(), m_pendingLines.join(QLatin1Char('\n'))});
        m_pendingLines.clear();
    }
}

size_t CurlSession::onHeader(char* data, size_t size, size_t count, void* self)
{
    auto* session = static_cast<CurlSession*>(self);
    const QByteArray chunk(data, static_cast<qsizetype>(size * count));
    for (QByteArray line : chunk.split('\n')) {
        while (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            session->takeReplyLine(line);
    }
    return size * count;
}

size_t CurlSession::onWrite(char* data, size_t size, size_t count, void* self)
{
    auto* session = static_cast<CurlSession*>(self);
    const size_t bytes = size * count;
    if (session->m_request && session->m_request->write)
        return session->m_request->write(data, bytes) ? bytes : 0;
    return bytes;
}

size_t CurlSession::onRead(char* buffer, size_t size, size_t count, void* self)
{
    auto* session = static_cast<CurlSession*>(self);
    if (session->m_request && session->m_request->read)
        return session->m_request->read(buffer, size * count);
    return 0;
}

curl_socket_t CurlSession::onOpenSocket(void* self, curlsocktype, curl_sockaddr* address)
{
    auto* session = static_cast<CurlSession*>(self);
    const curl_socket_t fd = ::socket(address->family, address->socktype, address->protocol);
    if (fd == CURL_SOCKET_BAD)
        return fd;
    // The first socket of a connection is its control connection; the others carry data.
    if (!session->m_sockets.contains(session->m_controlSocket)) {
        session->m_controlSocket = fd;
        session->m_controlClosed = false; // a lost connection, if any, has been replaced
    }
    session->m_sockets.insert(fd);
    return fd;
}

int CurlSession::onCloseSocket(void* self, curl_socket_t fd)
{
    auto* session = static_cast<CurlSession*>(self);
    session->noteClosedSocket(fd);
    session->m_sockets.remove(fd);
    return closeSocket(fd);
}

int CurlSession::onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto* session = static_cast<CurlSession*>(self);
    if (session->m_request && session->m_request->progress)
        return session->m_request->progress() ? 0 : 1;
    return 0;
}

CertificateInfo CurlSession::probeCertificate()
{
    CertificateInfo info;
    if (!m_curl)
        return info;
    // A pin no key matches: libcurl gathers the certificate, then refuses the key before the login.
    static const char* const kNoKey = "sha256//AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA=";
    curl_easy_setopt(m_curl, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(m_curl, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(m_curl, CURLOPT_CERTINFO, 1L);
    curl_easy_setopt(m_curl, CURLOPT_PINNEDPUBLICKEY, kNoKey);
    FtpRequest request;
    request.noBody = true;
    request.freshConnection = true;
    perform(request);
    curl_certinfo* chain = nullptr;
    if (curl_easy_getinfo(m_curl, CURLINFO_CERTINFO, &chain) == CURLE_OK && chain && chain->num_of_certs > 0)
        info = certificateFromCurl(chain->certinfo[0]);
    curl_easy_setopt(m_curl, CURLOPT_PINNEDPUBLICKEY, nullptr);
    curl_easy_setopt(m_curl, CURLOPT_CERTINFO, 0L);
    curl_easy_setopt(m_curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(m_curl, CURLOPT_SSL_VERIFYHOST, m_options.trustedCertificate.isEmpty() ? 2L : 0L);
    return info;
}

int CurlSession::onHostKey(CURL*, const curl_khkey*, const curl_khkey* found, curl_khmatch match, void* self)
{
    if (match == CURLKHMATCH_OK)
        return CURLKHSTAT_FINE;
    auto* session = static_cast<CurlSession*>(self);
    HostKeyInfo info = hostKeyFromCurl(found);
    info.match = match == CURLKHMATCH_MISMATCH ? HostKeyInfo::Match::Changed : HostKeyInfo::Match::Unknown;
    const auto& judge = session->m_options.judgeHostKey;
    const TrustAnswer answer = judge ? judge(info) : TrustAnswer::No;
    if (info.match == HostKeyInfo::Match::Changed || answer == TrustAnswer::No)
        return CURLKHSTAT_REJECT;
    return answer == TrustAnswer::Always ? CURLKHSTAT_FINE_ADD_TO_FILE : CURLKHSTAT_FINE;
}

} // namespace sf::ftp
