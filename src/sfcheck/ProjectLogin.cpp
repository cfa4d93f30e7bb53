#include "sfcheck/ProjectLogin.h"

#include "base/CodePage.h"
#include "base/Translate.h"
#include "ftp/SecretStore.h"

#include <QFileInfo>

namespace sf::sfcheck {
namespace {

SF_FILE_TRANSLATIONS("sfcheck")

} // namespace

Result<ProjectFile::Contents> loadProject(const QString& path)
{
    // A missing file would load as an empty project.
    if (!QFileInfo(path).isFile())
        return Result<ProjectFile::Contents>::failure(tr("%1: no such project file").arg(path));
    ProjectFile::Contents project;
    if (const Result<void> read = ProjectFile::load(path, project); !read)
        return Result<ProjectFile::Contents>::failure(tr("%1: %2").arg(path, read.error));
    return project;
}

Result<ftp::ScanLogin> projectLogin(const ProjectHeader& header)
{
    ftp::ScanLogin login =
        ftp::ScanLogin::of(header.server, header.user, header.password, header.port, header.protocol,
                           header.trust, header.keyFile, header.activeMode);
    if (login.server.isEmpty())
        return Result<ftp::ScanLogin>::failure(tr("the project names no server"));
    if (!header.rememberPassword && login.password.isEmpty() && login.keyFile.isEmpty()) {
        const QString key = SecretStore::key(login.server, trimSpaces(header.port), login.user);
        const std::optional<QString> stored = SecretStore::read(key);
        if (!stored)
            return Result<ftp::ScanLogin>::failure(
                tr("the project keeps its password in the desktop's secret store, which has none for "
                   "%1 on %2")
                    .arg(login.user, login.server));
        login.password = *stored;
    }
    return login;
}

} // namespace sf::sfcheck
