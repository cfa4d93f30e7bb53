#include "ftp/cFTP.h"

#include "ftp/CurlSession.h"
#include "ftp/ListingParser.h"

#include <QCoreApplication>
#include <QDir>

using sf::ftp::CurlSession;
using sf::ftp::FtpRequest;
using sf::ftp::ListingEntry;

namespace {

// The path inside the quotes of a "257" reply; a doubled quote stands for one quote.
QString pathOfPwdReply(const QString& reply)
{
    const qsizetype open = reply.indexOf(QLatin1Char('"'));
    if (open < 0)
        return {};
    QString path;
    for (qsizetype i = open + 1; i < reply.size(); ++i) {
        if (reply[i] != QLatin1Char('"')) {
            path += reply[i];
        } else if (i + 1 < reply.size() && reply[i + 1] == QLatin1Char('"')) {
            path += QLatin1Char('"');
            ++i;
        } else {
            return path;
        }
    }
    return {};
}

bool hasLineBreak(const QString& name)
{
    return name.contains(QLatin1Char('\r')) || name.contains(QLatin1Char('\n')) || name.contains(QChar(0));
}

} // namespace

cFTP::BusyScope::~BusyScope()
{
    if (!m_held)
        return;
    m_ftp.m_busy = false;
    m_ftp.m_cancel = false;
    if (m_ftp.m_closeRequested) {
        m_ftp.m_closeRequested = false;
        m_ftp.m_session.reset();
    }
}

bool cFTP::BusyScope::acquire()
{
    if (m_ftp.m_busy)
        return false;
    m_ftp.m_busy = m_held = true;
    return true;
}

static_assert(cFTP::ErrorCancelled == CURLE_ABORTED_BY_CALLBACK);

cFTP::cFTP(QObject* parent) : QObject(parent) {}

cFTP::~cFTP() = default;

int cFTP::PortFromText(const QString& sPort, sf::ftp::Protocol protocol)
{
    bool ok = false;
    const int port = sPort.trimmed().toInt(&ok);
    return ok && port >= 1 && port <= 65535 ? port : sf::ftp::defaultPort(protocol);
}

std::shared_ptr<cDirList> cFTP::Directory()
{
    if (!m_dirList)
        m_dirList = std::make_shared<cDirList>();
    return m_dirList;
}

bool cFTP::IsConnected() const
{
    return m_session && m_session->isOpen();
}

bool cFTP::IsConnectionPassive() const
{
    return IsConnected() && m_session->isPassive();
}

QStringList cFTP::LastServerReplies() const
{
    QStringList replies;
    if (m_session)
        for (const auto& reply : m_session->replies())
            replies.append(reply.text);
    return replies;
}

void cFTP::RecordFtpError(qint32 lCode, const QString& sContext)
{
    QString text;
    switch (lCode) {
    case ErrorServerResponse:
        setFailure(lCode, m_serverReply); // the server's own words, without context or code
        return;
    case ErrorNotConnected:
        text = tr("Not connected to an FTP server.");
        break;
    case ErrorBusy:
        text = tr("Another FTP command is still running; try again when it has finished.");
        break;
    case ErrorInvalidName:
        text = tr("A remote name must not contain a line break.");
        break;
    default:
        text = QString::fromUtf8(curl_easy_strerror(static_cast<CURLcode>(lCode)));
        if (m_session && !m_session->errorDetail().isEmpty() && m_session->errorDetail() != text)
            text += QStringLiteral(" (%1)").arg(m_session->errorDetail());
    }
    setFailure(lCode, sContext + QStringLiteral(" error code: ") + QString::number(lCode) +
                          QStringLiteral(" Message: ") + text);
}

void cFTP::recordCurlFailure(int curlCode, const QString& sContext)
{
    const auto& replies = m_session->replies();
    if (curlCode != CURLE_ABORTED_BY_CALLBACK && !replies.isEmpty() && replies.last().code >= 400) {
        m_serverReply = replies.last().text;
        RecordFtpError(ErrorServerResponse, sContext);
    } else if (curlCode != CURLE_ABORTED_BY_CALLBACK && m_session->controlConnectionClosed()) {
        setFailure(ErrorConnectionClosed, tr("The server closed the connection."));
    } else if (curlCode == CURLE_QUOTE_ERROR && m_session->isSftp()) {
        m_serverReply = m_session->errorDetail(); // the SFTP server's refusal, as libcurl words it
        RecordFtpError(ErrorServerResponse, sContext);
    } else {
        RecordFtpError(curlCode, sContext);
    }
}

void cFTP::recordLocalFileError(const QString& path, const QString& reason)
{
    setFailure(ErrorLocalFile, tr("The local file \"%1\" cannot be used: %2").arg(path, reason));
}

bool cFTP::begin(BusyScope& scope, const QString& context)
{
    if (!scope.acquire()) {
        RecordFtpError(ErrorBusy, context);
        return false;
    }
    if (!IsConnected()) {
        RecordFtpError(ErrorNotConnected, context);
        return false;
    }
    return true;
}

int cFTP::execute(FtpRequest& request)
{
    // Window events run between libcurl's steps (the curl driver's loop) and also inside a step, in
    // its progress callback, as they always have: libcurl may take the "150" reply and a whole
    // listing in one step, and a command pressed after the reply must meet the transfer running.
    // The driver holds its own sockets back until libcurl has returned.
    request.progress = [this] {
        QCoreApplication::processEvents();
        return notCancelled();
    };
    m_session->setBinary(m_binary);
    const int code = m_session->perform(request);
    if (code == CURLE_OK || request.freshConnection || !(request.noBody || request.restart) ||
        !prepareRepeat(request))
        return code;
    if (request.restart)
        request.restart();
    request.freshConnection = true;
    return m_session->perform(request);
}

bool cFTP::prepareRepeat(const FtpRequest& request)
{
    const auto& replies = m_session->replies();
    if (replies.isEmpty())
        return false;
    // "421": the server closed a connection that had been idle too long. Log in again once and
    // repeat the request, which the user never sees fail.
    if (replies.first().code == 421)
        return true;
    // vsftpd 3.0.3 ends about one upload of 500 KiB in three over a TLS 1.3 data connection with
    // "426 Failure reading network stream" (the curl tool alike; 0 of 40 over TLS 1.2, and a server
    // setting does not help). Such an upload goes once more over TLS 1.2, as does the rest of the
    // session; servers without the fault keep TLS 1.3.
    if (request.upload && sf::ftp::usesTls(m_session->protocol()) && !m_session->isTlsLimited() &&
        replies.last().code == 426) {
        m_session->limitTlsTo12();
        return true;
    }
    return false;
}

bool cFTP::runRequest(FtpRequest& request, const QString& context)
{
    const int code = execute(request);
    if (code != CURLE_OK)
        recordCurlFailure(code, context);
    return code == CURLE_OK;
}

bool cFTP::runCommands(const QStringList& commands, const QString& context)
{
    BusyScope scope(*this);
    if (!begin(scope, context))
        return false;
    for (const QString& command : commands) {
        if (hasLineBreak(command)) {
            RecordFtpError(ErrorInvalidName, context);
            return false;
        }
    }
    FtpRequest request;
    request.path = directoryUrlPath(m_currentDir);
    request.noBody = true;
    request.postCommands = commands;
    if (!runRequest(request, context))
        return false;
    // The last replies answer the commands, in order; the first refusal is the one to report.
    const auto& replies = m_session->replies();
    for (qsizetype i = qMax<qsizetype>(0, replies.size() - commands.size()); i < replies.size(); ++i) {
        if (replies[i].code >= 400) {
            m_serverReply = replies[i].text;
            RecordFtpError(ErrorServerResponse, context);
            return false;
        }
    }
    return true;
}

QString cFTP::absolutePath(const QString& name) const
{
    if (name.startsWith(QLatin1Char('/')))
        return name;
    const QString base = m_currentDir.isEmpty() ? QStringLiteral("/") : m_currentDir;
    return base.endsWith(QLatin1Char('/')) ? base + name : base + QLatin1Char('/') + name;
}

QString cFTP::directoryUrlPath(const QString& directory)
{
    return directory + QLatin1Char('/');
}

int cFTP::login(const sf::ftp::ConnectionOptions& options)
{
    m_session = std::make_unique<CurlSession>();
    m_session->setPassive(m_passive);
    m_session->open(options);
    if (!m_session->isOpen())
        return CURLE_FAILED_INIT;
    FtpRequest request; // no path: log in and stay in the login directory
    request.noBody = true;
    request.freshConnection = true;
    if (!m_session->isSftp())
        request.postCommands = {QStringLiteral("FEAT")};
    return execute(request);
}

bool cFTP::OpenConnection(const QString& sServer, const QString& sUser, const QString& sPassword, int nPort)
{
    const QString context = QStringLiteral("InternetConnect");
    BusyScope scope(*this);
    if (!scope.acquire()) {
        RecordFtpError(ErrorBusy, context);
        return false;
    }
    sf::ftp::ConnectionOptions options = connectionOptions(sServer, sUser, sPassword, nPort);
    m_refusal.clear();
    int code = login(options);
    if (code == CURLE_PEER_FAILED_VERIFICATION && sf::ftp::usesTls(m_protocol)) {
        if (!settleCertificate(options, context)) {
            m_session.reset();
            return false;
        }
        code = login(options);
    }
    if (code != CURLE_OK) {
        if (!m_refusal.isEmpty())
            recordNotTrusted(m_refusal);
        else if (code == CURLE_FAILED_INIT && !m_session->isOpen())
            RecordFtpError(code, QStringLiteral("InternetOpen"));
        else
            recordCurlFailure(code, context);
        m_session.reset();
        return false;
    }
    m_useMlsd = false;
    for (const auto& reply : m_session->replies())
        if (reply.code == 211 && reply.text.contains(QLatin1String("\n MLST"), Qt::CaseInsensitive))
            m_useMlsd = true;
    m_prefetchedDir.clear();
    m_currentDir = m_session->entryPath();
    if (!m_currentDir.startsWith(QLatin1Char('/')))
        m_currentDir = QStringLiteral("/");
    return true;
}

void cFTP::CloseConnection()
{
    if (m_busy) {
        m_closeRequested = true;
        m_cancel = true;
        return;
    }
    m_session.reset();
}

QString cFTP::GetFTPDirectory()
{
    // A question, not a command: asked after the connection has ended, it leaves the failure that
    // ended it as the last error.
    if (!IsConnected())
        return {};
    return m_currentDir;
}

bool cFTP::SetFTPDirectory(const QString& sDir)
{
    const QString context = QStringLiteral("FtpSetCurrentDirectory");
    BusyScope scope(*this);
    if (!begin(scope, context))
        return false;
    if (hasLineBreak(sDir)) {
        RecordFtpError(ErrorInvalidName, context);
        return false;
    }
    if (m_session->isSftp())
        return enterSftpDirectory(sDir, context);
    // libcurl changes into the folder (the server resolves "..", "//" and the like), then PWD
    // tells where that is.
    FtpRequest request;
    request.path = directoryUrlPath(absolutePath(sDir));
    request.noBody = true;
    request.postCommands = {QStringLiteral("PWD")};
    if (!runRequest(request, context))
        return false;
    const auto& replies = m_session->replies();
    const QString path =
        !replies.isEmpty() && replies.last().code == 257 ? pathOfPwdReply(replies.last().text) : QString();
    m_currentDir = path.startsWith(QLatin1Char('/')) ? path : absolutePath(sDir);
    return true;
}

QString cFTP::sftpCommand(const QString& verb, const QStringList& names) const
{
    // SFTP knows no current directory: absolute paths, quoted with "\" before '"' and '\'.
    QString command = verb;
    for (const QString& name : names) {
        QString path = absolutePath(name);
        path.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
            .replace(QLatin1Char('"'), QStringLiteral("\\\""));
        command += QStringLiteral(" \"") + path + QLatin1Char('"');
    }
    return command;
}

bool cFTP::RenameFTPFile(const QString& sExisting, const QString& sNewName)
{
    if (m_protocol == sf::ftp::Protocol::Sftp && IsConnected())
        return runCommands({sftpCommand(QStringLiteral("rename"), {sExisting, sNewName})},
                           QStringLiteral("RenameFTPFile"));
    return runCommands({QStringLiteral("RNFR ") + sExisting, QStringLiteral("RNTO ") + sNewName},
                       QStringLiteral("RenameFTPFile"));
}

QString cFTP::remoteCommand(const char* ftpVerb, const char* sftpVerb, const QString& name) const
{
    if (m_protocol == sf::ftp::Protocol::Sftp && IsConnected())
        return sftpCommand(QLatin1String(sftpVerb), {name});
    return QLatin1String(ftpVerb) + QLatin1Char(' ') + name;
}

bool cFTP::CreateFTPDirectory(const QString& sDirectory)
{
    return runCommands({remoteCommand("MKD", "mkdir", sDirectory)}, QStringLiteral("CreateFTPDirectory"));
}

bool cFTP::RemoveFTPDirectory(const QString& sDirectory)
{
    return runCommands({remoteCommand("RMD", "rmdir", sDirectory)}, QStringLiteral("RemoveFTPDirectory"));
}

bool cFTP::DeleteFTPFile(const QString& sRemote)
{
    return runCommands({remoteCommand("DELE", "rm", sRemote)}, QStringLiteral("DeleteFTPFile"));
}

bool cFTP::enterSftpDirectory(const QString& sDir, const QString& context)
{
    // SFTP has no directory to change into: the folder is read, which proves that it exists, and the
    // listing is kept for the refresh that follows.
    const QString path = QDir::cleanPath(absolutePath(sDir));
    sf::ftp::ListingStream stream(false, QDateTime::currentDateTimeUtc());
    qint64 received = 0;
    const int code = performListing(path, QString(), stream, received);
    if (code != CURLE_OK) {
        recordCurlFailure(code, context);
        return false;
    }
    m_currentDir = path;
    m_prefetchedDir = path;
    m_prefetched = std::move(stream.entries());
    return true;
}
