#include "gui/common/ProgramStyle.h"

#include "gui/common/ProgramIcon.h"

#include <QApplication>
#include <QStyleOption>
#include <QWidget>

namespace sf {

void ProgramStyle::install()
{
    if (!qobject_cast<ProgramStyle*>(QApplication::style()))
        QApplication::setStyle(
            new ProgramStyle(QApplication::style()->name())); // a fresh copy of the current style, wrapped
}

QIcon ProgramStyle::standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const
{
    const auto rightToLeft = [&] {
        if (option)
            return option->direction == Qt::RightToLeft;
        return (widget ? widget->layoutDirection() : QGuiApplication::layoutDirection()) == Qt::RightToLeft;
    };
    switch (icon) {
    case SP_ToolBarHorizontalExtensionButton:
        return programIcon(rightToLeft() ? QStringLiteral(":/icons/more-left.svg")
                                         : QStringLiteral(":/icons/more-right.svg"));
    case SP_ToolBarVerticalExtensionButton:
        return programIcon(QStringLiteral(":/icons/more-down.svg"));
    default:
        return QProxyStyle::standardIcon(icon, option, widget);
    }
}

} // namespace sf
