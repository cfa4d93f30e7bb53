#pragma once

#include <QString>

namespace sf {

// The connection fields of a project as the window shows them: server, user, password and port.
struct ConnectionFields {
    QString server;
    QString user;
    QString password;
    QString port;
};

} // namespace sf
