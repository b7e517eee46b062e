// Test fixture: a program that records how it was started. Every start appends one line, its
// whole command line as UTF-8, to "<its own path>.log"; then it ends, or, while a file
// "<its own path>.hold" exists, keeps running until that file is gone (a program that the
// starter has to wait for).
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring logPath = std::wstring(self) + L".log";
    const wchar_t* line = GetCommandLineW();
    int n = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(n > 0 ? static_cast<size_t>(n - 1) : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, line, -1, &bytes[0], n, nullptr, nullptr);
    bytes += "\n";
    HANDLE h = CreateFileW(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    const std::wstring holdPath = std::wstring(self) + L".hold";
    while (GetFileAttributesW(holdPath.c_str()) != INVALID_FILE_ATTRIBUTES) Sleep(50);
    return 0;
}
