// VelaMusic: the player's entry point.
#include <winsock2.h>
#include <windows.h>
#include <objbase.h>

#include <string>

#include "data_folder.h"
#include "local_helpers.h"
#include "player_startup.h"
#include "stat_report.h"
#include "ui_core.h"

using namespace VelaUI;

namespace {

int RunPlayer(HINSTANCE instance, HANDLE mutex) {
    WSADATA wsa = {};
    ::WSAStartup(0x0202, &wsa);

    std::string mac;
    GetMacAddress(mac);
    SendStatReport("01", "05", "005", mac, "", "");

    if (FAILED(::CoInitialize(nullptr))) return 0;

    std::wstring dataFolder;
    GetUserDataFolder(dataFolder);
    dataFolder += L"\\";
    if (::GetFileAttributesW(dataFolder.c_str()) == INVALID_FILE_ATTRIBUTES) CreateDirectoryTree(dataFolder);

    // The updater starts the player with exactly one of its words as the whole command line.
    if (IsUpdaterCommandLine(::GetCommandLineW()) && RunUpdateCheck(dataFolder)) return 0;

    UIToolkit::CWindowManagerUI::SetInstance(instance);
    const UIToolkit::CUIString programFolder = UIToolkit::CWindowManagerUI::GetInstancePath();
    UIToolkit::CWindowManagerUI::SetResourcePath(programFolder.GetData());
    UIToolkit::CWindowManagerUI::SetResourceZip(L"skin.zip", false);
    SeedSettings(programFolder.GetData(), dataFolder);

    RunMainWindow(instance);

    ::CoUninitialize();
    if (mutex != nullptr) {
        ::ReleaseMutex(mutex);
        ::CloseHandle(mutex);
    }
    ::WSACleanup();
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    HANDLE mutex = ::CreateMutexW(nullptr, TRUE, L"VelaMusic");
    if (mutex != nullptr && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        ActivateRunningInstance();
        ::CloseHandle(mutex);
        return 0;
    }
    try {
        return RunPlayer(instance, mutex);
    } catch (...) {
        return 0;
    }
}
