#include "TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "DebugLog.h"

namespace fs = std::filesystem;

namespace testing_support {

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "kendry-test-XXXXXX").string();
    if (!::mkdtemp(&pattern[0]))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Tests may leave read-only files and folders behind; give write back first.
    for (auto it = fs::recursive_directory_iterator(m_path, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        if (!it->is_symlink())
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(m_path, ignored);
}

std::string TempDir::file(const std::string& relative) const {
    return relative.empty() ? m_path : m_path + "/" + relative;
}

CStdStr TempDir::enginePath(const std::string& relative) const {
    CStdStr path(file(relative));
    path.Replace('/', '\\');
    return path;
}

void writeFile(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool fileExists(const std::string& path) {
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

LogCapture::LogCapture() : m_previous(theDebugLog.fileName()) {
    theDebugLog.flush();
    theDebugLog.setFileName(m_dir.enginePath("test.log"));
}

LogCapture::~LogCapture() {
    theDebugLog.flush();
    theDebugLog.setFileName(m_previous);
}

std::string LogCapture::text() const {
    theDebugLog.flush();
    return readFile(m_dir.file("test.log"));
}

bool LogCapture::contains(const std::string& part) const {
    return text().find(part) != std::string::npos;
}

void LogCapture::clear() {
    theDebugLog.flush();
    std::error_code ignored;
    fs::remove(m_dir.file("test.log"), ignored);
}

} // namespace testing_support
