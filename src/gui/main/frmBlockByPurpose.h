#pragma once

#include "project/RuleGridGroups.h"

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace sf {

class RobotPurposes;

// "Block robots by purpose": the purposes of the robot database with their robots, each with a tick
// box (ticking a purpose ticks its robots) and its number of robots, the tokens the ticks will write,
// and the usage preferences of the Content-Signal line.
// The dialog only collects the choice; the caller writes it into the grid.
class frmBlockByPurpose : public QDialog {
    Q_OBJECT
public:
    frmBlockByPurpose(const RobotPurposes& purposes, QWidget* parent = nullptr);

    // The ticked robots' user-agents, in list order, and the names of those of the "Search" category.
    QStringList tickedAgents() const;
    QStringList tickedSearchRobots() const;
    RuleGrid::ContentSignal contentSignal() const;
    bool withSignalComment() const;

    // Ticks (or unticks) every robot of a purpose, as a click on the purpose's box does.
    bool setPurposeTicked(const QString& purpose, bool ticked);

    // Lists, below the robots, the ticked ones that have a group in these grid rows already, with
    // the choice to replace their rules by "Disallow: /" (ticked at first) or leave them as they are.
    void listExistingGroups(const QStringList& gridRows);
    bool replaceExistingGroups() const;

private:
    QWidget* createSignalBox();
    QWidget* createTokenBox();
    void showTokens();
    template <typename Visit> void forEachTicked(Visit visit) const;
    void showExistingGroups();

    QTreeWidget* m_list = nullptr;
    QComboBox* m_signal[3] = {};
    QCheckBox* m_comment = nullptr;
    QStringList m_gridRows;
    QLabel* m_existing = nullptr;
    QCheckBox* m_replace = nullptr;
    QLabel* m_tokenCount = nullptr;
    QPlainTextEdit* m_tokens = nullptr;
};

} // namespace sf
