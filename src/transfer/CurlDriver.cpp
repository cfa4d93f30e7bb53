#include "transfer/CurlDriver.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace sf::curl {

Driver::Driver(QObject* parent) : QObject(parent)
{
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
}

CURLM* Driver::multi()
{
    if (m_multi)
        return m_multi;
    m_multi = makeMulti();
    if (m_multi) {
        curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &Driver::onSocket);
        curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
        curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &Driver::onTimer);
        curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
    }
    return m_multi;
}

Driver::~Driver()
{
    // Closing the pooled connections still reaches the callbacks, while the notifiers are there.
    m_multi.reset();
}

bool Driver::start(CURL* easy)
{
    if (!easy || !multi() || curl_multi_add_handle(m_multi, easy) != CURLM_OK)
        return false;
    m_transfers.insert(easy);
    rearm();
    return true;
}

void Driver::stop(CURL* easy)
{
    if (m_multi && easy)
        curl_multi_remove_handle(m_multi, easy);
    m_transfers.remove(easy);
}

CURLcode Driver::run(CURL* easy, const std::function<bool()>& goOn)
{
    if (!QCoreApplication::instance() || !start(easy))
        return CURLE_FAILED_INIT;
    bool done = false;
    CURLcode result = CURLE_OK;
    const auto connection = connect(this, &Driver::finished, this, [&](CURL* ended, int code) {
        if (ended == easy) {
            done = true;
            result = static_cast<CURLcode>(code);
        }
    });
    while (!done) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (!done && goOn && !goOn()) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
    }
    disconnect(connection);
    stop(easy); // the connection of a finished transfer stays in the pool for the next one
    return result;
}

int Driver::onSocket(CURL*, curl_socket_t fd, int what, void* self, void*)
{
    static_cast<Driver*>(self)->watch(fd, what);
    return 0;
}

int Driver::onTimer(CURLM*, long timeoutMs, void* self)
{
    auto* driver = static_cast<Driver*>(self);
    driver->m_curlDeadline =
        timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeoutMs, Qt::PreciseTimer);
    driver->rearm();
    return 0;
}

void Driver::watch(curl_socket_t fd, int what)
{
    // The notifiers of a socket stay (disabled) once made: a later socket with the same number
    // takes them over, and none is deleted inside its own activation.
    if (what == CURL_POLL_REMOVE && !m_watches.contains(fd))
        return;
    Watch& entry = m_watches[fd];
    if (!entry.read) {
        entry.read = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        entry.write = new QSocketNotifier(fd, QSocketNotifier::Write, this);
        connect(entry.read, &QSocketNotifier::activated, this, [this, fd] { act(fd, CURL_CSELECT_IN); });
        connect(entry.write, &QSocketNotifier::activated, this, [this, fd] { act(fd, CURL_CSELECT_OUT); });
    }
    entry.what = what == CURL_POLL_REMOVE ? CURL_POLL_NONE : what;
    enable(entry, true);
}

void Driver::enable(const Watch& watch, bool on)
{
    watch.read->setEnabled(on && (watch.what & CURL_POLL_IN));
    watch.write->setEnabled(on && (watch.what & CURL_POLL_OUT));
}

void Driver::rearm()
{
    qint64 wait = m_curlDeadline.remainingTime(); // -1: libcurl waits for its sockets only
    if (m_stepCapMs > 0 && !m_transfers.isEmpty())
        wait = wait < 0 ? m_stepCapMs : std::min<qint64>(wait, m_stepCapMs);
    if (wait < 0)
        m_timer->stop();
    else
        m_timer->start(static_cast<int>(std::min<qint64>(wait, 24LL * 3600 * 1000)));
}

void Driver::act(curl_socket_t fd, int events)
{
    if (m_acting) {
        // A callback of libcurl let events run (a question shown in a nested event loop): libcurl
        // cannot be entered again now. The socket waits, quiet, until libcurl returns.
        if (fd != CURL_SOCKET_TIMEOUT && m_watches.contains(fd))
            enable(m_watches[fd], false);
        m_missedEvent = true;
        return;
    }
    if (!m_multi)
        return; // nothing was ever started
    QPointer<Driver> alive(this);
    m_acting = true;
    int running = 0;
    if (fd == CURL_SOCKET_TIMEOUT && m_stepCapMs > 0 && !m_transfers.isEmpty()) {
        // Every transfer, and every socket it needs watched from now on: libcurl's own timer and
        // wait set may have missed one (see the FTP session).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        curl_multi_socket_all(m_multi, &running);
#pragma GCC diagnostic pop
    } else {
        curl_multi_socket_action(m_multi, fd, events, &running);
    }
    m_acting = false;
    if (std::exchange(m_missedEvent, false))
        for (const Watch& entry : std::as_const(m_watches))
            enable(entry, true);
    collectFinished();
    if (!alive)
        return; // a handler of `finished` closed the transfer's owner and this driver with it
    rearm();
    emit stepped();
}

void Driver::collectFinished()
{
    QPointer<Driver> alive(this);
    int left = 0;
    while (alive && m_multi) {
        CURLMsg* message = curl_multi_info_read(m_multi, &left);
        if (!message)
            break;
        if (message->msg != CURLMSG_DONE)
            continue;
        m_transfers.remove(message->easy_handle);
        emit finished(message->easy_handle, message->data.result);
    }
}

} // namespace sf::curl
