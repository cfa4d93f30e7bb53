#include "gui/common/CategoryIcons.h"

#include "robots/RobotRecord.h"

#include <array>

namespace sf {

QIcon categoryIcon(int category)
{
    if (!isRobotCategory(category))
        return {};
    // Made once and kept for the whole run (never destroyed after the application object).
    static const auto* icons = new std::array<QIcon, kRobotCategoryCount>{
        QIcon(QStringLiteral(":/icons/category-music.svg")),
        QIcon(QStringLiteral(":/icons/category-image.svg")),
        QIcon(QStringLiteral(":/icons/category-news.svg")),
        QIcon(QStringLiteral(":/icons/category-none.svg")),
        QIcon(QStringLiteral(":/icons/category-email.svg")),
        QIcon(QStringLiteral(":/icons/category-search.svg")),
    };
    return (*icons)[static_cast<std::size_t>(category - 1)];
}

} // namespace sf
