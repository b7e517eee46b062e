// Benchmark player (not a test): plays one file or URL through the audio engine to its end and
// prints the item's length, so that tools/bench/audio_bench.sh can relate CPU time to audio time.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "audio_play.h"

namespace {

bool g_finished = false;

LRESULT CALLBACK NotifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PLAYER_STATE) {
        if (wParam == kAudioFinished) g_finished = true;
        return 1;
    }
    if (message == WM_PLAYER_PROGRESS) return 0;
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: audio_bench_play <file or http URL>\n");
        return 2;
    }
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 2;
    int size = MultiByteToWideChar(CP_ACP, 0, argv[1], -1, nullptr, 0);
    std::wstring item(static_cast<size_t>(size > 0 ? size : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, argv[1], -1, &item[0], size);

    WNDCLASSW wc = {};
    wc.lpfnWndProc = NotifyProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VelaAudioBench";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);

    CAudioPlay* engine = new CAudioPlay();
    int result = 1;
    if (engine->Init() == S_OK) {
        engine->SetNotifyWindow(window);
        HRESULT hr = engine->Open(item.c_str());
        if (hr == S_OK && engine->Start(0) == S_OK) {
            MSG message;
            while (!g_finished && GetMessageW(&message, nullptr, 0, 0) > 0) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            std::printf("played %.3f s\n", static_cast<double>(engine->GetDuration()) / 10000000.0);
            result = 0;
        } else {
            std::fprintf(stderr, "cannot play: 0x%08lx\n", static_cast<unsigned long>(hr));
        }
        engine->Stop();
        engine->Close();
    }
    engine->ReleaseAll();
    engine->Release();
    DestroyWindow(window);
    WSACleanup();
    return result;
}
