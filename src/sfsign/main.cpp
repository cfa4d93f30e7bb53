// sfsign: the maker's signing tool for what the update path downloads.
//
//   sfsign keygen SECRET_KEY_FILE
//       makes a key pair: writes the secret key to SECRET_KEY_FILE (a new file, readable by its
//       owner only) and prints the public key, the value of the build's SF_UPDATE_PUBLIC_KEY
//   sfsign page SECRET_KEY_FILE PROGRAM_VERSION ROBOT_LIST_VERSION RENEWKIT_VERSION
//               ROBOTS_RBD RENEWKIT_EXE SPIDERFENCE_CHM SPIDERFENCE_EXE
//       prints the version page of these versions, with the files' SHA-256 and the signature
//
// The versions are written as the program shows them ("1.2.0", "1.00.0016"). A file that the
// program would refuse (a robot database it cannot read, a program without the version it is
// published as) is refused here too, before anything is signed.
#include "online/UpdateCheck.h"
#include "transfer/ComponentCheck.h"
#include "transfer/Signature.h"
#include "transfer/VersionPage.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <array>
#include <cstdio>
#include <optional>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("sfsign", text);
}

int failWith(const QString& text)
{
    std::fprintf(stderr, "sfsign: %s\n", qPrintable(text));
    return 1;
}

int usage()
{
    std::fputs(qPrintable(tr("usage: sfsign keygen SECRET_KEY_FILE\n"
                             "       sfsign page SECRET_KEY_FILE PROGRAM_VERSION ROBOT_LIST_VERSION "
                             "RENEWKIT_VERSION\n"
                             "                   ROBOTS_RBD RENEWKIT_EXE SPIDERFENCE_CHM SPIDERFENCE_EXE\n")),
               stderr);
    return 2;
}

std::optional<QByteArray> readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

int makeKeys(const QString& secretKeyFile)
{
    const sf::SigningKeys keys = sf::MakeSigningKeys();
    QFile file(secretKeyFile);
    if (keys.secretKey.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(keys.secretKey.toBase64() + '\n') < 0 || !file.flush())
        return failWith(tr("cannot write a new key to %1: %2").arg(secretKeyFile, file.errorString()));
    std::printf("%s\n", keys.publicKey.toBase64().constData());
    return 0;
}

// Whether the file is what the program would take as that component, or why not.
sf::Result<void> checkFile(int index, const QByteArray& bytes, const sf::ComponentVersions& versions)
{
    switch (index) {
    case 0:
        return sf::CheckRobotDatabase(bytes);
    case 1:
        return sf::CheckProgramVersion(bytes, versions.renewkit);
    case 3:
        return sf::CheckProgramVersion(bytes, versions.program);
    default:
        return bytes.isEmpty() ? sf::Result<void>::failure(tr("the file is empty")) : sf::Result<void>{};
    }
}

int writePage(const QStringList& args)
{
    const std::optional<QByteArray> secretKey = readFile(args.at(0));
    if (!secretKey)
        return failWith(tr("cannot read the secret key %1").arg(args.at(0)));
    const sf::ComponentVersions versions{args.at(1), args.at(2), args.at(3)};
    std::array<QByteArray, 4> hashes;
    for (int i = 0; i < 4; ++i) {
        const QString& path = args.at(4 + i);
        const std::optional<QByteArray> bytes = readFile(path);
        if (!bytes)
            return failWith(tr("cannot read %1").arg(path));
        if (const sf::Result<void> checked = checkFile(i, *bytes, versions); !checked)
            return failWith(QStringLiteral("%1: %2").arg(path, checked.error));
        hashes.at(static_cast<std::size_t>(i)) = sf::Sha256(*bytes);
    }
    const QByteArray page =
        sf::WriteVersionPage(versions, hashes, QByteArray::fromBase64(secretKey->trimmed()));
    if (page.isEmpty())
        return failWith(tr("the versions need three parts each, without \",\", and the key must be a secret "
                           "key made by sfsign keygen"));
    std::fwrite(page.constData(), 1, static_cast<std::size_t>(page.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    const QString command = args.isEmpty() ? QString() : args.takeFirst();
    if (command == QLatin1String("keygen") && args.size() == 1)
        return makeKeys(args.at(0));
    if (command == QLatin1String("page") && args.size() == 8)
        return writePage(args);
    return usage();
}
