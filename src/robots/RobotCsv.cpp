#include "robots/RobotCsv.h"

#include "base/CodePage.h"
#include "base/DateSerial.h"

#include <QCoreApplication>
#include <QDateTime>

#include <algorithm>
#include <vector>

namespace sf {
namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("sf::RobotCsv", text);
}

// Reads one field starting at i; leaves i on the separator or line break that ends it.
Result<void> readField(QStringView text, qsizetype& i, int& line, QString& field)
{
    field.clear();
    if (i >= text.size() || text[i] != u'"') {
        const qsizetype start = i;
        while (i < text.size() && text[i] != u',' && text[i] != u'\n' && text[i] != u'\r')
            ++i;
        field = text.mid(start, i - start).toString();
        return {};
    }
    const int startLine = line;
    for (++i;; ++i) {
        if (i >= text.size())
            return Result<void>::failure(tr("Line %1: a quoted value is not closed.").arg(startLine));
        if (text[i] == u'"') {
            if (i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
                continue;
            }
            ++i;
            break;
        }
        if (text[i] == u'\n')
            ++line;
        field += text[i];
    }
    if (i < text.size() && text[i] != u',' && text[i] != u'\n' && text[i] != u'\r')
        return Result<void>::failure(tr("Line %1: text follows a closing quote.").arg(line));
    return {};
}

// Skips the line break at i (CR LF, LF or a lone CR).
void skipLineBreak(QStringView text, qsizetype& i, int& line)
{
    if (i < text.size() && text[i] == u'\r')
        ++i;
    if (i < text.size() && text[i] == u'\n')
        ++i;
    ++line;
}

bool parseFlag(const QString& cell, qint16& value)
{
    const QString v = cell.trimmed().toLower();
    if (v.isEmpty() || v == u"0" || v == u"no" || v == u"false")
        value = kRobotNo;
    else if (v == u"1" || v == u"-1" || v == u"yes" || v == u"true")
        value = kRobotYes;
    else
        return false;
    return true;
}

bool parseDate(const QString& cell, double& serial)
{
    const QDateTime when = QDateTime::fromString(cell.trimmed(), Qt::ISODate);
    if (when.isValid()) {
        serial = toDateSerial(when);
        return true;
    }
    const QDate day = QDate::fromString(cell.trimmed(), Qt::ISODate);
    serial = toDateSerial(day);
    return day.isValid();
}

Result<void> setText(RobotRecord& record, const RobotFieldInfo& field, const QString& cell)
{
    if (!fitsAnsi(cell))
        return Result<void>::failure(tr("holds a character outside Windows-1252"));
    if (cell.size() > field.width)
        return Result<void>::failure(tr("is longer than %1 characters").arg(field.width));
    record.*field.text = cell;
    return {};
}

// Stores one non-empty cell; a bad value fails with what is wrong with it ("is not a date").
Result<void> setField(RobotRecord& record, const RobotFieldInfo& field, const QString& cell)
{
    switch (field.type) {
    case RobotFieldType::Text:
        return setText(record, field, cell);
    case RobotFieldType::Flag:
        if (!parseFlag(cell, record.*field.number))
            return Result<void>::failure(tr("is not a yes/no value"));
        break;
    case RobotFieldType::Category:
        record.*field.number = robotCategoryNumber(cell.trimmed());
        if (record.*field.number == 0)
            return Result<void>::failure(tr("is not a category"));
        break;
    case RobotFieldType::Date:
        if (!parseDate(cell, record.*field.date))
            return Result<void>::failure(tr("is not a date"));
        break;
    }
    return {};
}

Result<void> mapColumns(const CsvRow& header, std::vector<const RobotFieldInfo*>& columns)
{
    for (const QString& title : header.fields) {
        const QString name = title.trimmed();
        const RobotFieldInfo* field = findRobotField(name);
        if (!field)
            field = findRobotField(QStringLiteral("Robot_") + name);
        if (!field)
            return Result<void>::failure(tr("Line %1: unknown column \"%2\".").arg(header.line).arg(name));
        if (std::find(columns.begin(), columns.end(), field) != columns.end())
            return Result<void>::failure(
                tr("Line %1: column \"%2\" appears twice.").arg(header.line).arg(name));
        columns.push_back(field);
    }
    return {};
}

RobotRecord defaultRecord(const RobotCsvDefaults& defaults)
{
    RobotRecord record;
    record.Robot_category = kCategoryNone;
    record.Modified_date = defaults.modifiedDate;
    record.Modified_by = defaults.modifiedBy;
    record.RobotVersion = defaults.version;
    return record;
}

Result<void> parseRows(QStringView text, QList<CsvRow>& rows)
{
    rows.clear();
    qsizetype i = 0;
    int line = 1;
    if (text.startsWith(QChar(0xFEFF)))
        ++i;
    while (i < text.size()) {
        if (text[i] == u'\r' || text[i] == u'\n') { // an empty line
            skipLineBreak(text, i, line);
            continue;
        }
        CsvRow row{line, {}};
        QString field;
        for (;;) {
            if (Result<void> read = readField(text, i, line, field); !read)
                return read;
            row.fields.append(field);
            if (i >= text.size() || text[i] != u',')
                break;
            ++i;
        }
        rows.append(std::move(row));
        skipLineBreak(text, i, line);
    }
    return {};
}

Result<void> makeRecords(const QList<CsvRow>& rows, const RobotCsvDefaults& defaults,
                         QList<RobotRecord>& records)
{
    records.clear();
    if (rows.isEmpty())
        return Result<void>::failure(tr("The table has no header row."));
    std::vector<const RobotFieldInfo*> columns;
    if (Result<void> mapped = mapColumns(rows.first(), columns); !mapped)
        return mapped;
    for (qsizetype r = 1; r < rows.size(); ++r) {
        const CsvRow& row = rows.at(r);
        if (row.fields.size() != static_cast<qsizetype>(columns.size()))
            return Result<void>::failure(tr("Line %1: %2 values where the header names %3.")
                                             .arg(row.line)
                                             .arg(row.fields.size())
                                             .arg(columns.size()));
        RobotRecord record = defaultRecord(defaults);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const QString& cell = row.fields.at(static_cast<qsizetype>(c));
            if (cell.isEmpty())
                continue;
            if (const Result<void> set = setField(record, *columns[c], cell); !set)
                return Result<void>::failure(tr("Line %1: the value of \"%2\" %3.")
                                                 .arg(row.line)
                                                 .arg(QLatin1String(columns[c]->name), set.error));
        }
        records.append(std::move(record));
    }
    return {};
}

} // namespace

Result<void> parseCsv(QStringView text, QList<CsvRow>& rows)
{
    return parseRows(text, rows);
}

Result<void> robotsFromCsv(const QList<CsvRow>& rows, const RobotCsvDefaults& defaults,
                           QList<RobotRecord>& records)
{
    return makeRecords(rows, defaults, records);
}

} // namespace sf
