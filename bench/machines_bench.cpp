// Reading the machines of a project (GetExistingMachines) from a Program.ini
// naming 2,000, 4,000 and 8,000 machines, on the host's files. Each machine
// is one key read from the same large file; the parsed file is reused while
// it is unchanged, so the time grows with the count, not its square.
// Target: 8,000 machines well under a second.
//
//   build-bench/bin/machines_bench
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "errors/run_state.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/ui.h"
#include "settings/machines.h"

namespace {

namespace fs = std::filesystem;
using namespace calvora;

class NoUi : public Ui {
  public:
    int MsgBox(std::string_view, int, std::string_view) override { std::abort(); }
    void DoEvents() override {}
    void SetBusy(bool) override {}
};

class BenchProcess : public Process {
  public:
    std::string CommandLine() override { return ""; }
    std::string ProgramFile() override { return "C:\\Project\\Config\\Calvora_Config"; }
    Version ProgramVersion() override { return {1, 0, 1}; }
    std::string FirstEnvironmentEntry() override { return ""; }
};

void ReadMachines(benchmark::State& state) {
    const int machines = static_cast<int>(state.range(0));
    const fs::path root =
        fs::temp_directory_path() / ("machines_bench_" + std::to_string(machines));
    fs::create_directories(root / "Project" / "parameter");
    fs::create_directories(root / "Project" / "Config");
    {
        std::ofstream ini(root / "Project" / "parameter" / "Program.ini", std::ios::binary);
        ini << "[Project]\r\nNumberOfMachines=" << machines << "\r\nVWStudio=FALSE\r\n";
        for (int n = 1; n <= machines; ++n)
            ini << "[Machine" << n << "]\r\nMachineName=M" << n << "\r\nType=Extruder\r\n";
    }
    PathModel paths({{'C', root}}, root, root);
    HostFiles files(paths);
    BenchProcess process;
    NoUi ui;
    for (auto _ : state) {
        RunState run(Services{ui, process, files});
        std::string trxIni;
        GetExistingMachines(run, trxIni);
        if (run.ExistingMachines.size() != static_cast<size_t>(machines) + 1)
            state.SkipWithError("not every machine was read");
    }
    fs::remove_all(root);
}
BENCHMARK(ReadMachines)->Arg(2000)->Arg(4000)->Arg(8000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
