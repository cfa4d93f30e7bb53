#include "support/UpdateSamples.h"

#include "online/UpdateCheck.h"
#include "robots/RobotDatabase.h"
#include "support/TestEnvironment.h"
#include "transfer/Signature.h"

#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace sf::test {
namespace {

QByteArray utf16(const QString& text)
{
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

} // namespace

QByteArray robotDatabaseBytes(int count, const QString& version)
{
    QTemporaryDir dir;
    const RobotDatabase db(dir.filePath(QStringLiteral("robots.rbd")));
    for (int n = 1; n <= count; ++n) {
        RobotRecord r;
        r.Robot_name = QStringLiteral("Robot %1").arg(n);
        r.Robot_exclusion_useragent = QStringLiteral("robot%1").arg(n);
        r.Robot_useragent = QStringLiteral("Robot/%1").arg(n);
        r.Robot_category = 4;
        r.RobotVersion = version;
        EXPECT_TRUE(db.write(n, r).ok);
    }
    return readFileBytes(db.path());
}

QByteArray programWithVersion(const QString& path, const QString& version)
{
    QByteArray bytes = readFileBytes(path);
    const QByteArray from = utf16(ProgramVersionText() + QChar(0)), to = utf16(version + QChar(0));
    EXPECT_EQ(from.size(), to.size()) << version.toStdString();
    EXPECT_TRUE(bytes.contains(from)) << path.toStdString();
    return bytes.replace(from, to);
}

QByteArray versionFields(const QString& program, const QString& robotList, const QString& renewkit)
{
    QStringList parts;
    for (const QString& version : {program, robotList, renewkit})
        parts += version.split(QLatin1Char('.'));
    EXPECT_EQ(parts.size(), 9);
    return parts.join(QLatin1Char(',')).toLatin1();
}

QByteArray hashedVersionPage(const QByteArray& nineFields, const QByteArray& robots,
                             const QByteArray& renewkit, const QByteArray& help, const QByteArray& program)
{
    QByteArray page = nineFields;
    for (const QByteArray* file : {&robots, &renewkit, &help, &program})
        page += ',' + Sha256(*file).toHex();
    return page;
}

} // namespace sf::test
