#include "base/SettingsStore.h"

#include <QFileInfo>
#include <QSettings>

namespace sf {
namespace {

QSettings& store()
{
    static QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Spiderfence"),
                              QStringLiteral("Spiderfence"));
    return settings;
}

QString fullKey(const char* key)
{
    return QStringLiteral("Settings/") + QLatin1String(key);
}

// A host:port as one key: QSettings reads "/" and "\\" as section separators.
QString certificateKey(const QString& hostPort)
{
    return QStringLiteral("TrustedCertificates/") + QString(hostPort)
                                                        .replace(QLatin1Char('/'), QLatin1Char('_'))
                                                        .replace(QLatin1Char('\\'), QLatin1Char('_'));
}

} // namespace

QString SettingsStore::read(const char* key)
{
    store().sync(); // another program or a test may have written the file meanwhile
    return store().value(fullKey(key), QString()).toString();
}

QByteArray SettingsStore::trustedCertificate(const QString& hostPort)
{
    store().sync();
    return store().value(certificateKey(hostPort)).toString().toLatin1();
}

void SettingsStore::saveTrustedCertificate(const QString& hostPort, const QByteArray& pem)
{
    store().setValue(certificateKey(hostPort), QString::fromLatin1(pem));
    store().sync();
}

QString SettingsStore::folder()
{
    return QFileInfo(store().fileName()).absolutePath();
}

void SettingsStore::save(const char* key, const QString& value)
{
    // Writing the file means a lock file, a temporary copy and two syncs to disk: a value the file
    // already holds (the project's own name at every save) leaves it alone.
    const QString name = fullKey(key);
    store().sync();
    if (store().contains(name) && store().value(name).toString() == value)
        return;
    store().setValue(name, value);
    store().sync();
}

} // namespace sf
