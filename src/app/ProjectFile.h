#pragma once

#include <QString>
#include <QStringList>

class QIODevice;

namespace sf {

// The header record of a project file.
struct ProjectHeader {
    static constexpr int kHeaderTextWidth = 150;
    static constexpr int kUploadDirectoryWidth = 150;
    static constexpr int kServerWidth = 150;
    static constexpr int kPortWidth = 15;
    static constexpr int kUserWidth = 75;
    static constexpr int kPasswordWidth = 75;

    QString headerText;
    // No command changes it: it carries what the last opened project held, NUL characters before that.
    QString uploadDirectory = QString(kUploadDirectoryWidth, QChar(0));
    QString server;
    QString port;
    QString user;
    QString password;
    qint16 binaryTransfer = 0; // -1 = binary, anything else ASCII
    qint16 activeMode = 0;     // -1 = active, anything else passive
};

// Project files (".sfp"): 1234-byte slots; slot 1 the header, slot k >= 2 grid row k - 1. Row 0 (the
// rule line) is not stored. Text is Windows-1252, space-padded; integers little-endian.
namespace ProjectFile {

inline constexpr int kSlotSize = 1234;
inline constexpr int kLineWidth = 617;

struct Contents {
    ProjectHeader header;
    QStringList rows; // grid rows, row 0 the rule line
};

// Reads a project. A short or empty device yields an empty project with the rule line only; a
// partial last slot reads its missing bytes as spaces.
bool read(QIODevice& device, Contents& contents, QString* error = nullptr);
bool write(QIODevice& device, const ProjectHeader& header, const QStringList& rows, QString* error = nullptr);

// Whole-file versions: the save replaces the file only once everything is written.
bool load(const QString& path, Contents& contents, QString* error = nullptr);
bool save(const QString& path, const ProjectHeader& header, const QStringList& rows,
          QString* error = nullptr);

} // namespace ProjectFile
} // namespace sf
