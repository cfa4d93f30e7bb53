#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

namespace sf {

// The one seam through which the program hands something to the desktop: a web page or a local file
// to open with the desktop's handler, or a program to start. The program installs the system's
// implementation; until then (and in tests, which record the calls) nothing is opened or started.
class Desktop {
public:
    virtual ~Desktop() = default;
    // Opens the address with the desktop's handler for it (a browser for a web page); does not wait.
    virtual bool openUrl(const QUrl& url) = 0;
    // Starts a program as a process of its own, in the program folder; does not wait.
    virtual bool startProgram(const QString& program, const QStringList& arguments) = 0;

    static Desktop& instance();
    // Installs the implementation in use; the caller keeps ownership. nullptr restores the silent one.
    static void setInstance(Desktop* desktop);
};

inline Desktop& desktop()
{
    return Desktop::instance();
}

// The maker's pages: the program's page on its web site, the URL-submission site's home page, and
// the registration page of the online robot database on the URL-submission site.
QString ProductPageUrl();
QString SubmissionSitePageUrl();
QString RegistrationPageUrl();

// Opens a web page; no failure is reported (a missing browser gives no message).
void OpenWebPage(const QString& address);
// Opens the help file "spiderfence.chm" of the program folder: with the help viewer HH.exe of the
// Windows directory on Windows, with the desktop's handler for its type elsewhere. Reports nothing.
void OpenHelpFile();

} // namespace sf
