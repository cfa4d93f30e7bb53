#pragma once

#include <QString>

class QLayout;
class QPushButton;
class QWidget;

namespace sf {

// The row at the foot of every dialog of the program: what `leading` lays out at its left, then
// "Apply" (`Proceed`) and the closing button (`Cancel`) at its right.
struct DialogButtons {
    QWidget* row;
    QPushButton* proceed;
    QPushButton* cancel;
};
DialogButtons makeDialogButtons(QWidget* parent, const QString& cancelText, QLayout* leading = nullptr);

} // namespace sf
