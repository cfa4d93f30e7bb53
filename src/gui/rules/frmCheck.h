#pragma once

#include "rules/Readings.h"

#include <QByteArray>
#include <QDialog>
#include <QStringList>

#include <array>

namespace sf::online {
class LiveFetch;
struct LiveFile;
} // namespace sf::online

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace sf {

// What the checker needs of its window: the grid, the robots of the chooser, the remote list's pick
// and the grid's selection.
class CheckHost {
public:
    virtual ~CheckHost() = default;
    virtual const QStringList& gridRows() const = 0;
    // The user-agents of the chooser's entries, the chosen one first.
    virtual QStringList chooserUserAgents() const = 0;
    // The URL path of the entry picked in the remote list; empty when none is.
    virtual QString pickedEntryPath() const = 0;
    virtual void selectGridRow(int row) = 0;
};

// "Check": whether a robot (from the chooser or any product token) may crawl a URL path under the
// grid's rules; the deciding line is selected in the grid. Below, the verdict of each reading
// (RFC 9309, Google's parser, first-match readers) with its deciding line, and a sentence on where
// they differ. Not modal: picking an entry in the remote
// list while it is open puts that entry's path in.
class frmCheck : public QDialog {
    Q_OBJECT
public:
    explicit frmCheck(CheckHost& host, QWidget* parent = nullptr);

    // Refills the robots from the chooser and takes the remote list's pick.
    void refresh();
    void setPath(const QString& path);
    void check();
    // "Against the live site": checks use the robots.txt the site serves at its address, read in the
    // background when the box is ticked.
    void setLiveChecking(bool on);
    bool isReadingLiveFile() const;

signals:
    // The live file has been read (or could not be).
    void liveFileRead();

private:
    void createLiveBox();
    void takeLiveFile(const online::LiveFile& file);
    void checkLive(const QString& robot, const QString& path);
    QGroupBox* createReadings();
    void showReadings(const rules::Readings& readings, const QByteArray& token, const QByteArray& path,
                      const std::array<rules::Verdict, 3>& verdicts);

    CheckHost& m_host;
    QComboBox* m_agentBox = nullptr;
    QLineEdit* m_pathEdit = nullptr;
    QPushButton* m_checkButton = nullptr;
    QLabel* m_verdictLabel = nullptr;
    QCheckBox* m_liveBox = nullptr;
    online::LiveFetch* m_liveFetch = nullptr;
    QByteArray m_liveFile;                    // the site's robots.txt as served
    long m_liveStatus = -1;                   // its status; 0 no answer, -1 not read
    std::array<QLabel*, 3> m_readingLabels{}; // lblRfc9309, lblGoogle, lblFirstMatch, in kReadings order
    QLabel* m_differenceLabel = nullptr;
};

} // namespace sf
