#include "transfer/Inet.h"

#include <QCoreApplication>
#include <QLocale>
#include <QPointer>

#include <sys/socket.h>

#include <algorithm>

namespace sf {

// The libcurl callbacks; they only record what happened, the states are emitted once libcurl has
// returned, so a handler may call back into the control (GetChunk, Cancel) safely.
struct Inet::Curl {
    static Inet* self(void* p) { return static_cast<Inet*>(p); }

    static size_t onBody(char* data, size_t size, size_t count, void* p)
    {
        Inet* inet = self(p);
        if (!inet->m_sawBody) {
            onFirstHeader(inet);
            inet->m_sawBody = true;
            inet->queueState(ResponseReceived);
            curl_off_t length = -1;
            curl_easy_getinfo(inet->m_easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
            // What the server announces is room, never more than the limit lets arrive.
            if (length > 0)
                inet->m_body.reserve(
                    static_cast<qsizetype>(std::min<curl_off_t>(length, inet->m_bodyLimit + 1)));
        }
        const qsizetype bytes = static_cast<qsizetype>(size * count);
        const qint64 room = inet->m_bodyLimit + 1 - inet->m_body.size();
        if (bytes < room) {
            inet->m_body.append(data, bytes);
            return size * count;
        }
        // One byte past the limit says enough: the rest is never read.
        inet->m_body.append(data, static_cast<qsizetype>(room));
        inet->m_tooLarge = true;
        return 0;
    }

    static void onFirstHeader(Inet* inet)
    {
        if (inet->m_sawHeader)
            return;
        inet->m_sawHeader = true;
        inet->queueState(RequestSent);
        inet->queueState(ReceivingResponse);
    }

    static size_t onHeader(char* data, size_t size, size_t count, void* p)
    {
        Inet* inet = self(p);
        onFirstHeader(inet);
        const QByteArray line = QByteArray(data, static_cast<qsizetype>(size * count)).trimmed().toLower();
        if (line.startsWith("http/")) // a new response (after a redirect): its own headers follow
            inet->m_chunked = false;
        else if (line.startsWith("transfer-encoding:") && line.contains("chunked"))
            inet->m_chunked = true;
        return size * count;
    }

    static curl_socket_t onOpenSocket(void* p, curlsocktype, curl_sockaddr* address)
    {
        self(p)->queueState(HostResolved);
        self(p)->queueState(Connecting);
        return ::socket(address->family, address->socktype, address->protocol);
    }

#if LIBCURL_VERSION_NUM >= 0x075000
    static int onConnected(void* p, char*, char*, int, int)
    {
        self(p)->queueState(Connected);
        self(p)->queueState(Requesting);
        return CURL_PREREQFUNC_OK;
    }
#endif
};

Inet::Inet(QObject* parent) : QObject(parent), m_driver(new curl::Driver(this))
{
    connect(m_driver, &curl::Driver::finished, this, [this](CURL* easy, int result) {
        if (easy == m_easy)
            finish(result);
    });
    connect(m_driver, &curl::Driver::stepped, this, &Inet::flushStates);
}

Inet::~Inet()
{
    m_pendingStates.clear();
    releaseEasy();
}

bool Inet::Execute(const QString& url, const QString& operation, const QByteArray& body,
                   const QString& headers)
{
    if (StillExecuting())
        return false;
    m_body.clear();
    m_readPos = 0;
    m_httpStatus = 0;
    m_errorCode = 0;
    m_errorText.clear();
    m_finished = false;
    m_sawHeader = false;
    m_sawBody = false;
    m_chunked = false;
    m_bodyDelimited = false;
    m_tooLarge = false;
    m_effectiveUrl = url;
    m_redirectCount = 0;
    queueState(ResolvingHost);
    const QString op = operation.toUpper();
    if (op != QLatin1String("GET") && op != QLatin1String("POST")) {
        failLater(CURLE_UNSUPPORTED_PROTOCOL, tr("Unsupported operation %1").arg(operation));
        return true;
    }
    setupEasy(url, op == QLatin1String("POST"), body, headers);
    if (!m_easy) {
        failLater(CURLE_FAILED_INIT, tr("The transfer could not be started"));
        return true;
    }
    m_driver->start(m_easy);
    QMetaObject::invokeMethod(this, &Inet::flushStates, Qt::QueuedConnection);
    return true;
}

void Inet::setupEasy(const QString& url, bool post, const QByteArray& body, const QString& headers)
{
    m_easy = curl::makeEasy();
    CURL* easy = m_easy;
    if (!easy)
        return;
    m_errorBuffer[0] = '\0';
    curl_easy_setopt(easy, CURLOPT_URL, url.trimmed().toUtf8().constData());
    curl_easy_setopt(easy, CURLOPT_DEFAULT_PROTOCOL, "http");
#if LIBCURL_VERSION_NUM >= 0x075500
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
#else
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS, long(CURLPROTO_HTTP | CURLPROTO_HTTPS));
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS, long(CURLPROTO_HTTP | CURLPROTO_HTTPS));
#endif
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, m_followRedirects ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "Spiderfence");
    // Every request has a connection of its own, so Cancel ends both.
    curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 256L * 1024); // fewer, larger reads for big files
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, m_errorBuffer);
    if (!m_caFile.isEmpty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, m_caFile.toLocal8Bit().constData());
    setCallbacks();
    setTimeouts();
    setRequest(post, body, headers);
}

void Inet::setCallbacks()
{
    CURL* easy = m_easy;
    curl_easy_setopt(easy, CURLOPT_PRIVATE, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Curl::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Curl::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &Curl::onOpenSocket);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, this);
#if LIBCURL_VERSION_NUM >= 0x075000
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &Curl::onConnected);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, this);
#endif
}

void Inet::setTimeouts()
{
    const long timeout = std::max(0, m_requestTimeout);
    curl_easy_setopt(m_easy, CURLOPT_CONNECTTIMEOUT, timeout > 0 ? std::min(timeout, 30L) : 30L);
    if (timeout > 0) {
        curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_TIME, timeout);
    }
}

void Inet::setRequest(bool post, const QByteArray& body, const QString& headers)
{
    curl::append(m_headerList, "Expect:");
    for (const QString& line : headers.split(QLatin1Char('\n'))) {
        const QByteArray bytes = line.trimmed().toLatin1();
        if (!bytes.isEmpty())
            curl::append(m_headerList, bytes.constData());
    }
    curl_easy_setopt(m_easy, CURLOPT_HTTPHEADER, m_headerList.get());
    if (post) {
        m_postBody = body;
        curl_easy_setopt(m_easy, CURLOPT_POST, 1L);
        curl_easy_setopt(m_easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(m_postBody.size()));
        curl_easy_setopt(m_easy, CURLOPT_POSTFIELDS, m_postBody.constData());
    }
}

QByteArray Inet::OpenURL()
{
    if (!Execute(m_url, QStringLiteral("GET")))
        return {};
    while (StillExecuting())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return Succeeded() ? m_body : QByteArray();
}

QByteArray Inet::GetChunk(int size)
{
    const qsizetype n = std::min<qsizetype>(std::max(size, 0), m_body.size() - m_readPos);
    if (n <= 0)
        return {};
    QByteArray chunk = m_body.mid(m_readPos, n);
    m_readPos += n;
    return chunk;
}

void Inet::Cancel()
{
    m_pendingStates.clear();
    if (StillExecuting()) {
        m_errorCode = CURLE_ABORTED_BY_CALLBACK;
        m_errorText = tr("Cancelled");
        m_finished = true;
    }
    releaseEasy();
}

void Inet::finish(int curlCode)
{
    curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &m_httpStatus);
    curl_off_t length = -1;
    curl_easy_getinfo(m_easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    long version = CURL_HTTP_VERSION_NONE;
    curl_easy_getinfo(m_easy, CURLINFO_HTTP_VERSION, &version);
    m_bodyDelimited = length >= 0 || m_chunked || version >= CURL_HTTP_VERSION_2_0;
    readWhereItEnded();
    m_finished = true;
    m_errorCode = m_tooLarge ? CURLE_FILESIZE_EXCEEDED : curlCode;
    if (m_tooLarge) {
        m_errorText = TooLargeText(m_bodyLimit);
        queueState(Error);
    } else if (curlCode != CURLE_OK) {
        m_errorText = QString::fromLocal8Bit(m_errorBuffer).trimmed();
        if (m_errorText.isEmpty())
            m_errorText = QString::fromUtf8(curl_easy_strerror(static_cast<CURLcode>(curlCode)));
        queueState(Error);
    } else {
        Curl::onFirstHeader(this);
        if (!m_sawBody)
            queueState(ResponseReceived);
        queueState(Disconnecting);
        queueState(Disconnected);
        queueState(ResponseCompleted);
    }
    releaseEasy();
}

QString Inet::TooLargeText(qint64 limit)
{
    return tr("The server sent more than %1, the most this download may bring")
        .arg(QLocale::c().formattedDataSize(limit, 0, QLocale::DataSizeIecFormat));
}

void Inet::readWhereItEnded()
{
    char* url = nullptr;
    curl_easy_getinfo(m_easy, CURLINFO_EFFECTIVE_URL, &url);
    m_effectiveUrl = url ? QString::fromUtf8(url) : m_url;
    long redirects = 0;
    curl_easy_getinfo(m_easy, CURLINFO_REDIRECT_COUNT, &redirects);
    m_redirectCount = static_cast<int>(redirects);
}

void Inet::releaseEasy()
{
    if (m_easy) {
        m_driver->stop(m_easy);
        m_easy.reset();
    }
    m_headerList.reset();
    m_postBody.clear();
}

void Inet::queueState(int state)
{
    m_pendingStates.push_back(state);
}

void Inet::flushStates()
{
    QPointer<Inet> alive(this);
    while (alive && !m_pendingStates.empty()) {
        const int state = m_pendingStates.front();
        m_pendingStates.pop_front();
        emit StateChanged(state);
    }
}

void Inet::failLater(int code, const QString& text)
{
    m_errorCode = code;
    m_errorText = text;
    m_finished = true;
    queueState(Error);
    QMetaObject::invokeMethod(this, &Inet::flushStates, Qt::QueuedConnection);
}

} // namespace sf
