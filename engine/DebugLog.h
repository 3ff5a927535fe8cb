#pragma once
// The run's diagnostic trail: a stream that appends each completed line to the
// log file, and a logger that decorates engine messages and gates them by the
// registry's logging mask.

#include <cstdint>
#include <ostream>
#include <streambuf>

#include "CStdStr.h"

enum LogKind { LOG_ERROR = 0, LOG_INFO = 1, LOG_PLAIN = 3 };

// A stream buffer without put area: every character arrives at overflow, and
// each newline writes the pending line to the file (open, append, close).
class DebugBufLog : public std::basic_streambuf<char> {
public:
    DebugBufLog() = default;
    ~DebugBufLog() override;
    DebugBufLog(const DebugBufLog&) = delete;
    DebugBufLog& operator=(const DebugBufLog&) = delete;

    void setFileName(const CStdStr& path);
    void writeOut();

protected:
    int_type overflow(int_type ch) override;
    int sync() override;

private:
    char* m_fileName = nullptr;
    CStdStr m_pending;
};

class DebugLog : public std::basic_ostream<char> {
public:
    DebugLog();
    ~DebugLog() override;

    // Names the file; does not open, create or touch it.
    void setFileName(const CStdStr& path);
    const CStdStr& fileName() const { return m_fileName; }
    void writeHeader(const CStdStr& first, const CStdStr& version, const CStdStr& third,
                     const CStdStr& fourth);

private:
    CStdStr m_fileName;
    DebugBufLog m_buffer;
};

class DebugLogger {
public:
    DebugLogger();                            // reads the mask from the registry
    explicit DebugLogger(std::uint32_t mask); // a logger with a given mask
    virtual ~DebugLogger() = default;

    void setLocation(int line, const CStdStr& sourceFile, const CStdStr& function);
    void write(int kind, const char* format, ...) KENDRY_PRINTF(3, 4);
    std::uint32_t mask() const { return m_mask; }

private:
    void setFlags();
    bool wanted(int kind) const;

    std::uint32_t m_mask = 0;
    bool m_bit0 = false;
    bool m_bit1 = false;
    bool m_bit2 = false;
    bool m_bit3 = false;
    bool m_bit4 = false;
    bool m_bit7 = false;
    int m_line = 0;
    CStdStr m_sourceFile;
    CStdStr m_function;
};

extern DebugLog theDebugLog;
extern DebugLogger theDebugLogger;

std::ostream& getDebugLog();

// Current local time by a strftime pattern (256-byte buffer), time zone refreshed first.
CStdStr formatCurrentTime(const char* pattern);

// setLocation and write as the pair engine modules always use.
#define KENDRY_LOG(source, function, kind, ...)                                                    \
    do {                                                                                           \
        theDebugLogger.setLocation(__LINE__, source, function);                                    \
        theDebugLogger.write(kind, __VA_ARGS__);                                                   \
    } while (0)
