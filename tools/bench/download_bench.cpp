// Downloads one URL with the segmented downloader and prints the time it took, for
// download_bench.sh. Usage: download_bench <url> <target file> <ranges>
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "http_download.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: download_bench <url> <target file> <ranges>\n");
        return 2;
    }
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 2;
    const int ranges = std::atoi(argv[3]);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    CHttpDownload download;
    int reserved = 0;
    int fileSize = 0;
    bool ok = download.HttpDownload(argv[1], argv[2], reserved, fileSize, "", 0, ranges);
    QueryPerformanceCounter(&end);
    double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    std::printf("ranges=%d ok=%d bytes=%d seconds=%.3f MBps=%.1f\n", ranges, ok ? 1 : 0, fileSize, seconds,
                fileSize / 1048576.0 / seconds);
    WSACleanup();
    return ok ? 0 : 1;
}
