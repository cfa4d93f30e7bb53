#pragma once

#include "ftp/ConnectionFields.h"

#include <QStringList>

namespace sf {

// What the project commands need of their window: the modified mark, the project states, the rule
// grid's rows, the connection fields, the session's modes, the robot chooser and the title.
class ProjectWindow {
public:
    virtual ~ProjectWindow() = default;

    virtual bool isModified() const = 0;
    virtual bool SetModified(bool modified) = 0;
    virtual void EnableProject() = 0;
    virtual void DisableProject() = 0;
    virtual const QStringList& gridRows() const = 0;
    virtual void setGridRows(const QStringList& rows) = 0;
    virtual void setGridColumnWidth() = 0;
    virtual ConnectionFields connectionFields() const = 0;
    virtual void setConnectionFields(const ConnectionFields& fields) = 0;
    // Sets the session's modes without marking anything (new and opened projects).
    virtual void setSessionModes(bool active, bool binary) = 0;
    virtual bool ConnectFtp() = 0;
    virtual void RefreshRobotList() = 0;
    virtual void setProjectTitle(const QString& title) = 0;
    // Says above the grid where its lines came from when they are not the project's; an empty text
    // hides the note.
    virtual void showGridSource(const QString& text) { (void)text; }
};

} // namespace sf
