#include "online/RobotSubmission.h"

#include "base/CodePage.h"
#include "base/DateSerial.h"
#include "robots/RobotRecord.h"
#include "transfer/ServiceUrls.h"

namespace sf {
namespace {

bool isPlain(unsigned char byte)
{
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9');
}

QString flagWord(qint16 flag)
{
    return flag != 0 ? QStringLiteral("True") : QStringLiteral("False");
}

// A text field as robots.rbd stores it (cut to its width), without the surrounding spaces.
QString storedText(const RobotRecord& record, const char* name)
{
    const RobotFieldInfo* field = findRobotField(QString::fromLatin1(name));
    return trimSpaces((record.*(field->text)).left(field->width));
}

} // namespace

QString URLEncode(const QString& sWork)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    const QByteArray bytes = toAnsi(sWork);
    QString out;
    out.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (isPlain(byte)) {
            out.append(QLatin1Char(c));
        } else if (byte == ' ') {
            out.append(QLatin1Char('+'));
        } else {
            out.append(QLatin1Char('%'));
            out.append(QLatin1Char(kHex[byte >> 4]));
            out.append(QLatin1Char(kHex[byte & 0x0F]));
        }
    }
    return out;
}

QString SubmissionDate(double dateSerial)
{
    return dateOfSerial(dateSerial).toString(QStringLiteral("yyyy-MM-dd"));
}

QByteArray SubmissionBody(const RobotRecord& r, const SubmissionAccount& account)
{
    const std::pair<const char*, QString> pairs[] = {
        {"Robot_name=", storedText(r, "Robot_name")},
        {"&Robot_cover_url=", storedText(r, "Robot_cover_url")},
        {"&Robot_details_url=", storedText(r, "Robot_details_url")},
        {"&Robot_owner_name=", storedText(r, "Robot_owner_name")},
        {"&Robot_owner_url=", storedText(r, "Robot_owner_url")},
        {"&Robot_owner_email=", storedText(r, "Robot_owner_email")},
        {"&Robot_status=", storedText(r, "Robot_status")},
        {"&Robot_purpose=", storedText(r, "Robot_purpose")},
        {"&Robot_type=", storedText(r, "Robot_type")},
        {"&Robot_platform=", storedText(r, "Robot_platform")},
        {"&Robot_availability=", storedText(r, "Robot_availability")},
        {"&Robot_exclusions=", flagWord(r.Robot_exclusions)},
        {"&Robot_exclusion_useragent=", storedText(r, "Robot_exclusion_useragent")},
        {"&Robot_noindex=", flagWord(r.Robot_noindex)},
        {"&Robot_nofollow=", flagWord(r.Robot_nofollow)},
        {"&Robot_host=", storedText(r, "Robot_host")},
        {"&Robot_from=", flagWord(r.Robot_from)},
        {"&Robot_useragent=", storedText(r, "Robot_useragent")},
        {"&Robot_language=", storedText(r, "Robot_language")},
        {"&Robot_description=", storedText(r, "Robot_description")},
        {"&Robot_history=", storedText(r, "Robot_history")},
        {"&Robot_environment=", storedText(r, "Robot_environment")},
        {"&Robot_category=", QString::number(r.Robot_category)},
        {"&Modified_date=", SubmissionDate(r.Modified_date)},
        {"&RobotVersion=", storedText(r, "RobotVersion")},
        {"&SpiderfenceVersion=", account.programVersion},
        {"&Field1=", trimSpaces(account.username)},
        {"&Field2=", trimSpaces(account.password)},
    };
    QByteArray body;
    for (const auto& [key, value] : pairs) {
        body.append(key);
        body.append(URLEncode(value).toLatin1());
    }
    return body;
}

QString SubmissionUrl()
{
    return WebFunctionUrl(QStringLiteral("submitrobot.asp"));
}

QString SubmissionHeaders()
{
    return QStringLiteral("Content-Type: application/x-www-form-urlencoded");
}

} // namespace sf
