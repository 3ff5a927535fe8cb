// Stands in for a package's set-up program in the copy benchmark: notes the steady clock
// (nanoseconds) in the file KENDRY_SETUP_STARTED_STAMP names, at once, and ends.
#include <chrono>
#include <cstdio>
#include <cstdlib>

int main() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const char* file = std::getenv("KENDRY_SETUP_STARTED_STAMP");
    if (!file || !*file)
        return 1;
    std::FILE* out = std::fopen(file, "w");
    if (!out)
        return 1;
    std::fprintf(
        out, "%lld\n",
        static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    return std::fclose(out) == 0 ? 0 : 1;
}
