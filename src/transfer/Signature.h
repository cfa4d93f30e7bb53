#pragma once

#include <QByteArray>

namespace sf {

// Hashes and signatures of what the maker publishes, by libsodium: SHA-256 and Ed25519.

// The SHA-256 of bytes (32 bytes).
QByteArray Sha256(const QByteArray& bytes);

// An Ed25519 key pair: the public key (32 bytes) and the secret key (64 bytes).
struct SigningKeys {
    QByteArray publicKey;
    QByteArray secretKey;
};
SigningKeys MakeSigningKeys();
// The detached signature (64 bytes) of message; empty when the secret key is not one.
QByteArray SignMessage(const QByteArray& message, const QByteArray& secretKey);
// Whether signature is publicKey's signature of message.
bool VerifySignature(const QByteArray& message, const QByteArray& signature, const QByteArray& publicKey);

// The maker's public key that version pages must be signed with: the build's key (empty in
// developer builds), unless replaced for this process by SetMakerPublicKey (tests do so; an empty
// key there means "none").
QByteArray MakerPublicKey();
void SetMakerPublicKey(const QByteArray& publicKey);
void ResetMakerPublicKey();

} // namespace sf
