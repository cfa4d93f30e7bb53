#pragma once

#include <QByteArray>
#include <QString>

#include <array>

namespace sf {

// A yes/no field as stored: -1 (bytes FF FF) is yes; every other value reads as no.
using RobotFlag = qint16;
constexpr RobotFlag kRobotYes = -1;
constexpr RobotFlag kRobotNo = 0;
inline bool isYes(RobotFlag flag)
{
    return flag == kRobotYes;
}
inline RobotFlag toRobotFlag(bool yes)
{
    return yes ? kRobotYes : kRobotNo;
}

// One robot of robots.rbd. Text fields hold what was read (trimmed) or what is to be stored (cut to
// the field's width and padded with spaces on storing, never trimmed); flags and the category keep
// the stored value as it is, so an unexpected value survives a read and a write.
struct RobotRecord {
    // Each record occupies one slot of the file: the data bytes, then filler that no reader looks at.
    static constexpr int kSlotSize = 6552;
    static constexpr int kDataSize = 3283;

    // Offsets of the fields that the chooser reads straight from a slot.
    static constexpr int kNameOffset = 0;
    static constexpr int kNameWidth = 150;
    static constexpr int kExclusionUserAgentOffset = 1852;
    static constexpr int kExclusionUserAgentWidth = 150;
    static constexpr int kCategoryOffset = 3008;
    static constexpr int kVersionOffset = 3168;
    static constexpr int kVersionWidth = 15;

    QString Robot_name;
    QString Robot_cover_url;
    QString Robot_details_url;
    QString Robot_owner_name;
    QString Robot_owner_url;
    QString Robot_owner_email;
    QString Robot_status;
    QString Robot_purpose;
    QString Robot_type;
    QString Robot_platform;
    QString Robot_availability;
    RobotFlag Robot_exclusions = kRobotNo;
    QString Robot_exclusion_useragent;
    RobotFlag Robot_noindex = kRobotNo;
    RobotFlag Robot_nofollow = kRobotNo;
    QString Robot_host;
    RobotFlag Robot_from = kRobotNo;
    QString Robot_useragent;
    QString Robot_language;
    QString Robot_description;
    QString Robot_history;
    QString Robot_environment;
    qint16 Robot_category = 0;
    double Modified_date = 0.0; // date serial: days since 1899-12-30, fraction = time of day
    QString Modified_by;
    QString RobotVersion;
    QString Reserved;

    // The kDataSize data bytes of a slot.
    QByteArray toData() const;
    void toData(char* data) const;
    // Fills every field from kDataSize data bytes.
    static RobotRecord fromData(const char* data);

    // What a reader makes of slot bytes that are missing from the file: spaces in the text fields,
    // zeros in the numbers. A partial last slot is completed with these bytes.
    static const QByteArray& blankData();
};

enum class RobotFieldType { Text, Flag, Category, Date };

// One field of the record: its name (the one under which it is submitted online), its place in the
// slot and the member that holds it.
struct RobotFieldInfo {
    const char* name;
    int offset;
    int width;
    RobotFieldType type;
    QString RobotRecord::*text;  // Text fields
    qint16 RobotRecord::*number; // Flag and Category fields
    double RobotRecord::*date;   // the Date field
};

// The 27 fields in file order.
constexpr int kRobotFieldCount = 27;
const std::array<RobotFieldInfo, kRobotFieldCount>& robotFields();
// The field of that name (case-insensitive), or nullptr.
const RobotFieldInfo* findRobotField(QStringView name);

// Categories: 1 "Music", 2 "Image", 3 "News", 4 "None", 5 "Email", 6 "Search". The number is also
// the number of the robot's picture.
constexpr int kRobotCategoryCount = 6;
constexpr qint16 kCategoryNone = 4;
inline bool isRobotCategory(int category)
{
    return category >= 1 && category <= kRobotCategoryCount;
}
// The category's name as shown to the user (translated), or empty outside 1 to 6.
QString robotCategoryName(int category);
// The number of the category whose English name this is (case-insensitive), or 0.
qint16 robotCategoryNumber(QStringView name);

// CurrentRobot lives in robots/RobotState.h; RobotCount and RobotListVersion with the rest of the
// shared state in base/SharedState.h.

} // namespace sf
