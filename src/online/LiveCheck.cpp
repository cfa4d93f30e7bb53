#include "online/LiveCheck.h"

#include "base/Translate.h"
#include "rules/RobotsTxt.h"
#include "transfer/Inet.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QList>
#include <QUrl>

#include <curl/curl.h>

namespace sf::online {
namespace {

SF_FILE_TRANSLATIONS("sf::LiveCheck")

// One line of a file and the line end that closed it ("" for the last line without one).
struct TextLine {
    QByteArray text;
    QByteArray end;
};

// The lines as readers split them: CR LF, LF and CR each end a line. A line end at the very end
// of the file closes its last line and opens no other.
QList<TextLine> splitLines(const QByteArray& bytes)
{
    QList<TextLine> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n' && bytes[i] != '\r')
            continue;
        const qsizetype endLength = bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n' ? 2 : 1;
        lines.append({bytes.mid(start, i - start), bytes.mid(i, endLength)});
        i += endLength - 1;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.append({bytes.mid(start), QByteArray()});
    return lines;
}

// The bytes with what cannot be seen written out: CR, LF, tabs and other control characters.
QByteArray visible(const QByteArray& bytes)
{
    QByteArray shown;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r')
            shown += "\\r";
        else if (c == '\n')
            shown += "\\n";
        else if (c == '\t')
            shown += "\\t";
        else if (u < 0x20 || u == 0x7f)
            shown += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0');
        else
            shown += c;
    }
    return shown;
}

// The line in quotes with its line end made visible ("Disallow: /\r\n"); cut when very long.
QString shownLine(const TextLine& line)
{
    constexpr qsizetype kLongest = 200;
    const QByteArray text = line.text.size() > kLongest ? line.text.left(kLongest) + "..." : line.text;
    return u'"' + QString::fromUtf8(visible(text) + visible(line.end)) + u'"';
}

// The first line where the two files differ, line ends aside. A served file cut at the crawlers'
// limit is compared as far as it was read: its last line, cut, need only begin the expected line,
// and expected lines beyond it were never read.
void findDifference(const QByteArray& served, bool cut, const QByteArray& expected, LiveReport& report)
{
    const QList<TextLine> a = splitLines(served);
    const QList<TextLine> b = splitLines(expected);
    const bool partialLast = cut && !a.isEmpty() && a.last().end.isEmpty();
    const qsizetype whole = a.size() - (partialLast ? 1 : 0);
    qsizetype i = 0;
    while (i < whole && i < b.size() && a.at(i).text == b.at(i).text)
        ++i;
    const bool same = i == whole && (partialLast ? i < b.size() && b.at(i).text.startsWith(a.at(i).text)
                                                 : cut || i == b.size());
    report.differingLine = same ? 0 : static_cast<int>(i + 1);
    if (same)
        return;
    report.servedLine = i < a.size() ? shownLine(a.at(i)) : tr("(the file ends)");
    report.sentLine = i < b.size() ? shownLine(b.at(i)) : tr("(the file ends)");
}

// What a file larger than crawlers read means; the served file was read no further than that.
QString sizeText(const LiveFile& file)
{
    QString text = tr("robots.txt is larger than 500 KiB; crawlers may read only its first 500 KiB.");
    if (file.isCut())
        text += u' ' + tr("The site's file is larger than crawlers read: its first 500 KiB were read and "
                          "compared, the rest was not read.");
    return text;
}

QString statusText(const LiveFile& file)
{
    if (file.status == 0)
        return file.error.isEmpty() ? tr("no answer") : file.error;
    return tr("status %1").arg(file.status);
}

} // namespace

QString liveRobotsUrl(const QString& siteAddress)
{
    QString address = siteAddress.trimmed();
    while (address.endsWith(u'/'))
        address.chop(1);
    if (!address.contains(QLatin1String("://")))
        address.prepend(QLatin1String("https://"));
    return address + QLatin1String("/robots.txt");
}

bool LiveFile::isCut() const
{
    return body.size() > kCrawlerReadLimit;
}

bool LiveFile::otherHost() const
{
    const QUrl asked(url), reached(finalUrl);
    return reached.isValid() && !reached.host().isEmpty() &&
           asked.host().compare(reached.host(), Qt::CaseInsensitive) != 0;
}

LiveReport judgeLive(const LiveFile& file, const QByteArray& expected)
{
    LiveReport report;
    if (file.otherHost() && file.status != 0)
        report.otherHostUrl = file.finalUrl;
    const bool cut = file.body.size() > kCrawlerReadLimit;
    report.tooLarge = cut || expected.size() > kCrawlerReadLimit;
    if (file.tooManyRedirects || (file.status >= 400 && file.status < 500)) {
        report.kind = LiveReport::Kind::NotFound;
    } else if (file.status < 200 || file.status >= 500) {
        report.kind = LiveReport::Kind::Unavailable;
    } else {
        // Crawlers read the first 500 KiB; the lines there are what they follow.
        findDifference(file.body.left(kCrawlerReadLimit), cut, expected, report);
        report.kind = report.differingLine == 0 ? LiveReport::Kind::SameFile : LiveReport::Kind::OtherFile;
    }
    return report;
}

QString LiveReport::text(const LiveFile& file, const QString& expectedName) const
{
    QString text;
    if (!otherHostUrl.isEmpty())
        text = tr("%1 redirects to another host, %2; crawlers follow it and read the file there.")
                   .arg(file.url, otherHostUrl) +
               QStringLiteral("\n\n");
    switch (kind) {
    case Kind::SameFile:
        text += tr("The site serves %1 at %2.").arg(expectedName, file.url);
        break;
    case Kind::OtherFile:
        text += tr("The site serves a different robots.txt at %1. The first difference is line %2:\n"
                   "served: %3\n%4: %5\n\nLikely causes: a wrong site folder, a cache or CDN in "
                   "front of the site still holding the old file, or a robots.txt that the server or "
                   "hosting panel makes itself.")
                    .arg(file.url)
                    .arg(differingLine)
                    .arg(servedLine, expectedName, sentLine);
        break;
    case Kind::NotFound:
        text += file.tooManyRedirects
                    ? tr("%1 leads through more than five redirects: crawlers take robots.txt as missing, "
                         "and everything as allowed.")
                          .arg(file.url)
                    : tr("The site answers %1 with status %2: crawlers take everything as allowed.")
                          .arg(file.url)
                          .arg(file.status);
        break;
    case Kind::Unavailable:
        text += tr("The site does not serve %1 (%2): while this lasts crawlers treat the whole site as "
                   "disallowed.")
                    .arg(file.url, statusText(file));
        break;
    }
    if (tooLarge)
        text += QStringLiteral("\n\n") + sizeText(file);
    return text;
}

QString crawlerReading(const LiveFile& file)
{
    const LiveReport report = judgeLive(file, file.body);
    if (report.kind != LiveReport::Kind::SameFile)
        return report.text(file, QString());
    const rules::RobotsTxt txt(file.body.left(kCrawlerReadLimit));
    int groups = 0, rules = 0;
    for (const rules::Line& line : txt.lines()) {
        groups += line.kind == rules::LineKind::UserAgent ? 1 : 0;
        rules += line.kind == rules::LineKind::Allow || line.kind == rules::LineKind::Disallow ? 1 : 0;
    }
    const QString size = file.isCut() ? tr("more than 500 KiB (its first 500 KiB read)")
                                      : tr("%1 bytes").arg(file.body.size());
    QString text = tr("status %1: %2, %3 user-agent line(s), %4 rule(s); crawlers follow its rules.")
                       .arg(file.status)
                       .arg(size)
                       .arg(groups)
                       .arg(rules);
    if (!report.otherHostUrl.isEmpty())
        text += u'\n' + tr("Served from another host: %1").arg(report.otherHostUrl);
    if (report.tooLarge)
        text += u'\n' + sizeText(file);
    return text;
}

LiveFetch::LiveFetch(QObject* parent) : QObject(parent), m_inet(new Inet(this))
{
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, &LiveFetch::onTimeLimit);
    connect(m_inet, &Inet::StateChanged, this, &LiveFetch::onState);
}

LiveFetch::~LiveFetch()
{
    m_inet->Cancel();
}

bool LiveFetch::start(const QString& siteAddress, int limitMs)
{
    if (isRunning())
        return false;
    m_file = LiveFile{};
    m_file.url = liveRobotsUrl(siteAddress);
    m_inet->SetRequestTimeout(std::max(1, limitMs / 1000));
    m_inet->SetBodyLimit(kCrawlerReadLimit);
    m_inet->Execute(m_file.url, QStringLiteral("GET"));
    m_limit.start(limitMs);
    return true;
}

bool LiveFetch::isRunning() const
{
    return m_limit.isActive();
}

void LiveFetch::cancel()
{
    m_limit.stop();
    m_inet->Cancel();
}

LiveFile LiveFetch::fetch(const QString& siteAddress, int limitMs)
{
    LiveFile result;
    QEventLoop loop;
    const auto done = connect(this, &LiveFetch::finished, &loop, [&](const LiveFile& file) {
        result = file;
        loop.quit();
    });
    if (start(siteAddress, limitMs))
        loop.exec();
    disconnect(done);
    return result;
}

void LiveFetch::onState(int state)
{
    if (!isRunning() || (state != Inet::Error && state != Inet::ResponseCompleted))
        return;
    m_limit.stop();
    m_file.finalUrl = m_inet->EffectiveURL();
    m_file.redirects = m_inet->RedirectCount();
    m_file.tooManyRedirects = m_inet->ResponseCode() == CURLE_TOO_MANY_REDIRECTS;
    // A file larger than crawlers read ends the reading at the byte after their limit: the status
    // and what arrived are the answer.
    if (state == Inet::ResponseCompleted || m_inet->BodyTooLarge()) {
        m_file.status = m_inet->HttpStatus();
        for (QByteArray chunk; !(chunk = m_inet->GetChunk(1 << 20)).isEmpty();)
            m_file.body += chunk;
    } else {
        m_file.error = m_inet->ResponseInfo();
    }
    emit finished(m_file);
}

void LiveFetch::onTimeLimit()
{
    m_inet->Cancel();
    m_file.error = tr("no answer within %1 seconds").arg(m_limit.interval() / 1000.0);
    emit finished(m_file);
}

} // namespace sf::online
