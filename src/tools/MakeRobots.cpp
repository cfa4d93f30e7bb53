// sf_makerobots: builds a robot database (robots.rbd) from a table of robots in CSV, writing every
// record through the program's own record and database code, then stamps the robot-list version.
#include "robots/RobotCsv.h"
#include "robots/RobotDatabase.h"

#include "base/DateSerial.h"
#include "base/FileUtils.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QStringDecoder>

#include <cstdio>

namespace {

using namespace sf;

int failWith(const QString& text)
{
    std::fprintf(stderr, "sf_makerobots: %s\n", qPrintable(text));
    return 1;
}

Result<void> readCsvFile(const QString& path, QList<CsvRow>& rows)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<void>::failure(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(file.readAll());
    if (decoder.hasError())
        return Result<void>::failure(QStringLiteral("%1 is not UTF-8 text").arg(path));
    if (const Result<void> parsed = parseCsv(text, rows); !parsed)
        return Result<void>::failure(path + QStringLiteral(": ") + parsed.error);
    return {};
}

Result<void> writeDatabase(const QString& path, const QList<RobotRecord>& records, const QString& version)
{
    return SaveFileAtomically(path, [&](QIODevice& file) {
        for (qsizetype i = 0; i < records.size(); ++i) {
            const Result<void> written =
                RobotDatabase::writeRecord(file, static_cast<qint32>(i + 1), records[i]);
            if (!written)
                return written;
        }
        return RobotDatabase::stampVersion(file, version);
    });
}

struct Arguments {
    QString input;
    QString output;
    RobotCsvDefaults defaults;
};

Result<void> parseArguments(const QCoreApplication& app, Arguments& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Builds robots.rbd from a CSV table of robots."));
    parser.addHelpOption();
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Robot-list version (15 characters at most)."),
                                     QStringLiteral("text"));
    const QCommandLineOption date(QStringLiteral("date"),
                                  QStringLiteral("Modification date of rows without one (YYYY-MM-DD)."),
                                  QStringLiteral("date"));
    const QCommandLineOption by(QStringLiteral("by"), QStringLiteral("Editor handle stored in every record."),
                                QStringLiteral("name"), QStringLiteral("Greyfield"));
    parser.addOptions({version, date, by});
    parser.addPositionalArgument(QStringLiteral("input"), QStringLiteral("The CSV table."));
    parser.addPositionalArgument(QStringLiteral("output"), QStringLiteral("The robot database to write."));
    parser.process(app);

    const QStringList files = parser.positionalArguments();
    const QDate day = QDate::fromString(parser.value(date), Qt::ISODate);
    if (files.size() != 2 || !parser.isSet(version))
        return Result<void>::failure(
            QStringLiteral("usage: sf_makerobots --version TEXT [--date YYYY-MM-DD] input.csv output.rbd"));
    if (parser.value(version).size() > RobotRecord::kVersionWidth)
        return Result<void>::failure(
            QStringLiteral("the version \"%1\" is longer than 15 characters").arg(parser.value(version)));
    if (parser.isSet(date) && !day.isValid())
        return Result<void>::failure(QStringLiteral("\"%1\" is not a date").arg(parser.value(date)));
    args.input = files[0];
    args.output = files[1];
    args.defaults.version = parser.value(version);
    args.defaults.modifiedBy = parser.value(by);
    if (day.isValid())
        args.defaults.modifiedDate = toDateSerial(day);
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Arguments args;
    QList<CsvRow> rows;
    QList<RobotRecord> records;
    if (const Result<void> parsed = parseArguments(app, args); !parsed)
        return failWith(parsed.error);
    if (const Result<void> read = readCsvFile(args.input, rows); !read)
        return failWith(read.error);
    if (const Result<void> made = robotsFromCsv(rows, args.defaults, records); !made)
        return failWith(args.input + QStringLiteral(": ") + made.error);
    if (const Result<void> written = writeDatabase(args.output, records, args.defaults.version); !written)
        return failWith(QStringLiteral("cannot write %1: %2").arg(args.output, written.error));
    std::printf("sf_makerobots: %lld robots written to %s, robot-list version %s\n",
                static_cast<long long>(records.size()), qPrintable(args.output),
                qPrintable(args.defaults.version));
    return 0;
}
