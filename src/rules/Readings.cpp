#include "rules/Readings.h"

#include "rules/RobotsLint.h"

#include <QCoreApplication>

namespace sf::rules {
namespace {

// The bytes Google's crawler parses: the first 500 KiB, and each line only up to a NUL byte (one
// space stands for the rest, so that a CR and LF around it still end two lines).
QByteArray googleBytes(QByteArrayView text)
{
    QByteArray out = text.first(std::min(text.size(), kCrawlerReadLimit)).toByteArray();
    for (qsizetype nul = out.indexOf('\0'); nul >= 0; nul = out.indexOf('\0', nul + 1)) {
        qsizetype end = nul;
        while (end < out.size() && out[end] != '\n' && out[end] != '\r')
            ++end;
        out.replace(nul, end - nul, " ");
    }
    return out;
}

// The line that holds the byte at offset.
int lineAt(const RobotsTxt& txt, qsizetype offset)
{
    int number = 1;
    for (const Line& line : txt.lines()) {
        if (line.offset > offset)
            break;
        number = line.number;
    }
    return number;
}

} // namespace

const char* readingName(Reading reading)
{
    switch (reading) {
    case Reading::Rfc9309:
        return "rfc9309";
    case Reading::Google:
        return "google";
    case Reading::FirstMatch:
        return "first-match";
    }
    return "";
}

std::optional<Reading> readingNamed(QByteArrayView name)
{
    for (const Reading reading : kReadings) {
        if (name == readingName(reading))
            return reading;
    }
    return std::nullopt;
}

QString readingLabel(Reading reading)
{
    switch (reading) {
    case Reading::Rfc9309:
        return QCoreApplication::translate("Readings", "RFC 9309 (the standard)");
    case Reading::Google:
        return QCoreApplication::translate("Readings", "Google's parser");
    case Reading::FirstMatch:
        return QCoreApplication::translate(
            "Readings", "first match, no wildcards (Python's robotparser before 3.15 and tools built on it)");
    }
    return {};
}

bool isSpelledOut(const Line& line)
{
    const char* word = line.kind == LineKind::UserAgent  ? "user-agent"
                       : line.kind == LineKind::Allow    ? "allow"
                       : line.kind == LineKind::Disallow ? "disallow"
                       : line.kind == LineKind::Sitemap  ? "sitemap"
                                                         : nullptr;
    if (!word)
        return true;
    const qsizetype hash = line.text.indexOf('#');
    return QByteArrayView(line.text).first(hash >= 0 ? hash : line.text.size()).contains(':') &&
           line.key.compare(word, Qt::CaseInsensitive) == 0;
}

QString spelledOut(const Line& line)
{
    const char* key = line.kind == LineKind::UserAgent  ? "User-agent"
                      : line.kind == LineKind::Allow    ? "Allow"
                      : line.kind == LineKind::Disallow ? "Disallow"
                                                        : "Sitemap";
    return QStringLiteral("%1: %2").arg(QLatin1String(key), QString::fromUtf8(line.value));
}

Verdict ReadingRules::check(QByteArrayView urlOrPath) const
{
    if (m_reading == Reading::FirstMatch)
        return m_firstMatch.check(urlOrPath);
    // A path without a host or fragment is matched as it is.
    if (urlOrPath.startsWith('/') && !urlOrPath.startsWith("//") && !urlOrPath.contains('#'))
        return m_rules.checkPath(std::string_view(urlOrPath.data(), static_cast<size_t>(urlOrPath.size())));
    return m_rules.check(urlOrPath);
}

Readings::Readings(const RobotsTxt& txt) : m_txt(txt), m_firstMatch(txt)
{
    const QByteArray& text = txt.text();
    const qsizetype nul = text.indexOf('\0');
    if (text.size() > kCrawlerReadLimit)
        m_googleLastLine = lineAt(txt, kCrawlerReadLimit - 1);
    if (nul >= 0 && nul < kCrawlerReadLimit)
        m_googleNulLine = lineAt(txt, nul);
    if (m_googleLastLine > 0 || m_googleNulLine > 0)
        m_google.emplace(googleBytes(text), KeyReading::Google);
    else if (txt.googleReadsOtherwise())
        m_google.emplace(text, KeyReading::Google);
}

const RobotsTxt& Readings::file(Reading reading) const
{
    return reading == Reading::Google && m_google ? *m_google : m_txt;
}

ReadingRules Readings::rulesFor(Reading reading, QByteArrayView productToken) const
{
    ReadingRules rules;
    rules.m_reading = reading;
    if (reading == Reading::FirstMatch)
        rules.m_firstMatch = m_firstMatch.rulesFor(productToken);
    else
        rules.m_rules = file(reading).rulesFor(productToken);
    return rules;
}

Verdict Readings::check(Reading reading, QByteArrayView productToken, QByteArrayView urlOrPath) const
{
    return rulesFor(reading, productToken).check(urlOrPath);
}

std::array<Verdict, 3> Readings::checkAll(QByteArrayView productToken, QByteArrayView urlOrPath) const
{
    std::array<Verdict, 3> out;
    for (size_t i = 0; i < kReadings.size(); ++i)
        out[i] = check(kReadings[i], productToken, urlOrPath);
    return out;
}

} // namespace sf::rules
