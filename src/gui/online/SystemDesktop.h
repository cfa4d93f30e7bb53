#pragma once

#include "online/Desktop.h"

namespace sf {

// The desktop of the running system: QDesktopServices for addresses and files, a detached process
// for programs.
class SystemDesktop final : public Desktop {
public:
    bool openUrl(const QUrl& url) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
};

} // namespace sf
