// Update: the updater's entry point. Its dialog is not built yet; the program says so and ends.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    MessageBoxW(nullptr, L"Update: the updater is not built yet.", L"Update", MB_OK);
    return 0;
}
