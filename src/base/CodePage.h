#pragma once

#include <QByteArray>
#include <QString>

// Every file of the program stores text one byte per character in Windows-1252.
namespace sf {

// Converts to Windows-1252; a character the code page cannot hold becomes '?'.
QByteArray toAnsi(const QString& text);
QString fromAnsi(const char* data, qsizetype size);
// Whether Windows-1252 holds every character of the text.
bool fitsAnsi(const QString& text);
inline QString fromAnsi(const QByteArray& bytes)
{
    return fromAnsi(bytes.constData(), bytes.size());
}

// Fixed-width text fields: stored cut to the width or padded on the right with spaces.
void writeFixedText(char* field, int width, const QString& text);
// Reads a fixed-width field and trims spaces from both ends (only spaces, as the file format asks).
QString readFixedText(const char* field, int width);
// Trims spaces (and only spaces) from both ends.
QString trimSpaces(const QString& text);

// Little-endian 16-bit yes/no flags and integers.
void writeInt16(char* field, qint16 value);
qint16 readInt16(const char* field);
void writeDouble(char* field, double value);
double readDouble(const char* field);

} // namespace sf
