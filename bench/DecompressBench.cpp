// Expanding a 100 MB SZDD file and a 100 MB MSZIP cabinet through the
// platform's setup-library and LZ-library operations, through the engine's
// Uncompress::UncompressFile (expansion into the temporary folder, then the
// copy over the destination), and with Debian's msexpand and cabextract on
// the same files in the same run.
//
// Needs at run time: mscompress (which also brings msexpand), gcab and
// cabextract. The inputs are made when the run starts, in the system's
// temporary folder, and removed at its end.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "PathObject.h"
#include "Uncompress.h"
#include "platform/LzExpand.h"
#include "platform/SetupApi.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t INPUT_SIZE = 100u * 1024 * 1024;

// Text-like records with some incompressible bytes among them, so both
// formats compress it as they would a driver package.
std::string makeData() {
    static const char* const words[] = {
        "printer", "driver", "install", "section", "version", "manufacturer", "model", "port",
        "queue",   "spool",  "colour",  "duplex",  "tray",    "paper",        "setup", "service"};
    std::string data;
    data.reserve(INPUT_SIZE);
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    char line[160];
    while (data.size() < INPUT_SIZE) {
        const std::uint32_t r = next();
        const int length =
            std::snprintf(line, sizeof line, "Entry %08u: %s %s %s value=%u\r\n", r % 100000,
                          words[r >> 8 & 15], words[r >> 12 & 15], words[r >> 16 & 15], r >> 20);
        data.append(line, static_cast<size_t>(length));
        if ((r & 255) == 0) {
            for (int i = 0; i < 256; ++i)
                data.push_back(static_cast<char>(next() >> 24));
        }
    }
    data.resize(INPUT_SIZE);
    return data;
}

std::string shellQuoted(const std::string& path) {
    return "'" + path + "'";
}

bool run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

CStdStr enginePath(const std::string& native) {
    CStdStr path(native);
    path.Replace('/', '\\');
    return path;
}

struct Inputs {
    fs::path folder;
    std::string plain, szdd, cabinet, error;

    Inputs() {
        folder =
            fs::temp_directory_path() / ("kendry-decompress-bench-" + std::to_string(getpid()));
        fs::create_directories(folder / "cabextract");
        plain = (folder / "data.bin").string();
        szdd = plain + "_"; // mscompress's name for it
        cabinet = (folder / "data.cab").string();
        std::ofstream(plain, std::ios::binary) << makeData();
        if (!run("mscompress " + shellQuoted(plain)))
            error = "mscompress failed or is not installed";
        else if (!run("gcab -c -z -n " + shellQuoted(cabinet) + " " + shellQuoted(plain)))
            error = "gcab failed or is not installed";
        else if (!run("command -v msexpand >/dev/null && command -v cabextract >/dev/null"))
            error = "msexpand or cabextract is not installed";
    }
    ~Inputs() {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    std::string output(const char* name) const { return (folder / name).string(); }
};

const Inputs& inputs() {
    static Inputs made;
    return made;
}

bool sameContent(const std::string& a, const std::string& b) {
    return run("cmp -s " + shellQuoted(a) + " " + shellQuoted(b));
}

// User and system time of this process and its finished children, in seconds:
// a figure that other load on the machine disturbs less than wall time.
double cpuSeconds() {
    double total = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        ::getrusage(who, &usage);
        for (const timeval& t : {usage.ru_utime, usage.ru_stime})
            total += static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    }
    return total;
}

// Times body, then checks that its output equals the original.
template <typename Body>
void measure(benchmark::State& state, const std::string& output, Body body) {
    const Inputs& in = inputs();
    if (!in.error.empty()) {
        state.SkipWithError(in.error.c_str());
        return;
    }
    const double cpuBefore = cpuSeconds();
    for (auto _ : state) {
        if (!body()) {
            state.SkipWithError("expansion failed");
            return;
        }
    }
    state.counters["cpu_ms"] = benchmark::Counter((cpuSeconds() - cpuBefore) * 1000.0 /
                                                  static_cast<double>(state.iterations()));
    if (!sameContent(output, in.plain))
        state.SkipWithError("the expanded file differs from the original");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * INPUT_SIZE));
}

void SzddSetupApi(benchmark::State& state) {
    const std::string out = inputs().output("szdd-setupapi.out");
    measure(state, out, [&] {
        int type = -1;
        return platform::decompressOrCopyFile(enginePath(inputs().szdd), enginePath(out), type) ==
               0;
    });
}

void SzddLzCopy(benchmark::State& state) {
    const std::string out = inputs().output("szdd-lzcopy.out");
    measure(state, out, [&] {
        platform::OFSTRUCT info;
        const int in = platform::lzOpenFile(enginePath(inputs().szdd), info, platform::OF_READ);
        const int target = platform::lzOpenFile(enginePath(out), info, platform::OF_CREATE);
        const bool ok = in >= 0 && target >= 0 && platform::lzCopy(in, target) > 0;
        platform::lzClose(in);
        platform::lzClose(target);
        return ok;
    });
}

void SzddMsexpand(benchmark::State& state) {
    const std::string out = inputs().output("szdd-msexpand.out");
    measure(state, out, [&] {
        return run("msexpand < " + shellQuoted(inputs().szdd) + " > " + shellQuoted(out));
    });
}

void MszipSetupApi(benchmark::State& state) {
    const std::string out = inputs().output("mszip-setupapi.out");
    measure(state, out, [&] {
        int type = -1;
        return platform::decompressOrCopyFile(enginePath(inputs().cabinet), enginePath(out),
                                              type) == 0;
    });
}

void MszipCabextract(benchmark::State& state) {
    const std::string folder = inputs().output("cabextract");
    measure(state, folder + "/data.bin", [&] {
        return run("cabextract -q -d " + shellQuoted(folder) + " " + shellQuoted(inputs().cabinet));
    });
}

// The whole installation of one file: its own temporary folder for the
// expansion, and the destination the copy goes to.
void uncompressFile(benchmark::State& state, const std::string& source, const std::string& run) {
    const Inputs& in = inputs();
    const std::string temp = in.output((run + "-temp").c_str());
    const std::string installed = in.output((run + "-installed").c_str());
    fs::create_directories(temp);
    fs::create_directories(installed);
    ::setenv("TMPDIR", temp.c_str(), 1);
    measure(state, installed + "/data.bin", [&] {
        PathObject destination(enginePath(installed + "/placeholder"));
        CStdStr installedPath;
        return Uncompress::UncompressFile(PathObject(enginePath(source)), destination,
                                          installedPath, false) &&
               fs::is_empty(temp);
    });
}

void SzddUncompressFile(benchmark::State& state) {
    uncompressFile(state, inputs().szdd, "szdd-uncompress");
}

void MszipUncompressFile(benchmark::State& state) {
    uncompressFile(state, inputs().cabinet, "mszip-uncompress");
}

// Child processes do their work outside this process's CPU time: compare wall time.
BENCHMARK(SzddSetupApi)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SzddLzCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SzddUncompressFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SzddMsexpand)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(MszipSetupApi)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(MszipUncompressFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(MszipCabextract)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
