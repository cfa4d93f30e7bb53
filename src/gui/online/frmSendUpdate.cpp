#include "gui/online/frmSendUpdate.h"
#include "gui/common/DialogButtons.h"
#include "robots/RobotState.h"

#include "base/SettingsStore.h"
#include "online/Desktop.h"
#include "online/RobotSubmission.h"
#include "online/UpdateCheck.h"
#include "online/WebFunction.h"
#include "robots/RobotRecord.h"
#include "transfer/Inet.h"
#include "transfer/InetStatus.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace sf {

frmSendUpdate::frmSendUpdate(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSendUpdate"));
    setWindowTitle(tr("Spiderfence - Send Robot Modification"));
    inet = new Inet(this);
    inet->setObjectName(QStringLiteral("Inet"));
    m_status = new InetStatus(inet, this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(createBanner());
    layout->addWidget(createHeading());
    layout->addWidget(createWarning());
    layout->addWidget(createAccount());
    InetMsg = makeLabel("InetMsg", QString());
    layout->addWidget(InetMsg);
    layout->addStretch(1);
    layout->addWidget(createButtons());

    connect(m_status, &InetStatus::TextChanged, InetMsg, &QLabel::setText);
    // After the status text has followed the state.
    connect(inet, &Inet::StateChanged, this, &frmSendUpdate::Inet_StateChanged);
    connect(Command1, &QPushButton::clicked, this, &frmSendUpdate::Command1_Click);
    connect(Proceed, &QPushButton::clicked, this, &frmSendUpdate::Proceed_Click);
    connect(Cancel, &QPushButton::clicked, this, &frmSendUpdate::reject);
    resize(480, 420);
}

QLabel* frmSendUpdate::makeLabel(const char* name, const QString& text)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    return label;
}

QWidget* frmSendUpdate::createBanner()
{
    auto* banner = new QLabel(tr("Send Robot Modification"), this);
    banner->setObjectName(QStringLiteral("asxBars1"));
    banner->setMinimumHeight(36);
    banner->setContentsMargins(10, 0, 10, 0);
    banner->setStyleSheet(
        QStringLiteral("QLabel { color: white; font-weight: bold; background: "
                       "qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #1f3f7a, stop:1 #8fb0e0); }"));
    return banner;
}

QWidget* frmSendUpdate::createHeading()
{
    auto* heading = new QWidget(this);
    Label1 = makeLabel("Label1",
                       tr("As requested on the form below, you are about to send your ROBOT modification"));
    Label4 = makeLabel("Label4", tr("to the"));
    Label2 = makeLabel("Label2", tr("Brinmoor (Mavix)"));
    Label3 = makeLabel("Label3", tr("by ") + QStringLiteral("Linkharbor"));
    QFont bold = Label2->font();
    bold.setBold(true);
    Label2->setFont(bold);
    auto* row = new QHBoxLayout;
    row->addWidget(Label4);
    row->addWidget(Label2);
    row->addWidget(Label3);
    row->addStretch(1);
    for (QLabel* label : {Label4, Label2, Label3})
        label->setWordWrap(false);
    auto* layout = new QVBoxLayout(heading);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Label1);
    layout->addLayout(row);
    return heading;
}

QGroupBox* frmSendUpdate::createWarning()
{
    Frame1 = new QGroupBox(tr("Warning"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Label8 = makeLabel("Label8",
                       tr("If you want to submit modification or addition, you'll need to register first."));
    Label9 = makeLabel("Label9", tr("Registration is fast and free."));
    Command1 = new QPushButton(tr("Register!"), Frame1);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAutoDefault(false);
    auto* layout = new QGridLayout(Frame1);
    layout->addWidget(Label8, 0, 0, 1, 2);
    layout->addWidget(Label9, 1, 0);
    layout->addWidget(Command1, 1, 1);
    layout->setColumnStretch(0, 1);
    return Frame1;
}

QWidget* frmSendUpdate::createAccount()
{
    auto* account = new QWidget(this);
    Label7 = makeLabel("Label7", tr("Allready an Editor ?"));
    Label5 = makeLabel("Label5", tr("Username"));
    Label6 = makeLabel("Label6", tr("Password"));
    Text1 = new QLineEdit(account);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text2 = new QLineEdit(account);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setEchoMode(QLineEdit::Password);
    Label5->setBuddy(Text1);
    Label6->setBuddy(Text2);
    auto* grid = new QGridLayout(account);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(Label7, 0, 0, 1, 2);
    grid->addWidget(Label5, 1, 0);
    grid->addWidget(Text1, 1, 1);
    grid->addWidget(Label6, 2, 0);
    grid->addWidget(Text2, 2, 1);
    grid->setColumnStretch(1, 1);
    return account;
}

QWidget* frmSendUpdate::createButtons()
{
    const DialogButtons buttons = makeDialogButtons(this, tr("Cancel"));
    Proceed = buttons.proceed;
    Cancel = buttons.cancel;
    return buttons.row;
}

void frmSendUpdate::Form_Load()
{
    Text1->setText(SettingsStore::read(SettingsStore::Username));
    const QWidget* owner = parentWidget();
    while (owner && owner->parentWidget())
        owner = owner->parentWidget();
    setWindowIcon(owner ? owner->windowIcon() : QApplication::windowIcon());
}

QString frmSendUpdate::RunWebFunction()
{
    const QByteArray body =
        SubmissionBody(CurrentRobot, {ProgramVersionText(), Text1->text(), Text2->text()});
    inet->SetURL(SubmissionUrl());
    inet->SetBodyLimit(kWebFunctionLimit); // the service's reply is a line or a short page
    inet->Execute(inet->URL(), QStringLiteral("POST"), body, SubmissionHeaders());
    return QString();
}

void frmSendUpdate::Proceed_Click()
{
    Proceed->setEnabled(false);
    RunWebFunction();
}

void frmSendUpdate::Command1_Click()
{
    OpenWebPage(RegistrationPageUrl());
}

void frmSendUpdate::Inet_StateChanged(int state)
{
    if (state != Inet::ResponseCompleted)
        return;
    Cancel->setText(tr("Close"));
    // A refusal by the server is no completed submission.
    const long status = inet->HttpStatus();
    if (status < 200 || status > 299)
        m_status->setText(tr("Error: ") + tr("The server answered with status %1").arg(status));
}

void frmSendUpdate::done(int result)
{
    inet->Cancel();
    SettingsStore::save(SettingsStore::Username, Text1->text());
    QDialog::done(result);
}

} // namespace sf
