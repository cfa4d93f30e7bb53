#pragma once

#include "online/Desktop.h"

#include <QList>
#include <QStringList>
#include <QUrl>

namespace sf::test {

// Stands in for the desktop while it lives: records every page, file and program the program
// hands over, and opens or starts nothing.
class RecordingDesktop final : public Desktop {
public:
    RecordingDesktop() { Desktop::setInstance(this); }
    ~RecordingDesktop() override { Desktop::setInstance(nullptr); }
    RecordingDesktop(const RecordingDesktop&) = delete;
    RecordingDesktop& operator=(const RecordingDesktop&) = delete;

    bool openUrl(const QUrl& url) override
    {
        urls.append(url);
        return true;
    }
    bool startProgram(const QString& program, const QStringList& args) override
    {
        programs.append(program);
        arguments.append(args);
        return startSucceeds;
    }

    QList<QUrl> urls;
    QStringList programs;
    QList<QStringList> arguments;
    bool startSucceeds = true;
};

} // namespace sf::test
