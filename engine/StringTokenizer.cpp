#include "StringTokenizer.h"

#include <string>

StringTokenizer::StringTokenizer(const CStdStr& text, char delimiter, int flags)
    : m_text(text), m_delimiter(delimiter), m_flags(flags) {}

StringTokenizer::StringTokenizer(const char* text, char delimiter, int flags)
    : m_text(text), m_delimiter(delimiter), m_flags(flags) {}

void StringTokenizer::skipLeadingSpace() {
    while (m_position < m_text.size() && isCSpace(m_text[m_position]))
        ++m_position;
}

bool StringTokenizer::Next(CStdStr& token) {
    token.clear();
    if (m_flags & TOKEN_TRIM_LEADING)
        skipLeadingSpace();
    if (!HasMore())
        return false;
    const char first = m_text[m_position];
    const char quote = first == '"' || first == '\'' ? first : '\0';
    size_t start = m_position;
    if ((m_flags & TOKEN_QUOTES) && quote) {
        const size_t closing = m_text.find(quote, m_position + 1);
        if (closing != std::string::npos)
            start = closing;
    }
    const size_t delimiter = m_text.find(m_delimiter, start);
    if (delimiter == std::string::npos) {
        token.assign(m_text, m_position, std::string::npos);
        m_position = m_text.size();
    } else {
        token.assign(m_text, m_position, delimiter - m_position);
        token.TrimRight();
        m_position = delimiter + 1;
    }
    if ((m_flags & TOKEN_QUOTES) && quote && token.size() > 1 && token.front() == quote &&
        token.back() == quote) {
        token.pop_back();
        token.erase(0, 1);
    }
    skipLeadingSpace();
    return true;
}

void StringTokenizer::SplitAll(std::vector<CStdStr>& tokens) {
    tokens.clear();
    CStdStr token;
    while (HasMore() && Next(token))
        tokens.push_back(token);
}
