#include "gui/logs/frmReadLogs.h"

#include "gui/common/Prompt.h"
#include "logs/AccessLogLine.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace sf {

struct frmReadLogs::Run {
    rules::RobotsTxt txt;
    rules::Readings readings{txt};
    Result<logs::RobotIdentifier> robots = Result<logs::RobotIdentifier>::failure(QString());
    logs::AuditProgress progress;
    Result<logs::AuditReport> result = Result<logs::AuditReport>::failure(QString());
    std::atomic<bool> done{false};

    explicit Run(const QByteArray& robotsTxt) : txt(robotsTxt) {}
};

frmReadLogs::frmReadLogs(QByteArray robotsTxt, QString robotDatabase, QWidget* parent)
    : QDialog(parent), m_robotsTxt(std::move(robotsTxt)), m_robotDatabase(std::move(robotDatabase))
{
    setObjectName(QStringLiteral("frmReadLogs"));
    setWindowTitle(tr("Read the server's logs"));
    createControls();
    m_poll = new QTimer(this);
    m_poll->setInterval(100);
    connect(m_poll, &QTimer::timeout, this, &frmReadLogs::poll);
    updateButtons();
}

frmReadLogs::~frmReadLogs()
{
    if (m_run)
        m_run->progress.cancel = true;
    if (m_worker.joinable())
        m_worker.join();
}

void frmReadLogs::createControls()
{
    const auto named = [](QWidget* widget, const char* name) {
        widget->setObjectName(QLatin1String(name));
        return widget;
    };
    m_logList = static_cast<QListWidget*>(named(new QListWidget(this), "logList"));
    m_addLocal = static_cast<QPushButton*>(
        named(new QPushButton(tr("Add a file on this &computer…"), this), "addLocalButton"));
    m_addServer = static_cast<QPushButton*>(
        named(new QPushButton(tr("Add files on the &server…"), this), "addServerButton"));
    m_reader = static_cast<QComboBox*>(named(new QComboBox(this), "readerBox"));
    for (const rules::Reading reading : rules::kReadings)
        m_reader->addItem(rules::readingLabel(reading), static_cast<int>(reading));
    m_read = static_cast<QPushButton*>(named(new QPushButton(tr("&Read"), this), "readButton"));
    m_cancel = static_cast<QPushButton*>(named(new QPushButton(tr("Cancel"), this), "cancelButton"));
    m_progress = static_cast<QProgressBar*>(named(new QProgressBar(this), "progressBar"));
    m_progress->setRange(0, 1000);
    m_table = static_cast<QTreeWidget*>(named(new QTreeWidget(this), "robotTable"));
    m_table->setHeaderLabels({tr("Robot"), tr("Purpose"), tr("Requests"), tr("Ignored robots.txt"),
                              tr("robots.txt fetches"), tr("First seen"), tr("Last seen")});
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_visitors = static_cast<QLabel*>(named(new QLabel(this), "visitorsLabel"));
    m_block =
        static_cast<QPushButton*>(named(new QPushButton(tr("&Block in robots.txt"), this), "blockButton"));
    m_enforce = static_cast<QPushButton*>(
        named(new QPushButton(tr("&Enforce at the web server…"), this), "enforceButton"));
    auto* files = new QHBoxLayout;
    files->addWidget(m_addLocal);
    files->addWidget(m_addServer);
    files->addStretch();
    files->addWidget(m_reader);
    files->addWidget(m_read);
    auto* run = new QHBoxLayout;
    run->addWidget(m_progress, 1);
    run->addWidget(m_cancel);
    auto* actions = new QHBoxLayout;
    actions->addWidget(m_visitors, 1);
    actions->addWidget(m_block);
    actions->addWidget(m_enforce);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_logList);
    layout->addLayout(files);
    layout->addLayout(run);
    layout->addWidget(m_table, 1);
    layout->addLayout(actions);
    resize(900, 600);
    connect(m_addLocal, &QPushButton::clicked, this, &frmReadLogs::addLocalFile);
    connect(m_addServer, &QPushButton::clicked, this, [this] {
        if (m_serverFiles)
            addLogs(m_serverFiles());
    });
    connect(m_read, &QPushButton::clicked, this, &frmReadLogs::startReading);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        if (m_run)
            m_run->progress.cancel = true;
    });
    connect(m_table, &QTreeWidget::itemSelectionChanged, this, &frmReadLogs::updateButtons);
    connect(m_block, &QPushButton::clicked, this, [this] { emit blockRequested(chosenTokens()); });
    connect(m_enforce, &QPushButton::clicked, this, [this] { emit enforceRequested(chosenTokens()); });
}

void frmReadLogs::setServerFiles(std::function<QStringList()> fetch)
{
    m_serverFiles = std::move(fetch);
    updateButtons();
}

void frmReadLogs::addLogs(const QStringList& paths)
{
    for (const QString& path : paths)
        if (!path.isEmpty() && m_logList->findItems(path, Qt::MatchExactly).isEmpty())
            m_logList->addItem(path);
    updateButtons();
}

void frmReadLogs::addLocalFile()
{
    addLogs({prompts().openFileName(
        {tr("Add an access log"), tr("Access logs (*.log *.gz *log*);;All files (*)"), QString(), false})});
}

void frmReadLogs::startReading()
{
    if (isReading() || m_logList->count() == 0)
        return;
    QStringList logs;
    for (int i = 0; i < m_logList->count(); ++i)
        logs << m_logList->item(i)->text();
    m_run = std::make_unique<Run>(m_robotsTxt);
    const auto reading = static_cast<rules::Reading>(m_reader->currentData().toInt());
    Run* run = m_run.get();
    const QString database = m_robotDatabase;
    m_worker = std::thread([run, logs, reading, database] {
        run->robots = logs::RobotIdentifier::fromDatabase(database);
        if (run->robots)
            run->result = logs::auditLogs(logs::inTimeOrder(logs),
                                          {&run->robots.value(), &run->readings, reading}, &run->progress);
        else
            run->result = run->robots.status();
        run->done = true;
    });
    m_progress->setValue(0);
    m_poll->start();
    updateButtons();
}

void frmReadLogs::poll()
{
    const std::int64_t total = m_run->progress.total, done = m_run->progress.done;
    if (total > 0)
        m_progress->setValue(static_cast<int>(std::min<std::int64_t>(1000, done * 1000 / total)));
    if (!m_run->done)
        return;
    m_poll->stop();
    m_worker.join();
    const Result<logs::AuditReport> result = std::move(m_run->result);
    m_run.reset();
    updateButtons();
    if (!result) {
        if (result.errorNumber != logs::kAuditCancelled)
            prompts().message(result.error, Prompt::Buttons::Ok, Prompt::Icon::Warning);
        return;
    }
    m_progress->setValue(1000);
    m_report = result.value();
    showReport(*m_report);
}

void frmReadLogs::showReport(const logs::AuditReport& report)
{
    m_table->clear();
    for (const logs::RobotTally* tally : report.worstFirst()) {
        const QString name = QString::fromStdString(tally->robot);
        auto* row = new QTreeWidgetItem(
            m_table, {name, tally->purpose, QString::number(tally->requests),
                      QString::number(tally->disallowed), QString::number(tally->robotsTxtFetches),
                      QString::fromStdString(logs::formatUtcTime(tally->firstSeen)),
                      QString::fromStdString(logs::formatUtcTime(tally->lastSeen))});
        row->setData(0, Qt::UserRole, tally->known ? name : name.mid(8)); // the token a group names
        for (const std::string& url : tally->disallowedUrls) {
            auto* sample = new QTreeWidgetItem(row, {QString::fromStdString(url)});
            sample->setFlags(sample->flags() & ~Qt::ItemIsSelectable);
        }
    }
    for (int column = 0; column < m_table->columnCount(); ++column)
        m_table->resizeColumnToContents(column);
    m_visitors->setText(tr("Visitors: %1 requests. %2 lines were no request and were skipped.")
                            .arg(report.visitors)
                            .arg(report.skipped));
    updateButtons();
}

QStringList frmReadLogs::chosenTokens() const
{
    QStringList tokens;
    for (const QTreeWidgetItem* item : m_table->selectedItems())
        if (!item->parent())
            tokens << item->data(0, Qt::UserRole).toString();
    return tokens;
}

void frmReadLogs::updateButtons()
{
    const bool reading = isReading();
    m_read->setEnabled(!reading && m_logList->count() > 0);
    m_cancel->setEnabled(reading);
    m_addLocal->setEnabled(!reading);
    m_addServer->setEnabled(!reading && m_serverFiles != nullptr);
    const bool chosen = !chosenTokens().isEmpty();
    m_block->setEnabled(chosen);
    m_enforce->setEnabled(chosen);
}

} // namespace sf
