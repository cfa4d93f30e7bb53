// sfcheck: checks a robots.txt on the command line with the program's own evaluator.
//   sfcheck test [--reader R] ROBOTS_FILE AGENT URL...
//                                           "blocked N" or "allowed N" per URL (N: deciding line, 0
//                                           when none) in reading R (rfc9309, the default; google;
//                                           first-match); exit 1 when any URL is blocked. With
//                                           "--reader all", "blocked N READING" for each reading of each
//                                           URL; exit 3 when the readings disagree on any URL, else 1
//                                           when any URL is blocked
//   sfcheck rule FOLDER NAME [AGENT]        the rule "Add rule" writes for that remote entry
//   sfcheck rule --site-folder SITE FOLDER NAME [AGENT]
//                                           the same for a site served from the server folder SITE;
//                                           an entry outside it exits 2 and prints no rule
//   sfcheck live URL [FILE]                 reads URL/robots.txt and says what crawlers make of it;
//                                           with FILE, exit 1 when the site serves another file
//   sfcheck lint ROBOTS_FILE                the short list: "LINE: text" per kind of problem and group,
//                                           the most harmful first, with the lines it concerns; exit 1
//                                           when there are any
//   sfcheck lint --all ROBOTS_FILE          "LINE: text" for every problem of every line, in line order
//   sfcheck scan PROJECT.sfp [--agent TOKEN]... [--csv FILE] [--connections N]
//                                           lists the project's site over its connection and prints
//                                           "AGENT: N of M entries blocked" per agent (without
//                                           --agent: "*" and every robot the grid names); --csv
//                                           writes "url,AGENT..." with a row per entry; exit 3 when
//                                           part of the site could not be listed ("incomplete: N
//                                           folders could not be listed")
//   sfcheck history PROJECT.sfp [--show N [--replaced]]
//                                           the site's publishes of robots.txt, newest first:
//                                           "N TIME SENT_BYTES REPLACED_BYTES"; --show writes the file
//                                           publish N sent (or replaced) to standard output
//   sfcheck publish PROJECT.sfp [--version N] [--yes]
//                                           publishes the grid's robots.txt (or the file publish N
//                                           sent) as the window's upload does, then checks the live
//                                           site; exit 1 when it serves another file, 3 when the
//                                           transfer failed, 4 when a check stopped it (no --yes)
//   sfcheck fence --server apache|nginx|caddy ROBOTS_FILE TOKEN...
//                                           the web server's rules that answer 403 to what robots.txt
//                                           disallows those robots; exit 2 with the line they cannot
//                                           say exactly
//   sfcheck fence-check SITE_URL ROBOTS_FILE TOKEN... [--urls FILE]
//                                           requests a sample of URLs as each robot and as a browser:
//                                           "TOKEN: N of M URLs answered as robots.txt says" and
//                                           "browser: N of M unchanged"; exit 1 when any differs
//   sfcheck audit ROBOTS_FILE LOG... [--reader R] [--csv FILE]
//                                           reads access logs ("-": standard input; gzip or plain)
//                                           against the robots.txt: "TOKEN: N requests, K disallowed,
//                                           F robots.txt fetches" per robot, "visitors: N requests";
//                                           --csv writes the counts; "audit --merge CSV..." adds CSVs up
//   sfcheck --version, sfcheck --help       the version, or the usage and exit codes; exit 0
// Bad input exits 2 with a message on standard error.

#include "base/Result.h"

#include "base/Translate.h"
#include "online/LiveCheck.h"
#include "project/RuleGrid.h"
#include "rules/Readings.h"
#include "rules/RobotsLint.h"
#include "rules/RobotsTxt.h"
#include "rules/RuleWriter.h"
#include "rules/SiteFolder.h"
#include "sf_version.h"
#include "sfcheck/AuditCommand.h"
#include "sfcheck/FenceCommand.h"
#include "sfcheck/HistoryCommand.h"
#include "sfcheck/PublishCommand.h"
#include "sfcheck/ScanCommand.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <optional>

using namespace sf;

namespace {

enum Exit { Ok = 0, Found = 1, BadInput = 2, ReadingsDisagree = 3 };

SF_FILE_TRANSLATIONS("sfcheck")

void print(FILE* stream, const QString& text)
{
    std::fputs((text + u'\n').toUtf8().constData(), stream);
}

int fail(const QString& message)
{
    print(stderr, QStringLiteral("sfcheck: ") + message);
    return BadInput;
}

QString usageText()
{
    return tr("usage: sfcheck test [--reader rfc9309|google|first-match|all] ROBOTS_FILE AGENT URL...\n"
              "       sfcheck rule FOLDER NAME [AGENT]\n"
              "       sfcheck rule --site-folder SITE FOLDER NAME [AGENT]\n"
              "       sfcheck live URL [FILE]\n"
              "       sfcheck lint [--all] ROBOTS_FILE\n"
              "       sfcheck scan PROJECT.sfp [--agent TOKEN]... [--csv FILE] [--connections N]\n"
              "       sfcheck history PROJECT.sfp [--show N [--replaced]]\n"
              "       sfcheck publish PROJECT.sfp [--version N] [--yes]\n"
              "       sfcheck fence --server apache|nginx|caddy ROBOTS_FILE TOKEN...\n"
              "       sfcheck fence-check SITE_URL ROBOTS_FILE TOKEN... [--urls FILE]\n"
              "       sfcheck audit ROBOTS_FILE LOG... [--reader R] [--csv FILE]\n"
              "       sfcheck audit --merge CSV... [--csv FILE]\n"
              "       sfcheck --version | --help");
}

int usage()
{
    return fail(usageText());
}

// "--version" and "--help": what they print goes to standard output, and they end with 0.
int answerOption(const QString& option)
{
    if (option == QLatin1String("--version")) {
        print(stdout, QStringLiteral("sfcheck %1.%2.%3")
                          .arg(SF_VERSION_MAJOR)
                          .arg(SF_VERSION_MINOR)
                          .arg(SF_VERSION_REVISION));
        return Ok;
    }
    print(
        stdout,
        usageText() + u'\n' +
            tr("Exit status: 0 allowed, or nothing found; 1 a URL blocked, problems found, or the site\n"
               "serves another file; 2 bad input; 3 the readings disagree, or a scan is incomplete.\n"
               "See sfcheck(1).") +
            u'\n' +
            tr("publish: 0 published, 1 the live site serves another file, 2 bad input, 3 the transfer\n"
               "failed (the server's file left as it was), 4 stopped by a check (--yes publishes anyway)."));
    return Ok;
}

// The file's bytes, as a crawler gets them (UTF-8 or Windows-1252 alike).
Result<void> readRobots(const QString& path, QByteArray& bytes)
{
    const QFileInfo info(path);
    if (!info.exists())
        return Result<void>::failure(tr("%1: no such file").arg(path));
    if (info.isDir())
        return Result<void>::failure(tr("%1: is a folder, not a robots.txt file").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<void>::failure(tr("%1: cannot read: %2").arg(path, file.errorString()));
    bytes = file.readAll();
    return {};
}

// A URL as a crawler requests it: bytes outside ASCII (a UTF-8 argument) percent-encoded.
QByteArray requestedUrl(const QByteArray& argument)
{
    QByteArray url;
    for (const char c : argument) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80)
            url += c;
        else
            rules::appendPercentEncoded(url, b);
    }
    return url;
}

QString verdictLine(const rules::Verdict& verdict)
{
    return QStringLiteral("%1 %2")
        .arg(QLatin1String(verdict.allowed ? "allowed" : "blocked"))
        .arg(verdict.line);
}

// Every reading of each URL: one line per reading, and the sentence on standard error where they
// disagree.
int printAllReadings(const rules::Readings& readings, const QByteArray& agent, const QList<QByteArray>& urls)
{
    bool anyBlocked = false, disagree = false;
    for (const QByteArray& url : urls) {
        const std::array<rules::Verdict, 3> verdicts = readings.checkAll(agent, url);
        for (size_t i = 0; i < verdicts.size(); ++i) {
            print(stdout,
                  verdictLine(verdicts[i]) + u' ' + QLatin1String(rules::readingName(rules::kReadings[i])));
            anyBlocked = anyBlocked || !verdicts[i].allowed;
            disagree = disagree || verdicts[i].allowed != verdicts[0].allowed;
        }
        if (verdicts[1].allowed != verdicts[0].allowed || verdicts[2].allowed != verdicts[0].allowed)
            print(stderr,
                  QStringLiteral("%1: %2").arg(QString::fromUtf8(url),
                                               rules::describeVerdicts(readings, agent, url, verdicts)));
    }
    return disagree ? ReadingsDisagree : anyBlocked ? Found : Ok;
}

// "--reader NAME" or "--reader=NAME" at args[first]: moves first past it. Nothing in reading means
// every reading; false for a reading sfcheck does not know.
bool readReaderOption(const QStringList& args, qsizetype& first, std::optional<rules::Reading>& reading)
{
    QString name = QStringLiteral("rfc9309");
    if (args.value(first) == QLatin1String("--reader")) {
        name = args.value(first + 1);
        first += 2;
    } else if (args.value(first).startsWith(QLatin1String("--reader="))) {
        name = args[first].mid(9);
        first += 1;
    }
    reading = rules::readingNamed(name.toUtf8());
    return reading || name == QLatin1String("all");
}

int runTest(const QStringList& args, const QList<QByteArray>& raw)
{
    qsizetype first = 2; // the robots.txt file
    std::optional<rules::Reading> reading;
    if (!readReaderOption(args, first, reading))
        return fail(tr("unknown reader \"%1\": rfc9309, google, first-match or all")
                        .arg(args.value(first - 1).section(u'=', -1)));
    if (args.size() < first + 3)
        return usage();
    QByteArray bytes;
    if (const Result<void> read = readRobots(args[first], bytes); !read)
        return fail(read.error);
    const rules::RobotsTxt txt(bytes);
    const rules::Readings readings(txt);
    QList<QByteArray> urls;
    for (qsizetype i = first + 2; i < raw.size(); ++i)
        urls << requestedUrl(raw[i]);
    if (!reading)
        return printAllReadings(readings, raw[first + 1], urls);
    const rules::ReadingRules rules = readings.rulesFor(*reading, raw[first + 1]);
    bool anyBlocked = false;
    for (const QByteArray& url : urls) {
        const rules::Verdict verdict = rules.check(url);
        anyBlocked = anyBlocked || !verdict.allowed;
        print(stdout, verdictLine(verdict));
    }
    return anyBlocked ? Found : Ok;
}

int runRule(const QStringList& args)
{
    if (args.size() < 4 || args.size() > 5)
        return usage();
    const bool withAgent = args.size() == 5;
    QStringList rows;
    if (!RuleGrid::addRule(rows, withAgent ? args[4] : QStringLiteral("*"), args[2], args[3]))
        return fail(tr("no rule can be written for this name (empty, \"..\" or a line break)"));
    for (const QString& row : withAgent ? rows.mid(0, 2) : rows.mid(1, 1))
        print(stdout, row);
    const QByteArray pattern = RuleGrid::disallowPath(args[2], args[3]).toLatin1();
    if (!rules::isExactPattern(pattern))
        print(stderr, tr("note: a \"*\" in the path can only be written as the wildcard, so the rule also "
                         "blocks other paths that fit it"));
    return Ok;
}

// "rule --site-folder SITE FOLDER NAME [AGENT]": the entry's rule below the site folder.
int runSiteRule(const QStringList& args)
{
    if (args.size() < 6 || args.size() > 7)
        return usage();
    const QString site = rules::siteFolderFromText(args[3]);
    const rules::SiteEntry entry = rules::siteEntry(site, args[4], args[5]);
    if (!entry.inside)
        return fail(tr("%1 is outside the site folder %2: crawlers cannot request it, so it gets no rule")
                        .arg(rules::siteFolderFromText(args[4] + u'/' + args[5]), site));
    QStringList shifted = args.mid(0, 2);
    shifted << entry.directory << entry.name << args.mid(6);
    return runRule(shifted);
}

// "live URL [FILE]": the status of URL/robots.txt and what crawlers make of it; with FILE, whether
// the site serves exactly that file.
int runLive(const QStringList& args)
{
    if (args.size() < 3 || args.size() > 4)
        return usage();
    QByteArray expected;
    if (args.size() == 4) {
        if (const Result<void> read = readRobots(args[3], expected); !read)
            return fail(read.error);
    }
    online::LiveFetch fetch;
    const online::LiveFile live = fetch.fetch(args[2]);
    print(stdout, online::crawlerReading(live));
    if (args.size() < 4)
        return Ok;
    const online::LiveReport report = online::judgeLive(live, expected);
    if (report.kind == online::LiveReport::Kind::SameFile)
        return Ok;
    if (report.kind == online::LiveReport::Kind::OtherFile)
        print(stdout, report.text(live, args[3]));
    return Found;
}

int runLint(const QStringList& args)
{
    const bool all = args.value(2) == QLatin1String("--all");
    if (args.size() != (all ? 4 : 3))
        return usage();
    QByteArray bytes;
    if (const Result<void> read = readRobots(args.last(), bytes); !read)
        return fail(read.error);
    const rules::RobotsTxt txt(bytes);
    const auto problems = rules::lint(txt, bytes.size());
    if (all) {
        for (const rules::LintProblem& problem : problems)
            print(stdout, QStringLiteral("%1: %2").arg(problem.line).arg(problem.text));
    } else {
        for (const rules::LintFinding& finding : rules::lintFindings(txt, problems))
            print(stdout, QStringLiteral("%1: %2").arg(finding.lines.front()).arg(finding.text));
    }
    return problems.empty() ? Ok : Found;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QList<QByteArray> raw;
    for (int i = 0; i < argc; ++i)
        raw << QByteArray(argv[i]);
    const QStringList args = QCoreApplication::arguments();
    const QString command = args.value(1);
    if (command == QLatin1String("--version") || command == QLatin1String("--help") ||
        command == QLatin1String("-h"))
        return answerOption(command);
    if (command == QLatin1String("test"))
        return runTest(args, raw);
    if (command == QLatin1String("rule"))
        return args.value(2) == QLatin1String("--site-folder") ? runSiteRule(args) : runRule(args);
    if (command == QLatin1String("live"))
        return runLive(args);
    if (command == QLatin1String("lint"))
        return runLint(args);
    if (command == QLatin1String("scan"))
        return sfcheck::runScan(args);
    if (command == QLatin1String("history"))
        return sfcheck::runHistory(args);
    if (command == QLatin1String("publish"))
        return sfcheck::runPublish(args);
    if (command == QLatin1String("fence"))
        return sfcheck::runFence(args);
    if (command == QLatin1String("fence-check"))
        return sfcheck::runFenceCheck(args);
    if (command == QLatin1String("audit"))
        return sfcheck::runAudit(args);
    return usage();
}
