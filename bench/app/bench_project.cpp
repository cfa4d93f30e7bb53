// Open and save of a project of 10,000 grid rows, through the main window's own commands.
#include "base/FileUtils.h"
#include "base/SharedState.h"
#include "gui/main/ProjectCommands.h"
#include "gui/main/frmMain.h"
#include "project/RuleGrid.h"
#include "support/BenchWindow.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QStringList bigGrid(int rows)
{
    QStringList grid = sf::RuleGrid::newProjectTemplate();
    for (int i = 0; grid.size() < rows; ++i)
        grid.insert(5, QStringLiteral("Disallow: /some/folder/of/the/site/file-%1.html").arg(i));
    return grid;
}

struct Fixture {
    QTemporaryDir dir;
    sf::frmMain window;
    QString path = dir.filePath(QStringLiteral("big.sfp"));

    Fixture()
    {
        sf::SetProgramDirectory(dir.path());
        sf::bench::openMainWindow(window, false);
        window.setGridRows(bigGrid(10000));
        sf::shared::CurrentFileName = path;
        window.projectCommands().SaveProject();
    }
};

void BM_SaveProject10000Rows(benchmark::State& state)
{
    Fixture f;
    for (auto _ : state) {
        f.window.SetModified(true);
        benchmark::DoNotOptimize(f.window.projectCommands().SaveProject());
    }
}
BENCHMARK(BM_SaveProject10000Rows)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

void BM_OpenProject10000Rows(benchmark::State& state)
{
    Fixture f;
    for (auto _ : state) {
        sf::shared::CurrentFileName = f.path;
        f.window.projectCommands().OpenProject();
        if (f.window.gridRows().size() != 10000)
            state.SkipWithError("the project did not open whole");
    }
}
BENCHMARK(BM_OpenProject10000Rows)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    sf::bench::BenchApplication app(argc, argv);
    return app.run();
}
