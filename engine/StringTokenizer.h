#pragma once
// Splits a text at a delimiter character, one token at a time.

#include <cstddef>
#include <vector>

#include "CStdStr.h"

// A token that starts with a double or single quote runs to the matching
// quote, and the quotes are removed.
constexpr int TOKEN_QUOTES = 1;
// White space is removed from the front of the text before the first token too.
constexpr int TOKEN_TRIM_LEADING = 2;

class StringTokenizer {
public:
    StringTokenizer(const CStdStr& text, char delimiter, int flags = 0);
    StringTokenizer(const char* text, char delimiter, int flags = 0);

    bool HasMore() const { return m_position < m_text.size(); }
    bool Next(CStdStr& token);
    // Empties the list, then appends every remaining token.
    void SplitAll(std::vector<CStdStr>& tokens);

private:
    void skipLeadingSpace();

    // The remaining text is m_text from m_position on: consuming a token moves
    // the position instead of copying the rest of the text.
    CStdStr m_text;
    size_t m_position = 0;
    char m_delimiter;
    int m_flags;
};
