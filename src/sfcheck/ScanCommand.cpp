#include "sfcheck/ScanCommand.h"

#include "base/CodePage.h"
#include "base/Translate.h"
#include "ftp/RemoteName.h"
#include "ftp/SiteScan.h"
#include "ftp/cFTP.h"
#include "project/ProjectFile.h"
#include "project/RobotsText.h"
#include "project/SiteMarks.h"
#include "sfcheck/ProjectLogin.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

#include <cstdio>

namespace sf::sfcheck {
namespace {

SF_FILE_TRANSLATIONS("sfcheck")

constexpr int kOk = 0, kFailed = 2, kIncomplete = 3;

void print(FILE* stream, const QString& text)
{
    std::fputs((text + u'\n').toUtf8().constData(), stream);
}

int fail(const QString& message)
{
    print(stderr, QStringLiteral("sfcheck: ") + message);
    return kFailed;
}

struct ScanOptions {
    QString project;
    QList<QByteArray> agents;
    QString csv;
    int connections = 4;
};

// False (with the reason) for arguments scan does not take.
bool readOptions(const QStringList& args, ScanOptions& options, QString& error)
{
    for (qsizetype i = 2; i < args.size(); ++i) {
        const QString& arg = args[i];
        const auto value = [&](const QString& name) -> std::optional<QString> {
            if (arg.startsWith(name + u'='))
                return arg.mid(name.size() + 1);
            if (arg == name && i + 1 < args.size())
                return args[++i];
            return std::nullopt;
        };
        if (const auto agent = value(QStringLiteral("--agent")))
            options.agents << agent->toUtf8();
        else if (const auto csv = value(QStringLiteral("--csv")))
            options.csv = *csv;
        else if (const auto count = value(QStringLiteral("--connections")))
            options.connections = count->toInt();
        else if (arg.startsWith(u'-') || !options.project.isEmpty())
            error = tr("scan does not take \"%1\"").arg(arg);
        else
            options.project = arg;
    }
    if (options.project.isEmpty() && error.isEmpty())
        error = tr("usage: sfcheck scan PROJECT.sfp [--agent TOKEN]... [--csv FILE]");
    if (error.isEmpty() && (options.connections < 1 || options.connections > 4))
        error = tr("--connections takes 1 to 4");
    return error.isEmpty();
}

QString number(qint64 n)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(n);
}

// What the scan left out or could not list, on standard error.
void reportProblems(const ftp::ScanOutcome& outcome, const ftp::ScanLimits& limits)
{
    for (const ftp::ScanProblem& problem : outcome.problems) {
        const QString path = ftp::displayPath(ftp::nameFromServer(problem.path));
        using Kind = ftp::ScanProblem::Kind;
        switch (problem.kind) {
        case Kind::Unlisted:
            print(stderr, tr("%1: not listed: %2").arg(path, problem.message));
            break;
        case Kind::LinkOutside:
            print(stderr, tr("%1: a link out of the site, not followed").arg(path));
            break;
        case Kind::LinkLoop:
            print(stderr, tr("%1: a link to a folder above it, not followed").arg(path));
            break;
        case Kind::LinkRepeated:
            print(stderr, tr("%1: a link to a folder followed already, not followed again").arg(path));
            break;
        case Kind::LinkUnknown:
            print(stderr, tr("%1: a link whose target the server does not say, not followed").arg(path));
            break;
        }
    }
    if (outcome.depthLimit)
        print(stderr, tr("folders %1 deep were not listed").arg(limits.depth));
    if (outcome.entryLimit)
        print(stderr, tr("the scan stopped at %1 entries").arg(number(limits.entries)));
}

// The summary's last line when the scan missed part of the site: why the counts above are not the
// whole site's. Empty for a complete scan.
QString incompleteSummary(const ftp::ScanOutcome& outcome, const ftp::ScanLimits& limits)
{
    QStringList said;
    if (const int missed = outcome.foldersNotListed(); missed == 1)
        said << tr("1 folder could not be listed");
    else if (missed > 1)
        said << tr("%1 folders could not be listed").arg(number(missed));
    if (outcome.depthLimit)
        said << tr("folders %1 deep were not listed").arg(limits.depth);
    if (outcome.entryLimit)
        said << tr("the scan stopped at %1 entries").arg(number(limits.entries));
    if (said.isEmpty() && !outcome.complete())
        said << tr("the server dropped the connection");
    return said.isEmpty() ? QString() : tr("incomplete: %1").arg(said.join(QStringLiteral("; ")));
}

int writeCsvFile(const QString& path, const ftp::SiteTree& tree, const QByteArray& top,
                 const rules::RobotsTxt& txt, const QList<QByteArray>& agents)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(tr("%1: cannot write: %2").arg(path, file.errorString()));
    if (const Result<void> written = SiteMarks::writeCsv(file, tree, top, txt, agents); !written)
        return fail(tr("%1: cannot write: %2").arg(path, written.error));
    if (!file.commit())
        return fail(tr("%1: cannot write: %2").arg(path, file.errorString()));
    return kOk;
}

} // namespace

int runScan(const QStringList& args)
{
    ScanOptions options;
    QString error;
    if (!readOptions(args, options, error))
        return fail(error);
    const Result<ProjectFile::Contents> loaded = loadProject(options.project);
    if (!loaded)
        return fail(loaded.error);
    const ProjectFile::Contents& project = loaded.value();
    const Result<ftp::ScanLogin> login = projectLogin(project.header);
    if (!login)
        return fail(login.error);
    const QString site = project.header.siteFolder();
    ftp::ScanLimits limits;
    limits.connections = options.connections;
    ftp::SiteScan scan(login.value(), site.isEmpty() ? QString() : ftp::nameFromServer(site.toUtf8()),
                       limits);
    scan.run();
    const ftp::ScanOutcome& outcome = scan.outcome();
    if (!outcome.failure.isEmpty())
        return fail(tr("cannot connect to %1: %2").arg(login->server, outcome.failure));
    reportProblems(outcome, limits);
    const rules::RobotsTxt txt(RobotsText::write(project.rows, RobotsTextForm{}));
    const QList<QByteArray> agents = options.agents.isEmpty() ? SiteMarks::namedAgents(txt) : options.agents;
    const ftp::SiteTree& tree = scan.tree();
    // The paths as the main window maps them: below the site folder, or the server's own paths.
    const QByteArray top = SiteMarks::topUrl(site, scan.folder());
    for (const QByteArray& agent : agents) {
        const std::vector<bool> blocked = SiteMarks::blocked(tree, top, txt.rulesFor(agent));
        const auto count = std::count(blocked.begin(), blocked.end(), true);
        print(stdout, tr("%1: %2 of %3 entries blocked")
                          .arg(QString::fromUtf8(agent), number(count), number(qint64(blocked.size()))));
    }
    if (!options.csv.isEmpty())
        if (const int written = writeCsvFile(options.csv, tree, top, txt, agents); written != kOk)
            return written;
    if (!outcome.connectionLost.isEmpty())
        print(stderr, QStringLiteral("sfcheck: ") +
                          tr("the scan is incomplete: the server dropped the connection: %1")
                              .arg(outcome.connectionLost));
    if (const QString incomplete = incompleteSummary(outcome, limits); !incomplete.isEmpty()) {
        print(stdout, incomplete);
        return kIncomplete;
    }
    return kOk;
}

} // namespace sf::sfcheck
