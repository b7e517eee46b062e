// Test controls and a test window for the UI core tests.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui_core.h"

namespace uitest {

using namespace UIToolkit;

// Text of an event: "<control name>:<type>".
std::wstring EventText(const wchar_t* name, int type);

// A leaf control that writes the events it handles to a log; events still bubble to the parent.
class TestControl : public CControlUI {
public:
    TestControl(const wchar_t* name, std::vector<std::wstring>* log, UINT flags = 0,
                const wchar_t* className = L"TestUI");
    ~TestControl() override;

    const wchar_t* GetClassName() const override { return m_className.c_str(); }
    UINT GetControlFlags() const override { return m_flags; }
    void HandleEvent(UIEvent& event) override;
    bool Activate() override;
    void SetPos(RECT rc) override;

    bool stayPending = false;     // SetPos leaves the layout pending (a faulty derived control)
    int setPosCount = 0;
    WPARAM lastWParam = 0;
    CControlUI* lastSender = nullptr;
    int* destroyedCounter = nullptr;

protected:
    std::vector<std::wstring>* m_log;
    UINT m_flags;
    std::wstring m_className;
};

// A minimal container: a visible child with a fixed size is placed at its fixed offset, any
// other gets the whole item rectangle.
class TestBox : public TestControl {
public:
    TestBox(const wchar_t* name, std::vector<std::wstring>* log);
    ~TestBox() override;

    void Add(CControlUI* child);
    // Takes a child out and hands it to the manager's delayed cleanup.
    void RemoveDelayed(CControlUI* child);
    int Count() const { return static_cast<int>(m_children.size()); }

    void SetManager(CWindowManagerUI* manager, CControlUI* parent, bool init = true) override;
    CControlUI* FindControl(FindControlProc proc, LPVOID data, UINT flags) override;
    void SetPos(RECT rc) override;
    void Paint(HDC hDC, const RECT& rcPaint) override;

private:
    std::vector<CControlUI*> m_children;
};

// A framework window: its manager handles every message it does not handle itself.
class TestWindow : public CWindowWnd, public INotifyUI, public IMessageFilterUI {
public:
    TestWindow();
    ~TestWindow() override;

    HWND CreateHidden(HWND owner = nullptr);
    HWND CreateShown(int width = 200, int height = 120, HWND owner = nullptr);

    void Notify(UINotify& msg) override;
    LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

    CWindowManagerUI pm;
    std::vector<std::wstring> notes;        // "<type>:<sender name>"
    std::vector<UINT> filtered;             // messages seen by the filter
    UINT consumeMessage = 0;                // the filter consumes this message
    bool deleteOnFinal = false;
    bool failCreate = false;
    int* finalCounter = nullptr;
    int createCount = 0;

protected:
    const wchar_t* GetWindowClassName() const override { return L"VelaUICoreTestWindow"; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hWnd) override;
};

// Dispatches every waiting message (through the framework's pre-translation).
void Pump();
// Dispatches messages (pre-translated as above) until done() holds or timeoutMs have passed.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 2000);

// A 32-bit top-down DIB section with its own memory DC.
class Canvas {
public:
    Canvas(int width, int height, DWORD fill = 0xFFFFFFFF);
    ~Canvas();
    HDC dc() const { return m_dc; }
    DWORD Pixel(int x, int y) const;   // 0x00RRGGBB

private:
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
    DWORD* m_bits;
    int m_width;
};

}  // namespace uitest
