#include "DebugLog.h"

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "Registry.h"
#include "platform/Clock.h"
#include "platform/Files.h"

// Construction order matters: the logger may already write while it reads its mask.
DebugLog theDebugLog;
DebugLogger theDebugLogger;

std::ostream& getDebugLog() {
    return theDebugLog;
}

namespace {

CStdStr formatTime(const char* pattern, size_t bufferSize, bool refreshZone) {
    if (refreshZone)
        platform::refreshTimeZone();
    std::tm local{};
    if (!platform::toLocalTime(std::time(nullptr), local))
        return CStdStr();
    std::string buffer(bufferSize, '\0');
    const size_t length = std::strftime(&buffer[0], buffer.size(), pattern, &local);
    buffer.resize(length);
    return CStdStr(std::move(buffer));
}

// The source path reduced to what follows its last separator or drive colon.
CStdStr sourceFileName(CStdStr path) {
    path.Trim();
    const size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.Mid(static_cast<int>(cut + 1));
}

const char* const kRule = "-----------------------------------------------------------------------";

} // namespace

CStdStr formatCurrentTime(const char* pattern) {
    return formatTime(pattern, 256, true);
}

DebugBufLog::~DebugBufLog() {
    std::free(m_fileName);
}

void DebugBufLog::setFileName(const CStdStr& path) {
    std::free(m_fileName);
    m_fileName = static_cast<char*>(std::malloc(path.size() + 1));
    if (m_fileName)
        std::memcpy(m_fileName, path.c_str(), path.size() + 1);
}

DebugBufLog::int_type DebugBufLog::overflow(int_type ch) {
    if (traits_type::eq_int_type(ch, traits_type::eof()))
        return traits_type::eof();
    const char c = traits_type::to_char_type(ch);
    m_pending += c;
    if (c == '\n')
        writeOut();
    return ch;
}

int DebugBufLog::sync() {
    writeOut();
    return 0;
}

void DebugBufLog::writeOut() {
    if (m_pending.empty())
        return;
    if (m_fileName && m_fileName[0] != '\0')
        platform::appendToLogFile(m_fileName, m_pending.data(), m_pending.size());
    m_pending.clear();
}

DebugLog::DebugLog() : std::basic_ostream<char>(nullptr) {
    rdbuf(&m_buffer);
}

DebugLog::~DebugLog() {
    m_buffer.writeOut();
}

void DebugLog::setFileName(const CStdStr& path) {
    m_fileName = path;
    m_buffer.setFileName(path);
}

void DebugLog::writeHeader(const CStdStr& first, const CStdStr& version, const CStdStr& third,
                           const CStdStr& fourth) {
    *this << "*" << std::endl;
    *this << "/" << kRule << "\\" << std::endl;
    *this << "| " << formatCurrentTime("%A, %B %d, %Y %X") << std::endl;
    *this << "| " << first << std::endl;
    *this << "| Version: " << version << std::endl;
    *this << "| " << third << std::endl;
    *this << "| " << fourth << std::endl;
    *this << "\\" << kRule << "/" << std::endl;
}

DebugLogger::DebugLogger() {
    Registry registry;
    RegValue value;
    value.type = VALUE_DWORD;
    if (registry.ReadValue("HKLM", "Software\\Pellam", "Log", value) && value.type == VALUE_DWORD)
        m_mask = value.number;
    setFlags();
}

DebugLogger::DebugLogger(std::uint32_t mask) : m_mask(mask) {
    setFlags();
}

void DebugLogger::setFlags() {
    m_bit0 = (m_mask & 1u) != 0;
    m_bit1 = (m_mask & 2u) != 0;
    m_bit2 = (m_mask & 4u) != 0;
    m_bit3 = (m_mask & 8u) != 0;
    m_bit4 = (m_mask & 16u) != 0;
    m_bit7 = (m_mask & 128u) != 0;
}

void DebugLogger::setLocation(int line, const CStdStr& sourceFile, const CStdStr& function) {
    m_line = line;
    m_sourceFile = sourceFile;
    m_function = function;
}

bool DebugLogger::wanted(int kind) const {
    switch (kind) {
    case 1:
        return m_bit0;
    case 2:
        return m_bit1;
    case 4:
        return m_bit2;
    case 8:
        return m_bit3;
    case 16:
        return m_bit4;
    case 128:
        return m_bit7;
    default:
        return true;
    }
}

void DebugLogger::write(int kind, const char* format, ...) {
    if (static_cast<std::int32_t>(m_mask) < 0 || !wanted(kind))
        return;
    CStdStr message;
    va_list args;
    va_start(args, format);
    message.FormatV(format, args);
    va_end(args);
    const CStdStr stamp = formatTime("%x %X", 80, false);

    std::ostream& out = theDebugLog;
    switch (kind) {
    case 2:
        out << "<cgf>" << stamp << ": " << message;
        break;
    case LOG_PLAIN:
    case 16:
    case 128:
        out << message;
        break;
    case 4:
    case 8:
        out << m_function << "(" << m_line << "): " << message;
        break;
    default:
        out << stamp << ": " << sourceFileName(m_sourceFile) << ":" << m_function << "(" << m_line
            << "): " << message;
        break;
    }
    out << '\n';
    out.flush();
}
