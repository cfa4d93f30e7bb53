#pragma once

#include "transfer/Curl.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QObject>
#include <QSet>

#include <functional>

class QSocketNotifier;
class QTimer;

namespace sf::curl {

// Runs the transfers of one multi handle from the event loop of the thread it belongs to: libcurl
// names the sockets to watch (socket notifiers) and when to look again (a timer), so nothing polls
// unless setStepCap asks for it, and the window's events run between libcurl's steps. The FTP session waits
// for one transfer with run(); the web transfer control starts one and hears of its end through `finished`.
class Driver : public QObject {
    Q_OBJECT
public:
    explicit Driver(QObject* parent = nullptr);
    ~Driver() override;
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    // Whether libcurl gave the driver its multi handle, which it asks for on the first use: a
    // window that never transfers anything never starts libcurl and its TLS library.
    bool isValid() { return multi() != nullptr; }
    // While a transfer runs, every transfer is looked at least every `ms` milliseconds, whatever
    // libcurl's wait set and timer say (0: never beyond them).
    void setStepCap(int ms) { m_stepCapMs = ms; }

    // Starts a transfer; `finished` reports its end. False when libcurl refuses the handle.
    bool start(CURL* easy);
    // Ends a transfer at once (its connection is closed when it was still running); no `finished`.
    void stop(CURL* easy);
    // Starts a transfer and lets the thread's events run until it has ended. goOn is asked after
    // every round of events; when it says false the transfer is stopped and the result is
    // CURLE_ABORTED_BY_CALLBACK. Needs the application object's event loop.
    CURLcode run(CURL* easy, const std::function<bool()>& goOn = {});

signals:
    void finished(CURL* easy, int result);
    // After every step libcurl took (and after `finished`, when one ended).
    void stepped();

private:
    struct Watch {
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
        int what = CURL_POLL_NONE;
    };
    static int onSocket(CURL*, curl_socket_t fd, int what, void* self, void*);
    static int onTimer(CURLM*, long timeoutMs, void* self);
    void watch(curl_socket_t fd, int what);
    void enable(const Watch& watch, bool on);
    void rearm();
    void act(curl_socket_t fd, int events);
    void collectFinished();
    CURLM* multi();

    Multi m_multi;
    QTimer* m_timer = nullptr;
    QDeadlineTimer m_curlDeadline{QDeadlineTimer::Forever}; // when libcurl asked to be called
    int m_stepCapMs = 0;
    QSet<CURL*> m_transfers; // started, not yet ended
    QHash<curl_socket_t, Watch> m_watches;
    bool m_acting = false; // inside libcurl: an event now must wait for it to return
    bool m_missedEvent = false;
};

} // namespace sf::curl
