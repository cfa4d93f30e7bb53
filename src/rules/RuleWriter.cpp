#include "rules/RuleWriter.h"

#include "rules/RobotsRules.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace sf::rules {
namespace {

// The bytes a path segment holds as they are, by value.
constexpr std::array<bool, 256> kStaysInPath = [] {
    std::array<bool, 256> stays{};
    for (int b = 0; b < 256; ++b)
        stays[b] = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9');
    for (const char c : std::string_view("-._~!$&'()*+,;=:@/"))
        stays[static_cast<unsigned char>(c)] = true;
    return stays;
}();

bool staysInPath(char byte)
{
    return kStaysInPath[static_cast<unsigned char>(byte)];
}

void appendPathBytes(QByteArray& out, QByteArrayView bytes)
{
    for (const char byte : bytes) {
        if (staysInPath(byte))
            out += byte;
        else
            appendPercentEncoded(out, static_cast<unsigned char>(byte));
    }
}

} // namespace

void appendPathEncoded(QByteArray& out, QByteArrayView bytes)
{
    if (std::all_of(bytes.cbegin(), bytes.cend(), staysInPath)) // most names
        out.append(bytes);
    else
        appendPathBytes(out, bytes);
}

QByteArray entryUrlPath(const QString& directory, const QString& entryName)
{
    QString path = directory + u'/' + entryName;
    if (path.contains(u"//"))
        path.replace(QStringLiteral("//"), QStringLiteral("/"));
    QByteArray bytes = path.toUtf8();
    // Most paths need no escape.
    if (std::all_of(bytes.cbegin(), bytes.cend(), staysInPath))
        return bytes;
    QByteArray out;
    out.reserve(bytes.size() + 16);
    appendPathBytes(out, bytes);
    return out;
}

EntryUrlPaths::EntryUrlPaths(const QString& directory)
    : m_directory(directory), m_path(entryUrlPath(directory, QString())), m_prefixSize(m_path.size())
{
}

std::string_view EntryUrlPaths::path(const QString& entryName, bool folder)
{
    // A name of its own slashes (which no listing gives) is joined as entryUrlPath joins it.
    if (entryName.startsWith(u'/') || entryName.contains(u"//") || (folder && entryName.endsWith(u'/'))) {
        m_joined = entryUrlPath(m_directory, folder ? entryName + u'/' : entryName);
        return {m_joined.constData(), static_cast<size_t>(m_joined.size())};
    }
    m_path.truncate(m_prefixSize); // the folder's part stays, and so does the room
    const bool plain = std::all_of(entryName.cbegin(), entryName.cend(), [](QChar c) {
        return c.unicode() < 0x80 && staysInPath(static_cast<char>(c.unicode()));
    });
    if (plain) { // most names: each character is its byte
        m_path.resize(m_prefixSize + entryName.size());
        std::transform(entryName.cbegin(), entryName.cend(), m_path.data() + m_prefixSize,
                       [](QChar c) { return static_cast<char>(c.unicode()); });
    } else {
        appendPathBytes(m_path, entryName.toUtf8());
    }
    if (folder)
        m_path += '/';
    return {m_path.constData(), static_cast<size_t>(m_path.size())};
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
    EntryUrlPaths paths(directory);
    for (const QString& name : names) {
        if (name == except || name == QLatin1String(".."))
            continue;
        if (patternMatches(paths.path(name, false), p))
            blocked << name;
    }
    return blocked;
}

QString disallowPath(const QString& directory, const QString& entryName)
{
    return QString::fromLatin1(blockingPattern(entryUrlPath(directory, entryName)));
}

} // namespace sf::rules
