#include "project/RuleGrid.h"

#include "base/CodePage.h"
#include "project/ProjectFile.h"
#include "project/RobotsText.h"
#include "rules/RuleWriter.h"
#include "sf_version.h"

#include <QUrl>

namespace sf::RuleGrid {
namespace {

const QString kUserAgent = QStringLiteral("User-agent: ");
const QString kDisallow = QStringLiteral("Disallow: ");
const QString kAllow = QStringLiteral("Allow: ");

QStringList withBody(const QStringList& body)
{
    QStringList rows{ruleLine(), QStringLiteral("#"), headerComment(defaultHeaderText()), QStringLiteral("#"),
                     QString()};
    rows << body;
    rows << QStringLiteral("#") << signatureLine() << ruleLine() << QString();
    return rows;
}

QStringList applyHeader(QStringList rows, QString& headerText)
{
    headerText = trimSpaces(headerText);
    if (!headerText.isEmpty())
        rows[2] = headerComment(headerText);
    return rows;
}

} // namespace

QString ruleLine()
{
    return QString(51, u'#');
}

QString defaultHeaderText()
{
    return QStringLiteral("Edit this robots.txt header in the Options menu");
}

QString signatureLine()
{
    return QStringLiteral("# Made with Spiderfence: ") + QUrl(QStringLiteral(SF_SITE_URL)).host();
}

QString headerComment(const QString& headerText)
{
    return QStringLiteral("# ") + headerText;
}

QStringList emptyGrid()
{
    return QStringList(9, QString());
}

QStringList newProjectTemplate()
{
    return withBody({});
}

QStringList allowAllTemplate(QString& headerText)
{
    return applyHeader(withBody({kUserAgent + u'*', QString()}), headerText);
}

QStringList disallowAllTemplate(QString& headerText)
{
    return applyHeader(withBody({kUserAgent + u'*', kDisallow + u'/', QString()}), headerText);
}

QString disallowPath(const QString& directory, const QString& entryName)
{
    return rules::disallowPath(directory, entryName);
}

bool ruleFitsRow(const QString& directory, const QString& entryName, Directive directive)
{
    const QString& kind = directive == Directive::Allow ? kAllow : kDisallow;
    return kind.size() + disallowPath(directory, entryName).size() <= ProjectFile::kLineWidth;
}

bool addRule(QStringList& rows, const QString& userAgent, const QString& directory, const QString& entryName,
             Directive directive)
{
    if (entryName.isNull() || trimSpaces(entryName) == QLatin1String(".."))
        return false;
    if (entryName.contains(u'\r') || entryName.contains(u'\n') || userAgent.contains(u'\r') ||
        userAgent.contains(u'\n') || !ruleFitsRow(directory, entryName, directive))
        return false;
    const QString ua = kUserAgent + userAgent;
    int pos = kGroupRow;
    bool found = false;
    for (int r = 0; r < rows.size(); ++r) {
        if (rows.at(r).contains(ua)) {
            pos = r;
            found = true;
        }
    }
    if (!found)
        rows.insert(std::min<qsizetype>(pos, rows.size()), ua);
    const QString& kind = directive == Directive::Allow ? kAllow : kDisallow;
    rows.insert(std::min<qsizetype>(pos + 1, rows.size()), kind + disallowPath(directory, entryName));
    if (!found)
        rows.insert(std::min<qsizetype>(pos + 2, rows.size()), QString());
    return true;
}

bool removeLineOrGroup(QStringList& rows, int selectedRow)
{
    const int s = selectedRow;
    const int n = static_cast<int>(rows.size());
    if (s < kHeaderRows || s >= n - kProtectedTailRows)
        return false;
    if (trimSpaces(rows.at(s)).isEmpty())
        return false;
    if (!rows.at(s).contains(QLatin1String("Agent"), Qt::CaseInsensitive)) {
        rows.removeAt(s);
        return true;
    }
    rows.removeAt(s);
    while (s < rows.size() && !trimSpaces(rows.at(s)).isEmpty())
        rows.removeAt(s);
    if (s < rows.size())
        rows.removeAt(s); // the empty line that closed the group
    return true;
}

void setHeaderRow(QStringList& rows, const QString& headerText)
{
    while (rows.size() < 3)
        rows.append(QString());
    rows[2] = headerComment(headerText);
}

QByteArray exportText(const QStringList& rows)
{
    return RobotsText::write(rows, RobotsTextForm{});
}

QByteArray exportTextLf(const QStringList& rows)
{
    return RobotsText::writeLf(rows, RobotsTextForm{});
}

} // namespace sf::RuleGrid
