#pragma once

#include <QString>

namespace sf {

// Deletes the file; a failure shows "Error deleting File" and the caller goes on.
void DeleteLocalFile(const QString& path);

} // namespace sf
