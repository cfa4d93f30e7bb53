#pragma once

#include <QByteArray>
#include <QString>

namespace sf {

struct RobotRecord;

// Form encoding of a text, one byte of the single-byte code page (Windows-1252) at a time: letters
// a-z, A-Z and digits stay as they are, a space becomes "+", every other byte (also "-", "_", ".",
// "~") becomes "%" and two upper-case hexadecimal digits. A character outside the code page is sent
// as "?" ("%3F"). Texts of any length are encoded.
QString URLEncode(const QString& sWork);

// What the submission sends besides the robot: the program's release and the editor's account.
struct SubmissionAccount {
    QString programVersion; // major "." minor "." revision
    QString username;
    QString password;
};

// The form body of a robot submission: 28 key=value pairs joined by "&", in a fixed order, every
// value form-encoded. Text fields are sent as they are stored in robots.rbd (cut to the field's
// width) without surrounding spaces; flags as "True" (not 0) or "False"; the category in decimal;
// the modification date as yyyy-MM-dd; the user name and password without surrounding spaces.
QByteArray SubmissionBody(const RobotRecord& record, const SubmissionAccount& account);

// The modification date of a record as it is sent: its day, as yyyy-MM-dd.
QString SubmissionDate(double dateSerial);

// The web function that takes a submission, and the header line of its POST.
QString SubmissionUrl();
QString SubmissionHeaders();

} // namespace sf
