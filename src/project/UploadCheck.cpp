#include "project/UploadCheck.h"

#include "base/Translate.h"
#include "project/RuleGrid.h"
#include "rules/RobotsTxt.h"

#include <QCoreApplication>
#include <QSet>

namespace sf::UploadCheck {
namespace {

SF_FILE_TRANSLATIONS("sf::UploadCheck")

QStringList groupAgents(const rules::RobotsTxt& txt, int lineNumber)
{
    const rules::Line& line = txt.lines()[static_cast<size_t>(lineNumber - 1)];
    QStringList agents;
    if (line.group < 0)
        return agents;
    for (const int a : txt.groups()[static_cast<size_t>(line.group)].agents)
        agents << QString::fromUtf8(txt.lines()[static_cast<size_t>(a)].value);
    return agents;
}

} // namespace

QList<ShutOut> shutOutAtRoot(const QByteArray& robotsText, const QStringList& searchAgents)
{
    const rules::RobotsTxt txt(robotsText);
    QStringList tokens{QStringLiteral("*")};
    QSet<QString> seen{tokens.first()};
    for (const QString& agent : searchAgents) {
        const QString token = QString::fromUtf8(rules::agentToken(agent.trimmed().toUtf8()));
        if (!token.isEmpty() && !seen.contains(token.toLower())) {
            seen.insert(token.toLower());
            tokens << token;
        }
    }
    QList<ShutOut> shutOut;
    for (const QString& token : tokens) {
        const rules::Verdict verdict = txt.check(token.toUtf8(), "/");
        if (verdict.allowed || verdict.line <= 0)
            continue;
        const rules::Line& line = txt.lines()[static_cast<size_t>(verdict.line - 1)];
        shutOut.append(
            {token, verdict.line, QString::fromUtf8(line.text).trimmed(), groupAgents(txt, verdict.line)});
    }
    return shutOut;
}

bool isDisallowAll(const QStringList& rows)
{
    QString header; // the body is compared, whatever the header says
    const QStringList all = RuleGrid::disallowAllTemplate(header);
    constexpr qsizetype kFooterRows = 4;
    const auto body = [](const QStringList& r) {
        return r.mid(RuleGrid::kHeaderRows, r.size() - RuleGrid::kHeaderRows - kFooterRows);
    };
    return rows.size() >= RuleGrid::kHeaderRows + kFooterRows && body(rows) == body(all);
}

QString describe(const QList<ShutOut>& shutOut, int limit)
{
    QStringList lines;
    for (qsizetype i = 0; i < std::min<qsizetype>(shutOut.size(), limit); ++i) {
        const ShutOut& s = shutOut.at(i);
        const QString who = s.agent == u"*" ? tr("every crawler without a group of its own (*)") : s.agent;
        lines << tr("%1: line %2, \"%3\", in the group of %4")
                     .arg(who)
                     .arg(s.line)
                     .arg(s.lineText, s.groupAgents.join(QStringLiteral(", ")));
    }
    if (shutOut.size() > limit)
        lines << tr("... and %1 more.").arg(shutOut.size() - limit);
    return lines.join(u'\n');
}

} // namespace sf::UploadCheck
