#pragma once

#include "support/QtPrinters.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace sf::test {

// A fresh, empty program folder for the length of a test (robots.rbd, temp.txt and the rest go there).
class TempProgramDir {
public:
    TempProgramDir();
    ~TempProgramDir();
    TempProgramDir(const TempProgramDir&) = delete;
    TempProgramDir& operator=(const TempProgramDir&) = delete;

    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

// The process runs in the named time zone (TZ) for the life of the object.
class TimeZoneScope {
public:
    explicit TimeZoneScope(const char* zone);
    ~TimeZoneScope();
    TimeZoneScope(const TimeZoneScope&) = delete;
    TimeZoneScope& operator=(const TimeZoneScope&) = delete;

private:
    QByteArray m_before;
    bool m_had;
};

// Removes every stored setting of the program.
void clearSettings();

QByteArray readFileBytes(const QString& path);
void writeFileBytes(const QString& path, const QByteArray& bytes);

// Paths known at build time.
QString sourceDir();
QString testDataDir();
QString serversDir();
QString buildBinDir();

} // namespace sf::test
