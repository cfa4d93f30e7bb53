#pragma once

#include <QObject>
#include <QString>

namespace sf {

class Inet;

// The status text a window shows for a state of its transfer control: the text of the state, or
// `previous` for state 2 and for numbers that have no text. State 11 shows "Error: " followed by
// the control's error text.
QString InetStateText(int state, const QString& previous, const QString& errorText);

// The window-level status string of a transfer control: follows its state events and announces
// every setting of the text (a status label connects TextChanged to its setText).
class InetStatus : public QObject {
    Q_OBJECT
public:
    explicit InetStatus(Inet* inet, QObject* parent = nullptr);
    QString text() const { return m_text; }
    void setText(const QString& text);

signals:
    void TextChanged(const QString& text);

private:
    void onState(int state);

    Inet* m_inet;
    QString m_text;
};

} // namespace sf
