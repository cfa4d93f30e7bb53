#include "sfcheck/AuditCommand.h"

#include "base/Translate.h"
#include "logs/AccessLogReader.h"
#include "logs/AuditCsv.h"
#include "robots/RobotDatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>
#include <optional>

namespace sf::sfcheck {
namespace {

SF_FILE_TRANSLATIONS("sfcheck")

constexpr int kOk = 0, kFailed = 2;

void print(FILE* stream, const QString& text)
{
    std::fputs((text + u'\n').toUtf8().constData(), stream);
}

int fail(const QString& message)
{
    print(stderr, QStringLiteral("sfcheck: ") + message);
    return kFailed;
}

struct AuditOptions {
    QStringList files; // ROBOTS_FILE then the logs, or the CSVs to merge
    QString csv;
    bool merge = false;
    rules::Reading reading = rules::Reading::Rfc9309;
};

// False (with the reason) for arguments audit does not take.
bool readOptions(const QStringList& args, AuditOptions& options, QString& error)
{
    for (qsizetype i = 2; i < args.size() && error.isEmpty(); ++i) {
        const QString& arg = args[i];
        const auto value = [&](const QString& name) -> std::optional<QString> {
            if (arg.startsWith(name + u'='))
                return arg.mid(name.size() + 1);
            if (arg == name && i + 1 < args.size())
                return args[++i];
            return std::nullopt;
        };
        if (arg == QLatin1String("--merge")) {
            options.merge = true;
        } else if (const auto csv = value(QStringLiteral("--csv"))) {
            options.csv = *csv;
        } else if (const auto reader = value(QStringLiteral("--reader"))) {
            const auto reading = rules::readingNamed(reader->toUtf8());
            if (!reading)
                error = tr("unknown reader \"%1\": rfc9309, google or first-match").arg(*reader);
            else
                options.reading = *reading;
        } else if (arg.startsWith(u'-') && arg != QLatin1String("-")) {
            error = tr("audit does not take \"%1\"").arg(arg);
        } else {
            options.files << arg;
        }
    }
    if (error.isEmpty() && options.files.size() < (options.merge ? 1 : 2))
        error = tr("usage: sfcheck audit ROBOTS_FILE LOG... [--reader R] [--csv FILE]\n"
                   "       sfcheck audit --merge CSV... [--csv FILE]");
    return error.isEmpty();
}

Result<QByteArray> readFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return Result<QByteArray>::failure(tr("%1: no such file").arg(path));
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        return Result<QByteArray>::failure(tr("%1: cannot read").arg(path));
    return file.readAll();
}

// The CSV to the file, or to standard output without one.
Result<void> writeCsv(const QString& path, const logs::AuditReport& report)
{
    const QByteArray csv = logs::auditCsv(report);
    if (path.isEmpty() || path == QLatin1String("-")) {
        std::fwrite(csv.constData(), 1, static_cast<size_t>(csv.size()), stdout);
        return {};
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size() || !file.commit())
        return Result<void>::failure(tr("%1: cannot write: %2").arg(path, file.errorString()));
    return {};
}

int runMerge(const AuditOptions& options)
{
    logs::AuditReport sum;
    for (const QString& path : options.files) {
        const Result<QByteArray> bytes = readFile(path);
        if (!bytes)
            return fail(bytes.error);
        const Result<logs::AuditReport> part = logs::readAuditCsv(bytes.value());
        if (!part)
            return fail(QStringLiteral("%1: %2").arg(path, part.error));
        sum.add(part.value());
    }
    const Result<void> written = writeCsv(options.csv, sum);
    return written ? kOk : fail(written.error);
}

void printReport(const logs::AuditReport& report)
{
    for (const logs::RobotTally& tally : report.robots)
        print(stdout, tr("%1: %2 requests, %3 disallowed, %4 robots.txt fetches")
                          .arg(QString::fromStdString(tally.robot))
                          .arg(tally.requests)
                          .arg(tally.disallowed)
                          .arg(tally.robotsTxtFetches));
    print(stdout, tr("visitors: %1 requests").arg(report.visitors));
    print(stderr, tr("%1 lines skipped").arg(report.skipped));
}

} // namespace

int runAudit(const QStringList& args)
{
    AuditOptions options;
    if (QString error; !readOptions(args, options, error))
        return fail(error);
    if (options.merge)
        return runMerge(options);
    const Result<QByteArray> robotsTxt = readFile(options.files.takeFirst());
    if (!robotsTxt)
        return fail(robotsTxt.error);
    const Result<logs::RobotIdentifier> robots =
        logs::RobotIdentifier::fromDatabase(RobotDatabase::defaultPath());
    if (!robots)
        return fail(robots.error);
    const rules::RobotsTxt txt(robotsTxt.value());
    const rules::Readings readings(txt);
    const logs::AuditSetup setup{&robots.value(), &readings, options.reading};
    const Result<logs::AuditReport> report = logs::auditLogs(logs::inTimeOrder(options.files), setup);
    if (!report)
        return fail(report.error);
    printReport(report.value());
    if (options.csv.isEmpty())
        return kOk;
    const Result<void> written = writeCsv(options.csv, report.value());
    return written ? kOk : fail(written.error);
}

} // namespace sf::sfcheck
