#pragma once

#include <QByteArray>
#include <QString>

namespace sf {

// The per-user settings store: text values under application "Spiderfence", section "Settings".
// Every key is read with the empty text as default; flags are "TRUE"/"FALSE" and only an exact
// "TRUE" means on.
class SettingsStore {
public:
    static constexpr const char* Check1 = "Check1"; // open the last project at start-up
    static constexpr const char* Check2 = "Check2"; // connect when a project opens
    static constexpr const char* Check3 = "Check3"; // check for updates at start-up
    static constexpr const char* LastFilename = "LastFilename";
    static constexpr const char* SendRobot = "SendRobot";
    static constexpr const char* Username = "Username";
    // "TRUE": an upload goes without the question that shows what it changes on the server.
    static constexpr const char* SkipUploadQuestion = "SkipUploadQuestion";
    // The web address a crawler list was last imported from (the robot list's import).
    static constexpr const char* CrawlerListUrl = "CrawlerListUrl";

    static QString read(const char* key);
    static void save(const char* key, const QString& value);
    static bool flag(const char* key) { return read(key) == QLatin1String("TRUE"); }
    static void saveFlag(const char* key, bool on)
    {
        save(key, on ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
    }

    // Certificates the user chose to trust always, one per "host:port", in the section
    // "TrustedCertificates" (PEM text); empty when none is remembered.
    static QByteArray trustedCertificate(const QString& hostPort);
    static void saveTrustedCertificate(const QString& hostPort, const QByteArray& pem);
    // The folder that holds the settings file (and the SSH known-hosts file kept beside it).
    static QString folder();
};

} // namespace sf
