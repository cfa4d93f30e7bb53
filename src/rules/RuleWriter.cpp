#include "rules/RuleWriter.h"

#include "rules/RobotsRules.h"

namespace sf::robots {
namespace {

bool staysInPath(unsigned char b)
{
    if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9'))
        return true;
    return QByteArrayView("-._~!$&'()*+,;=:@/").contains(static_cast<char>(b));
}

} // namespace

QByteArray entryUrlPath(const QString& directory, const QString& entryName)
{
    QString path = directory + u'/' + entryName;
    path.replace(QStringLiteral("//"), QStringLiteral("/"));
    QByteArray out;
    for (const char byte : path.toUtf8()) {
        const auto b = static_cast<unsigned char>(byte);
        if (staysInPath(b)) {
            out += byte;
        } else {
            appendPercentEncoded(out, b);
        }
    }
    return out;
}

QByteArray blockingPattern(QByteArrayView urlPath)
{
    QByteArray pattern = urlPath.toByteArray();
    if (pattern.endsWith('$'))
        pattern += '*';
    return pattern;
}

bool isExactPattern(QByteArrayView pattern)
{
    if (pattern.endsWith("$*"))
        pattern.chop(1);
    return !pattern.contains('*');
}

QStringList alsoBlocked(QByteArrayView pattern, const QString& directory, const QStringList& names,
                        const QString& except)
{
    QStringList blocked;
    const std::string_view p(pattern.data(), static_cast<size_t>(pattern.size()));
    for (const QString& name : names) {
        if (name == except || name == QLatin1String(".."))
            continue;
        if (patternMatches(entryUrlPath(directory, name).toStdString(), p))
            blocked << name;
    }
    return blocked;
}

} // namespace sf::robots
