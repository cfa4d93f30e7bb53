#include "gui/main/StepBanner.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace sf {

StepBanner::StepBanner(int step, const QString& caption, QWidget* parent)
    : QWidget(parent), m_step(step), m_caption(caption)
{
    setAccessibleName(caption);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize StepBanner::sizeHint() const
{
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(m_caption) + fm.height() * 3, fm.height() * 2};
}

QSize StepBanner::minimumSizeHint() const
{
    const QFontMetrics fm(font());
    return {fm.height() * 6, fm.height() * 2};
}

void StepBanner::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient gradient(area.topLeft(), area.topRight());
    gradient.setColorAt(0.0, isEnabled() ? QColor(0x23, 0x46, 0x6f) : QColor(0x7a, 0x85, 0x92));
    gradient.setColorAt(1.0, isEnabled() ? QColor(0x8f, 0xb3, 0xdc) : QColor(0xd5, 0xda, 0xe0));
    QPainterPath shape;
    shape.addRoundedRect(area, 4, 4);
    p.fillPath(shape, gradient);

    const qreal h = area.height();
    const QRectF badge(area.left() + h * 0.2, area.top() + h * 0.18, h * 0.64, h * 0.64);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf2, 0xb2, 0x33));
    p.drawEllipse(badge);
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(QColor(0x23, 0x46, 0x6f));
    p.drawText(badge, Qt::AlignCenter, QString::number(m_step));
    p.setPen(Qt::white);
    const QRectF text = area.adjusted(h, 0, -h * 0.3, 0);
    p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
               QFontMetrics(bold).elidedText(m_caption, Qt::ElideRight, static_cast<int>(text.width())));
}

} // namespace sf
