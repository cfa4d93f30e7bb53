#include "gui/online/UpdateNotice.h"

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
    m_check->start();
}

} // namespace sf
