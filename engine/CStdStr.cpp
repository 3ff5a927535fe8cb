#include "CStdStr.h"

#include <cstdio>
#include <cstring>

bool isCSpace(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

char toCLower(char ch) {
    return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
}

char toCUpper(char ch) {
    return (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch;
}

int compareNoCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        const signed char ca = static_cast<signed char>(toCLower(*a));
        const signed char cb = static_cast<signed char>(toCLower(*b));
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
}

void CStdStr::FormatV(const char* format, va_list args) {
    va_list probe;
    va_copy(probe, args);
    const int length = std::vsnprintf(nullptr, 0, format, probe);
    va_end(probe);
    if (length < 0) {
        clear();
        return;
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(&text[0], text.size(), format, args);
    text.resize(static_cast<size_t>(length));
    assign(std::move(text));
}

void CStdStr::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

CStdStr CStdStr::Formatted(const char* format, ...) {
    CStdStr result;
    va_list args;
    va_start(args, format);
    result.FormatV(format, args);
    va_end(args);
    return result;
}

int CStdStr::Find(char ch, int start) const {
    if (start < 0 || static_cast<size_t>(start) > size())
        return -1;
    const size_t at = find(ch, static_cast<size_t>(start));
    return at == npos ? -1 : static_cast<int>(at);
}

int CStdStr::Find(const char* text, int start) const {
    if (start < 0 || static_cast<size_t>(start) > size())
        return -1;
    const size_t at = find(text, static_cast<size_t>(start));
    return at == npos ? -1 : static_cast<int>(at);
}

int CStdStr::ReverseFind(char ch) const {
    const size_t at = rfind(ch);
    return at == npos ? -1 : static_cast<int>(at);
}

CStdStr CStdStr::Left(int count) const {
    if (count <= 0)
        return CStdStr();
    return CStdStr(substr(0, static_cast<size_t>(count)));
}

CStdStr CStdStr::Right(int count) const {
    if (count <= 0)
        return CStdStr();
    if (static_cast<size_t>(count) >= size())
        return *this;
    return CStdStr(substr(size() - static_cast<size_t>(count)));
}

CStdStr CStdStr::Mid(int start) const {
    if (start < 0)
        start = 0;
    if (static_cast<size_t>(start) >= size())
        return CStdStr();
    return CStdStr(substr(static_cast<size_t>(start)));
}

CStdStr CStdStr::Mid(int start, int count) const {
    if (start < 0)
        start = 0;
    if (count <= 0 || static_cast<size_t>(start) >= size())
        return CStdStr();
    return CStdStr(substr(static_cast<size_t>(start), static_cast<size_t>(count)));
}

int CStdStr::Replace(char from, char to) {
    int count = 0;
    for (char& ch : *this) {
        if (ch == from) {
            ch = to;
            ++count;
        }
    }
    return count;
}

int CStdStr::Replace(const char* from, const char* to) {
    const size_t fromLength = std::strlen(from);
    if (fromLength == 0)
        return 0;
    const size_t toLength = std::strlen(to);
    int count = 0;
    for (size_t at = find(from); at != npos; at = find(from, at + toLength)) {
        replace(at, fromLength, to);
        ++count;
    }
    return count;
}

CStdStr& CStdStr::MakeLower() {
    for (char& ch : *this)
        ch = toCLower(ch);
    return *this;
}

CStdStr& CStdStr::MakeUpper() {
    for (char& ch : *this)
        ch = toCUpper(ch);
    return *this;
}

CStdStr& CStdStr::TrimLeft() {
    size_t first = 0;
    while (first < size() && isCSpace((*this)[first]))
        ++first;
    erase(0, first);
    return *this;
}

CStdStr& CStdStr::TrimRight() {
    size_t end = size();
    while (end > 0 && isCSpace((*this)[end - 1]))
        --end;
    erase(end);
    return *this;
}

CStdStr& CStdStr::TrimRight(char ch) {
    size_t end = size();
    while (end > 0 && (*this)[end - 1] == ch)
        --end;
    erase(end);
    return *this;
}

CStdStr& CStdStr::Trim() {
    TrimRight();
    return TrimLeft();
}

int CStdStr::CompareNoCase(const char* other) const {
    // Embedded NULs end the comparison as they would for a C string.
    return compareNoCase(c_str(), other ? other : "");
}
