#pragma once

#include <QByteArray>
#include <QString>

namespace sf::test {

// A robots.txt and a log whose crawlers are known: which requests each made and which of them the
// robots.txt refuses it are written beside each line.
extern const char kAuditRobotsTxt[];
QByteArray auditSampleLog();

// A combined-format line.
QByteArray logLine(const QByteArray& target, const QByteArray& agent,
                   const QByteArray& time = "10/Oct/2026:13:55:36 +0200");

void writeFile(const QString& path, const QByteArray& bytes);

} // namespace sf::test
