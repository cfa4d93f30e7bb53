// The fence window's robots, server kind and rules, and the saving of nginx and Caddy files. The
// publish and the proof are in FenceWindowProof.cpp.
#include "gui/fence/FenceWindow.h"

#include "base/FileUtils.h"
#include "gui/common/Prompt.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace sf {

namespace {
enum RobotColumn { TokenColumn, NameColumn, ObeysColumn };
}

FenceWindow::FenceWindow(const Site& site, FtpCommands& ftp, QWidget* parent)
    : QWidget(parent, Qt::Window), m_ftp(ftp), m_database(fence::databaseRobots(site.databasePath))
{
    setObjectName(QStringLiteral("FenceWindow"));
    setWindowTitle(tr("Enforce at the web server"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(createRobotPart(), 1);
    top->addWidget(createRulesPart(), 2);
    layout->addLayout(top, 3);
    layout->addWidget(createProofPart(), 2);
    connect(m_robots, &QTreeWidget::itemChanged, this, &FenceWindow::updateRules);
    connect(m_kind, &QComboBox::currentIndexChanged, this, &FenceWindow::updateRules);
    setSite(site);
    resize(900, 640);
}

QWidget* FenceWindow::createRobotPart()
{
    auto* box = new QGroupBox(tr("Robots to refuse what robots.txt disallows them"), this);
    auto* layout = new QVBoxLayout(box);
    m_robots = new QTreeWidget(box);
    m_robots->setObjectName(QStringLiteral("robotList"));
    m_robots->setRootIsDecorated(false);
    m_robots->setHeaderLabels({tr("Robot"), tr("Name"), tr("Obeys robots.txt")});
    layout->addWidget(m_robots);
    auto* add = new QHBoxLayout;
    m_otherRobots = new QComboBox(box);
    m_otherRobots->setObjectName(QStringLiteral("otherRobots"));
    m_addRobot = new QPushButton(tr("&Add"), box);
    m_addRobot->setObjectName(QStringLiteral("addRobotButton"));
    connect(m_addRobot, &QPushButton::clicked, this, &FenceWindow::addChosenRobot);
    add->addWidget(m_otherRobots, 1);
    add->addWidget(m_addRobot);
    layout->addLayout(add);
    return box;
}

QWidget* FenceWindow::createRulesPart()
{
    auto* box = new QGroupBox(tr("Server rules"), this);
    auto* layout = new QVBoxLayout(box);
    auto* kindRow = new QHBoxLayout;
    auto* kindLabel = new QLabel(tr("&Web server:"), box);
    m_kind = new QComboBox(box);
    m_kind->setObjectName(QStringLiteral("serverKind"));
    m_kind->addItem(QStringLiteral("Apache"), int(fence::ServerKind::Apache));
    m_kind->addItem(QStringLiteral("nginx"), int(fence::ServerKind::Nginx));
    m_kind->addItem(QStringLiteral("Caddy"), int(fence::ServerKind::Caddy));
    kindLabel->setBuddy(m_kind);
    kindRow->addWidget(kindLabel);
    kindRow->addWidget(m_kind, 1);
    layout->addLayout(kindRow);
    m_rulesText = new QPlainTextEdit(box);
    m_rulesText->setObjectName(QStringLiteral("rulesText"));
    m_rulesText->setReadOnly(true);
    m_rulesText->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_rulesText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(m_rulesText, 1);
    m_rulesError = new QLabel(box);
    m_rulesError->setObjectName(QStringLiteral("rulesError"));
    m_rulesError->setWordWrap(true);
    m_rulesError->setStyleSheet(QStringLiteral("color: #b00020"));
    layout->addWidget(m_rulesError);
    auto* buttons = new QHBoxLayout;
    m_publish = new QPushButton(tr("&Publish .htaccess"), box);
    m_publish->setObjectName(QStringLiteral("publishButton"));
    m_save = new QPushButton(tr("Sa&ve…"), box);
    m_save->setObjectName(QStringLiteral("saveButton"));
    connect(m_publish, &QPushButton::clicked, this, &FenceWindow::publishHtaccess);
    connect(m_save, &QPushButton::clicked, this, &FenceWindow::saveRules);
    buttons->addStretch(1);
    buttons->addWidget(m_publish);
    buttons->addWidget(m_save);
    layout->addLayout(buttons);
    return box;
}

QWidget* FenceWindow::createProofPart()
{
    auto* box = new QGroupBox(tr("Proof on the live site"), this);
    auto* layout = new QVBoxLayout(box);
    auto* row = new QHBoxLayout;
    m_status = new QLabel(box);
    m_status->setObjectName(QStringLiteral("statusLabel"));
    m_status->setWordWrap(true);
    m_check = new QPushButton(tr("&Check the live site"), box);
    m_check->setObjectName(QStringLiteral("checkButton"));
    connect(m_check, &QPushButton::clicked, this, &FenceWindow::checkLiveSite);
    row->addWidget(m_status, 1);
    row->addWidget(m_check);
    layout->addLayout(row);
    m_proof = new QTableWidget(0, 4, box);
    m_proof->setObjectName(QStringLiteral("proofTable"));
    m_proof->setHorizontalHeaderLabels(
        {tr("Robot"), tr("URLs tried"), tr("Refused as robots.txt says"), tr("Differences")});
    m_proof->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_proof->horizontalHeader()->setStretchLastSection(true);
    m_proof->verticalHeader()->hide();
    layout->addWidget(m_proof);
    return box;
}

void FenceWindow::addRobotRow(const fence::FenceRobot& robot, bool ticked)
{
    QSignalBlocker quiet(m_robots);
    auto* item = new QTreeWidgetItem(m_robots);
    item->setText(TokenColumn, QString::fromUtf8(robot.token));
    item->setText(NameColumn, robot.name);
    item->setText(ObeysColumn, !robot.known  ? tr("not in the robot database")
                               : robot.obeys ? tr("Yes")
                                             : tr("No"));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(TokenColumn, ticked ? Qt::Checked : Qt::Unchecked);
}

void FenceWindow::offerOtherRobots()
{
    QStringList listed;
    for (int i = 0; i < m_robots->topLevelItemCount(); ++i)
        listed << m_robots->topLevelItem(i)->text(TokenColumn);
    m_otherRobots->clear();
    for (const fence::FenceRobot& robot : m_database) {
        const QString token = QString::fromUtf8(robot.token);
        if (!listed.contains(token, Qt::CaseInsensitive))
            m_otherRobots->addItem(robot.name.isEmpty() ? token : tr("%1 (%2)").arg(token, robot.name),
                                   token);
    }
    m_addRobot->setEnabled(m_otherRobots->count() > 0);
}

void FenceWindow::addChosenRobot()
{
    const fence::FenceRobot* robot = fence::findRobot(m_database, m_otherRobots->currentData().toByteArray());
    if (!robot)
        return;
    addRobotRow(*robot, true);
    offerOtherRobots();
    updateRules();
}

void FenceWindow::setSite(const Site& site)
{
    if (m_busy)
        return;
    m_site = site;
    m_txt = rules::RobotsTxt(site.robotsTxt);
    for (const fence::FenceRobot& robot : fence::gridRobots(site.robotsTxt, m_database))
        if (m_robots->findItems(QString::fromUtf8(robot.token), Qt::MatchFixedString, TokenColumn).isEmpty())
            addRobotRow(robot, robot.known && !robot.obeys);
    offerOtherRobots();
    updateRules();
}

void FenceWindow::tickRobots(const QStringList& tokens)
{
    for (const QString& token : tokens) {
        const QByteArray bytes = token.toUtf8();
        if (m_robots->findItems(token, Qt::MatchFixedString, TokenColumn).isEmpty()) {
            const fence::FenceRobot* known = fence::findRobot(m_database, bytes);
            addRobotRow(known ? *known : fence::FenceRobot{bytes, {}, {}, false, false, false}, true);
        }
    }
    QSignalBlocker quiet(m_robots);
    for (int i = 0; i < m_robots->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_robots->topLevelItem(i);
        item->setCheckState(TokenColumn, tokens.contains(item->text(TokenColumn), Qt::CaseInsensitive)
                                             ? Qt::Checked
                                             : Qt::Unchecked);
    }
    offerOtherRobots();
    updateRules();
}

QList<QByteArray> FenceWindow::tickedTokens() const
{
    QList<QByteArray> tokens;
    for (int i = 0; i < m_robots->topLevelItemCount(); ++i)
        if (m_robots->topLevelItem(i)->checkState(TokenColumn) == Qt::Checked)
            tokens << m_robots->topLevelItem(i)->text(TokenColumn).toUtf8();
    return tokens;
}

fence::ServerKind FenceWindow::serverKind() const
{
    return fence::ServerKind(m_kind->currentData().toInt());
}

void FenceWindow::updateRules()
{
    const QList<QByteArray> tokens = tickedTokens();
    m_rules.clear();
    m_rulesError->clear();
    if (tokens.isEmpty()) {
        m_rulesText->clear();
        m_rulesError->setText(tr("Tick the robots to refuse."));
    } else if (const Result<QByteArray> rules = fence::serverRules(serverKind(), m_txt, tokens)) {
        m_rules = rules.value();
        m_rulesText->setPlainText(QString::fromUtf8(m_rules));
    } else {
        m_rulesText->clear();
        m_rulesError->setText(rules.error);
    }
    const bool apache = serverKind() == fence::ServerKind::Apache;
    m_publish->setVisible(apache);
    m_save->setVisible(!apache);
    setBusy(m_busy);
}

void FenceWindow::setBusy(bool busy)
{
    m_busy = busy;
    const bool haveRules = !m_rules.isEmpty();
    m_publish->setEnabled(!busy && haveRules);
    m_save->setEnabled(!busy && haveRules);
    m_check->setEnabled(!busy && haveRules && !m_site.siteAddress.isEmpty());
    m_kind->setEnabled(!busy);
    m_robots->setEnabled(!busy);
    m_addRobot->setEnabled(!busy && m_otherRobots->count() > 0);
}

void FenceWindow::saveRules()
{
    if (m_rules.isEmpty() || m_busy)
        return;
    const bool nginx = serverKind() == fence::ServerKind::Nginx;
    const QString path = prompts().saveFileName(
        {tr("Save the server rules"), nginx ? tr("nginx configuration (*.conf)") : tr("Caddy file (*.caddy)"),
         nginx ? QStringLiteral("spiderfence.conf") : QStringLiteral("spiderfence.caddy"), true});
    if (path.isEmpty())
        return;
    if (const Result<void> saved = SaveFileAtomically(path, m_rules); !saved) {
        prompts().message(tr("The rules could not be saved in %1: %2").arg(path, saved.error),
                          Prompt::Buttons::Ok, Prompt::Icon::Critical);
        return;
    }
    prompts().message(fence::includeAdvice(serverKind(), path), Prompt::Buttons::Ok,
                      Prompt::Icon::Information);
}

void FenceWindow::closeEvent(QCloseEvent* event)
{
    // A publish or proof runs with events: the window goes once it is over.
    if (m_busy) {
        m_closeWhenDone = true;
        hide();
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void FenceWindow::showEvent(QShowEvent* event)
{
    // Shown again while a publish it was closed in ran: it stays.
    m_closeWhenDone = false;
    QWidget::showEvent(event);
}

} // namespace sf
