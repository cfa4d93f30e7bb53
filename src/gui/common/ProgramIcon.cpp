#include "gui/common/ProgramIcon.h"

#include <QFileInfo>
#include <QIconEngine>
#include <QPainter>

#include <optional>

namespace sf {
namespace {

// Passes every question on to the icon of the file, made on the first one.
class DeferredIconEngine : public QIconEngine {
public:
    explicit DeferredIconEngine(QString file) : m_file(std::move(file)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, 1.0, mode, state);
    }
    // size is in device pixels already; QIcon sets the pixmap's ratio itself.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal /*scale*/) override
    {
        return icon().pixmap(size, 1.0, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    // Widgets ask this as they are laid out; the answer must not read the file.
    bool isNull() override { return m_icon ? m_icon->isNull() : !QFileInfo::exists(m_file); }
    QString key() const override { return QStringLiteral("DeferredIconEngine"); }
    QIconEngine* clone() const override { return new DeferredIconEngine(m_file); }

private:
    const QIcon& icon()
    {
        if (!m_icon)
            m_icon.emplace(m_file);
        return *m_icon;
    }

    QString m_file;
    std::optional<QIcon> m_icon;
};

} // namespace

QIcon programIcon(const QString& file)
{
    return QIcon(new DeferredIconEngine(file));
}

} // namespace sf
