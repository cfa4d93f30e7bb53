#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Remote names as the server spells them. A server may list names in any encoding: UTF-8, or a
// single-byte code page on older hosts. The session keeps the server's exact bytes so that a
// folder can be entered and a file fetched by the name it was listed under; only what the user
// sees (and the rules written from it) is decoded.
namespace sf::ftp {

// The server's bytes held in a QString without loss: each valid UTF-8 sequence becomes its
// character, each other byte b becomes the lone surrogate U+DC00 + b (which UTF-8 never gives).
QString nameFromServer(QByteArrayView bytes);
// The inverse: the bytes to send to the server.
QByteArray nameToServer(const QString& name);

// What a name means to a reader: UTF-8 when its bytes are valid UTF-8, Windows-1252 otherwise.
QString displayName(QByteArrayView bytes);
// The same decoding of a name held as nameFromServer gives it.
QString displayNameOf(const QString& serverName);
// The same decoding for each folder of a path held as nameFromServer gives it.
QString displayPath(const QString& serverPath);

} // namespace sf::ftp
