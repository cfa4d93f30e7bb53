#include "transfer/VersionPage.h"

#include "base/Translate.h"
#include "transfer/Inet.h"
#include "transfer/SafeDownload.h"
#include "transfer/ServiceUrls.h"
#include "transfer/Signature.h"

#include <QCoreApplication>
#include <QList>
#include <QStringList>

#include <cctype>

namespace sf {
namespace {

constexpr int kVersionFields = 9;
constexpr int kHashFields = static_cast<int>(kHashedFiles.size());
constexpr qsizetype kHashBytes = 32;

SF_FILE_TRANSLATIONS("VersionPage")

QByteArray withoutLineEnd(QByteArray text)
{
    while (text.endsWith('\n') || text.endsWith('\r'))
        text.chop(1);
    return text;
}

bool isHexHash(const QByteArray& field)
{
    if (field.size() != 2 * kHashBytes)
        return false;
    for (const char c : field) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

// The hashes of fields 9 to 12, when they are there and all well-formed.
std::optional<QHash<QString, QByteArray>> hashFields(const QList<QByteArray>& fields)
{
    if (fields.size() < kVersionFields + kHashFields)
        return std::nullopt;
    QHash<QString, QByteArray> hashes;
    for (int i = 0; i < kHashFields; ++i) {
        const QByteArray& field = fields.at(kVersionFields + i);
        if (!isHexHash(field))
            return std::nullopt;
        hashes.insert(QLatin1String(kHashedFiles.at(i)), QByteArray::fromHex(field));
    }
    return hashes;
}

// Whether the field after the hashes signs the page's text up to its last hash with the key.
bool signedWith(const QByteArray& reply, const QList<QByteArray>& fields, const QByteArray& publicKey)
{
    const int signatureField = kVersionFields + kHashFields;
    if (fields.size() != signatureField + 1)
        return false;
    qsizetype signedLength = signatureField - 1; // the separators between the signed fields
    for (int i = 0; i < signatureField; ++i)
        signedLength += fields.at(i).size();
    const auto signature =
        QByteArray::fromBase64Encoding(fields.at(signatureField), QByteArray::AbortOnBase64DecodingErrors);
    return signature && VerifySignature(reply.left(signedLength), *signature, publicKey);
}

bool canCarry(const QString& version)
{
    return version.split(QLatin1Char('.')).size() == 3 && !version.contains(QLatin1Char(',')) &&
           !version.contains(QLatin1Char('\n')) && !version.contains(QLatin1Char('\r'));
}

} // namespace

std::optional<ComponentVersions> ParseVersionReply(const QString& reply)
{
    QString text = reply;
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() < kVersionFields)
        return std::nullopt;
    const auto joined = [&fields](int first) {
        return fields.at(first) + QLatin1Char('.') + fields.at(first + 1) + QLatin1Char('.') +
               fields.at(first + 2);
    };
    return ComponentVersions{joined(0), joined(3), joined(6)};
}

Result<VersionPage> ReadVersionPage(const QByteArray& reply, const QByteArray& publicKey)
{
    const std::optional<ComponentVersions> versions = ParseVersionReply(QString::fromLatin1(reply));
    if (!versions)
        return Result<void>::failure(tr("Update check failed: no version information was received"));
    const QList<QByteArray> fields = withoutLineEnd(reply).split(',');
    const std::optional<QHash<QString, QByteArray>> hashes = hashFields(fields);
    const bool signedByMaker = hashes && !publicKey.isEmpty() && signedWith(reply, fields, publicKey);
    if (!publicKey.isEmpty() && !signedByMaker)
        return Result<void>::failure(tr("Update check failed: the version page is not signed by the maker"));
    return VersionPage{*versions, hashes.value_or(QHash<QString, QByteArray>()), signedByMaker};
}

QByteArray WriteVersionPage(const ComponentVersions& versions, const std::array<QByteArray, 4>& hashes,
                            const QByteArray& secretKey)
{
    QStringList fields;
    for (const QString& version : {versions.program, versions.robotList, versions.renewkit}) {
        if (!canCarry(version))
            return {};
        fields += version.split(QLatin1Char('.'));
    }
    QByteArray page = fields.join(QLatin1Char(',')).toLatin1();
    for (const QByteArray& hash : hashes)
        page += ',' + hash.toHex();
    const QByteArray signature = SignMessage(page, secretKey);
    if (signature.isEmpty())
        return {};
    return page + ',' + signature.toBase64() + '\n';
}

Result<VersionPage> FetchVersionPage(Inet& inet)
{
    inet.SetURL(WebFunctionUrl(QStringLiteral("spiderfenceversion.asp")));
    inet.SetBodyLimit(kVersionPageLimit);
    return VersionPageOf(inet, inet.OpenURL());
}

Result<VersionPage> VersionPageOf(const Inet& inet, const QByteArray& reply)
{
    // An error page, or a page cut short, is no version page, whatever it holds.
    if (inet.BodyTooLarge())
        return Result<void>::failure(tr("Update check failed: %1").arg(inet.ResponseInfo()));
    if (!CheckTransfer(inet).ok)
        return Result<void>::failure(tr("Update check failed: no version information was received"));
    return ReadVersionPage(reply, MakerPublicKey());
}

} // namespace sf
