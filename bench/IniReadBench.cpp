// Reads a generated driver-INF-like file of about 5 MB with IniFile::Read and,
// in the same run, with inih: its bare parser (a handler that only counts) and
// its INIReader, which like IniFile keeps every value for lookups.

#include <benchmark/benchmark.h>

#include <INIReader.h>
#include <ini.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "IniFile.h"
#include "platform/Files.h"

namespace {

const size_t kTargetSize = 5 * 1024 * 1024;

struct Generated {
    std::string nativePath;
    size_t bytes = 0;
    size_t entries = 0;
};

// Sections as a printer-driver INF has them: a model list, one install section
// per model (with repeated CopyFiles names), file lists and a large [Strings].
class InfWriter {
public:
    explicit InfWriter(const std::string& path) : m_out(path, std::ios::binary) {}

    void header(const std::string& name) { m_out << "\r\n[" << name << "]\r\n"; }
    void entry(const std::string& name, const std::string& value) {
        m_out << name << " = " << value << "\r\n";
        ++m_entries;
    }
    void comment(const std::string& text) { m_out << "; " << text << "\r\n"; }
    size_t entries() const { return m_entries; }
    size_t bytes() { return static_cast<size_t>(m_out.tellp()); }

private:
    std::ofstream m_out;
    size_t m_entries = 0;
};

std::string model(int number) {
    char text[16];
    std::snprintf(text, sizeof(text), "M%05d", number);
    return text;
}

void writeModel(InfWriter& inf, int number) {
    const std::string id = model(number);
    inf.header(id + ".Install");
    inf.comment("install section of model " + id);
    inf.entry("CopyFiles", "@" + id + ".GPD,COMMON_FILES");
    inf.entry("CopyFiles", "FILTER_FILES,COLOR_PROFILES");
    inf.entry("DataFile", id + ".GPD");
    inf.entry("DriverFile", "UNIDRV.DLL");
    inf.entry("ConfigFile", "UNIDRVUI.DLL");
    inf.entry("HelpFile", "UNIDRV.HLP");
    inf.entry("Include", "NTPRINT.INF");
    inf.entry("Needs", "UNIDRV.OEM,TTFSUB.OEM");
    inf.entry("DataSection", "UNIDRV_DATA");
    inf.entry("Color", number % 2 ? "TRUE" : "FALSE");
    inf.header(id + ".Install.Services");
    inf.entry("AddService", "=,0x00000002");
}

Generated generate(const std::string& folder) {
    Generated result;
    result.nativePath = folder + "/prnvendor.inf";
    InfWriter inf(result.nativePath);
    inf.header("Version");
    inf.entry("Signature", "\"$Windows NT$\"");
    inf.entry("Class", "Printer");
    inf.entry("ClassGUID", "{4D36E979-E325-11CE-BFC1-08002BE10318}");
    inf.entry("Provider", "%Vendor%");
    inf.entry("DriverVer", "03/14/2023,6.3.9600.17514");
    inf.entry("CatalogFile", "prnvendor.cat");
    const int models = 3000;
    inf.header("Manufacturer");
    inf.entry("%Vendor%", "Vendor,NTamd64,NTx86");
    for (const char* platform : {"Vendor.NTamd64", "Vendor.NTx86"}) {
        inf.header(platform);
        for (int i = 0; i < models; ++i)
            inf.entry("\"%" + model(i) + "Desc%\"", model(i) + ".Install, USBPRINT\\Vendor" +
                                                        model(i) + ", LPTENUM\\Vendor" + model(i));
    }
    for (int i = 0; i < models; ++i)
        writeModel(inf, i);
    inf.header("SourceDisksNames");
    inf.entry("1", "%DiskName%,,,\"\"");
    inf.header("SourceDisksFiles");
    for (int i = 0; i < models; ++i) {
        inf.entry(model(i) + ".GPD", "1");
        inf.entry(model(i) + "_F.DLL", "1,,");
    }
    inf.header("DestinationDirs");
    inf.entry("DefaultDestDir", "66000");
    // [Strings] fills the file up to its size with descriptions and messages.
    inf.header("Strings");
    inf.entry("Vendor", "\"Vendor Printing Systems\"");
    for (int i = 0; inf.bytes() < kTargetSize; ++i) {
        inf.entry(model(i % models) + "Desc", "\"Vendor " + model(i % models) +
                                                  " PCL6 Class Driver (rev " +
                                                  std::to_string(i / models) + ")\"");
        inf.entry("Msg" + std::to_string(i), "\"Component " + std::to_string(i) + " is ready.\"");
    }
    result.bytes = inf.bytes();
    result.entries = inf.entries();
    return result;
}

Generated theFile;

void setCounters(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * theFile.bytes));
    state.counters["entries"] = static_cast<double>(theFile.entries);
}

void BM_IniFileRead(benchmark::State& state) {
    const CStdStr path = platform::enginePath(theFile.nativePath.c_str());
    for (auto _ : state) {
        IniFile ini(false);
        if (!ini.Read(path, false))
            state.SkipWithError("IniFile::Read failed");
        benchmark::DoNotOptimize(ini.GetSectionCount());
    }
    setCounters(state);
}

int countEntry(void* user, const char*, const char*, const char*) {
    ++*static_cast<size_t*>(user);
    return 1;
}

void BM_InihParse(benchmark::State& state) {
    for (auto _ : state) {
        size_t entries = 0;
        if (ini_parse(theFile.nativePath.c_str(), countEntry, &entries) != 0)
            state.SkipWithError("ini_parse failed");
        benchmark::DoNotOptimize(entries);
    }
    setCounters(state);
}

void BM_InihReader(benchmark::State& state) {
    for (auto _ : state) {
        INIReader reader(theFile.nativePath);
        if (reader.ParseError() != 0)
            state.SkipWithError("INIReader failed");
        benchmark::DoNotOptimize(reader);
    }
    setCounters(state);
}

// Both readers must see the same file the same way, or the race means nothing.
bool sameContent() {
    IniFile ini(false);
    ini.Read(platform::enginePath(theFile.nativePath.c_str()), false);
    INIReader reader(theFile.nativePath);
    const char* probes[][2] = {{"Version", "Class"},
                               {"M00042.Install", "DataFile"},
                               {"m02999.install", "copyfiles"},
                               {"Strings", "Msg1000"},
                               {"Vendor.NTx86", "\"%M00007Desc%\""}};
    for (const auto& probe : probes) {
        CStdStr ours = ini.GetValue(probe[0], probe[1]);
        // inih keeps quotes and joins repeated names with line feeds.
        const std::string theirs = reader.Get(probe[0], probe[1], "<none>");
        CStdStr last(theirs.substr(theirs.rfind('\n') + 1));
        unquoteValue(ours);
        unquoteValue(last);
        if (ours != last) {
            std::fprintf(stderr, "%s/%s: ours '%s', inih '%s'\n", probe[0], probe[1], ours.c_str(),
                         last.c_str());
            return false;
        }
    }
    return true;
}

} // namespace

BENCHMARK(BM_IniFileRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InihParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InihReader)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    const fs::path folder =
        fs::temp_directory_path() / ("kendry-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    theFile = generate(folder.string());
    std::fprintf(stderr, "generated %s: %zu bytes, %zu entries\n", theFile.nativePath.c_str(),
                 theFile.bytes, theFile.entries);
    int status = 1;
    if (sameContent()) {
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        status = 0;
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return status;
}
