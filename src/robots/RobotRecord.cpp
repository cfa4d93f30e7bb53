#include "robots/RobotRecord.h"

#include "base/CodePage.h"

#include <QCoreApplication>

#include <cstring>

namespace sf {

namespace {

using R = RobotRecord;
using T = RobotFieldType;

constexpr RobotFieldInfo text(const char* name, int offset, int width, QString R::*member)
{
    return {name, offset, width, T::Text, member, nullptr, nullptr};
}

constexpr RobotFieldInfo number(const char* name, int offset, T type, qint16 R::*member)
{
    return {name, offset, 2, type, nullptr, member, nullptr};
}

const std::array<RobotFieldInfo, kRobotFieldCount> kFields = {{
    text("Robot_name", 0, 150, &R::Robot_name),
    text("Robot_cover_url", 150, 250, &R::Robot_cover_url),
    text("Robot_details_url", 400, 150, &R::Robot_details_url),
    text("Robot_owner_name", 550, 150, &R::Robot_owner_name),
    text("Robot_owner_url", 700, 250, &R::Robot_owner_url),
    text("Robot_owner_email", 950, 150, &R::Robot_owner_email),
    text("Robot_status", 1100, 150, &R::Robot_status),
    text("Robot_purpose", 1250, 150, &R::Robot_purpose),
    text("Robot_type", 1400, 150, &R::Robot_type),
    text("Robot_platform", 1550, 150, &R::Robot_platform),
    text("Robot_availability", 1700, 150, &R::Robot_availability),
    number("Robot_exclusions", 1850, T::Flag, &R::Robot_exclusions),
    text("Robot_exclusion_useragent", 1852, 150, &R::Robot_exclusion_useragent),
    number("Robot_noindex", 2002, T::Flag, &R::Robot_noindex),
    number("Robot_nofollow", 2004, T::Flag, &R::Robot_nofollow),
    text("Robot_host", 2006, 150, &R::Robot_host),
    number("Robot_from", 2156, T::Flag, &R::Robot_from),
    text("Robot_useragent", 2158, 150, &R::Robot_useragent),
    text("Robot_language", 2308, 150, &R::Robot_language),
    text("Robot_description", 2458, 250, &R::Robot_description),
    text("Robot_history", 2708, 150, &R::Robot_history),
    text("Robot_environment", 2858, 150, &R::Robot_environment),
    number("Robot_category", 3008, T::Category, &R::Robot_category),
    {"Modified_date", 3010, 8, T::Date, nullptr, nullptr, &R::Modified_date},
    text("Modified_by", 3018, 150, &R::Modified_by),
    text("RobotVersion", 3168, 15, &R::RobotVersion),
    text("Reserved", 3183, 100, &R::Reserved),
}};

// English names; shown through translate().
constexpr std::array<const char*, kRobotCategoryCount> kCategoryNames = {"Music", "Image", "News",
                                                                         "None",  "Email", "Search"};

QByteArray makeBlankData()
{
    QByteArray data(RobotRecord::kDataSize, '\0');
    for (const RobotFieldInfo& field : kFields) {
        if (field.type == T::Text)
            std::memset(data.data() + field.offset, ' ', static_cast<std::size_t>(field.width));
    }
    return data;
}

} // namespace

const std::array<RobotFieldInfo, kRobotFieldCount>& robotFields()
{
    return kFields;
}

const RobotFieldInfo* findRobotField(QStringView name)
{
    for (const RobotFieldInfo& field : kFields) {
        if (name.compare(QLatin1String(field.name), Qt::CaseInsensitive) == 0)
            return &field;
    }
    return nullptr;
}

QByteArray RobotRecord::toData() const
{
    QByteArray data(kDataSize, Qt::Uninitialized);
    toData(data.data());
    return data;
}

void RobotRecord::toData(char* data) const
{
    for (const RobotFieldInfo& field : kFields) {
        char* at = data + field.offset;
        switch (field.type) {
        case T::Text:
            writeFixedText(at, field.width, this->*field.text);
            break;
        case T::Flag:
        case T::Category:
            writeInt16(at, this->*field.number);
            break;
        case T::Date:
            writeDouble(at, this->*field.date);
            break;
        }
    }
}

RobotRecord RobotRecord::fromData(const char* data)
{
    RobotRecord record;
    for (const RobotFieldInfo& field : kFields) {
        const char* at = data + field.offset;
        switch (field.type) {
        case T::Text:
            record.*field.text = readFixedText(at, field.width);
            break;
        case T::Flag:
        case T::Category:
            record.*field.number = readInt16(at);
            break;
        case T::Date:
            record.*field.date = readDouble(at);
            break;
        }
    }
    return record;
}

const QByteArray& RobotRecord::blankData()
{
    static const QByteArray blank = makeBlankData();
    return blank;
}

QString robotCategoryName(int category)
{
    if (!isRobotCategory(category))
        return {};
    return QCoreApplication::translate("sf::RobotCategory", kCategoryNames[category - 1]);
}

qint16 robotCategoryNumber(QStringView name)
{
    for (int i = 0; i < kRobotCategoryCount; ++i) {
        if (name.compare(QLatin1String(kCategoryNames[i]), Qt::CaseInsensitive) == 0)
            return static_cast<qint16>(i + 1);
    }
    return 0;
}

} // namespace sf
