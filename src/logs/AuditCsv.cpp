#include "logs/AuditCsv.h"

#include "base/Translate.h"
#include "logs/AccessLogLine.h"

#include <QList>

namespace sf::logs {
namespace {

SF_FILE_TRANSLATIONS("AccessLog")

constexpr char kHeader[] = "robot,purpose,requests,disallowed,robots_txt_fetches,first_seen,last_seen";

QByteArray field(const QByteArray& text)
{
    if (!text.contains(',') && !text.contains('"') && !text.contains('\n') && !text.contains('\r'))
        return text;
    QByteArray quoted = text;
    quoted.replace('"', "\"\"");
    return '"' + quoted + '"';
}

// The fields of one record starting at text[at]; moves at past its line end.
QList<QByteArray> record(const QByteArray& text, qsizetype& at)
{
    QList<QByteArray> fields{QByteArray()};
    bool quoted = false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (quoted) {
            if (c == '"' && at + 1 < text.size() && text[at + 1] == '"')
                fields.back() += text[++at];
            else if (c == '"')
                quoted = false;
            else
                fields.back() += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields << QByteArray();
        } else if (c == '\n') {
            ++at;
            break;
        } else if (c != '\r') {
            fields.back() += c;
        }
    }
    return fields;
}

bool number(const QByteArray& text, std::int64_t& out)
{
    bool ok = false;
    out = text.toLongLong(&ok);
    return ok && out >= 0;
}

bool time(const QByteArray& text, std::int64_t& out)
{
    const auto parsed = parseUtcTime(std::string_view(text.constData(), static_cast<size_t>(text.size())));
    if (parsed)
        out = *parsed;
    return parsed.has_value();
}

} // namespace

QByteArray auditCsv(const AuditReport& report)
{
    QByteArray out = QByteArray(kHeader) + '\n';
    for (const RobotTally& tally : report.robots) {
        out += field(QByteArray::fromStdString(tally.robot)) + ',' + field(tally.purpose.toUtf8()) + ',' +
               QByteArray::number(tally.requests) + ',' + QByteArray::number(tally.disallowed) + ',' +
               QByteArray::number(tally.robotsTxtFetches) + ',' +
               QByteArray::fromStdString(formatUtcTime(tally.firstSeen)) + ',' +
               QByteArray::fromStdString(formatUtcTime(tally.lastSeen)) + '\n';
    }
    return out;
}

Result<AuditReport> readAuditCsv(const QByteArray& csv)
{
    qsizetype at = 0;
    if (record(csv, at).join(',') != kHeader)
        return Result<AuditReport>::failure(
            tr("not a CSV of sfcheck audit: its first line is not \"%1\"").arg(QLatin1String(kHeader)));
    AuditReport report;
    for (int line = 2; at < csv.size(); ++line) {
        const QList<QByteArray> fields = record(csv, at);
        if (fields.size() == 1 && fields[0].isEmpty())
            continue;
        RobotTally tally;
        if (fields.size() != 7 || fields[0].isEmpty() || !number(fields[2], tally.requests) ||
            !number(fields[3], tally.disallowed) || !number(fields[4], tally.robotsTxtFetches) ||
            !time(fields[5], tally.firstSeen) || !time(fields[6], tally.lastSeen))
            return Result<AuditReport>::failure(tr("line %1 is not a robot's row").arg(line));
        tally.robot = fields[0].toStdString();
        tally.known = !fields[0].startsWith("unknown:");
        tally.purpose = QString::fromUtf8(fields[1]);
        AuditReport one;
        one.robots.push_back(std::move(tally));
        report.add(one);
    }
    return report;
}

} // namespace sf::logs
