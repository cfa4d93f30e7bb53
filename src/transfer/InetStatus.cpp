#include "transfer/InetStatus.h"

#include "transfer/Inet.h"

#include <QCoreApplication>

namespace sf {

QString InetStateText(int state, const QString& previous, const QString& errorText)
{
    const auto tr = [](const char* text) { return QCoreApplication::translate("Inet", text); };
    switch (state) {
    case 1:
        return tr("Resolving host");
    case 3:
        return tr("Connecting");
    case 4:
        return tr("Connected");
    case 5:
        return tr("Requesting");
    case 6:
        return tr("Request Sent");
    case 7:
        return tr("Receiving response");
    case 8:
        return tr("Response received");
    case 9:
        return tr("Disconnecting");
    case 10:
        return tr("Disconnected");
    case 11:
        return tr("Error: ") + errorText;
    case 12:
        return tr("Response completed");
    default:
        return previous;
    }
}

InetStatus::InetStatus(Inet* inet, QObject* parent) : QObject(parent), m_inet(inet)
{
    connect(inet, &Inet::StateChanged, this, &InetStatus::onState);
}

void InetStatus::setText(const QString& text)
{
    m_text = text;
    emit TextChanged(m_text);
}

void InetStatus::onState(int state)
{
    setText(InetStateText(state, m_text, m_inet->ResponseInfo()));
}

} // namespace sf
