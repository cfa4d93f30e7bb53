#include "online/transfer/Inet.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

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
            if (length > 0 && length < (curl_off_t(1) << 31))
                inet->m_body.reserve(static_cast<qsizetype>(length));
        }
        inet->m_body.append(data, static_cast<qsizetype>(size * count));
        return size * count;
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

    static int onSocket(CURL*, curl_socket_t socket, int what, void* p, void*)
    {
        Inet* inet = self(p);
        const int fd = static_cast<int>(socket);
        if (what == CURL_POLL_REMOVE) {
            // Deleted later: this may run inside the notifier's own activation.
            const auto pair = inet->m_notifiers.take(fd);
            for (QSocketNotifier* n : {pair.first, pair.second}) {
                if (!n)
                    continue;
                n->setEnabled(false);
                n->disconnect();
                n->deleteLater();
            }
            return 0;
        }
        auto& pair = inet->m_notifiers[fd];
        if (!pair.first) {
            pair.first = new QSocketNotifier(socket, QSocketNotifier::Read, inet);
            pair.second = new QSocketNotifier(socket, QSocketNotifier::Write, inet);
            QObject::connect(pair.first, &QSocketNotifier::activated, inet,
                             [inet, fd] { inet->onSocketActivated(fd, CURL_CSELECT_IN); });
            QObject::connect(pair.second, &QSocketNotifier::activated, inet,
                             [inet, fd] { inet->onSocketActivated(fd, CURL_CSELECT_OUT); });
        }
        pair.first->setEnabled(what == CURL_POLL_IN || what == CURL_POLL_INOUT);
        pair.second->setEnabled(what == CURL_POLL_OUT || what == CURL_POLL_INOUT);
        return 0;
    }

    static int onTimer(CURLM*, long timeoutMs, void* p)
    {
        Inet* inet = self(p);
        if (timeoutMs < 0)
            inet->m_timer->stop();
        else
            inet->m_timer->start(static_cast<int>(std::min<long>(timeoutMs, 24L * 3600 * 1000)));
        return 0;
    }
};

Inet::Inet(QObject* parent) : QObject(parent)
{
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &Inet::onTimeout);
    m_multi = curl::makeMulti();
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &Curl::onSocket);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &Curl::onTimer);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
}

Inet::~Inet()
{
    m_pendingStates.clear();
    releaseEasy();
    m_multi.reset(); // while the notifiers its callbacks reach are still there
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
    curl_multi_add_handle(m_multi, m_easy);
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
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "Spiderfence");
    // Every request has a connection of its own, so Cancel ends both.
    curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 256L * 1024); // fewer, larger reads for big files
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, m_errorBuffer);
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
    const long timeout = std::max(0, m_requestTimeout);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, timeout > 0 ? std::min(timeout, 30L) : 30L);
    if (timeout > 0) {
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, timeout);
    }
    if (!m_caFile.isEmpty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, m_caFile.toLocal8Bit().constData());
    curl::append(m_headerList, "Expect:");
    for (const QString& line : headers.split(QLatin1Char('\n'))) {
        const QByteArray bytes = line.trimmed().toLatin1();
        if (!bytes.isEmpty())
            curl::append(m_headerList, bytes.constData());
    }
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, m_headerList.get());
    if (post) {
        m_postBody = body;
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(m_postBody.size()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, m_postBody.constData());
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

void Inet::onSocketActivated(int fd, int events)
{
    int running = 0;
    curl_multi_socket_action(m_multi, static_cast<curl_socket_t>(fd), events, &running);
    collectFinished();
    flushStates();
}

void Inet::onTimeout()
{
    int running = 0;
    curl_multi_socket_action(m_multi, CURL_SOCKET_TIMEOUT, 0, &running);
    collectFinished();
    flushStates();
}

void Inet::collectFinished()
{
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(m_multi, &left)) {
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == m_easy)
            finish(msg->data.result);
    }
}

void Inet::finish(int curlCode)
{
    curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &m_httpStatus);
    curl_off_t length = -1;
    curl_easy_getinfo(m_easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    long version = CURL_HTTP_VERSION_NONE;
    curl_easy_getinfo(m_easy, CURLINFO_HTTP_VERSION, &version);
    m_bodyDelimited = length >= 0 || m_chunked || version >= CURL_HTTP_VERSION_2_0;
    m_finished = true;
    m_errorCode = curlCode;
    if (curlCode != CURLE_OK) {
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

void Inet::releaseEasy()
{
    if (m_easy) {
        curl_multi_remove_handle(m_multi, m_easy);
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
