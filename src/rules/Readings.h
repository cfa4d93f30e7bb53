#pragma once

#include "rules/FirstMatchReading.h"
#include "rules/RobotsTxt.h"

#include <QString>

#include <array>
#include <optional>

namespace sf::rules {

// The ways crawlers read a robots.txt, over one parsed file:
//   rfc9309      RobotsTxt's own reading (RFC 9309, with Google's parser where the RFC leaves room):
//                the keys spelled out, with their colon; the program's default
//   google       Google's crawler: the file read with Google's leniencies (KeyReading::Google), the
//                first 500 KiB only, and a line ends at a NUL byte, as Google's parser reads its
//                lines as C strings
//   first-match  Python's robotparser before 3.15 and the tools built on it (FirstMatchFile)
//
//   Readings readings(txt);                                  // txt must outlive it
//   Verdict v = readings.check(Reading::FirstMatch, "FooBot", "/a.pdf");
//   ReadingRules rules = readings.rulesFor(Reading::Google, "FooBot"); // many URLs fast
enum class Reading { Rfc9309, Google, FirstMatch };
inline constexpr std::array<Reading, 3> kReadings{Reading::Rfc9309, Reading::Google, Reading::FirstMatch};

// "rfc9309", "google", "first-match": the names sfcheck takes.
const char* readingName(Reading reading);
std::optional<Reading> readingNamed(QByteArrayView name);
// What the window calls the reading.
QString readingLabel(Reading reading);

// Whether a line's key is written as the standard writes it ("User-agent", "Allow", "Disallow" or
// "Sitemap", in any case) and followed by a colon: the only form first-match readers take. True
// for lines of other kinds.
bool isSpelledOut(const Line& line);
// A user-agent, rule or sitemap line as the standard writes it: "Disallow: /x" for "Dissallow /x".
QString spelledOut(const Line& line);

// One crawler's rules in one reading.
class ReadingRules {
public:
    Verdict check(QByteArrayView urlOrPath) const;

private:
    friend class Readings;
    Reading m_reading = Reading::Rfc9309;
    RuleSet m_rules;
    FirstMatchRules m_firstMatch;
};

class Readings {
public:
    explicit Readings(const RobotsTxt& txt);

    // The file as the RFC 9309 reading, or Google's, parses it (the same file unless Google's
    // crawler reads less of it or reads some line otherwise).
    const RobotsTxt& file(Reading reading) const;
    const FirstMatchFile& firstMatch() const { return m_firstMatch; }
    // For Google's crawler: the last line it reads of a file over 500 KiB, and the first line a NUL
    // byte ends early; 0 when there is none.
    int googleLastLine() const { return m_googleLastLine; }
    int googleNulLine() const { return m_googleNulLine; }

    ReadingRules rulesFor(Reading reading, QByteArrayView productToken) const;
    Verdict check(Reading reading, QByteArrayView productToken, QByteArrayView urlOrPath) const;
    // The verdicts in the order of kReadings.
    std::array<Verdict, 3> checkAll(QByteArrayView productToken, QByteArrayView urlOrPath) const;

private:
    const RobotsTxt& m_txt;
    std::optional<RobotsTxt> m_google; // only when Google's crawler reads the file otherwise
    int m_googleLastLine = 0, m_googleNulLine = 0;
    FirstMatchFile m_firstMatch;
};

// How the readings' verdicts differ, in one sentence, e.g. "Google and RFC 9309 readers: blocked by
// line 7. First-match readers: allowed, because they read `*` as a character."; or that they agree.
QString describeVerdicts(const Readings& readings, QByteArrayView productToken, QByteArrayView urlOrPath,
                         const std::array<Verdict, 3>& verdicts);

} // namespace sf::rules
