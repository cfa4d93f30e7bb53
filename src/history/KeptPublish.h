#pragma once

#include "ftp/cFTP.h"
#include "history/PublishHistory.h"

#include <QString>

// Publishing with a record: the file the server holds is read before it is replaced, and the
// publish is recorded once the server holds the new file whole.
namespace sf::history {

// The file `name` of the session's current folder, read in binary whatever the session's mode.
ServerFile readServerFile(cFTP& session, const QString& name);

// The bytes a transfer of the local bytes puts on the wire: as they are in binary; in ASCII mode every
// LF as CR LF, as libcurl sends it.
QByteArray wireBytes(const QByteArray& local, bool binary);

struct KeptPublish {
    bool published = false;
    ServerFile replaced;
    QByteArray sent;     // the bytes sent
    QString recordError; // why a publish was not recorded; empty when it was (or nothing was published)
};

// Publishes the local file as `name` in the session's current folder (cFTP::PublishFile), having
// read the file it replaces, and records both in the place's history once the server holds all of
// it. A record that cannot be written never fails the publish: recordError says why.
KeptPublish publishKept(cFTP& session, const QString& local, const QString& name, const Place& place,
                        cFTP::PublishMethod* method = nullptr);

} // namespace sf::history
