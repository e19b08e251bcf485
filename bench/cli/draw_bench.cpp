// `plotwright draw` of a curve of a million samples into a new drawing, against ezdxf
// writing a polyline of the same million vertices, both as whole processes (start-up,
// sampling or point generation, the file written), with each process's peak memory.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

constexpr long kSamples = 1'000'000;

struct ChildRun {
    double seconds = 0;
    long maxRssKiB = 0;
    bool ok = false;
};

ChildRun runChild(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", 01, 0);  // O_WRONLY

    ChildRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        run.maxRssKiB = usage.ru_maxrss;
        run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

std::string scratchFile(const char* name)
{
    return (std::filesystem::temp_directory_path() / (std::string("pw-bench-") + std::to_string(getpid()) + name))
        .string();
}

struct Summary {
    double bestSeconds = 1e300;
    long maxRssKiB = 0;
};
Summary plotwrightSummary, ezdxfSummary;

void measure(benchmark::State& state, const std::vector<std::string>& command, const std::string& out,
             Summary& summary)
{
    for (auto _ : state) {
        std::filesystem::remove(out);
        ChildRun run = runChild(command);
        if (!run.ok) {
            state.SkipWithError("the process failed");
            break;
        }
        state.SetIterationTime(run.seconds);
        summary.bestSeconds = std::min(summary.bestSeconds, run.seconds);
        summary.maxRssKiB = std::max(summary.maxRssKiB, run.maxRssKiB);
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
    state.counters["peak_bytes_per_sample"] = static_cast<double>(summary.maxRssKiB) * 1024.0 / kSamples;
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(out));
    std::filesystem::remove(out);
}

void BM_PlotwrightDraw(benchmark::State& state)
{
    const std::string out = scratchFile("-plotwright.dxf");
    measure(state,
            {PLOTWRIGHT_TOOL, "draw", "--explicit", "sin(x/1000)*100", "--range",
             "0:" + std::to_string(kSamples - 1) + ":1", "--out", out},
            out, plotwrightSummary);
}

void BM_EzdxfLwpolyline(benchmark::State& state)
{
    const std::string out = scratchFile("-ezdxf.dxf");
    measure(state, {"/usr/bin/python3", EZDXF_SCRIPT, std::to_string(kSamples), out}, out, ezdxfSummary);
}

BENCHMARK(BM_PlotwrightDraw)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_EzdxfLwpolyline)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (plotwrightSummary.bestSeconds < 1e300 && ezdxfSummary.bestSeconds < 1e300) {
        std::printf("\nbest of each: plotwright %.3f s, ezdxf %.3f s: plotwright draws %.1f times ezdxf's rate "
                    "(target >= 25)\n",
                    plotwrightSummary.bestSeconds, ezdxfSummary.bestSeconds,
                    ezdxfSummary.bestSeconds / plotwrightSummary.bestSeconds);
        std::printf("peak memory per sample: plotwright %.1f bytes (target <= 50), ezdxf %.1f bytes\n",
                    plotwrightSummary.maxRssKiB * 1024.0 / kSamples, ezdxfSummary.maxRssKiB * 1024.0 / kSamples);
    }
}
