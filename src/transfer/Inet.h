#pragma once

#include "transfer/Curl.h"
#include "transfer/CurlDriver.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <algorithm>
#include <deque>

namespace sf {

// The Internet transfer control: one HTTP or HTTPS request at a time, run on the thread that owns
// the object. Execute returns at once; the transfer runs while that thread's event loop runs (or
// while a caller pumps events) and reports its steps with StateChanged. The whole body is kept and
// read back with GetChunk, up to a limit that no server can pass (BodyLimit).
class Inet : public QObject {
    Q_OBJECT
public:
    // The numbers StateChanged carries.
    enum State {
        ResolvingHost = 1,
        HostResolved = 2,
        Connecting = 3,
        Connected = 4,
        Requesting = 5,
        RequestSent = 6,
        ReceivingResponse = 7,
        ResponseReceived = 8,
        Disconnecting = 9,
        Disconnected = 10,
        Error = 11,
        ResponseCompleted = 12,
    };

    // The most a body may hold unless the request's owner sets another limit: the size of the small
    // answers (web functions, the version page, a submission's reply) with room to spare.
    static constexpr qint64 kDefaultBodyLimit = 1024 * 1024;

    explicit Inet(QObject* parent = nullptr);
    ~Inet() override;
    Inet(const Inet&) = delete;
    Inet& operator=(const Inet&) = delete;

    QString URL() const { return m_url; }
    void SetURL(const QString& url) { m_url = url; }

    // Seconds without any progress after which a request fails (0: never); also bounds the connect.
    int RequestTimeout() const { return m_requestTimeout; }
    void SetRequestTimeout(int seconds) { m_requestTimeout = seconds; }

    // The most bytes a body may hold. The byte after them ends the request: the body then holds the
    // limit and that one byte more, BodyTooLarge() is true and the request fails (state 11) with
    // CURLE_FILESIZE_EXCEEDED and a text that names the limit. Kept for the requests that follow.
    qint64 BodyLimit() const { return m_bodyLimit; }
    void SetBodyLimit(qint64 bytes) { m_bodyLimit = std::max<qint64>(0, bytes); }
    bool BodyTooLarge() const { return m_tooLarge; }
    // "The server sent more than 1 MiB, the most this download may bring" for the limit.
    static QString TooLargeText(qint64 limit);

    // GET of URL(); returns once the request has ended, letting events run meanwhile (state events
    // included). The body as received, whatever the status; empty when the request failed.
    QByteArray OpenURL();
    // Starts "GET" or "POST" (any case) and returns at once. headers: lines separated by CR LF or LF.
    // Returns false only when a request is still running; every other failure arrives as state 11.
    bool Execute(const QString& url, const QString& operation, const QByteArray& body = {},
                 const QString& headers = {});
    bool StillExecuting() const { return m_easy != nullptr; }
    // The next part of the body, at most size bytes; empty once everything has been read.
    QByteArray GetChunk(int size);
    // Ends the running request and its connection; no state events follow.
    void Cancel();

    // About the last request: error number (0 when none) and its text, the HTTP status (0 when no
    // response came), the bytes of body received so far, and whether it ended without an error.
    int ResponseCode() const { return m_errorCode; }
    QString ResponseInfo() const { return m_errorText; }
    long HttpStatus() const { return m_httpStatus; }
    qint64 BytesReceived() const { return m_body.size(); }
    bool Succeeded() const { return m_finished && m_errorCode == 0; }
    // Whether the last response said where its body ends (a length, a chunked end, an HTTP/2 or
    // later stream), so that a body cut short by a closed connection cannot pass for a whole one.
    bool BodyDelimited() const { return m_bodyDelimited; }
    // Where the last request ended after the redirects it followed (at most five), and how many.
    QString EffectiveURL() const { return m_effectiveUrl; }
    int RedirectCount() const { return m_redirectCount; }
    // Trusted certificates for HTTPS in a PEM file; empty uses the system's.
    void SetCaCertificates(const QString& pemFile) { m_caFile = pemFile; }
    // Whether the next requests follow redirects (the default); without, a 3xx is the answer.
    void SetFollowRedirects(bool follow) { m_followRedirects = follow; }

signals:
    void StateChanged(int state);

private:
    struct Curl;
    friend struct Curl;

    void setupEasy(const QString& url, bool post, const QByteArray& body, const QString& headers);
    void setCallbacks();
    void setTimeouts();
    void setRequest(bool post, const QByteArray& body, const QString& headers);
    void finish(int curlCode);
    void readWhereItEnded();
    void releaseEasy();
    void queueState(int state);
    void flushStates();
    void failLater(int code, const QString& text);

    curl::Driver* m_driver = nullptr;
    curl::Easy m_easy;
    curl::StringList m_headerList;
    std::deque<int> m_pendingStates;
    bool m_flushing = false;

    QString m_url;
    QString m_caFile;
    bool m_followRedirects = true;
    int m_requestTimeout = 60;
    qint64 m_bodyLimit = kDefaultBodyLimit;
    bool m_tooLarge = false;
    QByteArray m_postBody;
    QByteArray m_body;
    qsizetype m_readPos = 0;
    long m_httpStatus = 0;
    QString m_effectiveUrl;
    int m_redirectCount = 0;
    int m_errorCode = 0;
    QString m_errorText;
    bool m_finished = false;
    bool m_sawHeader = false;
    bool m_sawBody = false;
    bool m_chunked = false;
    bool m_bodyDelimited = false;
    char m_errorBuffer[256] = {};
};

} // namespace sf
