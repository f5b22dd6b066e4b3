// Times kel.lib extracting one archive (called by bench/extract_bench.sh under Wine):
//   bench_extract.exe ARCHIVE OUTPUT_FOLDER
// Prints the time of the ExtractArchive call in milliseconds, or the error code.
#include <windows.h>

#include <cstdio>

#include "archive/kel_archive.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_extract ARCHIVE OUTPUT_FOLDER\n");
        return 2;
    }
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const int32_t ok = ExtractArchive(argv[1], 1, argv[2], nullptr, 0, nullptr, nullptr, nullptr,
                                      nullptr, nullptr);
    QueryPerformanceCounter(&end);
    if (!ok) {
        std::printf("error %d\n", GetLastArchiveError(0));
        return 1;
    }
    std::printf("%lld\n", (end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart);
    return 0;
}
