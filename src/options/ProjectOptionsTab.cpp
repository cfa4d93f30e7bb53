#include "options/ProjectOptionsTab.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace sf {
namespace {

template <typename T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

ProjectOptionsTab::ProjectOptionsTab(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ProjectOptionsTab"));
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(10);
    layout->addWidget(createProjectBox());
    layout->addWidget(createModes());
    layout->addWidget(createSettingsBox());
    layout->addStretch(1);
}

QWidget* ProjectOptionsTab::createProjectBox()
{
    auto* box = new QGroupBox(tr("Project"), this);
    Label8 = named(new QLabel(tr("Robots.txt Header"), box), "Label8");
    Text1 = named(new QLineEdit(box), "Text1");
    Label9 = named(new QLabel(tr("Default remote directory to upload robots.txt"), box), "Label9");
    Text2 = named(new QLineEdit(box), "Text2");
    Label8->setBuddy(Text1);
    Label9->setBuddy(Text2);
    auto* layout = new QVBoxLayout(box);
    layout->setSpacing(4);
    layout->addWidget(Label8);
    layout->addWidget(Text1);
    layout->addSpacing(6);
    layout->addWidget(Label9);
    layout->addWidget(Text2);
    return box;
}

QWidget* ProjectOptionsTab::createModes()
{
    auto* row = new QWidget(this);
    Frame3 = named(new QGroupBox(tr("Connection Mode"), row), "Frame3");
    optActive = named(new QRadioButton(tr("Active Connection"), Frame3), "optActive");
    optPassive = named(new QRadioButton(tr("Passive Connection"), Frame3), "optPassive");
    auto* connection = new QVBoxLayout(Frame3);
    connection->addWidget(optActive);
    connection->addWidget(optPassive);

    Frame2 = named(new QGroupBox(tr("File Transfer Mode"), row), "Frame2");
    optBin = named(new QRadioButton(tr("Binary File Transfer"), Frame2), "optBin");
    optAscii = named(new QRadioButton(tr("ASCII File Transfer"), Frame2), "optAscii");
    auto* transfer = new QVBoxLayout(Frame2);
    transfer->addWidget(optBin);
    transfer->addWidget(optAscii);

    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Frame3, 1);
    layout->addWidget(Frame2, 1);
    return row;
}

QWidget* ProjectOptionsTab::createSettingsBox()
{
    auto* box = new QGroupBox(tr("Program"), this);
    Check1 = named(new QCheckBox(tr("Open last edited project automatically"), box), "Check1");
    Check2 = named(new QCheckBox(tr("Connect to the FTP site when opening the project"), box), "Check2");
    Check3 = named(new QCheckBox(tr("Check for updates when Spiderfence start-up"), box), "Check3");
    Check4 = named(new QCheckBox(tr("Remember my FTP password"), box), "Check4");
    auto* layout = new QVBoxLayout(box);
    for (QCheckBox* check : {Check1, Check2, Check3, Check4})
        layout->addWidget(check);
    return box;
}

void ProjectOptionsTab::setProjectControlsEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{Text1, Label8, Text2, Label9, optActive, optPassive,
                                                      optBin, optAscii})
        w->setEnabled(enabled);
}

} // namespace sf
