#include "gui/common/LocalFiles.h"

#include "gui/common/Prompt.h"

#include <QCoreApplication>
#include <QFile>

namespace sf {

void DeleteLocalFile(const QString& path)
{
    if (!QFile::remove(path))
        prompts().message(QCoreApplication::translate("sf", "Error deleting File"), Prompt::Buttons::Ok,
                          Prompt::Icon::Warning);
}

} // namespace sf
