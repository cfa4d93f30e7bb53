#pragma once

#include "history/PublishHistory.h"
#include "history/Versions.h"

#include <QDialog>
#include <QList>

#include <functional>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace sf {

// "Published versions": the versions of robots.txt the history keeps for the site, each with the
// time and what its publish changed; the text of the one selected, its difference from another
// (the lines, and per robot and reading what may be crawled), and "Restore this version", which
// hands its bytes to the caller to publish as an upload does.
class PublishHistoryWindow : public QDialog {
    Q_OBJECT
public:
    using Restore = std::function<void(const QByteArray&)>;
    PublishHistoryWindow(const history::History& history, const QString& placeLabel, Restore restore,
                         QWidget* parent = nullptr);

    // Reads the history again (after a publish), keeping the selection on the newest version.
    void reload();

private:
    void showSelected();
    void showDifference();
    void restoreSelected();
    int selectedIndex() const;

    history::History m_history;
    Restore m_restore;
    QList<history::Version> m_versions;
    QLabel* placeLabel = nullptr;
    QTreeWidget* versionList = nullptr;
    QPlainTextEdit* versionText = nullptr;
    QComboBox* compareBox = nullptr;
    QPlainTextEdit* differenceText = nullptr;
    QPushButton* restoreButton = nullptr;
};

} // namespace sf
