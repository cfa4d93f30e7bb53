#pragma once

#include "robots/RobotDatabase.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace sf {

// The purposes of robots.txt readers, as the shipped table writes them in Robot_purpose (the
// vocabulary is documented beside the table): the AI purposes first, in the order in which a site
// owner usually decides about them.
const QStringList& robotPurposeVocabulary();

// One robot as the purpose dialog offers it.
struct PurposeRobot {
    QString name;
    QString userAgent; // Robot_exclusion_useragent: the token written after "User-agent: "
    qint16 category = 0;
};

// The robots of one purpose, in database order.
struct RobotPurpose {
    QString purpose;
    std::vector<PurposeRobot> robots;

    // Whether the purpose is one of the AI ones (its name begins with "AI ").
    bool isAi() const;
};

// The purposes found in a robot database with their robots: the vocabulary's terms in its order,
// then any other text a user's robots carry, alphabetically; a robot without a purpose counts as
// "other". Robots without a user-agent are left out: no rule can name them.
class RobotPurposes {
public:
    Result<void> load(const QString& path);
    const std::vector<RobotPurpose>& purposes() const { return m_purposes; }
    // The purpose of that name, or nullptr.
    const RobotPurpose* find(const QString& purpose) const;

private:
    std::vector<RobotPurpose> m_purposes;
};

} // namespace sf
