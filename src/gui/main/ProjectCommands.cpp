#include "gui/main/ProjectCommands.h"

#include "base/CodePage.h"
#include "base/FileUtils.h"
#include "base/SettingsStore.h"
#include "base/SharedState.h"
#include "ftp/SecretStore.h"
#include "gui/common/Prompt.h"
#include "project/ProjectFile.h"
#include "project/ProjectState.h"
#include "project/RobotsText.h"
#include "project/RuleGrid.h"

#include <QDir>
#include <QFileInfo>

namespace sf {
namespace {

QString projectFilter()
{
    return QObject::tr("Spiderfence Project (*.sfp)");
}

void reportWriteFailure(const QString& path, const QString& error)
{
    prompts().message(QObject::tr("Could not write %1:\n%2").arg(QDir::toNativeSeparators(path), error),
                      Prompt::Buttons::Ok, Prompt::Icon::Warning);
}

// A password that the project file does not keep goes to the secret store.
Result<void> keepPasswordOutOfFile(const ProjectHeader& h, const ConnectionFields& fields)
{
    if (h.rememberPassword || fields.password.isEmpty())
        return {};
    return SecretStore::write(
        SecretStore::key(trimSpaces(fields.server), trimSpaces(fields.port), trimSpaces(fields.user)),
        fields.password);
}

void tellPasswordNotKept(const QString& reason)
{
    prompts().message(
        QObject::tr("The password could not be kept in the desktop's secret store:\n%1\n\nThe project was "
                    "saved without it, so Spiderfence will ask for the password when it connects after the "
                    "project is opened again. To keep the password in the project file instead, tick "
                    "\"Remember my FTP password\" in the options and save again.")
            .arg(reason),
        Prompt::Buttons::Ok, Prompt::Icon::Warning);
}

} // namespace

bool ProjectCommands::askToSave()
{
    if (!m_window.isModified())
        return true;
    QString question = QObject::tr("Do you want to save the changes you made to the Robot ?");
    if (!m_serverFolder.isEmpty())
        question +=
            QStringLiteral("\n\n") +
            QObject::tr("The grid holds the server's robots.txt from %1: Yes saves it into the project "
                        "\"%2\".")
                .arg(m_serverFolder, projectName());
    const auto answer = prompts().message(question, Prompt::Buttons::YesNo, Prompt::Icon::Question);
    if (answer != Prompt::Answer::Yes)
        return true;
    // A Yes whose save did not happen must not throw the changes away.
    return SaveProject();
}

bool ProjectCommands::CloseProject()
{
    if (!askToSave())
        return false;
    m_window.DisableProject();
    shared::robotsTextForm = RobotsTextForm{};
    forgetServerGrid();
    return true;
}

void ProjectCommands::gridFromServer(const QString& folder)
{
    m_serverFolder = folder;
    m_window.showGridSource(
        QObject::tr(
            "The grid holds the server's robots.txt from %1. Saving writes it into the project \"%2\".")
            .arg(folder, projectName()));
}

void ProjectCommands::forgetServerGrid()
{
    m_serverFolder.clear();
    m_window.showGridSource(QString());
}

QString ProjectCommands::projectName()
{
    return shared::CurrentFileName.isEmpty() ? QObject::tr("New Project")
                                             : FileTitle(shared::CurrentFileName, true);
}

void ProjectCommands::mnuCloseProject_Click()
{
    if (CloseProject())
        SettingsStore::save(SettingsStore::LastFilename, QString());
}

void ProjectCommands::NewProject()
{
    if (!CloseProject())
        return;
    // A new project's site is its own: neither the folder nor the address of the last one.
    shared::projectHeader.uploadDirectory.clear();
    shared::projectHeader.siteAddress.clear();
    shared::projectHeader.siteFolderDeclined = false;
    m_window.EnableProject();
    m_window.SetModified(false);
    m_window.setGridRows(RuleGrid::newProjectTemplate());
    m_window.setGridColumnWidth();
    m_window.RefreshRobotList();
    shared::projectHeader.headerText = RuleGrid::defaultHeaderText();
    // A new project says what the session is set to: active mode, binary transfer.
    shared::projectHeader.activeMode = -1;
    shared::projectHeader.binaryTransfer = -1;
    // It keeps its password in the file and asks about an unknown certificate or host key, whatever
    // the last project chose.
    shared::projectHeader.rememberPassword = true;
    shared::projectHeader.trust = ftp::TrustPolicy::Ask;
    m_window.setProjectTitle(QObject::tr("Spiderfence - New Project"));
    shared::CurrentFileName.clear();
}

void ProjectCommands::OpenProject()
{
    QString chosen = shared::CurrentFileName;
    if (chosen.isEmpty()) {
        chosen = prompts().openFileName({QObject::tr("Open Project"), projectFilter(), m_dialogPath, false});
        if (chosen.isEmpty())
            return;
        m_dialogPath = chosen;
    }
    if (!CloseProject())
        return;
    shared::CurrentFileName = chosen;
    m_window.EnableProject();
    ProjectFile::Contents contents;
    if (const Result<void> loaded = ProjectFile::load(chosen, contents); !loaded) {
        // Not opened under its name: a later save must not write an empty project over the file.
        prompts().message(
            QObject::tr("Could not read %1:\n%2").arg(QDir::toNativeSeparators(chosen), loaded.error),
            Prompt::Buttons::Ok, Prompt::Icon::Warning);
        shared::CurrentFileName.clear();
        NewProject();
        return;
    }
    shared::projectHeader = contents.header;
    m_window.setGridRows(contents.rows);
    SettingsStore::save(SettingsStore::LastFilename, shared::CurrentFileName);
    const ProjectHeader& h = shared::projectHeader;
    QString password = trimSpaces(h.password);
    // A password kept out of the file comes from the secret store; without one, the connect asks.
    if (!h.rememberPassword && password.isEmpty())
        password =
            SecretStore::read(SecretStore::key(trimSpaces(h.server), trimSpaces(h.port), trimSpaces(h.user)))
                .value_or(QString());
    m_window.setConnectionFields(
        {trimSpaces(h.server), trimSpaces(h.user), password, trimSpaces(h.port), h.protocol, h.keyFile});
    m_window.setSessionModes(h.activeMode == -1, h.binaryTransfer == -1);
    m_window.setGridColumnWidth();
    m_window.RefreshRobotList();
    setProjectTitle();
    // The project is as its file has it; what the connect then changes (the site folder the user
    // confirms) is a change to save.
    m_window.SetModified(false);
    if (SettingsStore::flag(SettingsStore::Check2))
        m_window.ConnectFtp();
}

QString ProjectCommands::chooseSavePath(const QString& initial, const QString& filter)
{
    const QString path = prompts().saveFileName({QObject::tr("Save As"), filter, initial, true});
    if (!path.isEmpty())
        m_dialogPath = path;
    return path;
}

bool ProjectCommands::SaveProject()
{
    ProjectHeader h = shared::projectHeader;
    const ConnectionFields fields = m_window.connectionFields();
    h.server = fields.server;
    h.port = fields.port;
    h.user = fields.user;
    h.password = fields.password;
    h.protocol = fields.protocol;
    h.keyFile = fields.keyFile;
    // A character the file cannot hold would come back as "?": a wrong password at the next connect.
    if (const QString field = ProjectFile::unstorableField(h); !field.isEmpty()) {
        prompts().message(QObject::tr("The %1 holds characters that a project file cannot store. Change it, "
                                      "then save again.")
                              .arg(field),
                          Prompt::Buttons::Ok, Prompt::Icon::Warning);
        return false;
    }
    if (shared::CurrentFileName.isEmpty()) {
        const QString path = chooseSavePath(m_dialogPath, projectFilter());
        if (path.isEmpty())
            return false;
        shared::CurrentFileName = path;
    }
    shared::projectHeader = h;
    const Result<void> kept = keepPasswordOutOfFile(h, fields);
    if (const Result<void> saved = ProjectFile::save(shared::CurrentFileName, h, m_window.gridRows());
        !saved) {
        reportWriteFailure(shared::CurrentFileName, saved.error);
        return false;
    }
    SettingsStore::save(SettingsStore::LastFilename, shared::CurrentFileName);
    setProjectTitle();
    m_window.SetModified(false);
    forgetServerGrid();
    // The project is saved either way; the user learns that the password was not kept anywhere.
    if (!kept)
        tellPasswordNotKept(kept.error);
    return true;
}

void ProjectCommands::SaveAs()
{
    const QString previous = shared::CurrentFileName;
    shared::CurrentFileName.clear();
    if (!SaveProject())
        shared::CurrentFileName = previous;
}

void ProjectCommands::ExportGrid()
{
    const QString folder = m_dialogPath.isEmpty() ? QString() : QFileInfo(m_dialogPath).path() + u'/';
    const QString path = chooseSavePath(folder + QStringLiteral("robots.txt"), QObject::tr("Text (*.txt)"));
    if (path.isEmpty())
        return;
    const QByteArray text = RobotsText::write(m_window.gridRows(), shared::robotsTextForm);
    if (const Result<void> saved = SaveFileAtomically(path, text); !saved) {
        reportWriteFailure(path, saved.error);
        return;
    }
    prompts().message(QObject::tr("Done!"));
}

void ProjectCommands::openStartupProject()
{
    const bool reopen = SettingsStore::flag(SettingsStore::Check1);
    const QString last = SettingsStore::read(SettingsStore::LastFilename);
    if (reopen && !last.isEmpty()) {
        shared::CurrentFileName = last;
        OpenProject();
    } else {
        SettingsStore::save(SettingsStore::LastFilename, QString());
        shared::CurrentFileName.clear();
        NewProject();
    }
}

void ProjectCommands::setProjectTitle()
{
    m_window.setProjectTitle(QObject::tr("Spiderfence - %1").arg(FileTitle(shared::CurrentFileName, true)));
}

} // namespace sf
