#include "gui/common/DialogButtons.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>

namespace sf {

DialogButtons makeDialogButtons(QWidget* parent, const QString& cancelText, QLayout* leading)
{
    auto* row = new QWidget(parent);
    QStyle* style = parent->style();
    auto* proceed = new QPushButton(style->standardIcon(QStyle::SP_DialogApplyButton),
                                    QApplication::translate("sf", "Apply"), row);
    proceed->setObjectName(QStringLiteral("Proceed"));
    auto* cancel = new QPushButton(style->standardIcon(QStyle::SP_DialogCloseButton), cancelText, row);
    cancel->setObjectName(QStringLiteral("Cancel"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    if (leading)
        layout->addLayout(leading);
    layout->addStretch(1);
    for (QPushButton* button : {proceed, cancel}) {
        button->setAutoDefault(false);
        button->setMinimumWidth(96);
        layout->addWidget(button, 0, Qt::AlignBottom);
    }
    return {row, proceed, cancel};
}

} // namespace sf
