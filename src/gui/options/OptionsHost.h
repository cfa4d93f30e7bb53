#pragma once

#include <QStringList>

namespace sf {

// What the options window needs of the window that opens it: whether a project is open, the rule
// grid's rows (the header row follows the header text), the modified mark, the robot chooser, and
// the project's connection and transfer modes.
class OptionsHost {
public:
    virtual ~OptionsHost() = default;

    virtual bool isProjectOpen() const = 0;
    virtual const QStringList& gridRows() const = 0;
    virtual void setGridRows(const QStringList& rows) = 0;
    virtual bool SetModified(bool modified) = 0;
    virtual void RefreshRobotList() = 0;
    // The project's flag, the session's mode and the modified mark.
    virtual void setConnectionMode(bool active) = 0;
    virtual void setTransferMode(bool binary) = 0;
};

} // namespace sf
