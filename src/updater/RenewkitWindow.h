#pragma once

#include "transfer/VersionPage.h"

#include <QByteArray>
#include <QWidget>

#include <functional>

class QLabel;
class QLocale;
class QProgressBar;
class QTimer;

namespace sf {
class Inet;
struct DownloadResult;
} // namespace sf

namespace sf::renewkit {

// The main program's executable name in the program folder ("spiderfence.exe" on Windows).
QString MainProgramName();
// The progress line: amount received and speed, "#,##0.00 KB @ #,##0.00 KB/s" in the given locale.
QString ProgressLine(qint64 bytesReceived, double kilobytesPerSecond, const QLocale& locale);

// Kilobytes per second over the time since the previous tick. Two ticks within the clock's
// resolution, or a tick across midnight (no time or negative time), keep the previous speed.
double TransferSpeed(qint64 bytesSinceLastTick, qint64 millisecondsSinceLastTick, double previousSpeed);

// Renewkit's one window: it pauses, reads the version page, downloads the new main program, checks
// it against the page, writes it over the old one in the program folder (keeping the old one beside
// it until the new one has started, and putting it back when the new one cannot start), starts it
// and closes.
class frmMain : public QWidget {
    Q_OBJECT
public:
    explicit frmMain(const QString& programDirectory, QWidget* parent = nullptr);
    ~frmMain() override;

    // The start-up: the pause that lets the main program end, then the window, then the download.
    void Form_Load();
    void StartDownload();

    QString targetPath() const { return m_targetPath; }
    // How the failures are told (a critical message box with the failure's text unless replaced).
    void setErrorReporter(std::function<void(const Result<void>&)> reporter)
    {
        m_report = std::move(reporter);
    }
    // The start-up pause in Wait units, and how many half seconds to wait for the old program's file.
    void setStartPause(float waitUnits) { m_startPause = waitUnits; }
    void setFreeChecks(int checks) { m_freeChecks = checks; }
    Inet* transfer() const { return Inet1; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void Inet1_StateChanged(int state);
    void Timer1_Timer();
    bool receiveBody();
    bool writeAndRestart();
    void fail(const DownloadResult& result);
    void finish();
    // Where the previous program is kept until the new one has started.
    QString backupPath() const;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    Inet* Inet1 = nullptr;
    Inet* m_pageInet = nullptr; // the version page
    QTimer* Timer1 = nullptr;

    QString m_programDirectory;
    QString m_targetPath;
    QByteArray m_buffer;
    VersionPage m_page;
    bool m_busy = false;
    bool m_closed = false;
    float m_startPause = 4;
    int m_freeChecks = 20;
    qint64 m_previousTickMs = 0;
    qint64 m_previousBytes = 0;
    double m_lastSpeed = 0;
    std::function<void(const Result<void>&)> m_report;
};

} // namespace sf::renewkit
