#include "sfcheck/HistoryCommand.h"

#include "base/Translate.h"
#include "history/PublishHistory.h"
#include "sfcheck/ProjectLogin.h"

#include <cstdio>

namespace sf::sfcheck {
namespace {

SF_FILE_TRANSLATIONS("sfcheck")

constexpr int kOk = 0, kBadInput = 2;

int fail(const QString& message)
{
    std::fputs(QStringLiteral("sfcheck: %1\n").arg(message).toUtf8().constData(), stderr);
    return kBadInput;
}

struct HistoryOptions {
    QString project;
    int show = 0; // 0: list
    bool replaced = false;
};

bool readOptions(const QStringList& args, HistoryOptions& options, QString& error)
{
    for (qsizetype i = 2; i < args.size() && error.isEmpty(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--show") && i + 1 < args.size()) {
            bool number = false;
            options.show = args[++i].toInt(&number);
            if (!number || options.show < 1)
                error = tr("--show takes a publish's number, 1 for the newest");
        } else if (arg == QLatin1String("--replaced")) {
            options.replaced = true;
        } else if (arg.startsWith(u'-') || !options.project.isEmpty()) {
            error = tr("history does not take \"%1\"").arg(arg);
        } else {
            options.project = arg;
        }
    }
    if (error.isEmpty() && options.project.isEmpty())
        error = tr("usage: sfcheck history PROJECT.sfp [--show N [--replaced]]");
    if (error.isEmpty() && options.replaced && options.show == 0)
        error = tr("--replaced goes with --show N");
    return error.isEmpty();
}

QString line(int n, const history::Record& record)
{
    return QStringLiteral("%1 %2 %3 %4\n")
        .arg(n)
        .arg(record.time.toUTC().toString(Qt::ISODate))
        .arg(record.sentSize)
        .arg(record.replaced == history::ServerFile::State::Held ? QString::number(record.replacedSize)
                                                                 : QStringLiteral("-"));
}

} // namespace

int runHistory(const QStringList& args)
{
    HistoryOptions options;
    QString error;
    if (!readOptions(args, options, error))
        return fail(error);
    const Result<ProjectFile::Contents> project = loadProject(options.project);
    if (!project)
        return fail(project.error);
    const history::History history = history::History::of(history::Place::of(project->header));
    const Result<QList<history::Record>> publishes = history.publishes(QStringLiteral("robots.txt"));
    if (!publishes)
        return fail(publishes.error);
    if (options.show == 0) {
        for (qsizetype i = 0; i < publishes->size(); ++i)
            std::fputs(line(int(i + 1), publishes->at(i)).toUtf8().constData(), stdout);
        return kOk;
    }
    if (options.show > publishes->size())
        return fail(tr("no publish %1: the history of %2 holds %3")
                        .arg(options.show)
                        .arg(options.project)
                        .arg(publishes->size()));
    const history::Record& record = publishes->at(options.show - 1);
    const Result<QByteArray> bytes =
        options.replaced ? history.replacedBytes(record) : history.sentBytes(record);
    if (!bytes)
        return fail(bytes.error);
    std::fwrite(bytes->constData(), 1, static_cast<size_t>(bytes->size()), stdout);
    return kOk;
}

} // namespace sf::sfcheck
