#include "support/BenchWindow.h"

#include "gui/ftp/FtpCommands.h"
#include "gui/main/frmMain.h"

#include <QFile>

#include <benchmark/benchmark.h>

namespace sf::bench {

BenchApplication::BenchApplication(int& argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    m_app = std::make_unique<QApplication>(argc, argv);
    benchmark::Initialize(&argc, argv);
}

BenchApplication::~BenchApplication() = default;

int BenchApplication::run()
{
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

void openMainWindow(frmMain& window, bool shown)
{
    window.Form_Load();
    if (shown)
        window.show();
}

bool connectMainWindow(frmMain& window, const QString& host, const QString& user, const QString& password,
                       int port)
{
    window.setConnectionFields({host, user, password, QString::number(port), ftp::Protocol::Ftp, QString()});
    window.ftpCommands().optPassive_Click();
    return window.ConnectFtp();
}

} // namespace sf::bench
