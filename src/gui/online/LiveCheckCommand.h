#pragma once

#include "online/LiveCheck.h"

#include <QObject>

namespace sf {

// "Check the live site": reads robots.txt from the site's address in the background and, once the
// answer is in, tells the user what the site serves beside the file expected there. The window goes
// on meanwhile.
class LiveCheckCommand : public QObject {
    Q_OBJECT
public:
    explicit LiveCheckCommand(QObject* parent = nullptr);

    // Starts a check; false when there is no address, or a check is still running.
    bool check(const QString& siteAddress, const QByteArray& expected, const QString& expectedName);
    bool isRunning() const { return m_fetch.isRunning(); }
    // The time a reading may take (ten seconds).
    void setTimeLimit(int ms) { m_limitMs = ms; }

signals:
    // The check ended and its report was shown.
    void reported(const QString& text);

private:
    void tell(const online::LiveFile& file);

    online::LiveFetch m_fetch;
    QByteArray m_expected;
    QString m_expectedName;
    int m_limitMs = online::kLiveCheckLimitMs;
};

} // namespace sf
