// Stands in for the web browser in the login dialog's tests: appends its whole command line,
// as UTF-8 and followed by a newline, to the file that VELA_PAGE_LOG names.
#include <windows.h>

#include <string>

int wmain() {
    wchar_t logPath[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"VELA_PAGE_LOG", logPath, MAX_PATH) == 0) return 1;
    const wchar_t* line = GetCommandLineW();
    int bytes = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
    std::string text(bytes > 0 ? static_cast<size_t>(bytes - 1) : 0, '\0');
    if (bytes > 1) WideCharToMultiByte(CP_UTF8, 0, line, -1, &text[0], bytes, nullptr, nullptr);
    text += "\n";
    HANDLE file = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return 0;
}
