#include "ftp/RemoteName.h"

#include "base/CodePage.h"

#include <QStringList>

#include <algorithm>

namespace sf::ftp {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The length of the UTF-8 sequence that begins with this byte, 0 when no sequence begins with it.
qsizetype sequenceLength(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

bool isEscapedByte(const QChar c)
{
    return c.unicode() >= kEscapeBase + 0x80 && c.unicode() <= kEscapeBase + 0xFF;
}

} // namespace

QString nameFromServer(QByteArrayView bytes)
{
    if (bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
    QString name;
    name.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const qsizetype length = lead < 0x80 ? 1 : sequenceLength(lead);
        if (length > 0 && i + length <= bytes.size() && bytes.sliced(i, length).isValidUtf8()) {
            name += QString::fromUtf8(bytes.sliced(i, length));
            i += length;
        } else {
            name += QChar(kEscapeBase + lead);
            ++i;
        }
    }
    return name;
}

QByteArray nameToServer(const QString& name)
{
    if (std::none_of(name.cbegin(), name.cend(), isEscapedByte))
        return name.toUtf8();
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype run = 0; // start of the characters not yet converted
    for (qsizetype i = 0; i < name.size(); ++i) {
        // A low surrogate after a high one is half of a real character, not an escaped byte.
        if (!isEscapedByte(name[i]) || (i > 0 && name[i - 1].isHighSurrogate()))
            continue;
        bytes += QStringView(name).sliced(run, i - run).toUtf8();
        bytes += static_cast<char>(name[i].unicode() - kEscapeBase);
        run = i + 1;
    }
    bytes += QStringView(name).sliced(run).toUtf8();
    return bytes;
}

QString displayName(QByteArrayView bytes)
{
    return bytes.isValidUtf8() ? QString::fromUtf8(bytes) : fromAnsi(bytes.data(), bytes.size());
}

QString displayNameOf(const QString& serverName)
{
    // A name that was valid UTF-8 holds no escaped byte, and is shown as it is.
    const bool escaped = std::any_of(serverName.cbegin(), serverName.cend(), isEscapedByte);
    return escaped ? displayName(nameToServer(serverName)) : serverName;
}

QString displayPath(const QString& serverPath)
{
    const QList<QByteArray> parts = nameToServer(serverPath).split('/');
    QStringList shown;
    shown.reserve(parts.size());
    for (const QByteArray& part : parts)
        shown.append(displayName(part));
    return shown.join(QLatin1Char('/'));
}

} // namespace sf::ftp
