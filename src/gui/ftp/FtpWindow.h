#pragma once

#include "ftp/ConnectionFields.h"

#include <QStringList>

namespace sf {

// What the FTP commands need of their window: the connection fields, the connected state, the folder
// panel, the rule grid's rows for the upload, and the modified mark for the transfer options.
class FtpWindow {
public:
    virtual ~FtpWindow() = default;

    virtual ConnectionFields connectionFields() const = 0;
    virtual bool isConnected() const = 0;
    virtual void setConnectedState(bool connected) = 0;
    // Disconnect is offered while a connect runs, to stop it.
    virtual void setDisconnectEnabled(bool enabled) { (void)enabled; }
    // Messages are shown only while the window is on the screen.
    virtual bool isShown() const = 0;
    virtual void setStatusPanel(int panel, const QString& text) = 0;
    virtual const QStringList& gridRows() const = 0;
    virtual bool SetModified(bool modified) = 0;
    // The remote list shows a (new) listing.
    virtual void remoteListShown() {}
    // The project's site folder changed (the user took the folder found at connect).
    virtual void siteFolderChanged() {}
};

} // namespace sf
