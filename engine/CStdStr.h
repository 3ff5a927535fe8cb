#pragma once
// The engine's string: 8-bit text in the ANSI code page with printf-style
// formatting and the C-locale helpers every module relies on.

#include <cstdarg>
#include <cstddef>
#include <string>

#if defined(__GNUC__) || defined(__clang__)
#define KENDRY_PRINTF(fmtIndex, argIndex) __attribute__((format(printf, fmtIndex, argIndex)))
#else
#define KENDRY_PRINTF(fmtIndex, argIndex)
#endif

class CStdStr : public std::string {
public:
    CStdStr() = default;
    CStdStr(const char* text) : std::string(text ? text : "") {}
    CStdStr(const char* text, size_t length) : std::string(text, length) {}
    CStdStr(const std::string& text) : std::string(text) {}
    CStdStr(std::string&& text) : std::string(std::move(text)) {}
    CStdStr(size_t count, char ch) : std::string(count, ch) {}

    // Replaces the content with the formatted text, sized exactly (no length limit).
    void Format(const char* format, ...) KENDRY_PRINTF(2, 3);
    void FormatV(const char* format, va_list args);
    static CStdStr Formatted(const char* format, ...) KENDRY_PRINTF(1, 2);

    int GetLength() const { return static_cast<int>(size()); }
    bool IsEmpty() const { return empty(); }

    // Position of the first match at or after start, -1 when there is none.
    int Find(char ch, int start = 0) const;
    int Find(const char* text, int start = 0) const;
    int ReverseFind(char ch) const;

    CStdStr Left(int count) const;
    CStdStr Right(int count) const;
    CStdStr Mid(int start) const;
    CStdStr Mid(int start, int count) const;

    // Returns how many occurrences were replaced.
    int Replace(char from, char to);
    int Replace(const char* from, const char* to);

    CStdStr& MakeLower();
    CStdStr& MakeUpper();
    CStdStr& Trim();
    CStdStr& TrimLeft();
    CStdStr& TrimRight();
    CStdStr& TrimRight(char ch);

    // C-locale lowering, characters compared as signed 8-bit values.
    int CompareNoCase(const char* other) const;
    bool EqualsNoCase(const char* other) const { return CompareNoCase(other) == 0; }
};

// The "C" locale's white space: space, tab, LF, VT, FF, CR.
bool isCSpace(char ch);
char toCLower(char ch);
char toCUpper(char ch);
// Case-insensitive comparison of two NUL-terminated texts as CStdStr does it.
int compareNoCase(const char* a, const char* b);
