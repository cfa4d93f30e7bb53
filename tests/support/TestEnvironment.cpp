#include "support/TestEnvironment.h"

#include "base/FileUtils.h"

#include <QFile>
#include <QSettings>

#include <ctime>

#include <gtest/gtest.h>

namespace sf::test {

TempProgramDir::TempProgramDir()
{
    SetProgramDirectory(m_dir.path());
}

TempProgramDir::~TempProgramDir()
{
    SetProgramDirectory(QString());
}

TimeZoneScope::TimeZoneScope(const char* zone)
    : m_before(qgetenv("TZ")), m_had(qEnvironmentVariableIsSet("TZ"))
{
    qputenv("TZ", zone);
    ::tzset();
}

TimeZoneScope::~TimeZoneScope()
{
    if (m_had)
        qputenv("TZ", m_before);
    else
        qunsetenv("TZ");
    ::tzset();
}

void clearSettings()
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Spiderfence"),
                       QStringLiteral("Spiderfence"));
    settings.clear();
    settings.sync();
}

QByteArray readFileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    return file.readAll();
}

void writeFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
}

QString sourceDir()
{
    return QStringLiteral(SF_SOURCE_DIR);
}
QString testDataDir()
{
    return QStringLiteral(SF_TEST_DATA_DIR);
}
QString serversDir()
{
    return QStringLiteral(SF_SERVERS_DIR);
}
QString buildBinDir()
{
    return QStringLiteral(SF_BUILD_BIN_DIR);
}

} // namespace sf::test
