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
    return engineForm(file(relative));
}

CStdStr engineForm(const std::string& nativePath) {
    CStdStr path(nativePath);
    path.Replace('/', '\\');
    return path;
}

std::set<std::string> entriesOf(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
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

ScopedEnvironment::ScopedEnvironment(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) {
        m_old = old;
        m_had = true;
    }
    if (value)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
}

ScopedEnvironment::~ScopedEnvironment() {
    if (m_had)
        ::setenv(m_name.c_str(), m_old.c_str(), 1);
    else
        ::unsetenv(m_name.c_str());
}

TempRegistry::TempRegistry()
    : m_path(m_dir.file("registry.reg")), m_variable("KENDRY_REGISTRY", m_path.c_str()) {}

void TempRegistry::writeAnsi(const std::string& text) const {
    writeFile(m_path, text);
}

void TempRegistry::writeUtf16(const std::string& latin1Text) const {
    std::string crlf;
    for (char ch : latin1Text) {
        if (ch == '\n')
            crlf += '\r';
        crlf += ch;
    }
    writeFile(m_path, "\xFF\xFE" + utf16(crlf));
}

std::string utf16(const std::string& latin1Text) {
    std::string bytes;
    for (char ch : latin1Text) {
        bytes += ch;
        bytes += '\0';
    }
    return bytes;
}

} // namespace testing_support
