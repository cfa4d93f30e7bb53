#pragma once

#include "base/Protocol.h"
#include "base/Result.h"
#include "ftp/ListingParser.h"
#include "ftp/cDirList.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <memory>

class QIODevice;

namespace sf::ftp {
class CurlSession;
struct CertificateInfo;
struct ConnectionOptions;
struct FtpRequest;
struct HostKeyInfo;
class TrustDecider;
} // namespace sf::ftp

// One FTP session: one login on one control connection, kept open between operations.
//
// Every operation runs on the calling (user-interface) thread and blocks it, but lets pending
// window events run while it waits for the server and between the chunks of a transfer. While one
// operation runs, any other operation is refused: it returns failure and GetLastErrorMessage says
// so (ErrorBusy). Connecting gives up after 30 seconds. An owner that goes away while an
// operation runs (a window closed from an event handler) calls CloseConnection(), which cancels
// the operation, and deletes the session only after that has returned (deleteLater).
//
// Failures return false (or the stated error value) and set the last error message, which is
// never cleared:
//  - when the server answered with an error reply, the code is ErrorServerResponse (12003) and the
//    message is the server's own reply, e.g. "530 Login incorrect.";
//  - otherwise the message is "<context> error code: <code> Message: <text>", where code and text
//    are libcurl's (or ErrorNotConnected / ErrorBusy with their own text).
//
// Remote names and paths are held as nameFromServer (ftp/RemoteName.h) gives them: the server's own
// bytes, which are sent back unchanged, so that a name listed in a single-byte code page can be
// entered and fetched. Names typed by the user go as UTF-8. Relative names are relative to the
// session's current directory (GetFTPDirectory, in the same form; displayPath shows it).
//
// Transfer types. Binary sends and stores the bytes exactly as they are: a caller that wants CR LF
// line ends in the remote file sends CR LF. ASCII ("TYPE A") is the protocol's text mode: on upload
// libcurl turns every LF into CR LF on the wire, so the caller must send text with bare LF line
// ends (text that already has CR LF would arrive as CR CR LF); the server then stores the lines
// with its own line ends (LF on a Unix server that converts, the wire's CR LF on one that does not,
// such as vsftpd by default). On download libcurl turns CR LF back into LF, so a download in ASCII
// mode delivers LF line ends and may hold fewer bytes than GetFTPFileSize reports; downloads read
// until the end of the data.
class cFTP : public QObject {
    Q_OBJECT
public:
    static constexpr qint32 ErrorNoMoreEntries = 18;
    static constexpr qint32 ErrorCancelled = 42; // libcurl's "aborted by callback": Cancel or CloseConnection
    static constexpr qint32 ErrorServerResponse = 12003;
    static constexpr qint32 ErrorNotConnected = 12100;
    static constexpr qint32 ErrorBusy = 12101;
    static constexpr qint32 ErrorLocalFile = 12102;
    static constexpr qint32 ErrorInvalidName = 12103;
    static constexpr qint32 ErrorNotTrusted = 12104;
    // A transfer that ended without all its bytes, though the connection said nothing of it.
    static constexpr qint32 ErrorIncomplete = 12105;
    // The server closed (or reset) the control connection while a command ran.
    static constexpr qint32 ErrorConnectionClosed = 12106;
    static constexpr int DefaultPort = 21;
    static constexpr int ChunkSize = 255;
    // Links of one listing whose kind is found by trying to enter them.
    static constexpr int kMaxLinkProbes = 32;

    explicit cFTP(QObject* parent = nullptr);
    ~cFTP() override;

    // The port typed by the user: the number when it is 1..65535, else the protocol's default port.
    static int PortFromText(const QString& sPort, sf::ftp::Protocol protocol = sf::ftp::Protocol::Ftp);

    // The list of the last listing (an empty list when there is none); shared, so a list obtained
    // before a new listing keeps its old entries.
    std::shared_ptr<cDirList> Directory();
    QString GetLastErrorMessage() const { return m_lastError.error; }
    qint32 GetLastErrorCode() const { return m_lastError.errorNumber; }

    // The protocol, trust and SFTP key the next OpenConnection uses.
    //
    // TLS: the certificate is checked against the system's roots. One they do not vouch for is shown
    // through the program's prompt ("Trust this certificate?": always, this time, no) before any
    // password is sent; "always" remembers it for the host and port in the settings store, and a
    // remembered host that shows another certificate is refused with a warning. SFTP does the same
    // with host keys in the known-hosts file beside the settings (SftpKnownHostsFile).
    void SetProtocol(sf::ftp::Protocol protocol) { m_protocol = protocol; }
    sf::ftp::Protocol GetProtocol() const { return m_protocol; }
    void SetTrustPolicy(sf::ftp::TrustPolicy policy) { m_trust = policy; }
    // Who is asked about a certificate or host key that nothing vouches for; without one (nullptr,
    // the default) such a certificate or key is refused. The decider must outlive the session's use.
    void SetTrustDecider(sf::ftp::TrustDecider* decider) { m_trustDecider = decider; }
    // SFTP: log in with this private key file (empty: with the password).
    void SetKeyFile(const QString& path, const QString& passphrase = QString())
    {
        m_keyFile = path;
        m_keyPassphrase = passphrase;
    }
    static QString SftpKnownHostsFile();

    // Closes any held connection, then logs in. A port outside 1..65535 means the protocol's default.
    [[nodiscard]] bool OpenConnection(const QString& sServer, const QString& sUser, const QString& sPassword,
                                      int nPort = DefaultPort);
    // Closes the connection. Called during an operation, it cancels that operation and closes
    // as soon as it has returned.
    void CloseConnection();
    bool IsConnected() const;
    bool IsBusy() const { return m_busy; }
    // Stops the running operation; it then fails with libcurl's "aborted" error.
    void Cancel() { m_cancel = m_busy; }

    [[nodiscard]] bool SimpleFTPPutFile(const QString& sLocal, const QString& sRemote);
    [[nodiscard]] bool SimpleFTPGetFile(const QString& sLocal, const QString& sRemote);
    [[nodiscard]] bool RenameFTPFile(const QString& sExisting, const QString& sNewName);
    [[nodiscard]] bool CreateFTPDirectory(const QString& sDirectory);
    [[nodiscard]] bool RemoveFTPDirectory(const QString& sDirectory);
    [[nodiscard]] bool DeleteFTPFile(const QString& sRemote);

    // Puts the local file on the server as sRemote (in the current directory) so that nobody ever
    // reads it half-written: it is uploaded under a temporary name beside it and then renamed over
    // it. A server that refuses the rename gets the file written in place. Before the rename, the
    // server is asked how many bytes it holds (SIZE, or the SFTP stat): a temporary file that is not
    // whole is removed and the old remote file kept; a file written in place that is not whole is
    // reported. When the upload fails, the old remote file is as it was and the temporary one is
    // removed.
    enum class PublishMethod { Renamed, DirectWrite };
    [[nodiscard]] bool PublishFile(const QString& sLocal, const QString& sRemote,
                                   PublishMethod* method = nullptr);
    // The size the server told for the last published file, which matched the bytes sent; -1 when
    // the server told none and the transfer's own report is all there is.
    qint64 PublishedSizeChecked() const { return m_checkedSize; }
    static QString TemporaryNameFor(const QString& sRemote);

    // Chunked transfers in ChunkSize-byte chunks with a FileTransferProgress event per full chunk
    // and one at the end. The first overloads trim the caller's two names in place.
    [[nodiscard]] bool FTPUploadFile(QString& sLocal, QString& sRemote);
    [[nodiscard]] bool FTPUploadFile(const QString& sLocal, const QString& sRemote);
    [[nodiscard]] bool FTPDownloadFile(QString& sLocal, QString& sRemote);
    [[nodiscard]] bool FTPDownloadFile(const QString& sLocal, const QString& sRemote);

    // The current directory; empty when not connected (the last error stays as it was).
    QString GetFTPDirectory();
    [[nodiscard]] bool SetFTPDirectory(const QString& sDir);
    // Size of the first entry matching the name, every space of it standing for any one character:
    // -1 when none matches, -2 on failure.
    qint32 GetFTPFileSize(const QString& sFile);
    // Lists the entries of the current directory (or of the folder part of the filter) whose
    // names match the filter into a fresh Directory list; "*.*" matches everything. Returns that
    // list, or nullptr when nothing matched or the listing failed (what arrived before a failure
    // stays in Directory). Folders get the attribute bit of a directory, everything else (files,
    // links) the normal bit; a link is a folder when it leads to one. Each item keeps the name's
    // bytes (RawName) and shows them decoded (FileName). FTP gives one time per entry, the last change; all
    // three times of an entry hold it, as the local wall-clock time (a QDateTime at the local zone's offset).
    std::shared_ptr<cDirList> GetDirectoryListing(const QString& sFilter);
    // How the last listing ended: whole, failed before any entry arrived, or cut after some (those
    // are in Directory). A listing whose data ended without the server's final reply, or whose data
    // connection was reset, is cut. A control connection lost on the way fails the listing with
    // ErrorConnectionClosed ("The server closed the connection ...").
    enum class Listing { Complete, Failed, Cut };
    Listing LastListing() const { return m_lastListing; }

    void SetTransferASCII() { m_binary = false; }
    void SetTransferBinary() { m_binary = true; }
    bool IsTransferBinary() const { return m_binary; }
    // The mode the next OpenConnection uses; the open connection keeps the mode it was opened with.
    void SetModeActive() { m_passive = false; }
    void SetModePassive() { m_passive = true; }
    bool IsModePassive() const { return m_passive; }
    bool IsConnectionPassive() const;

    // Whether the server lists folders with MLSD (otherwise LIST is parsed).
    bool UsesMachineListing() const { return m_useMlsd; }
    // The server's replies to the last operation, for diagnostics.
    QStringList LastServerReplies() const;

signals:
    void FileTransferProgress(qint32 lCurrentBytes, qint32 lTotalBytes);

private:
    // Marks the session busy for the length of one operation; refuses when it already is.
    class BusyScope {
    public:
        explicit BusyScope(cFTP& ftp) : m_ftp(ftp) {}
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;
        bool acquire();

    private:
        cFTP& m_ftp;
        bool m_held = false;
    };

    void RecordFtpError(qint32 lCode, const QString& sContext);
    void setFailure(qint32 code, const QString& text) { m_lastError = sf::Result<void>::failure(text, code); }
    sf::ftp::ConnectionOptions connectionOptions(const QString& server, const QString& user,
                                                 const QString& password, int port);
    int login(const sf::ftp::ConnectionOptions& options);
    bool settleCertificate(sf::ftp::ConnectionOptions& options, const QString& context);
    sf::ftp::TrustAnswer judgeCertificate(const QString& hostPort, const sf::ftp::CertificateInfo& cert);
    sf::ftp::TrustAnswer judgeHostKey(const QString& hostPort, const sf::ftp::HostKeyInfo& key);
    void recordNotTrusted(const QString& text);
    void removeQuietly(const QString& sRemote);
    bool swapInto(const QString& sTemporary, const QString& sRemote);
    qint64 storedSize(const QString& sRemote);
    bool arrivedWhole(const QString& sLocal, const QString& sRemote);
    bool listingEnded() const;
    void recordListingFailure(int code, bool partial);
    QString sftpCommand(const QString& verb, const QStringList& names) const;
    QString remoteCommand(const char* ftpVerb, const char* sftpVerb, const QString& name) const;
    bool enterSftpDirectory(const QString& sDir, const QString& context);
    void recordCurlFailure(int curlCode, const QString& sContext);
    void recordLocalFileError(const QString& path, const QString& reason);
    bool begin(BusyScope& scope, const QString& context);
    int execute(sf::ftp::FtpRequest& request);
    // Whether a failed request is worth sending once more on a fresh connection (made ready for it).
    bool prepareRepeat(const sf::ftp::FtpRequest& request);
    bool runRequest(sf::ftp::FtpRequest& request, const QString& context);
    bool runCommands(const QStringList& commands, const QString& context);
    // False once the running transfer was cancelled (window events run while it waits).
    bool notCancelled() const { return !m_cancel; }
    QString absolutePath(const QString& name) const;
    static QString directoryUrlPath(const QString& directory);
    int fetchListing(const QString& directory, QList<sf::ftp::ListingEntry>& entries, bool& partial);
    int performListing(const QString& directory, const QString& command, sf::ftp::ListingStream& stream,
                       qint64& received);
    void resolveLinks(const QString& directory, QList<sf::ftp::ListingEntry>& entries);
    qint32 findFileSize(const QString& sFile);
    // A chunked transfer's bytes: the file's size, how many went through, whether the local file failed.
    struct ChunkedTransfer {
        qint64 total = 0;
        qint64 done = 0;
        qint64 reported = 0; // full chunks reported so far
        bool localFailed = false;
    };
    size_t readChunks(QIODevice& file, char* buffer, size_t size, ChunkedTransfer& upload);
    bool writeChunk(QIODevice& file, const char* data, size_t size, ChunkedTransfer& download);
    bool uploadChunked(const QString& sLocal, const QString& sRemote);
    bool downloadChunked(const QString& sLocal, const QString& sRemote);

    std::unique_ptr<sf::ftp::CurlSession> m_session;
    std::shared_ptr<cDirList> m_dirList;
    QString m_currentDir;
    // The last failure, never cleared: its text, and the number behind it (a libcurl code or one of
    // the Error values above).
    sf::Result<void> m_lastError;
    QString m_serverReply; // the reply behind the last ErrorServerResponse
    sf::ftp::Protocol m_protocol = sf::ftp::Protocol::Ftp;
    sf::ftp::TrustPolicy m_trust = sf::ftp::TrustPolicy::Ask;
    sf::ftp::TrustDecider* m_trustDecider = nullptr;
    QString m_keyFile;
    QString m_keyPassphrase;
    QString m_refusal; // why the last handshake was refused by this side, if it was
    qint64 m_checkedSize = -1;
    Listing m_lastListing = Listing::Complete;
    bool m_binary = false;
    bool m_passive = false;
    bool m_useMlsd = false;
    bool m_busy = false;
    bool m_cancel = false;
    bool m_closeRequested = false;
    // SFTP: the listing that checked a folder on the way in, kept for the listing that follows.
    QString m_prefetchedDir;
    QList<sf::ftp::ListingEntry> m_prefetched; // the entries of m_prefetchedDir, read on entering it
};
