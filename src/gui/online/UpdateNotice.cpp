#include "gui/online/UpdateNotice.h"

#include "base/InstallMode.h"
#include "online/StartupUpdateCheck.h"

namespace sf {

UpdateNotice::UpdateNotice(QWidget* parent) : QToolButton(parent), m_check(new StartupUpdateCheck(this))
{
    setObjectName(QStringLiteral("UpdateNotice"));
    setAutoRaise(true);
    setCursor(Qt::PointingHandCursor);
    setToolTip(tr("Open the update tab"));
    hide();
    connect(m_check, &StartupUpdateCheck::updateAvailable, this, [this] {
        setText(tr("Update available! Click here to update Spiderfence."));
        show();
    });
}

void UpdateNotice::check()
{
    // A packaged copy is updated by the package manager: it asks the web service for nothing.
    if (!IsPackagedInstall())
        m_check->start();
}

} // namespace sf
