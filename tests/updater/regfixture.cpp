// Test fixture: a DLL whose registration leaves a marker file "<its own path>.registered".
#include <windows.h>

namespace {
HMODULE g_module = nullptr;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

extern "C" HRESULT __stdcall DllRegisterServer() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(g_module, self, MAX_PATH);
    lstrcatW(self, L".registered");
    HANDLE h = CreateFileW(self, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return E_FAIL;
    CloseHandle(h);
    return S_OK;
}

extern "C" HRESULT __stdcall DllUnregisterServer() { return S_OK; }
