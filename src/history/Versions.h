#pragma once

#include "history/PublishHistory.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace sf::history {

// A file the server held, as the history knows it: the file each publish sent, newest first, and
// last the file the oldest kept publish replaced.
struct Version {
    int publish = 0; // 1 for the newest publish; 0 for the file before the oldest
    QDateTime time;  // of the publish (the file before: of the publish that replaced it)
    QByteArray bytes;
    QString change; // what the publish changed, in a sentence
    QString error;  // why the kept copy cannot be read; bytes is empty then
};

// The versions of a file in the history; a history that cannot be read gives the reason.
Result<QList<Version>> versionsOf(const History& history, const QString& fileName);

} // namespace sf::history
