#pragma once

#include "base/Result.h"

#include <QString>

#include <optional>

namespace sf {

// The desktop's secret store, which keeps an FTP password out of the project file. Each call waits
// for the store's answer.
namespace SecretStore {

// One entry per server, port and user.
QString key(const QString& server, const QString& port, const QString& user);
// Fails, with the store's reason, when no secret store answered or it refused the password.
Result<void> write(const QString& key, const QString& password);
// Nothing when no secret store answered or it holds no password under the key.
std::optional<QString> read(const QString& key);

} // namespace SecretStore

} // namespace sf
