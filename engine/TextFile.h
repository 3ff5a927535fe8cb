#pragma once
// Line-oriented text files in the ANSI code page or in UTF-16LE (marked by the
// bytes FF FE). Callers see 8-bit ANSI text either way.

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

#include "CStdStr.h"

// Open modes.
constexpr int MODE_READ = 0;   // "rb"
constexpr int MODE_WRITE = 1;  // "wb", truncates
constexpr int MODE_APPEND = 2; // "ab"

// Encodings; ENCODING_DETECT only as an argument of TextFile::Open.
constexpr int ENCODING_DETECT = 0;
constexpr int ENCODING_ANSI = 1;
constexpr int ENCODING_UTF16LE = 2;

class TextFile {
public:
    TextFile() = default;
    ~TextFile();
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    bool Open(const CStdStr& path, int mode, int encoding);
    // The next line without its LF and one trailing CR; false at the end of
    // the file when nothing was read.
    bool ReadString(CStdStr& line);
    // Writes the text with each LF turned into CR LF; nothing is appended.
    bool WriteString(const CStdStr& text);
    // The result of fclose, 0 when nothing was open.
    int Close();

    int GetEncoding() const { return m_encoding; }

private:
    bool fillBuffer();
    int nextByte();
    bool readAnsiLine(CStdStr& line);
    bool readUtf16Line(CStdStr& line);

    int m_encoding = 0;
    std::FILE* m_file = nullptr;
    // Reading goes through a block buffer: a byte-wise read costs a call per byte.
    std::unique_ptr<char[]> m_buffer;
    size_t m_begin = 0;
    size_t m_end = 0;
    std::u16string m_units;
};

// ENCODING_UTF16LE when the file starts with FF FE, ENCODING_ANSI otherwise,
// 0 when it cannot be opened.
int detectEncoding(const CStdStr& path);
