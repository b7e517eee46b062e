#include "message_pump.h"

namespace testpump {

void DispatchWaiting(HWND window, PreTranslateProc preTranslate) {
    MSG msg = {};
    while (::PeekMessageW(&msg, window, 0, 0, PM_REMOVE)) {
        if (preTranslate != nullptr && preTranslate(&msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, PreTranslateProc preTranslate) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start >= timeoutMs) return done();
        DispatchWaiting(nullptr, preTranslate);
        if (done()) return true;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void PumpFor(DWORD ms, PreTranslateProc preTranslate) {
    PumpUntil([] { return false; }, ms, preTranslate);
}

}  // namespace testpump
