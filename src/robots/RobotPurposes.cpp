#include "robots/RobotPurposes.h"

#include <algorithm>

namespace sf {
namespace {

// The vocabulary's order; a purpose of the user's own comes just before "other", the last term.
int vocabularyRank(const QString& purpose)
{
    const QStringList& vocabulary = robotPurposeVocabulary();
    const auto index = static_cast<int>(vocabulary.indexOf(purpose));
    const int other = static_cast<int>(vocabulary.size()) - 1;
    return index < 0 ? 2 * other - 1 : 2 * index;
}

} // namespace

const QStringList& robotPurposeVocabulary()
{
    static const QStringList vocabulary{QStringLiteral("AI model training"),
                                        QStringLiteral("AI data collection"),
                                        QStringLiteral("AI search"),
                                        QStringLiteral("AI assistant fetch"),
                                        QStringLiteral("AI opt-out token"),
                                        QStringLiteral("search engine"),
                                        QStringLiteral("SEO tool"),
                                        QStringLiteral("advertising"),
                                        QStringLiteral("archive"),
                                        QStringLiteral("feed reader"),
                                        QStringLiteral("link preview"),
                                        QStringLiteral("mail proxy"),
                                        QStringLiteral("other")};
    return vocabulary;
}

bool RobotPurpose::isAi() const
{
    return purpose.startsWith(QLatin1String("AI "));
}

Result<void> RobotPurposes::load(const QString& path)
{
    m_purposes.clear();
    const RobotDatabase database(path);
    if (!database.exists())
        return {};
    const Result<void> result = database.readAll([this](qint32, const char* data) {
        const RobotRecord record = RobotRecord::fromData(data);
        if (record.Robot_exclusion_useragent.isEmpty())
            return;
        const QString purpose =
            record.Robot_purpose.isEmpty() ? QStringLiteral("other") : record.Robot_purpose;
        auto it = std::find_if(m_purposes.begin(), m_purposes.end(),
                               [&](const RobotPurpose& p) { return p.purpose == purpose; });
        if (it == m_purposes.end())
            it = m_purposes.insert(m_purposes.end(), RobotPurpose{purpose, {}});
        it->robots.push_back({record.Robot_name, record.Robot_exclusion_useragent, record.Robot_category});
    });
    std::stable_sort(m_purposes.begin(), m_purposes.end(), [](const RobotPurpose& a, const RobotPurpose& b) {
        const int ra = vocabularyRank(a.purpose), rb = vocabularyRank(b.purpose);
        return ra != rb ? ra < rb : a.purpose.compare(b.purpose, Qt::CaseInsensitive) < 0;
    });
    return result;
}

const RobotPurpose* RobotPurposes::find(const QString& purpose) const
{
    const auto it = std::find_if(m_purposes.begin(), m_purposes.end(),
                                 [&](const RobotPurpose& p) { return p.purpose == purpose; });
    return it == m_purposes.end() ? nullptr : &*it;
}

} // namespace sf
