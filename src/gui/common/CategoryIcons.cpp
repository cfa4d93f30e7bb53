#include "gui/common/CategoryIcons.h"

#include "gui/common/ProgramIcon.h"
#include "robots/RobotRecord.h"

#include <array>

namespace sf {

QIcon categoryIcon(int category)
{
    if (!isRobotCategory(category))
        return {};
    // Made once and kept for the whole run (never destroyed after the application object).
    static const auto* icons = new std::array<QIcon, kRobotCategoryCount>{
        programIcon(QStringLiteral(":/icons/category-music.svg")),
        programIcon(QStringLiteral(":/icons/category-image.svg")),
        programIcon(QStringLiteral(":/icons/category-news.svg")),
        programIcon(QStringLiteral(":/icons/category-none.svg")),
        programIcon(QStringLiteral(":/icons/category-email.svg")),
        programIcon(QStringLiteral(":/icons/category-search.svg")),
    };
    return (*icons)[static_cast<std::size_t>(category - 1)];
}

} // namespace sf
