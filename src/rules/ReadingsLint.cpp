#include "rules/ReadingsLint.h"

#include "base/Translate.h"
#include "rules/FirstMatchText.h"
#include "rules/Readings.h"

#include <QCoreApplication>

namespace sf::rules {
namespace {

using Use = FirstMatchFile::LineUse;

SF_FILE_TRANSLATIONS("RobotsLint")

bool isRule(const Line& line)
{
    return line.kind == LineKind::Allow || line.kind == LineKind::Disallow;
}

std::string_view view(const QByteArray& bytes)
{
    return std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()));
}

void lintBytes(const RobotsTxt& txt, std::vector<LintProblem>& out)
{
    const std::vector<Line>& lines = txt.lines();
    if (!lines.empty() && lines.front().offset > 0)
        out.push_back(
            {1,
             tr("the file starts with a byte order mark: RFC 9309 and Google readers skip it, but "
                "first-match readers take it for part of line 1 and ignore that line. Save the file "
                "without a byte order mark so every reading agrees"),
             LintKind::ByteOrderMark});
    for (const Line& line : lines) {
        if (!firstmatch::isValidUtf8(view(line.text))) {
            out.push_back({line.number,
                           tr("this line is not valid UTF-8: first-match readers (Python's "
                              "robotparser) cannot read the file at all, and then fetch nothing. "
                              "Save the file as UTF-8, or write the characters percent-encoded, so "
                              "every reading agrees"),
                           LintKind::NotUtf8});
            return;
        }
    }
}

// The lines only Google's leniencies read: a key misspelt or without its colon, and an Allow for an
// index.html page, which Google's parser also takes for its folder.
void lintLenientLines(const RobotsTxt& txt, std::vector<LintProblem>& out)
{
    if (!txt.googleReadsOtherwise())
        return;
    const RobotsTxt google(txt.text(), KeyReading::Google);
    for (size_t i = 0; i < txt.lines().size() && i < google.lines().size(); ++i) {
        const Line& line = google.lines()[i];
        if (line.kind != txt.lines()[i].kind)
            out.push_back({line.number,
                           tr("only Google's parser reads this line, as \"%1\"; RFC 9309 and first-match "
                              "readers ignore it. Write \"%1\" so every reading agrees")
                               .arg(spelledOut(line)),
                           LintKind::GoogleOnlyLine});
        else if (line.kind == LineKind::Allow && allowsIndexFolder(line.value))
            out.push_back({line.number,
                           tr("Google's parser takes this rule as also allowing the folder of the index.html "
                              "page; RFC 9309 and first-match readers allow only the page"),
                           LintKind::IndexFolder});
    }
}

void lintLine(const Line& line, std::vector<LintProblem>& out)
{
    if (line.kind == LineKind::UserAgent && line.value.isEmpty())
        out.push_back({line.number,
                       tr("an empty User-agent names no crawler for RFC 9309 and Google readers, "
                          "but first-match readers apply the group to every crawler. Name the "
                          "crawler, or write \"*\", so every reading agrees"),
                       LintKind::EmptyAgent});
    if (!isRule(line))
        return;
    const QByteArray pattern = normalisedPattern(line.value);
    const QString verb = line.kind == LineKind::Allow ? tr("allows") : tr("blocks");
    QByteArray plain = line.value;
    while (plain.endsWith('*'))
        plain.chop(1);
    if (plain.size() < line.value.size() && !plain.contains('*') && !plain.endsWith('$')) {
        // "*" alone is every path, as "/" is.
        out.push_back(
            {line.number,
             tr("first-match readers read \"*\" as a plain character, so for them this rule "
                "%1 only URLs with a \"*\" in them. A final \"*\" changes nothing for "
                "the others: write \"%2: %3\" so every reading agrees")
                 .arg(verb,
                      line.kind == LineKind::Allow ? QStringLiteral("Allow") : QStringLiteral("Disallow"),
                      QString::fromUtf8(plain.isEmpty() ? QByteArray("/") : plain)),
             LintKind::FinalStar});
    } else if (pattern.contains('*') || pattern.endsWith('$')) {
        out.push_back({line.number,
                       tr("first-match readers read \"*\" and \"$\" as plain characters: for them "
                          "this rule %1 only URLs that contain them as written. Only a plain path "
                          "(without \"*\" and \"$\") means the same to every reader")
                           .arg(verb),
                       LintKind::PlainWildcard});
    }
}

// In each group, a rule that an earlier rule of the other kind shadows for first-match readers:
// the earlier one begins every URL the later one matches, so it decides them first.
void lintOrder(const RobotsTxt& txt, std::vector<LintProblem>& out)
{
    const std::vector<Line>& lines = txt.lines();
    for (const Group& group : txt.groups()) {
        PrefixIndex earlier;
        std::vector<std::pair<int, bool>> seen; // (line, the reader's allowance)
        for (const int r : group.rules) {
            const Line& line = lines[static_cast<size_t>(r)];
            const QByteArray pattern = normalisedPattern(line.value);
            if (!isSpelledOut(line) || pattern.contains('*') || pattern.endsWith('$'))
                continue;
            const std::optional<std::string> path =
                firstmatch::reparse(firstmatch::unquote(firstmatch::replaceInvalidUtf8(view(line.value))));
            if (!path)
                continue;
            const std::string quoted = firstmatch::quote(*path);
            // An empty Disallow allows everything for these readers.
            const bool allow = line.kind == LineKind::Allow || line.value.isEmpty();
            const int first = earlier.first(quoted);
            if (first >= 0 && seen[static_cast<size_t>(first)].second != allow)
                out.push_back(
                    {line.number,
                     tr("first-match readers never get to this line for the URLs it "
                        "names: line %1 above matches them first and %2 them. Put this "
                        "line above line %1 so every reading agrees")
                         .arg(seen[static_cast<size_t>(first)].first)
                         .arg(seen[static_cast<size_t>(first)].second ? tr("allows") : tr("blocks")),
                     LintKind::ShadowedRule});
            earlier.add(quoted, static_cast<int>(seen.size()));
            seen.emplace_back(line.number, allow);
        }
    }
}

// Rules a first-match reader leaves out of their group: after a blank line inside it, or after the
// value at which it stopped reading.
void lintGrouping(const RobotsTxt& txt, const FirstMatchFile& file, std::vector<LintProblem>& out)
{
    const std::vector<Line>& lines = txt.lines();
    const bool bomHidesFirst = !lines.empty() && lines.front().offset > 0 && file.use(1) != Use::Agent;
    int previousGroup = -1;
    Use previous = Use::Unread;
    for (const Line& line : lines) {
        if (!isRule(line) || line.group < 0 || !isSpelledOut(line) || (bomHidesFirst && line.group == 0))
            continue;
        const Use use = file.use(line.number);
        if (use == Use::NoGroup && !(previous == Use::NoGroup && previousGroup == line.group))
            out.push_back({line.number,
                           tr("first-match readers end the group at the blank line above: they "
                              "ignore this rule and the group's rules after it. Remove the blank "
                              "line so every reading agrees"),
                           LintKind::BlankLineInGroup});
        previous = use;
        previousGroup = line.group;
    }
    if (file.stopLine() > 0)
        out.push_back({file.stopLine(),
                       tr("Python's URL parser rejects this value: first-match readers stop "
                          "reading the file here and ignore this group and all that follows. "
                          "Write the value without such characters so every reading agrees"),
                       LintKind::ParserStops});
}

} // namespace

void lintReadings(const RobotsTxt& txt, std::vector<LintProblem>& out)
{
    lintBytes(txt, out);
    lintLenientLines(txt, out);
    for (const Line& line : txt.lines()) {
        if (line.kind == LineKind::UserAgent || line.kind == LineKind::Sitemap || isRule(line))
            lintLine(line, out);
    }
    lintOrder(txt, out);
    const FirstMatchFile file(txt);
    if (file.readable())
        lintGrouping(txt, file, out);
}

} // namespace sf::rules
