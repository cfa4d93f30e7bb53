#include "rules/SiteFolder.h"

#include <QStringList>

namespace sf::rules {
namespace {

// A server path without a final "/" (the root stays "/") and with doubled slashes made single.
QString plainPath(QString path)
{
    while (path.contains(u"//"))
        path.replace(QStringLiteral("//"), QStringLiteral("/"));
    if (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

QString joined(const QString& directory, const QString& name)
{
    return plainPath(directory + u'/' + name);
}

} // namespace

QString siteFolderFromText(const QString& text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    const QString folder = (nul < 0 ? text : text.left(nul)).trimmed();
    return folder.isEmpty() ? QString() : plainPath(folder);
}

QString absoluteSiteFolder(const QString& text, const QString& loginFolder)
{
    const QString folder = siteFolderFromText(text);
    if (!isRelativeSiteFolder(folder))
        return folder;
    QStringList steps = loginFolder.split(u'/', Qt::SkipEmptyParts);
    for (const QString& step : folder.split(u'/', Qt::SkipEmptyParts)) {
        if (step == u"..") {
            if (!steps.isEmpty())
                steps.removeLast();
        } else if (step != u".") {
            steps << step;
        }
    }
    return u'/' + steps.join(u'/');
}

bool isRelativeSiteFolder(const QString& text)
{
    const QString folder = siteFolderFromText(text);
    return !folder.isEmpty() && !folder.startsWith(u'/');
}

std::optional<QString> sitePath(const QString& siteFolder, const QString& serverPath)
{
    const QString folder = siteFolderFromText(siteFolder);
    if (folder.isEmpty() || folder == u"/")
        return serverPath;
    const QString path = plainPath(serverPath);
    if (path == folder)
        return QStringLiteral("/");
    if (path.startsWith(folder + u'/'))
        return path.mid(folder.size());
    return std::nullopt;
}

SiteEntry siteEntry(const QString& siteFolder, const QString& serverDirectory, const QString& name)
{
    if (const auto directory = sitePath(siteFolder, serverDirectory))
        return {true, *directory, name};
    // Seen from above the site, only the site folder itself is inside: it is the site's top.
    const auto path = sitePath(siteFolder, joined(serverDirectory, name));
    if (!path)
        return {};
    const qsizetype slash = path->lastIndexOf(u'/');
    QString last = path->mid(slash + 1);
    if (last.isNull())
        last = QLatin1String(""); // an empty name, which rule writers take, not no name
    return {true, slash <= 0 ? QStringLiteral("/") : path->left(slash), last};
}

QString crawlerPath(const SiteEntry& entry, bool folder)
{
    if (entry.name.isEmpty())
        return QStringLiteral("/");
    return joined(entry.directory, entry.name) + (folder ? QStringLiteral("/") : QString());
}

QString robotsFilePath(const QString& siteFolder)
{
    const QString folder = siteFolderFromText(siteFolder);
    return folder.isEmpty() ? QStringLiteral("robots.txt") : joined(folder, QStringLiteral("robots.txt"));
}

QString robotsFolder(const QString& siteFolder, const QString& shownFolder)
{
    const QString folder = siteFolderFromText(siteFolder);
    return folder.isEmpty() ? shownFolder : folder;
}

bool isWebRootName(const QString& name)
{
    static const QStringList kNames = {QStringLiteral("public_html"), QStringLiteral("htdocs"),
                                       QStringLiteral("httpdocs"),    QStringLiteral("www"),
                                       QStringLiteral("html"),        QStringLiteral("wwwroot"),
                                       QStringLiteral("web")};
    return kNames.contains(name, Qt::CaseInsensitive);
}

} // namespace sf::rules
