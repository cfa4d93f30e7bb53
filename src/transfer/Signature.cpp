#include "transfer/Signature.h"

#include "sf_version.h"

#include <sodium.h>

#include <optional>

namespace sf {
namespace {

bool sodiumReady()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

const unsigned char* bytesOf(const QByteArray& a)
{
    return reinterpret_cast<const unsigned char*>(a.constData());
}

unsigned char* bytesOf(QByteArray& a)
{
    return reinterpret_cast<unsigned char*>(a.data());
}

std::optional<QByteArray>& overriddenKey()
{
    static std::optional<QByteArray> key;
    return key;
}

} // namespace

QByteArray Sha256(const QByteArray& bytes)
{
    QByteArray hash(crypto_hash_sha256_BYTES, '\0');
    if (!sodiumReady())
        return {};
    crypto_hash_sha256(bytesOf(hash), bytesOf(bytes), static_cast<unsigned long long>(bytes.size()));
    return hash;
}

SigningKeys MakeSigningKeys()
{
    SigningKeys keys;
    if (!sodiumReady())
        return keys;
    keys.publicKey = QByteArray(crypto_sign_PUBLICKEYBYTES, '\0');
    keys.secretKey = QByteArray(crypto_sign_SECRETKEYBYTES, '\0');
    crypto_sign_keypair(bytesOf(keys.publicKey), bytesOf(keys.secretKey));
    return keys;
}

QByteArray SignMessage(const QByteArray& message, const QByteArray& secretKey)
{
    if (!sodiumReady() || secretKey.size() != crypto_sign_SECRETKEYBYTES)
        return {};
    QByteArray signature(crypto_sign_BYTES, '\0');
    crypto_sign_detached(bytesOf(signature), nullptr, bytesOf(message),
                         static_cast<unsigned long long>(message.size()), bytesOf(secretKey));
    return signature;
}

bool VerifySignature(const QByteArray& message, const QByteArray& signature, const QByteArray& publicKey)
{
    if (!sodiumReady() || signature.size() != crypto_sign_BYTES ||
        publicKey.size() != crypto_sign_PUBLICKEYBYTES)
        return false;
    return crypto_sign_verify_detached(bytesOf(signature), bytesOf(message),
                                       static_cast<unsigned long long>(message.size()),
                                       bytesOf(publicKey)) == 0;
}

QByteArray MakerPublicKey()
{
    if (overriddenKey())
        return *overriddenKey();
    return QByteArray::fromBase64(QByteArrayLiteral(SF_UPDATE_PUBLIC_KEY));
}

void SetMakerPublicKey(const QByteArray& publicKey)
{
    overriddenKey() = publicKey;
}

void ResetMakerPublicKey()
{
    overriddenKey().reset();
}

} // namespace sf
