#include "rules/ContentSignalLint.h"

#include "base/Translate.h"

#include <QCoreApplication>

namespace sf::rules {
namespace {

SF_FILE_TRANSLATIONS("sf::rules::ContentSignalLint")

bool isContentSignal(const Line& line)
{
    return line.kind == LineKind::Unknown && line.key.compare("content-signal", Qt::CaseInsensitive) == 0;
}

// Whether the group's rules keep every robot it names out of "/".
bool blocksWholeSite(const RobotsTxt& txt, const Group& group)
{
    for (const int a : group.agents) {
        const QByteArray& value = txt.lines()[static_cast<size_t>(a)].value;
        const QByteArray token = isGlobalAgent(value) ? QByteArray("*") : agentToken(value);
        if (txt.check(token, "/").allowed)
            return false;
    }
    return !group.agents.empty();
}

void checkPairs(const Line& line, bool blocked, std::vector<LintProblem>& problems)
{
    for (const QByteArray& pair : line.value.split(',')) {
        const qsizetype equals = pair.indexOf('=');
        const QByteArray key = pair.left(equals).trimmed();
        const QByteArray value = equals < 0 ? QByteArray() : pair.mid(equals + 1).trimmed();
        const QString keyText = QString::fromUtf8(key);
        if (key != "search" && key != "ai-input" && key != "ai-train")
            problems.push_back({line.number,
                                tr("Content-Signal: \"%1\" is no signal of the policy (search, "
                                   "ai-input and ai-train are)")
                                    .arg(keyText),
                                LintKind::SignalUnknown});
        else if (value != "yes" && value != "no")
            problems.push_back({line.number, tr("Content-Signal: %1 must be yes or no").arg(keyText),
                                LintKind::SignalValue});
        else if (value == "yes" && blocked)
            problems.push_back({line.number,
                                tr("Content-Signal: %1=yes, but the group's rules block the whole "
                                   "site")
                                    .arg(keyText),
                                LintKind::SignalContradicted});
    }
}

} // namespace

void lintContentSignals(const RobotsTxt& txt, std::vector<LintProblem>& problems)
{
    for (const Line& line : txt.lines()) {
        if (!isContentSignal(line))
            continue;
        if (line.group < 0) {
            problems.push_back({line.number, tr("Content-Signal before any user-agent belongs to no group"),
                                LintKind::SignalOutside});
            continue;
        }
        checkPairs(line, blocksWholeSite(txt, txt.groups()[static_cast<size_t>(line.group)]), problems);
    }
}

} // namespace sf::rules
