#include "GuardedFormat.h"

CStdStr GuardedFormat(const CStdStr& format, const CStdStr& argument) {
    CStdStr result;
    result.reserve(format.size() + argument.size());
    bool filled = false;
    for (size_t at = 0; at < format.size(); ++at) {
        const char next = at + 1 < format.size() ? format[at + 1] : '\0';
        if (format[at] == '%' && next == '%') {
            result += '%';
            ++at;
        } else if (format[at] == '%' && next == 's' && !filled) {
            result += argument;
            filled = true;
            ++at;
        } else {
            result += format[at];
        }
    }
    return result;
}

CStdStr EscapeHtmlText(const CStdStr& text) {
    CStdStr escaped;
    escaped.reserve(text.size());
    for (const char ch : text) {
        if (ch == '&')
            escaped += "&amp;";
        else if (ch == '<')
            escaped += "&lt;";
        else if (ch == '>')
            escaped += "&gt;";
        else
            escaped += ch;
    }
    return escaped;
}
