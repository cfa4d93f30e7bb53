#pragma once

#include "support/QtPrinters.h"

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
