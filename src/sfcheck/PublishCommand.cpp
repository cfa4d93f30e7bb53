#include "sfcheck/PublishCommand.h"

#include "base/Translate.h"
#include "ftp/RemoteName.h"
#include "history/KeptPublish.h"
#include "history/VersionDiff.h"
#include "online/LiveCheck.h"
#include "project/RobotsText.h"
#include "project/UploadCheck.h"
#include "robots/RobotDatabase.h"
#include "robots/RobotPurposes.h"
#include "sfcheck/ProjectLogin.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace sf::sfcheck {
namespace {

SF_FILE_TRANSLATIONS("sfcheck")

enum Exit { Published = 0, OtherFileLive = 1, BadInput = 2, TransferFailed = 3, Stopped = 4 };
constexpr int kListed = 12;
const QString kRobotsName = QStringLiteral("robots.txt");

void print(FILE* stream, const QString& text)
{
    std::fputs((text + u'\n').toUtf8().constData(), stream);
}

int fail(const QString& message, int code = BadInput)
{
    print(stderr, QStringLiteral("sfcheck: ") + message);
    return code;
}

struct PublishOptions {
    QString project;
    int version = 0; // 0: the project's own robots.txt
    bool yes = false;
};

bool readOptions(const QStringList& args, PublishOptions& options, QString& error)
{
    for (qsizetype i = 2; i < args.size() && error.isEmpty(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--version") && i + 1 < args.size()) {
            bool number = false;
            options.version = args[++i].toInt(&number);
            if (!number || options.version < 1)
                error = tr("--version takes a publish's number, 1 for the newest");
        } else if (arg == QLatin1String("--yes")) {
            options.yes = true;
        } else if (arg.startsWith(u'-') || !options.project.isEmpty()) {
            error = tr("publish does not take \"%1\"").arg(arg);
        } else {
            options.project = arg;
        }
    }
    if (error.isEmpty() && options.project.isEmpty())
        error = tr("usage: sfcheck publish PROJECT.sfp [--version N] [--yes]");
    return error.isEmpty();
}

// The file to publish: the grid's, or the one publish N sent.
Result<QByteArray> fileToPublish(const PublishOptions& options, const ProjectFile::Contents& project)
{
    if (options.version == 0)
        return RobotsText::write(project.rows, RobotsTextForm{});
    const history::History history = history::History::of(history::Place::of(project.header));
    const Result<QList<history::Record>> publishes = history.publishes(kRobotsName);
    if (!publishes)
        return publishes.status();
    if (options.version > publishes->size())
        return Result<QByteArray>::failure(tr("no publish %1: the history of %2 holds %3")
                                               .arg(options.version)
                                               .arg(options.project)
                                               .arg(publishes->size()));
    return history.sentBytes(publishes->at(options.version - 1));
}

QStringList searchEngineAgents()
{
    RobotPurposes purposes;
    QStringList agents;
    if (!purposes.load(RobotDatabase::defaultPath()))
        return agents; // "*" is checked all the same
    if (const RobotPurpose* search = purposes.find(QStringLiteral("search engine")))
        for (const PurposeRobot& robot : search->robots)
            agents << robot.userAgent;
    return agents;
}

// The window's stop: a file that keeps search engines out of the whole site, unless the grid is
// "Disallow all Robots", which says that is what the user wants.
QString stopReason(const QByteArray& file, const ProjectFile::Contents& project, bool fromGrid)
{
    if (fromGrid && UploadCheck::isDisallowAll(project.rows))
        return {};
    const QList<UploadCheck::ShutOut> shutOut = UploadCheck::shutOutAtRoot(file, searchEngineAgents());
    if (shutOut.isEmpty())
        return {};
    return tr("this robots.txt keeps search engines out of the whole site, so the site drops out of "
              "their results:") +
           u'\n' + UploadCheck::describe(shutOut, kListed) + u'\n' +
           tr("nothing was published; --yes publishes it anyway");
}

// Logged in and in the folder robots.txt goes to: the site folder, else the login folder (FTP's
// "/", as the window starts there).
Result<void> openSite(cFTP& session, const ProjectHeader& header, const ftp::ScanLogin& login)
{
    session.SetProtocol(login.protocol);
    session.SetTrustPolicy(login.trust); // no one to ask: an unknown certificate or key is refused
    session.SetKeyFile(login.keyFile, login.keyFile.isEmpty() ? QString() : login.password);
    login.passive ? session.SetModePassive() : session.SetModeActive();
    header.binaryTransfer == -1 ? session.SetTransferBinary() : session.SetTransferASCII();
    if (!session.OpenConnection(login.server, login.user, login.password, login.port))
        return Result<void>::failure(
            tr("cannot connect to %1: %2").arg(login.server, session.GetLastErrorMessage()));
    if (login.protocol != ftp::Protocol::Sftp)
        static_cast<void>(session.SetFTPDirectory(QStringLiteral("/")));
    const QString site = header.siteFolder();
    if (!site.isEmpty() && !session.SetFTPDirectory(ftp::nameFromServer(site.toUtf8())))
        return Result<void>::failure(tr("the site folder %1 could not be opened on the server: %2")
                                         .arg(site, session.GetLastErrorMessage()));
    return {};
}

// What the file's local copy holds: in ASCII mode LF line ends, as libcurl writes CR LF itself.
QByteArray localBytes(const QByteArray& file, bool binary)
{
    return binary ? file : QByteArray(file).replace("\r\n", "\n");
}

int checkLiveSite(const QString& siteAddress, const QByteArray& expected)
{
    online::LiveFetch fetch;
    const online::LiveFile live = fetch.fetch(siteAddress);
    const online::LiveReport report = online::judgeLive(live, expected);
    print(stdout, report.text(live, tr("the file just published")));
    return report.kind == online::LiveReport::Kind::SameFile ? Published : OtherFileLive;
}

int publish(const ProjectFile::Contents& project, const ftp::ScanLogin& login, const QByteArray& file)
{
    cFTP session;
    if (const Result<void> opened = openSite(session, project.header, login); !opened)
        return fail(opened.error, TransferFailed);
    const QTemporaryDir folder;
    const QString local = folder.filePath(kRobotsName);
    const QByteArray bytes = localBytes(file, session.IsTransferBinary());
    QFile out(local);
    if (!folder.isValid() || !out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() ||
        !out.flush())
        return fail(tr("cannot write a copy of robots.txt to send: %1").arg(out.errorString()));
    out.close();
    const history::Place place = history::Place::of(project.header);
    const history::KeptPublish kept = history::publishKept(session, local, kRobotsName, place);
    if (!kept.published)
        return fail(tr("robots.txt was not published: %1").arg(session.GetLastErrorMessage()),
                    TransferFailed);
    const QString where = ftp::displayPath(session.GetFTPDirectory());
    session.CloseConnection();
    print(stdout, tr("robots.txt published to %1 (%2 bytes): %3")
                      .arg(where)
                      .arg(kept.sent.size())
                      .arg(history::changeSentence(kept.replaced, kept.sent)));
    if (!kept.recordError.isEmpty())
        print(stderr, tr("sfcheck: robots.txt was published, but not recorded in its history: %1")
                          .arg(kept.recordError));
    if (project.header.siteAddress.isEmpty())
        return Published;
    return checkLiveSite(project.header.siteAddress, bytes);
}

} // namespace

int runPublish(const QStringList& args)
{
    PublishOptions options;
    QString error;
    if (!readOptions(args, options, error))
        return fail(error);
    const Result<ProjectFile::Contents> project = loadProject(options.project);
    if (!project)
        return fail(project.error);
    const Result<ftp::ScanLogin> login = projectLogin(project->header);
    if (!login)
        return fail(login.error);
    const Result<QByteArray> file = fileToPublish(options, project.value());
    if (!file)
        return fail(file.error);
    if (!options.yes)
        if (const QString stop = stopReason(file.value(), project.value(), options.version == 0);
            !stop.isEmpty())
            return fail(stop, Stopped);
    return publish(project.value(), login.value(), file.value());
}

} // namespace sf::sfcheck
