// The one sentence that says how the readings' verdicts differ, and why.
#include "base/Translate.h"
#include "rules/Readings.h"

#include <QCoreApplication>

#include <algorithm>
#include <vector>

namespace sf::rules {
namespace {

using Use = FirstMatchFile::LineUse;

SF_FILE_TRANSLATIONS("Readings")

QString readerName(Reading reading)
{
    switch (reading) {
    case Reading::Rfc9309:
        return tr("RFC 9309");
    case Reading::Google:
        return tr("Google");
    case Reading::FirstMatch:
        return tr("first-match");
    }
    return {};
}

QString verdictText(const Verdict& verdict)
{
    if (verdict.line > 0)
        return (verdict.allowed ? tr("allowed by line %1") : tr("blocked by line %1")).arg(verdict.line);
    return verdict.allowed ? tr("allowed") : tr("blocked");
}

QString lenientLineReason(const Line& line)
{
    return tr("because only Google's parser reads line %1, as \"%2\"").arg(line.number).arg(spelledOut(line));
}

// Why Google's crawler decides otherwise: it reads less of the file, or reads a line the RFC
// reading does not (the deciding line, a user-agent line of its group, else the first such line).
QString googleReason(const Readings& readings, const Verdict& google)
{
    if (readings.googleLastLine() > 0)
        return tr("because they stop reading at 500 KiB, in line %1").arg(readings.googleLastLine());
    if (readings.googleNulLine() > 0)
        return tr("because a NUL byte ends line %1 early for them").arg(readings.googleNulLine());
    const std::vector<Line>& lenient = readings.file(Reading::Google).lines();
    const std::vector<Line>& strict = readings.file(Reading::Rfc9309).lines();
    if (lenient.size() != strict.size())
        return {};
    const auto readOtherwise = [&](size_t i) { return lenient[i].kind != strict[i].kind; };
    if (google.line > 0) {
        const auto i = static_cast<size_t>(google.line - 1);
        if (readOtherwise(i))
            return lenientLineReason(lenient[i]);
        if (lenient[i].kind == LineKind::Allow && allowsIndexFolder(lenient[i].value))
            return tr("because Google's parser takes line %1 as also allowing the folder of the index.html "
                      "page")
                .arg(google.line);
        if (lenient[i].group >= 0) {
            for (const int a :
                 readings.file(Reading::Google).groups()[static_cast<size_t>(lenient[i].group)].agents)
                if (readOtherwise(static_cast<size_t>(a)))
                    return lenientLineReason(lenient[static_cast<size_t>(a)]);
        }
    }
    for (size_t i = 0; i < lenient.size(); ++i) {
        if (readOtherwise(i))
            return lenientLineReason(lenient[i]);
    }
    return {};
}

// Why a rule line the RFC reading decides by is not in the first-match reader's group.
QString missingRuleReason(const Readings& readings, const FirstMatchRules& rules, int line)
{
    const FirstMatchFile& file = readings.firstMatch();
    const RobotsTxt& txt = readings.file(Reading::Rfc9309);
    if (!isSpelledOut(txt.lines()[static_cast<size_t>(line - 1)]))
        return tr("because they do not read line %1: they know its key only spelled out, with a colon")
            .arg(line);
    if (file.stopLine() > 0 && line >= file.stopLine())
        return tr("because Python's URL parser rejects line %1 and they stop reading there")
            .arg(file.stopLine());
    const bool bomHidesAgent = !txt.lines().empty() && txt.lines().front().offset > 0 &&
                               txt.lines().front().kind == LineKind::UserAgent && file.use(1) != Use::Agent;
    if (bomHidesAgent)
        return tr("because the byte order mark makes line 1 unreadable for them");
    if (file.use(line) == Use::NoGroup)
        return tr("because a blank line before line %1 ends its group for them").arg(line);
    if (file.use(line) == Use::DroppedGroup)
        return tr("because they read only the first group for `*`, not the one with line %1").arg(line);
    if (rules.groupLine() > 0)
        return tr("because they read the group at line %1 for this crawler").arg(rules.groupLine());
    return tr("because no group applies to this crawler for them");
}

QString firstMatchReason(const Readings& readings, QByteArrayView token, QByteArrayView url,
                         const Verdict& rfc, const Verdict& firstMatch)
{
    const FirstMatchFile& file = readings.firstMatch();
    if (!file.readable())
        return tr("because the file is not valid UTF-8, which Python's robotparser cannot read");
    const FirstMatchRules rules = file.rulesFor(token);
    const QString percent = tr("because they decode %-escapes in rules and URLs before they compare them");
    if (!firstMatch.allowed && firstMatch.line == 0)
        return tr("because Python's URL parser rejects this URL");
    if (rfc.line == 0) {
        const std::vector<Rule> rfcRules = readings.file(Reading::Rfc9309).rulesFor(token).rules();
        const bool rfcReadsIt = std::any_of(rfcRules.begin(), rfcRules.end(),
                                            [&](const Rule& rule) { return rule.line == firstMatch.line; });
        return rfcReadsIt
                   ? percent
                   : tr("because they read the group at line %1 for this crawler").arg(rules.groupLine());
    }
    if (!rules.ruleAt(rfc.line))
        return missingRuleReason(readings, rules, rfc.line);
    const QByteArray pattern =
        normalisedPattern(readings.file(Reading::Rfc9309).lines()[static_cast<size_t>(rfc.line - 1)].value);
    const bool star = pattern.contains('*'), dollar = pattern.endsWith('$');
    if (star && dollar)
        return tr("because they read `*` and `$` as characters");
    if (star || dollar)
        return tr("because they read `%1` as a character").arg(QLatin1Char(star ? '*' : '$'));
    if (!patternMatches(pathOfUrl(std::string_view(url.data(), static_cast<size_t>(url.size()))),
                        pattern.toStdString()))
        return tr("because to them an Allow for an index.html page does not allow its folder");
    if (firstMatch.line > 0 && firstMatch.line < rfc.line)
        return tr("because the first line that matches decides for them, not the longest");
    return percent;
}

} // namespace

QString describeVerdicts(const Readings& readings, QByteArrayView productToken, QByteArrayView urlOrPath,
                         const std::array<Verdict, 3>& verdicts)
{
    // Readings with the same verdict and line, the RFC reading's first.
    std::vector<std::pair<Verdict, std::vector<Reading>>> groups;
    for (size_t i = 0; i < kReadings.size(); ++i) {
        const Verdict& v = verdicts[i];
        auto same = std::find_if(groups.begin(), groups.end(), [&](const auto& g) {
            return g.first.allowed == v.allowed && g.first.line == v.line;
        });
        if (same == groups.end())
            same = groups.insert(groups.end(), {v, {}});
        same->second.push_back(kReadings[i]);
    }
    if (groups.size() == 1)
        return tr("Every reading: %1.").arg(verdictText(verdicts[0]));
    QStringList parts;
    for (auto& [verdict, members] : groups) {
        // Named in the order of the window's example: Google, RFC 9309, first-match.
        std::sort(members.begin(), members.end(), [](Reading a, Reading b) {
            const auto rank = [](Reading r) {
                return r == Reading::Google ? 0 : r == Reading::Rfc9309 ? 1 : 2;
            };
            return rank(a) < rank(b);
        });
        QStringList names;
        for (const Reading r : members)
            names << readerName(r);
        QString part = tr("%1 readers: %2").arg(names.join(tr(" and ")), verdictText(verdict));
        if (std::find(members.begin(), members.end(), Reading::Rfc9309) == members.end()) {
            const QString lenient =
                members.front() == Reading::Google ? googleReason(readings, verdicts[1]) : QString();
            const QString reason = !lenient.isEmpty() ? lenient
                                                      : firstMatchReason(readings, productToken, urlOrPath,
                                                                         verdicts[0], verdicts[2]);
            if (!reason.isEmpty())
                part += tr(", ") + reason;
        }
        part[0] = part[0].toUpper();
        parts << part;
    }
    return parts.join(tr(". ")) + tr(".");
}

} // namespace sf::rules
