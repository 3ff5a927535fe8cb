#include "TextFile.h"

#include <cstring>
#include <string>

#include "DebugLog.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

namespace {

const char* const kSource = ".\\TextFile.cpp";
const size_t kBufferSize = 64 * 1024;

// The text taken up to its first NUL, then without one trailing CR.
void finishLine(CStdStr& line) {
    const size_t nul = line.find('\0');
    if (nul != std::string::npos)
        line.resize(nul);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
}

} // namespace

int detectEncoding(const CStdStr& path) {
    std::FILE* file = platform::openFile(path, "rb");
    if (!file)
        return 0;
    unsigned char mark[2];
    const size_t got = std::fread(mark, 1, sizeof(mark), file);
    std::fclose(file);
    return got == 2 && mark[0] == 0xFF && mark[1] == 0xFE ? ENCODING_UTF16LE : ENCODING_ANSI;
}

TextFile::~TextFile() {
    Close();
}

bool TextFile::Open(const CStdStr& path, int mode, int encoding) {
    if (path.empty())
        return false;
    Close();
    m_encoding = encoding == ENCODING_DETECT ? detectEncoding(path) : encoding;
    // A new file is written whole, so that it gets its mark.
    if (mode == MODE_APPEND && !platform::pathExists(path))
        mode = MODE_WRITE;
    if (m_encoding == 0)
        return false;
    static const char* const kModes[] = {"rb", "wb", "ab"};
    if (mode < MODE_READ || mode > MODE_APPEND) {
        KENDRY_LOG(kSource, "TextFile::Open", LOG_ERROR,
                   "%s : attempted to open with an unknown mode: ", path.c_str());
        KENDRY_LOG(kSource, "TextFile::Open", LOG_ERROR, "%i", mode);
        return false;
    }
    m_file = platform::openFile(path, kModes[mode]);
    if (!m_file) {
        KENDRY_LOG(kSource, "TextFile::Open", LOG_ERROR, "TextFile::Open: open of %s failed.",
                   path.c_str());
        return false;
    }
    m_begin = m_end = 0;
    if (mode == MODE_READ && !m_buffer)
        m_buffer.reset(new char[kBufferSize]);
    if (m_encoding == ENCODING_UTF16LE) {
        if (mode == MODE_READ) {
            // The mark is assumed, not checked.
            nextByte();
            nextByte();
        } else if (mode == MODE_WRITE) {
            std::fwrite("\xFF\xFE", 1, 2, m_file);
        }
    }
    return true;
}

int TextFile::Close() {
    if (!m_file)
        return 0;
    const int result = std::fclose(m_file);
    m_file = nullptr;
    m_begin = m_end = 0;
    return result;
}

bool TextFile::fillBuffer() {
    if (!m_file || !m_buffer)
        return false;
    m_begin = 0;
    m_end = std::fread(m_buffer.get(), 1, kBufferSize, m_file);
    return m_end > 0;
}

int TextFile::nextByte() {
    if (m_begin == m_end && !fillBuffer())
        return -1;
    return static_cast<unsigned char>(m_buffer[m_begin++]);
}

// Both readers return true when they met the end of the file.
bool TextFile::readAnsiLine(CStdStr& line) {
    for (;;) {
        if (m_begin == m_end && !fillBuffer())
            return true;
        const char* start = m_buffer.get() + m_begin;
        const size_t available = m_end - m_begin;
        const void* lineFeed = std::memchr(start, '\n', available);
        if (lineFeed) {
            const size_t length = static_cast<size_t>(static_cast<const char*>(lineFeed) - start);
            line.append(start, length);
            m_begin += length + 1;
            return false;
        }
        line.append(start, available);
        m_begin = m_end;
    }
}

bool TextFile::readUtf16Line(CStdStr& line) {
    m_units.clear();
    bool atEnd = false;
    for (;;) {
        const int low = nextByte();
        const int high = low < 0 ? -1 : nextByte();
        if (high < 0) {
            // A lone last byte is no whole unit and is dropped.
            atEnd = true;
            break;
        }
        const char16_t unit = static_cast<char16_t>(low | (high << 8));
        if (unit == u'\n')
            break;
        m_units.push_back(unit);
    }
    const size_t nul = m_units.find(u'\0');
    if (nul != std::u16string::npos)
        m_units.resize(nul);
    if (!m_units.empty())
        line = platform::wideToAnsi(m_units);
    return atEnd;
}

bool TextFile::ReadString(CStdStr& line) {
    line.clear();
    bool atEnd = true;
    if (m_encoding == ENCODING_ANSI) {
        atEnd = readAnsiLine(line);
    } else if (m_encoding == ENCODING_UTF16LE) {
        atEnd = readUtf16Line(line);
    } else {
        KENDRY_LOG(kSource, "TextFile::ReadString", LOG_ERROR, "unsupported encoding type!");
        return false;
    }
    finishLine(line);
    return !line.empty() || !atEnd;
}

bool TextFile::WriteString(const CStdStr& text) {
    if (m_encoding != ENCODING_ANSI && m_encoding != ENCODING_UTF16LE) {
        KENDRY_LOG(kSource, "TextFile::WriteString", LOG_ERROR, "unsupported encoding type!");
        return false;
    }
    if (!m_file)
        return false;
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 8);
    for (const char ch : text) {
        if (ch == '\n')
            bytes += '\r';
        bytes += ch;
    }
    if (m_encoding == ENCODING_ANSI)
        return std::fwrite(bytes.data(), 1, bytes.size(), m_file) > 0;
    const std::u16string units = platform::ansiToWide(bytes);
    std::string little;
    little.reserve(units.size() * 2);
    for (const char16_t unit : units) {
        little += static_cast<char>(unit & 0xFF);
        little += static_cast<char>(unit >> 8);
    }
    return std::fwrite(little.data(), 2, units.size(), m_file) > 0;
}
