#pragma once

#include <QString>

class QPushButton;
class QWidget;

namespace sf {

// The two buttons every dialog of the program has: "Apply" (`Proceed`) and the closing one (`Cancel`).
struct DialogButtons {
    QPushButton* proceed;
    QPushButton* cancel;
};
DialogButtons makeDialogButtons(QWidget* parent, const QString& cancelText);

} // namespace sf
