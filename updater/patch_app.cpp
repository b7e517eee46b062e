#include "patch_app.h"

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdio>
#include <utility>
#include <vector>

#include <tinyxml.h>

#include "patch_dlg.h"
#include "resource.h"
#include "text_file.h"
#include "vela_deployment.h"
#include "win_files.h"
#include "win_text.h"
#include "xml_text.h"

namespace {

std::wstring LoadResourceString(UINT id) {
    const wchar_t* text = nullptr;
    int n = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return n > 0 && text ? std::wstring(text, static_cast<size_t>(n)) : std::wstring();
}

}  // namespace

std::wstring BuiltInServerListUrl() {
    std::string url = VELA_SERVERLIST_URL;
    return std::wstring(url.begin(), url.end());
}

std::wstring PlayerCommandLine(INT_PTR dialogResult) {
    if (dialogResult == IDOK) return L"Update_IDOK";
    if (dialogResult == IDCANCEL) return L"Update_IDCANCEL";
    return L"";
}

void CPatchRunnerApp::ParseCommandText(const std::wstring& text) {
    size_t blank = text.find(L' ');
    if (!text.empty() && blank != std::wstring::npos && blank > 0) {
        serverListUrl = text.substr(0, blank);
        std::wstring mode = text.substr(blank + 1);
        if (_wcsicmp(mode.c_str(), L"auto") == 0) autoMode = true;
    }
    // The updater always runs in automatic mode.
    autoMode = true;
}

BOOL CPatchRunnerApp::InitInstance() {
    InitCommonControls();
    CoInitialize(nullptr);

    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        MessageBoxW(nullptr, LoadResourceString(IDS_SOCKETS_INIT_FAILED).c_str(), nullptr, MB_OK);
        return FALSE;
    }
    socketsStarted_ = true;
    SetRegistryKey(L"应用程序向导生成的本地应用程序");

    // Whatever command line the updater was given, it uses its built-in one.
    ParseCommandText(BuiltInServerListUrl() + L" auto");

    bool started = false;
    {
        CPatchRunnerDlg dialog(serverListUrl, autoMode);
        INT_PTR result = dialog.DoModal();

        std::wstring commandLine = PlayerCommandLine(result);
        std::wstring playerPath;
        LoadAppPath(L"app.xml", playerPath);
        started = StartPlayer(playerPath, commandLine);
        // Leaving the scope destroys the dialog, which cancels and waits for queued jobs.
    }
    return started ? TRUE : FALSE;
}

int CPatchRunnerApp::ExitInstance() {
    CoUninitialize();
    if (socketsStarted_) WSACleanup();
    socketsStarted_ = false;
    return 0;
}

std::wstring DecodeAppPathText(const std::string& bytes, bool utf8) {
    std::wstring text;
    if (!utf8) return AnsiToWide(bytes);
    return Utf8ToWide(bytes, text) ? text : std::wstring();
}

int LoadAppPath(const std::wstring& fileName, std::wstring& playerPath) {
    playerPath.clear();
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, folder))) return 0;
    if (!PathAppendW(folder, L"VelaMusic")) return 0;
    std::wstring path = std::wstring(folder) + L"\\" + fileName;

    std::string bytes;
    if (!ReadWholeFile(path, bytes)) return 0;
    // The player marks the UTF-8 it writes; a file without the mark comes from an older writer
    // that wrote the path in the ANSI code page whatever its declaration says. Guessing from the
    // bytes would be wrong for ANSI paths that also happen to form valid UTF-8.
    const bool utf8 = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    TiXmlDocument document;
    if (!ParseXmlText(document, std::move(bytes), utf8 ? TIXML_ENCODING_UTF8 : TIXML_ENCODING_LEGACY)) return 0;

    for (TiXmlNode* node = document.FirstChild(); node; node = node->NextSibling()) {
        if (node->ValueStr() != "AppPath") continue;
        const TiXmlElement* element = node->ToElement();
        const char* text = element ? element->GetText() : nullptr;
        playerPath = DecodeAppPathText(text ? text : "", utf8);
    }
    return document.FirstChild() ? 1 : 0;
}

bool StartPlayer(const std::wstring& playerPath, const std::wstring& commandLine) {
    // Without a known player nothing safe can be started.
    if (playerPath.empty()) return false;
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(playerPath.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}
