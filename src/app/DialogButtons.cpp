#include "app/DialogButtons.h"

#include <QApplication>
#include <QPushButton>
#include <QStyle>

namespace sf {

DialogButtons makeDialogButtons(QWidget* parent, const QString& cancelText)
{
    QStyle* style = parent->style();
    auto* proceed = new QPushButton(style->standardIcon(QStyle::SP_DialogApplyButton),
                                    QApplication::translate("sf", "Apply"), parent);
    proceed->setObjectName(QStringLiteral("Proceed"));
    auto* cancel = new QPushButton(style->standardIcon(QStyle::SP_DialogCloseButton), cancelText, parent);
    cancel->setObjectName(QStringLiteral("Cancel"));
    for (QPushButton* button : {proceed, cancel}) {
        button->setAutoDefault(false);
        button->setMinimumWidth(96);
    }
    return {proceed, cancel};
}

} // namespace sf
