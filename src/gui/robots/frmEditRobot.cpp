#include "gui/robots/frmEditRobot.h"
#include "gui/common/DialogButtons.h"

#include "base/CodePage.h"
#include "base/DateSerial.h"
#include "base/SettingsStore.h"
#include "base/SharedState.h"
#include "gui/common/CategoryIcons.h"
#include "gui/common/ModalRunner.h"
#include "gui/common/Prompt.h"
#include "gui/online/frmSendUpdate.h"
#include "online/Desktop.h"
#include "robots/RobotDatabase.h"
#include "robots/RobotState.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace sf {
namespace {

using R = RobotRecord;

// The record field behind each EditField, by index.
constexpr QString R::*kFieldMembers[frmEditRobot::kFieldCount] = {
    &R::Robot_name,      &R::Robot_cover_url,   &R::Robot_details_url,  &R::Robot_owner_name,
    &R::Robot_owner_url, &R::Robot_owner_email, &R::Robot_status,       &R::Robot_purpose,
    &R::Robot_type,      &R::Robot_platform,    &R::Robot_language,     &R::Robot_exclusion_useragent,
    &R::Robot_host,      &R::Robot_useragent,   &R::Robot_availability, &R::Robot_description,
    &R::Robot_history,   &R::Robot_environment,
};

// A new robot starts with these fields holding "http://".
constexpr int kUrlFields[] = {1, 2, 4};

struct LabelText {
    const char* text;
    bool bold;
};

// Captions of EditField(0) to EditField(10), top to bottom.
constexpr LabelText kLeftLabels[] = {
    {QT_TRANSLATE_NOOP("sf::frmEditRobot", "Name"), true},
    {QT_TRANSLATE_NOOP("sf::frmEditRobot", "Cover URL PAge"), false},
    {QT_TRANSLATE_NOOP("sf::frmEditRobot", "Details URL Pages"), false},
    {QT_TRANSLATE_NOOP("sf::frmEditRobot", "Owner's name"), true},
    {QT_TRANSLATE_NOOP("sf::frmEditRobot", "Owner's URL"), true},
    {QT_TRANSLATE_NOOP("sf::frmEditRobot", "Owner's Email Address"), false},
    {QT_TRANSLATE_NOOP("sf::frmEditRobot", "Operational Status"), true},
    {QT_TRANSLATE_NOOP("sf::frmEditRobot", "Robot Purpose"), false},
    {QT_TRANSLATE_NOOP("sf::frmEditRobot", "Software Type "), false},
    {QT_TRANSLATE_NOOP("sf::frmEditRobot", "Software Platform"), false},
    {QT_TRANSLATE_NOOP("sf::frmEditRobot", "Software Language"), false},
};

const char* const kModifiedBy = "Greyfield";

} // namespace

frmEditRobot::frmEditRobot(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmEditRobot"));
    setWindowTitle(tr("Spiderfence - Edit Robot"));
    auto* columns = new QHBoxLayout;
    columns->setSpacing(18);
    columns->addWidget(createLeftColumn(), 1);
    columns->addWidget(createRightColumn(), 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addSpacing(6);
    layout->addWidget(createBottomRow());
    connectChangeTracking();
}

QLabel* frmEditRobot::addLabel(QGridLayout* grid, int row, int number, const QString& text, bool bold)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QStringLiteral("Label%1").arg(number));
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    grid->addWidget(label, row, 0);
    return label;
}

QLineEdit* frmEditRobot::addField(QGridLayout* grid, int row, int index)
{
    auto* field = new QLineEdit(this);
    field->setObjectName(QStringLiteral("EditField%1").arg(index));
    field->setMinimumWidth(230);
    grid->addWidget(field, row, 1);
    EditField[index] = field;
    return field;
}

QCheckBox* frmEditRobot::makeCheck(const char* name)
{
    auto* box = new QCheckBox(this);
    box->setObjectName(QLatin1String(name));
    return box;
}

QWidget* frmEditRobot::createLeftColumn()
{
    auto* column = new QWidget(this);
    auto* grid = new QGridLayout(column);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(5);
    for (int i = 0; i < 11; ++i) {
        QLabel* label = addLabel(grid, i, i + 1, tr(kLeftLabels[i].text), kLeftLabels[i].bold);
        label->setBuddy(addField(grid, i, i));
    }
    grid->setRowStretch(11, 1);
    grid->setColumnStretch(1, 1);
    return column;
}

QWidget* frmEditRobot::createRightColumn()
{
    auto* column = new QWidget(this);
    auto* grid = new QGridLayout(column);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(5);
    Check1 = makeCheck("Check1");
    Check2 = makeCheck("Check2");
    Check3 = makeCheck("Check3");
    Check4 = makeCheck("Check4");
    Robot_category = new QComboBox(this);
    Robot_category->setObjectName(QStringLiteral("Robot_category"));
    Robot_category->setIconSize(QSize(16, 16));

    addLabel(grid, 0, 12, tr("Exclusion Protocol"), false)->setBuddy(Check1);
    grid->addWidget(Check1, 0, 1);
    addLabel(grid, 1, 13, tr("Exclusion Robot Name"), true)->setBuddy(addField(grid, 1, 11));
    addLabel(grid, 2, 14, tr("Support NOINDEX"), false)->setBuddy(Check2);
    auto* nofollow = new QLabel(tr("NOFOLLOW"), this);
    nofollow->setObjectName(QStringLiteral("Label15"));
    nofollow->setBuddy(Check3);
    auto* indexRow = new QHBoxLayout;
    indexRow->setSpacing(8);
    indexRow->addWidget(Check2);
    indexRow->addSpacing(16);
    indexRow->addWidget(nofollow);
    indexRow->addWidget(Check3);
    indexRow->addStretch(1);
    grid->addLayout(indexRow, 2, 1);
    addLabel(grid, 3, 16, tr("Robot Category"), true)->setBuddy(Robot_category);
    grid->addWidget(Robot_category, 3, 1);
    addLabel(grid, 4, 17, tr("Robot Host"), false)->setBuddy(addField(grid, 4, 12));
    addLabel(grid, 5, 18, tr("HTTP From"), false)->setBuddy(Check4);
    grid->addWidget(Check4, 5, 1);
    addLabel(grid, 6, 19, tr("HTTP User-Agent"), true)->setBuddy(addField(grid, 6, 13));
    addLabel(grid, 7, 20, tr("Availability"), false)->setBuddy(addField(grid, 7, 14));
    addLabel(grid, 8, 21, tr("Description"), true)->setBuddy(addField(grid, 8, 15));
    addLabel(grid, 9, 22, tr("History"), false)->setBuddy(addField(grid, 9, 16));
    addLabel(grid, 10, 23, tr("Environment"), false)->setBuddy(addField(grid, 10, 17));
    grid->setRowStretch(11, 1);
    grid->setColumnStretch(1, 1);
    return column;
}

QWidget* frmEditRobot::createBottomRow()
{
    Check5 = new QCheckBox(tr("Brinmoor Editor (Mavix)"), this);
    Check5->setObjectName(QStringLiteral("Check5"));
    lblURL = new QLabel(
        QStringLiteral("<a href=\"#\">%1</a>").arg(tr("Click here to lean more about the Mavix project")),
        this);
    lblURL->setObjectName(QStringLiteral("lblURL"));
    lblURL->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    auto* submission = new QVBoxLayout;
    submission->addWidget(Check5);
    submission->addWidget(lblURL);
    const DialogButtons buttons = makeDialogButtons(this, tr("Close"), submission);
    Proceed = buttons.proceed;
    Cancel = buttons.cancel;
    connect(Proceed, &QPushButton::clicked, this, &frmEditRobot::Proceed_Click);
    connect(Cancel, &QPushButton::clicked, this, &frmEditRobot::reject);
    connect(lblURL, &QLabel::linkActivated, this, &frmEditRobot::lblURL_Click);
    return buttons.row;
}

void frmEditRobot::connectChangeTracking()
{
    for (QLineEdit* field : EditField)
        connect(field, &QLineEdit::textChanged, this, &frmEditRobot::markChanged);
    for (QCheckBox* box : {Check1, Check2, Check3, Check4})
        connect(box, &QCheckBox::clicked, this, &frmEditRobot::markChanged);
    connect(Robot_category, &QComboBox::currentIndexChanged, this, &frmEditRobot::markChanged);
}

void frmEditRobot::markChanged()
{
    Proceed->setEnabled(true);
}

void frmEditRobot::Form_Load()
{
    for (int category = 1; category <= kRobotCategoryCount; ++category)
        Robot_category->addItem(categoryIcon(category), robotCategoryName(category));
    if (shared::EditExisting) {
        Robot_category->setCurrentIndex(-1);
        LoadRobot();
    } else {
        for (int index : kUrlFields)
            EditField[index]->setText(QStringLiteral("http://"));
        Robot_category->setCurrentIndex(0);
    }
    Proceed->setEnabled(false);
    Check5->setChecked(SettingsStore::flag(SettingsStore::SendRobot));
    if (parentWidget())
        setWindowIcon(parentWidget()->window()->windowIcon());
}

bool frmEditRobot::LoadRobot()
{
    if (!RobotDatabase(RobotDatabase::defaultPath()).exists())
        return false;
    CountRobots();
    if (const Result<void> read = ReadRobot(shared::EditRecordNumber); !read) {
        prompts().message(read.error, Prompt::Buttons::Ok, Prompt::Icon::Critical);
        return true;
    }
    const RobotRecord& r = CurrentRobot;
    for (int i = 0; i < kFieldCount; ++i)
        EditField[i]->setText(trimSpaces(r.*kFieldMembers[i]));
    const RobotFlag flags[] = {r.Robot_exclusions, r.Robot_noindex, r.Robot_nofollow, r.Robot_from};
    QCheckBox* boxes[] = {Check1, Check2, Check3, Check4};
    for (int i = 0; i < 4; ++i) {
        if (isYes(flags[i]))
            boxes[i]->setChecked(true);
    }
    Robot_category->setCurrentIndex(isRobotCategory(r.Robot_category) ? r.Robot_category - 1 : -1);
    return true;
}

bool frmEditRobot::save()
{
    RobotRecord& r = CurrentRobot;
    for (int i = 0; i < kFieldCount; ++i)
        r.*kFieldMembers[i] = EditField[i]->text();
    r.Robot_exclusions = toRobotFlag(Check1->isChecked());
    r.Robot_noindex = toRobotFlag(Check2->isChecked());
    r.Robot_nofollow = toRobotFlag(Check3->isChecked());
    r.Robot_from = toRobotFlag(Check4->isChecked());
    r.Modified_date = toDateSerial(QDate::currentDate());
    r.Modified_by = QLatin1String(kModifiedBy);
    // Without a chosen category (a stored one outside 1 to 6) the record keeps the one it has.
    if (Robot_category->currentIndex() >= 0)
        r.Robot_category = static_cast<qint16>(Robot_category->currentIndex() + 1);
    r.RobotVersion = RobotListVersion.left(RobotRecord::kVersionWidth);
    const qint32 number = shared::EditExisting ? shared::EditRecordNumber : CountRobots() + 1;
    if (const Result<void> written = WriteRobot(number); !written) {
        prompts().message(written.error, Prompt::Buttons::Ok, Prompt::Icon::Critical);
        return false;
    }
    if (Check5->isChecked())
        showSubmissionWindow();
    return true;
}

void frmEditRobot::Proceed_Click()
{
    if (!save())
        return; // the window stays open with the changes, so nothing typed is lost
    Proceed->setEnabled(false);
    storeSendRobot();
    QDialog::accept();
}

void frmEditRobot::reject()
{
    if (Proceed->isEnabled()) {
        const Prompt::Answer answer =
            prompts().message(tr("Do you want to save the changes you made to the Robot ?"),
                              Prompt::Buttons::YesNoCancel, Prompt::Icon::Question);
        if (answer == Prompt::Answer::Cancel || (answer == Prompt::Answer::Yes && !save())) {
            storeSendRobot();
            return;
        }
    }
    storeSendRobot();
    QDialog::reject();
}

void frmEditRobot::storeSendRobot()
{
    SettingsStore::saveFlag(SettingsStore::SendRobot, Check5->isChecked());
}

void frmEditRobot::showSubmissionWindow()
{
    // It sends the current robot record, which still holds what was just written.
    frmSendUpdate submission(this);
    submission.Form_Load();
    runModal(submission);
}

void frmEditRobot::lblURL_Click()
{
    OpenWebPage(RegistrationPageUrl());
}

} // namespace sf
