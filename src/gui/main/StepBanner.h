#pragma once

#include <QWidget>

namespace sf {

// The gradient banner above each of the five steps of the main window: a numbered badge and a caption.
class StepBanner : public QWidget {
    Q_OBJECT
public:
    StepBanner(int step, const QString& caption, QWidget* parent = nullptr);

    QString caption() const { return m_caption; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_step;
    QString m_caption;
};

} // namespace sf
