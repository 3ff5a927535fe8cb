// Copies a 1 GiB file and a tree of 2,000 files of 1 KB to 1 MB with
// FileOp::Copy and, in the same run, with GNU cp keeping times and modes.
// Both copy within one file system, onto a fresh destination each time, with
// the sources in the page cache and the previous copy's writes flushed.
// KENDRY_BENCH_DIR names the folder to work in (default: the temporary
// folder); about 1.4 GiB of source and as much again of copies are needed.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "FileOp.h"
#include "platform/Files.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

const size_t kBigFileSize = size_t(1) << 30;
const int kTreeFiles = 2000;
const int kTreeFolders = 20;

struct TreeFile {
    std::string relative;
    size_t size;
};

fs::path workFolder() {
    const char* chosen = std::getenv("KENDRY_BENCH_DIR");
    return fs::path(chosen && *chosen ? chosen : fs::temp_directory_path().string()) /
           "kendry-copy-bench";
}

void writeFileOfSize(const fs::path& path, size_t size, std::mt19937_64& random) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<std::uint64_t> block(size_t(1) << 17);
    for (size_t written = 0; written < size;) {
        for (auto& word : block)
            word = random();
        const size_t chunk = std::min(size - written, block.size() * sizeof(block[0]));
        out.write(reinterpret_cast<const char*>(block.data()), std::streamsize(chunk));
        written += chunk;
    }
}

// Reads the file once so that every copy starts from the page cache.
void warm(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buffer(size_t(1) << 20);
    while (in.read(buffer.data(), std::streamsize(buffer.size())) || in.gcount() > 0) {
    }
}

class Sources {
public:
    static Sources& get() {
        static Sources sources;
        return sources;
    }
    ~Sources() {
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }

    fs::path bigFile() const { return m_root / "big.bin"; }
    fs::path tree() const { return m_root / "tree"; }
    fs::path destination() const { return m_root / "out"; }
    const std::vector<TreeFile>& treeFiles() const { return m_files; }
    size_t treeBytes() const { return m_treeBytes; }

    void warmAll() const {
        warm(bigFile());
        for (const TreeFile& file : m_files)
            warm(tree() / file.relative);
    }

private:
    Sources() : m_root(workFolder()) {
        fs::remove_all(m_root);
        fs::create_directories(tree());
        std::mt19937_64 random(20240611);
        writeFileOfSize(bigFile(), kBigFileSize, random);
        // Sizes spread evenly on a log scale between 1 KB and 1 MB.
        std::uniform_real_distribution<double> exponent(10.0, 20.0);
        for (int index = 0; index < kTreeFiles; ++index) {
            const std::string folder = "folder" + std::to_string(index % kTreeFolders);
            fs::create_directories(tree() / folder);
            const size_t size = size_t(std::exp2(exponent(random)));
            m_files.push_back({folder + "/file" + std::to_string(index) + ".dat", size});
            writeFileOfSize(tree() / m_files.back().relative, size, random);
            m_treeBytes += size;
        }
    }

    fs::path m_root;
    std::vector<TreeFile> m_files;
    size_t m_treeBytes = 0;
};

void freshDestination(benchmark::State& state) {
    state.PauseTiming();
    const Sources& sources = Sources::get();
    fs::remove_all(sources.destination());
    fs::create_directories(sources.destination());
    sources.warmAll();
    ::sync();
    state.ResumeTiming();
}

PathObject enginePathOf(const fs::path& path) {
    return PathObject(platform::enginePath(path.c_str()));
}

void runCp(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    int status = 0;
    if (::posix_spawnp(&pid, "cp", nullptr, nullptr, argv.data(), environ) != 0 ||
        ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "cp failed\n");
        std::exit(1);
    }
}

// Peak resident memory of this process so far: it must not grow with the
// size of what is copied.
void reportMemory(benchmark::State& state) {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    state.counters["maxrss_KiB"] = double(usage.ru_maxrss);
}

void BM_BigFile_FileOpCopy(benchmark::State& state) {
    const Sources& sources = Sources::get();
    for (auto _ : state) {
        freshDestination(state);
        if (!FileOp::Copy(enginePathOf(sources.bigFile()),
                          enginePathOf(sources.destination() / "big.bin"), 0))
            state.SkipWithError("copy failed");
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kBigFileSize));
    reportMemory(state);
}

void BM_BigFile_cp(benchmark::State& state) {
    const Sources& sources = Sources::get();
    for (auto _ : state) {
        freshDestination(state);
        runCp({"cp", "--preserve=timestamps,mode", sources.bigFile().string(),
               (sources.destination() / "big.bin").string()});
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kBigFileSize));
}

// As the payload copy goes: each folder made once, then file by file.
void BM_Tree_FileOpCopy(benchmark::State& state) {
    const Sources& sources = Sources::get();
    for (auto _ : state) {
        freshDestination(state);
        const fs::path target = sources.destination() / "tree";
        for (int folder = 0; folder < kTreeFolders; ++folder) {
            PathObject made;
            made.setDirectory(
                platform::enginePath((target / ("folder" + std::to_string(folder))).c_str()));
            FileOp::MakePath(made);
        }
        for (const TreeFile& file : sources.treeFiles()) {
            if (!FileOp::Copy(enginePathOf(sources.tree() / file.relative),
                              enginePathOf(target / file.relative), 0))
                state.SkipWithError("copy failed");
        }
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(sources.treeBytes()));
    reportMemory(state);
}

void BM_Tree_cp(benchmark::State& state) {
    const Sources& sources = Sources::get();
    for (auto _ : state) {
        freshDestination(state);
        runCp({"cp", "-r", "--preserve=timestamps,mode", sources.tree().string(),
               (sources.destination() / "tree").string()});
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(sources.treeBytes()));
}

BENCHMARK(BM_BigFile_FileOpCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_BigFile_cp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Tree_FileOpCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Tree_cp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

BENCHMARK_MAIN();
