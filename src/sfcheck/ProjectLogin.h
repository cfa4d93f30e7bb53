#pragma once

#include "base/Result.h"
#include "ftp/SiteScan.h"
#include "project/ProjectFile.h"

#include <QString>

namespace sf::sfcheck {

// The project file at the path; a missing file is an error, not an empty project.
Result<ProjectFile::Contents> loadProject(const QString& path);

// The project's login; the password from the project, or else from the desktop's secret store.
Result<ftp::ScanLogin> projectLogin(const ProjectHeader& header);

} // namespace sf::sfcheck
