#include "gui/online/SystemDesktop.h"

#include "base/FileUtils.h"

#include <QDesktopServices>
#include <QProcess>

namespace sf {

bool SystemDesktop::openUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

bool SystemDesktop::startProgram(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(program, arguments, ProgramDirectory());
}

} // namespace sf
