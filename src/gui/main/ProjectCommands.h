#pragma once

#include "gui/main/ProjectWindow.h"

#include <QString>

namespace sf {

// The project commands of the main window: new, open, save, save as, close, export, and the
// question that offers to save a modified project.
class ProjectCommands {
public:
    explicit ProjectCommands(ProjectWindow& window) : m_window(window) {}

    void NewProject();
    void OpenProject();
    bool SaveProject();
    void SaveAs();
    // Returns false when the user asked to save and the save did not happen: the project stays open.
    bool CloseProject();
    void mnuCloseProject_Click();
    void ExportGrid();

    // Start-up: reopens the last project when "Check1" is "TRUE", else starts a new one.
    void openStartupProject();

    // The path that the next file dialog offers (the last one chosen in any of them).
    QString dialogPath() const { return m_dialogPath; }

    // The save question of a modified project; false when a Yes did not save.
    bool askToSave();

    // The grid now holds the server's robots.txt from that folder instead of the project's lines:
    // the window says so until the project is saved, closed or another one is opened, and the save
    // question names the project that Yes writes the server's file into.
    void gridFromServer(const QString& folder);
    // "New Project", or the project file's name.
    static QString projectName();

private:
    QString chooseSavePath(const QString& initial, const QString& filter);
    void setProjectTitle();
    void forgetServerGrid();

    ProjectWindow& m_window;
    QString m_dialogPath;
    QString m_serverFolder; // the grid holds robots.txt of this server folder; empty: the project's lines
};

} // namespace sf
