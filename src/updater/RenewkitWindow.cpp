#include "updater/RenewkitWindow.h"

#include "transfer/ComponentCheck.h"
#include "transfer/Inet.h"
#include "transfer/SafeDownload.h"
#include "transfer/ServiceUrls.h"
#include "transfer/Wait.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace sf::renewkit {
namespace {

constexpr int kProgressMaximum = 240; // kilobytes
constexpr int kChunkSize = 256;

} // namespace

QString MainProgramName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("spiderfence.exe");
#else
    return QStringLiteral("spiderfence");
#endif
}

QString ProgressLine(qint64 bytesReceived, double kilobytesPerSecond, const QLocale& locale)
{
    QLocale l = locale;
    l.setNumberOptions(l.numberOptions() & ~QLocale::OmitGroupSeparator);
    return QCoreApplication::translate("Renewkit", "%1 KB @ %2 KB/s")
        .arg(l.toString(static_cast<double>(bytesReceived) / 1024.0, 'f', 2),
             l.toString(kilobytesPerSecond, 'f', 2));
}

double TransferSpeed(qint64 bytesSinceLastTick, qint64 millisecondsSinceLastTick, double previousSpeed)
{
    if (millisecondsSinceLastTick <= 0)
        return previousSpeed;
    return static_cast<double>(bytesSinceLastTick) / 1024.0 /
           (static_cast<double>(millisecondsSinceLastTick) / 1000.0);
}

frmMain::frmMain(const QString& programDirectory, QWidget* parent)
    : QWidget(parent), m_programDirectory(programDirectory)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(tr("Renewkit"));
    createControls();
    m_report = [this](const Result<void>& failure) {
        QMessageBox::critical(this, tr("Renewkit"), failure.error);
    };
    Timer1->start();
}

frmMain::~frmMain() = default;

void frmMain::createControls()
{
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(ProgressLine(0, 0, QLocale()), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, kProgressMaximum);
    ProgressBar1->setValue(0);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(ProgressBar1);
    layout->addWidget(Label2);
    setMinimumWidth(360);

    Inet1 = new Inet(this);
    Inet1->setObjectName(QStringLiteral("Inet1"));
    connect(Inet1, &Inet::StateChanged, this, &frmMain::Inet1_StateChanged);
    m_pageInet = new Inet(this);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(50);
    connect(Timer1, &QTimer::timeout, this, &frmMain::Timer1_Timer);
}

void frmMain::Form_Load()
{
    Wait(m_startPause);
    if (m_closed)
        return;
    show();
    StartDownload();
}

void frmMain::StartDownload()
{
    Inet1->SetRequestTimeout(60);
    Inet1->SetBodyLimit(kProgramDownloadLimit);
    ProgressBar1->setMaximum(kProgressMaximum);
    m_targetPath = QDir(m_programDirectory).filePath(MainProgramName());
    Label1->setText(tr("Establishing connection..."));
    // What may replace the program is what the version page announces: its version and its hash.
    m_pageInet->SetRequestTimeout(60);
    const Result<VersionPage> fetched = FetchVersionPage(*m_pageInet);
    if (m_closed)
        return;
    if (!fetched) {
        fail(fetched.status());
        return;
    }
    m_page = fetched.value();
    Inet1->Execute(DownloadFileUrl(QStringLiteral("spiderfence.exe")), QStringLiteral("GET"));
}

void frmMain::Inet1_StateChanged(int state)
{
    if (m_busy || m_closed)
        return;
    m_busy = true;
    if (state == Inet::Error) {
        // The request failed before any answer: nothing to write, and the user is told why.
        fail(CheckTransfer(*Inet1));
        return;
    }
    if (state != Inet::ResponseReceived) {
        m_busy = false;
        return;
    }
    if (receiveBody() && writeAndRestart())
        finish();
}

// Reads the body in chunks once it has arrived; false when the updater must stop.
bool frmMain::receiveBody()
{
    Label1->setText(tr("Downloading : spiderfence.exe..."));
    while (Inet1->StillExecuting() && !m_closed)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (m_closed)
        return false;
    // The line shows the whole amount received, and keeps it: the transfer is let go before the
    // file is written, and a later tick would count nothing.
    Timer1_Timer();
    Timer1->stop();
    const Result<void> check = CheckTransfer(*Inet1);
    if (!check.ok) {
        fail(check);
        return false;
    }
    const std::optional<QByteArray> body = ReadBodyInChunks(*Inet1, kChunkSize, [this](qint64 bytes) {
        const int kb = static_cast<int>(std::nearbyint(static_cast<double>(bytes) / 1024.0));
        ProgressBar1->setValue(std::min(kb, ProgressBar1->maximum()));
        return !m_closed;
    });
    if (!body || m_closed)
        return false;
    const Result<void> checked = CheckContent(*body, [this](const QByteArray& bytes) {
        const Result<void> hash = CheckAnnouncedHash(bytes, m_page, QStringLiteral("spiderfence.exe"));
        return hash ? CheckExecutable(bytes, m_page.versions.program) : hash;
    });
    if (!checked) {
        fail(Result<void>::failure(checked.error));
        return false;
    }
    m_buffer = *body;
    Label1->setText(tr("Download complete."));
    Wait(1);
    return !m_closed;
}

// Writes the new program once the old one has let go of its file, then starts it.
bool frmMain::writeAndRestart()
{
    Label1->setText(tr("Writing file : Spiderfence.exe"));
    Inet1->Cancel();
    Result<void> result = WaitUntilFree(m_targetPath, m_freeChecks)
                              ? ReplaceFile(m_targetPath, m_buffer, true, backupPath())
                              : Result<void>::failure(QString(), kFileInUseError);
    m_buffer.clear();
    if (!result.ok) {
        fail(result);
        return false;
    }
    Label1->setText(tr("Re-start : Spiderfence.exe"));
    Wait(2);
    QProcess starter;
    starter.setProgram(m_targetPath);
    starter.setWorkingDirectory(m_programDirectory);
    if (!starter.startDetached()) {
        // The new program cannot run here: the previous one takes its place again.
        result = Result<void>::failure(QString(), static_cast<int>(starter.error()));
        result.error =
            RestoreBackup(m_targetPath, backupPath())
                ? tr("%1 could not be started; the previous version is back in its place")
                      .arg(QDir::toNativeSeparators(m_targetPath))
                : tr("%1 could not be started, nor the previous version put back from %2")
                      .arg(QDir::toNativeSeparators(m_targetPath), QDir::toNativeSeparators(backupPath()));
        fail(result);
        return false;
    }
    QFile::remove(backupPath());
    return true;
}

QString frmMain::backupPath() const
{
    return m_targetPath + QStringLiteral(".old");
}

void frmMain::fail(const Result<void>& result)
{
    const QString text =
        isFileInUse(result)
            ? tr("Error Updating Spiderfence, A copy of Spiderfence must be running.\r\n\r\n"
                 "Close all copy of Spiderfence, and try again or start Renewkit.exe")
            : tr("Error Updating Spiderfence\r\n\r\n%1, #%2").arg(result.error).arg(result.errorNumber);
    qWarning().noquote() << text;
    Inet1->Cancel();
    m_buffer.clear();
    if (m_report)
        m_report(Result<void>::failure(text));
    finish();
}

void frmMain::finish()
{
    close();
    m_busy = false;
}

void frmMain::Timer1_Timer()
{
    const qint64 received = Inet1->BytesReceived();
    const qint64 nowMs = QTime::currentTime().msecsSinceStartOfDay();
    m_lastSpeed = TransferSpeed(received - m_previousBytes, nowMs - m_previousTickMs, m_lastSpeed);
    Label2->setText(ProgressLine(received, m_lastSpeed, QLocale()));
    m_previousTickMs = nowMs;
    m_previousBytes = received;
}

void frmMain::closeEvent(QCloseEvent* event)
{
    m_closed = true;
    m_pageInet->Cancel();
    Inet1->Cancel();
    Timer1->stop();
    event->accept();
}

} // namespace sf::renewkit
