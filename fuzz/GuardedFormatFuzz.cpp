// Package texts used as one-string formats, and the escaping of text for an
// HTML fragment: the input is the format, a NUL, then the argument.

#include "FuzzSupport.h"
#include "GuardedFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input = fuzzing::asBytes(data, size);
    const size_t split = input.find('\0');
    const CStdStr format(input.substr(0, split));
    const CStdStr argument(split == std::string::npos ? std::string() : input.substr(split + 1));

    const CStdStr filled = GuardedFormat(format, argument);
    FUZZ_CHECK(filled.size() <= format.size() + argument.size());
    if (format.find('%') == std::string::npos)
        FUZZ_CHECK(filled == format);

    CStdStr escaped = EscapeHtmlText(filled);
    FUZZ_CHECK(escaped.find_first_of("<>") == std::string::npos);
    escaped.Replace("&lt;", "<");
    escaped.Replace("&gt;", ">");
    escaped.Replace("&amp;", "&");
    FUZZ_CHECK(escaped == filled);
    return 0;
}
