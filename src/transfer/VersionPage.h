#pragma once

#include "base/Result.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <array>
#include <optional>

namespace sf {

class Inet;

// The versions of the three downloadable parts of the program, as texts ("1.2.0", "1.00.0016"):
// they are compared as they are written, never as numbers.
struct ComponentVersions {
    QString program;
    QString robotList;
    QString renewkit;
};

// The versions announced by the version page "spiderfenceversion.asp": nine fields separated by ","
// (program, robot list and Renewkit, three parts each), joined with "." per part. Fields after the
// ninth are ignored; a line ending after the last field is not part of it. A reply with fewer than
// nine fields holds no versions.
std::optional<ComponentVersions> ParseVersionReply(const QString& reply);

// The files whose SHA-256 a version page may carry after its nine fields, in the page's order (the
// names under "/files/"); the maker's Ed25519 signature of the page up to its last hash follows.
inline constexpr std::array<const char*, 4> kHashedFiles{"robots.rbd", "renewkit.exe", "spiderfence.chm",
                                                         "spiderfence.exe"};

// A version page as the program trusts it: the versions, and the hashes when the page has them.
struct VersionPage {
    ComponentVersions versions;
    QHash<QString, QByteArray> hashes; // file name under "/files/" -> SHA-256 (32 bytes)
    bool signedByMaker = false;
};

// A version page, or why there is none (a text for the user): ok exactly when `page` holds one.
// Reads a version page as sent. With a public key, only a page whose signature verifies with it is
// accepted, hashes and all; without one, a page's hashes are taken as they are.
Result<VersionPage> ReadVersionPage(const QByteArray& reply, const QByteArray& publicKey);

// The text of a version page of these versions and file hashes (in kHashedFiles order), signed with
// secretKey, ending with a line break. Empty when a version does not have three parts that the
// page can carry, or the key is not a secret key.
QByteArray WriteVersionPage(const ComponentVersions& versions, const std::array<QByteArray, 4>& hashes,
                            const QByteArray& secretKey);

// The most a version page may be: a line of versions, hashes and a signature, with room to spare.
inline constexpr qint64 kVersionPageLimit = 64 * 1024;

// Asks the web service for the version page through a transfer control (limited to
// kVersionPageLimit) and reads it with the maker's public key.
Result<VersionPage> FetchVersionPage(Inet& inet);
// The version page that a finished transfer brought as reply, read with the maker's public key;
// an error answer or a reply cut short is none.
Result<VersionPage> VersionPageOf(const Inet& inet, const QByteArray& reply);

} // namespace sf
