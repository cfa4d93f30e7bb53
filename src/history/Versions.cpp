#include "history/Versions.h"

#include "base/Translate.h"
#include "history/VersionDiff.h"

namespace sf::history {
namespace {

SF_FILE_TRANSLATIONS("sf::history")

ServerFile replacedFile(const History& history, const Record& record, QString& error)
{
    if (record.replaced != ServerFile::State::Held)
        return {record.replaced, {}, {}};
    const Result<QByteArray> bytes = history.replacedBytes(record);
    if (!bytes) {
        error = bytes.error;
        return {ServerFile::State::Unread, {}, bytes.error};
    }
    return {ServerFile::State::Held, bytes.value(), {}};
}

} // namespace

Result<QList<Version>> versionsOf(const History& history, const QString& fileName)
{
    const Result<QList<Record>> publishes = history.publishes(fileName);
    if (!publishes)
        return publishes.status();
    QList<Version> versions;
    ServerFile before;
    for (qsizetype i = 0; i < publishes->size(); ++i) {
        const Record& record = publishes->at(i);
        Version version{int(i + 1), record.time.toLocalTime(), {}, {}, {}};
        if (const Result<QByteArray> sent = history.sentBytes(record))
            version.bytes = sent.value();
        else
            version.error = sent.error;
        QString replacedError;
        before = replacedFile(history, record, replacedError);
        version.change = version.error.isEmpty() ? changeSentence(before, version.bytes)
                                                 : tr("The kept copy of this version is damaged.");
        versions.append(version);
    }
    if (!publishes->isEmpty() && before.state == ServerFile::State::Held)
        versions.append({0,
                         publishes->last().time.toLocalTime(),
                         before.bytes,
                         tr("The file the server held before the first publish kept."),
                         {}});
    return versions;
}

} // namespace sf::history
