// Opening the options window from the main window's "Options..." on a robot database of 32,767
// records (about 215 MB, written into a temporary folder through the program's own record code).
//
// One opening is what the user waits for: the window is made, its opening fills every tab (the
// robot list reads the whole file), it is shown and its pending events run (layout and the first
// paint of the list), then it is closed and destroyed. The modal loop itself is replaced by a
// runner that closes the window at once. Reported: the median of the repetitions, the file in the
// page cache. "NoDatabase" is the same opening without robots.rbd, for comparison.
#include "base/FileUtils.h"
#include "gui/common/ModalRunner.h"
#include "gui/main/frmMain.h"
#include "robots/RobotDatabase.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

using namespace sf;

QString g_databaseDir;
QString g_emptyDir;

RobotRecord benchRobot(qint32 n)
{
    RobotRecord r;
    r.Robot_name = QStringLiteral("Example Crawler %1").arg(n);
    r.Robot_exclusion_useragent = QStringLiteral("examplecrawler%1").arg(n);
    r.Robot_cover_url = QStringLiteral("http://crawler.example/bot/%1").arg(n);
    r.Robot_description = QString(200, u'd');
    r.Robot_category = static_cast<qint16>(n % 6 + 1);
    r.Modified_date = 46363.0 + (n % 3) * 0.25;
    r.Modified_by = QStringLiteral("Greyfield");
    r.RobotVersion = QStringLiteral("2026.12.1");
    return r;
}

bool writeDatabase(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (qint32 n = 1; n <= kMaxRobotRecords; ++n) {
        if (!RobotDatabase::writeRecord(file, n, benchRobot(n)))
            return false;
    }
    return file.flush();
}

void openOptions(benchmark::State& state, const QString& programDir)
{
    SetProgramDirectory(programDir);
    auto window = std::make_unique<frmMain>();
    window->Form_Load();
    window->show();
    QCoreApplication::processEvents();
    int listed = -1;
    setModalRunner([&listed](QDialog& dialog) {
        dialog.show();
        QCoreApplication::processEvents();
        listed = dialog.findChild<QTreeView*>(QStringLiteral("ListView1"))->model()->rowCount();
        dialog.reject();
        return dialog.result();
    });
    QAction* options = window->findChild<QAction*>(QStringLiteral("mnuOptions"));
    for (auto _ : state)
        options->trigger();
    setModalRunner({});
    state.counters["listed"] = listed;
    window->SetModified(false);
    window.reset();
}

void BM_OpenOptions(benchmark::State& state)
{
    openOptions(state, g_databaseDir);
}
void BM_OpenOptions_NoDatabase(benchmark::State& state)
{
    openOptions(state, g_emptyDir);
}

BENCHMARK(BM_OpenOptions)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_OpenOptions_NoDatabase)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    QApplication app(argc, argv);
    QTemporaryDir databaseDir;
    QTemporaryDir emptyDir;
    g_databaseDir = databaseDir.path();
    g_emptyDir = emptyDir.path();
    if (!writeDatabase(databaseDir.filePath(QStringLiteral("robots.rbd")))) {
        std::fprintf(stderr, "cannot write the robot database\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SetProgramDirectory(QString());
    return 0;
}
