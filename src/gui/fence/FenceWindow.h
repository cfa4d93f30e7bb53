#pragma once

#include "fence/FenceProof.h"
#include "fence/FenceRobots.h"
#include "fence/HtaccessPublish.h"
#include "fence/ServerRules.h"
#include "rules/RobotsTxt.h"

#include <QByteArray>
#include <QStringList>
#include <QWidget>

#include <vector>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QTreeWidget;

namespace sf {

class FtpCommands;

// "Enforce at the web server…": the robots to fence (the grid's, those the robot database says do not
// obey robots.txt ticked at first; any other robot of the database can be added), the server kind,
// the rules those make, shown before anything is written, and what is done with them: for Apache
// "Publish .htaccess" over the main window's connection, then the proof on the live site (undone at
// once when a browser now gets a server error); for nginx and Caddy "Save…" and how to include the
// file. "Check the live site" runs the proof on demand; its result is a table of the visitors.
class FenceWindow : public QWidget {
    Q_OBJECT
public:
    struct Site {
        QByteArray robotsTxt;           // the grid's robots.txt, as an upload would send it
        QString siteAddress;            // "https://www.example.com"; empty: no proof
        QString databasePath;           // robots.rbd
        QList<QByteArray> scannedPages; // pages of the last scan, requested by the proof too
    };
    FenceWindow(const Site& site, FtpCommands& ftp, QWidget* parent = nullptr);

    // The grid, the site address or the last scan as they are now, for a window opened again: the
    // rules are made again from them, and robots the grid now names join the list (ticked when the
    // database says they do not obey). Ignored while a publish or a proof runs.
    void setSite(const Site& site);
    // Ticks exactly these robots, adding those the list does not hold yet.
    void tickRobots(const QStringList& tokens);
    QList<QByteArray> tickedTokens() const;
    fence::ServerKind serverKind() const;
    // Whether a publish or a proof is running.
    bool isBusy() const { return m_busy; }

    void publishHtaccess();
    void saveRules();
    void checkLiveSite();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* createRobotPart();
    QWidget* createRulesPart();
    QWidget* createProofPart();
    void addRobotRow(const fence::FenceRobot& robot, bool ticked);
    void offerOtherRobots();
    void addChosenRobot();
    // The rules shown: made again from the ticks and the kind.
    void updateRules();
    void setBusy(bool busy);
    // The proof of the ticked robots: its visitors and targets.
    fence::FenceProof makeProof() const;
    QString recordInHistory(const fence::HtaccessPublished& published);
    fence::Statuses fetchAll(const fence::FenceProof& proof);
    void showProof(const std::vector<fence::ProofRow>& rows);
    void finishBusy();

    Site m_site;
    rules::RobotsTxt m_txt;
    FtpCommands& m_ftp;
    std::vector<fence::FenceRobot> m_database;
    QByteArray m_rules; // the rules shown; empty when they cannot be written
    bool m_busy = false;
    bool m_closeWhenDone = false;

    QTreeWidget* m_robots = nullptr;
    QComboBox* m_otherRobots = nullptr;
    QPushButton* m_addRobot = nullptr;
    QComboBox* m_kind = nullptr;
    QPlainTextEdit* m_rulesText = nullptr;
    QLabel* m_rulesError = nullptr;
    QPushButton* m_publish = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_check = nullptr;
    QLabel* m_status = nullptr;
    QTableWidget* m_proof = nullptr;
};

} // namespace sf
