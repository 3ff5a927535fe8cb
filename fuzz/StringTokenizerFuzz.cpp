// StringTokenizer: the first byte is the delimiter, the second the flags,
// the rest the text.

#include "FuzzSupport.h"
#include "StringTokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const char delimiter = static_cast<char>(data[0]);
    const int flags = data[1] & (TOKEN_QUOTES | TOKEN_TRIM_LEADING);
    const CStdStr text(fuzzing::asBytes(data + 2, size - 2));

    StringTokenizer stepwise(text, delimiter, flags);
    std::vector<CStdStr> stepped;
    CStdStr token;
    while (stepwise.HasMore() && stepwise.Next(token)) {
        // Without quotes a token ends at the first delimiter.
        if (!(flags & TOKEN_QUOTES))
            FUZZ_CHECK(token.find(delimiter) == std::string::npos);
        stepped.push_back(token);
        FUZZ_CHECK(stepped.size() <= text.size() + 1);
    }
    StringTokenizer whole(text, delimiter, flags);
    std::vector<CStdStr> all;
    whole.SplitAll(all);
    FUZZ_CHECK(all == stepped);
    return 0;
}
