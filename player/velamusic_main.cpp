// VelaMusic: the player's entry point.
// The player's windows come with the UI framework; until then the program says so and ends.
#include <winsock2.h>
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, L"VelaMusic");
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return 0;
    }
    MessageBoxW(nullptr, L"VelaMusic: the player's window is not built yet.", L"VelaMusic", MB_OK);
    if (mutex) {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
    return 0;
}
