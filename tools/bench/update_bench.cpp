// Starts Update.exe and waits until it has installed every file of the benchmark's list, for
// update_bench.sh; prints the time from its start to the last file in place, then ends it.
// The files are "f000.bin", "f001.bin", ... beside Update.exe, installed in that order.
// Usage: update_bench <Update.exe> <count> <time-out seconds>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::wstring Widen(const char* text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::vector<wchar_t> wide(n > 0 ? n : 1);
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n);
    return wide.data();
}

bool Installed(const std::wstring& folder, int index) {
    wchar_t name[32];
    std::swprintf(name, 32, L"\\f%03d.bin", index);
    return GetFileAttributesW((folder + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: update_bench <Update.exe> <count> <time-out seconds>\n");
        return 2;
    }
    const std::wstring exe = Widen(argv[1]);
    const int count = std::atoi(argv[2]);
    const DWORD timeoutMs = static_cast<DWORD>(std::atoi(argv[3])) * 1000;
    const std::wstring folder = exe.substr(0, exe.rfind(L'\\'));
    std::wstring line = L"\"" + exe + L"\"";
    std::vector<wchar_t> commandLine(line.begin(), line.end());
    commandLine.push_back(0);

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                        &pi)) {
        std::fprintf(stderr, "update_bench: Update.exe does not start (%lu)\n", GetLastError());
        return 1;
    }
    CloseHandle(pi.hThread);
    int next = 0;
    const DWORD began = GetTickCount();
    while (next < count && GetTickCount() - began < timeoutMs) {
        while (next < count && Installed(folder, next)) ++next;
        if (next < count) Sleep(2);
    }
    QueryPerformanceCounter(&end);
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hProcess);
    const double seconds =
        static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    std::printf("files=%d ok=%d seconds=%.3f\n", next, next == count ? 1 : 0, seconds);
    return next == count ? 0 : 1;
}
