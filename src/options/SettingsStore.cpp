#include "options/SettingsStore.h"

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

} // namespace

QString SettingsStore::read(const char* key)
{
    store().sync(); // another program or a test may have written the file meanwhile
    return store().value(fullKey(key), QString()).toString();
}

void SettingsStore::save(const char* key, const QString& value)
{
    store().setValue(fullKey(key), value);
    store().sync();
}

} // namespace sf
