// The player's start-up steps.
#include "player_startup.h"

#include <cwchar>
#include <memory>
#include <new>
#include <vector>

#include "http_fetch.h"
#include "info_tips_form.h"
#include "ini_file.h"
#include "local_helpers.h"
#include "settings_file.h"
#include "ui_core.h"
#include "vela_deployment.h"
#include "vela_main_form.h"

namespace VelaUI {

namespace {

const wchar_t kWindowTitle[] = L"VelaMusic";
const UINT kMainIcon = 110;

// One part of a dotted version from pos on; pos moves past the part and its dot.
unsigned long long VersionPart(const std::string& text, size_t& pos) {
    unsigned long long value = 0;
    while (pos < text.size() && text[pos] != '.') {
        if (text[pos] >= '0' && text[pos] <= '9' && value < 100000000000ULL) value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    if (pos < text.size()) ++pos;
    return value;
}

}  // namespace

std::wstring ProgramPath() {
    std::vector<wchar_t> path(MAX_PATH + 1);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::wstring();
        if (length < path.size()) return std::wstring(path.data(), length);
        path.resize(path.size() * 2);
    }
}

std::wstring ProgramFolder() {
    const std::wstring path = ProgramPath();
    return path.substr(0, path.rfind(L'\\') + 1);
}

bool GetFileVersionParts(HMODULE module, WORD parts[4]) {
    std::vector<wchar_t> path(MAX_PATH + 1);
    const DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) return false;
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.data(), &handle);
    if (size == 0) return false;
    std::vector<BYTE> block(size);
    if (!::GetFileVersionInfoW(path.data(), 0, size, block.data())) return false;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &infoSize) || info == nullptr ||
        infoSize < sizeof *info) {
        return false;
    }
    parts[0] = HIWORD(info->dwFileVersionMS);
    parts[1] = LOWORD(info->dwFileVersionMS);
    parts[2] = HIWORD(info->dwFileVersionLS);
    parts[3] = LOWORD(info->dwFileVersionLS);
    return true;
}

std::wstring GetOwnVersionText(HMODULE module) {
    WORD parts[4] = {};
    if (!GetFileVersionParts(module, parts)) return std::wstring();
    wchar_t text[32] = {};
    ::wsprintfW(text, L"%u.%u.%u.%u", parts[0], parts[1], parts[2], parts[3]);
    return text;
}

int CompareDottedVersions(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return a.empty() == b.empty() ? 0 : (a.empty() ? -1 : 1);
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        const unsigned long long x = VersionPart(a, i), y = VersionPart(b, j);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

int AskForUpdate() {
    auto* tip = new (std::nothrow) VelaInfoTipsForm(true);
    if (tip == nullptr) return -1;
    tip->SetPicture(kPictureQuestion);
    tip->SetText(L"有新版本可用,是否升级", nullptr, nullptr, nullptr);
    return VelaDialogForm::ShowDialog(tip, nullptr);
}

bool IsUpdaterCommandLine(const wchar_t* commandLine) {
    if (commandLine == nullptr || *commandLine == 0) return false;
    // Unit by unit: a comparison by the user's locale would take a look-alike for the word.
    return std::wcscmp(commandLine, L"Update_IDOK") == 0 || std::wcscmp(commandLine, L"Update_IDCANCEL") == 0;
}

HANDLE StartUpdater() {
    const std::wstring program = ProgramFolder() + L"Update.exe";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return nullptr;
    }
    ::CloseHandle(process.hThread);
    return process.hProcess;
}

bool RunUpdateCheck(const std::wstring& dataFolder) {
    WriteAppXml(L"\\app.xml");
    const std::wstring target = dataFolder + L"update.ini";
    {
        MusicDown download;
        ::DeleteFileW(target.c_str());
        download.SetTargetFile(target);
        const std::string host = VELA_UPDATE_HOST;
        download.DownloadToFile(L"http://" + std::wstring(host.begin(), host.end()) + L"/clientupdate/app/update.ini",
                                1024000);
    }
    std::string text;
    if (!ReadWholeFile(target, text)) return false;
    CIni ini("");
    ini.LoadText(text);
    const std::string offered = ini.GetString("version", "ver");
    const std::string own = WideToUtf8(GetOwnVersionText(nullptr));
    if (offered.empty() || CompareDottedVersions(offered, own) <= 0) return false;
    if (AskForUpdate() != kInfoTipOK) return false;
    HANDLE updater = StartUpdater();
    if (updater == nullptr) return false;
    ::CloseHandle(updater);
    return true;
}

void SeedSettings(const std::wstring& programFolder, const std::wstring& dataFolder) {
    const std::wstring source = programFolder + kSettingsFileName;
    const std::wstring target = dataFolder + kSettingsFileName;
    if (::GetFileAttributesW(source.c_str()) != INVALID_FILE_ATTRIBUTES) {
        ::CopyFileW(source.c_str(), target.c_str(), TRUE);
    }
    EnsureSettingsFile();
}

bool ActivateRunningInstance() {
    HWND window = ::FindWindowW(nullptr, kWindowTitle);
    if (window == nullptr) return false;
    ::SetForegroundWindow(window);
    ::ShowWindow(window, SW_SHOW);
    return true;
}

int RunMainWindow(HINSTANCE) {
    auto* form = new (std::nothrow) VelaMainForm(L"MainForm.xml");
    if (form == nullptr) return 0;
    if (form->Create(nullptr, kWindowTitle, WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 900, 600) == nullptr) return 0;
    form->SetIcon(kMainIcon);
    form->CenterWindow();
    ::ShowWindow(form->GetHWND(), SW_SHOW);
    UIToolkit::CWindowManagerUI::MessageLoop();
    return 0;
}

}  // namespace VelaUI
