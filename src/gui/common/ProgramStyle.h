#pragma once

#include <QProxyStyle>

namespace sf {

// The desktop's style with the program's own pictures for the buttons that every menu bar and tool
// bar makes on its construction (the button that shows a bar's hidden entries). The style's own
// pictures for them are PNG files, and reading the first PNG makes Qt load every image format
// plug-in there is, a good part of the time to the first window; ours are SVG, drawn by the icon
// engine the program's other pictures load anyway.
class ProgramStyle : public QProxyStyle {
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;

    // Makes the application's style a ProgramStyle around the current one, once; later calls do
    // nothing. Windows call it before they make their bars.
    static void install();

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

} // namespace sf
