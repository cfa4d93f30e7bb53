#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

namespace sf {
class Inet;
}

// What the web site really serves as robots.txt, read the way crawlers read it: the file at the top
// of the site address, redirects followed (at most five), and a reading given up after ten seconds.
namespace sf::online {

inline constexpr qint64 kCrawlerReadLimit = 500 * 1024; // crawlers may read no more than this
inline constexpr int kLiveCheckLimitMs = 10000;

// "<address>/robots.txt"; an address without a scheme is taken as https.
QString liveRobotsUrl(const QString& siteAddress);

// The answer the site gave.
struct LiveFile {
    QString url;      // what was asked for
    QString finalUrl; // where the redirects led
    int redirects = 0;
    long status = 0; // 0: no answer came
    // What arrived: read no further than one byte past the 500 KiB crawlers read.
    QByteArray body;
    QString error; // why no answer came
    bool tooManyRedirects = false;

    // Whether the file is larger than crawlers read (then only its first 500 KiB and a byte came).
    bool isCut() const;
    // Whether the redirects led to another host than the address's.
    bool otherHost() const;
};

// What the answer means, beside the file it is compared with.
struct LiveReport {
    enum class Kind {
        SameFile,    // the site serves the file compared with
        OtherFile,   // the site serves another robots.txt
        NotFound,    // 4xx (or too many redirects): crawlers take everything as allowed
        Unavailable, // 5xx or no answer: crawlers keep away from the whole site meanwhile
    };
    Kind kind = Kind::Unavailable;
    QString otherHostUrl; // set when the file came from another host
    // OtherFile: the first line that differs (1-based), line ends aside, and the two lines in quotes
    // with their line ends written out ("Disallow: /\r\n").
    int differingLine = 0;
    QString servedLine;
    QString sentLine;
    bool tooLarge = false; // either file is over the 500 KiB crawlers read

    // The report for the user; expectedName says what the served file was compared with ("the
    // file just uploaded").
    QString text(const LiveFile& file, const QString& expectedName) const;
};

// Judges the answer against the file expected there: the same when their lines are the same, as
// far as crawlers read (the first 500 KiB), whatever ends them (CR LF, LF or CR).
LiveReport judgeLive(const LiveFile& file, const QByteArray& expected);
// What crawlers make of the answer alone: the status and what it means to them.
QString crawlerReading(const LiveFile& file);

// Reads robots.txt of a site address in the background; the window goes on meanwhile.
class LiveFetch : public QObject {
    Q_OBJECT
public:
    explicit LiveFetch(QObject* parent = nullptr);
    ~LiveFetch() override;

    // Starts the reading; false when one is still running.
    bool start(const QString& siteAddress, int limitMs = kLiveCheckLimitMs);
    bool isRunning() const;
    void cancel();
    // Starts and waits for the answer, letting events run.
    LiveFile fetch(const QString& siteAddress, int limitMs = kLiveCheckLimitMs);

signals:
    void finished(const sf::online::LiveFile& file);

private:
    void onState(int state);
    void onTimeLimit();

    Inet* m_inet = nullptr;
    QTimer m_limit;
    LiveFile m_file;
};

} // namespace sf::online

Q_DECLARE_METATYPE(sf::online::LiveFile)
