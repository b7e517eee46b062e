#include "uicore_test_util.h"

#include <algorithm>

#include "message_pump.h"

namespace uitest {

std::wstring EventText(const wchar_t* name, int type) {
    return std::wstring(name) + L":" + std::to_wstring(type);
}

// ---------------------------------------------------------------------------------------------

TestControl::TestControl(const wchar_t* name, std::vector<std::wstring>* log, UINT flags, const wchar_t* className)
    : m_log(log), m_flags(flags), m_className(className) {
    SetName(name);
}

TestControl::~TestControl() {
    if (destroyedCounter != nullptr) ++*destroyedCounter;
}

void TestControl::HandleEvent(UIEvent& event) {
    lastWParam = event.wParam;
    lastSender = event.sender;
    if (m_log != nullptr) {
        std::wstring text = EventText(GetName(), event.type);
        if (event.type == UIEVENT_SCROLLWHEEL) text += L"/" + std::to_wstring(event.wParam);
        m_log->push_back(text);
    }
    CControlUI::HandleEvent(event);
}

bool TestControl::Activate() {
    if (m_log != nullptr) m_log->push_back(std::wstring(GetName()) + L":activate");
    return CControlUI::Activate();
}

void TestControl::SetPos(RECT rc) {
    ++setPosCount;
    CControlUI::SetPos(rc);
    if (stayPending) m_layoutPending = true;
}

// ---------------------------------------------------------------------------------------------

TestBox::TestBox(const wchar_t* name, std::vector<std::wstring>* log) : TestControl(name, log, 0, L"TestBoxUI") {}

TestBox::~TestBox() {
    for (CControlUI* child : m_children) delete child;
}

void TestBox::Add(CControlUI* child) {
    m_children.push_back(child);
    if (m_manager != nullptr) {
        m_manager->InitControls(child, this);
    } else {
        child->SetManager(nullptr, this, false);
    }
}

void TestBox::RemoveDelayed(CControlUI* child) {
    m_children.erase(std::remove(m_children.begin(), m_children.end(), child), m_children.end());
    if (m_manager != nullptr) {
        m_manager->AddDelayedCleanup(child);
    } else {
        delete child;
    }
}

void TestBox::SetManager(CWindowManagerUI* manager, CControlUI* parent, bool init) {
    for (CControlUI* child : m_children) child->SetManager(manager, this, init);
    CControlUI::SetManager(manager, parent, init);
}

CControlUI* TestBox::FindControl(FindControlProc proc, LPVOID data, UINT flags) {
    if ((flags & UIFIND_VISIBLE) != 0 && !IsVisible()) return nullptr;
    if ((flags & UIFIND_ENABLED) != 0 && !IsEnabled()) return nullptr;
    if ((flags & UIFIND_HITTEST) != 0 && !::PtInRect(&m_rcItem, *static_cast<const POINT*>(data))) return nullptr;
    if ((flags & UIFIND_ME_FIRST) != 0) {
        CControlUI* found = proc(this, data);
        if (found != nullptr) return found;
    }
    const int count = static_cast<int>(m_children.size());
    for (int i = 0; i < count; ++i) {
        const int index = (flags & UIFIND_TOP_FIRST) != 0 ? count - 1 - i : i;
        CControlUI* found = m_children[static_cast<size_t>(index)]->FindControl(proc, data, flags);
        if (found != nullptr) return found;
    }
    if ((flags & UIFIND_ME_FIRST) == 0 && ((flags & UIFIND_HITTEST) == 0 || IsMouseEnabled())) return proc(this, data);
    return nullptr;
}

void TestBox::SetPos(RECT rc) {
    TestControl::SetPos(rc);
    for (CControlUI* child : m_children) {
        if (!child->IsVisible()) continue;
        if (child->GetFixedWidth() > 0 && child->GetFixedHeight() > 0) {
            const SIZE xy = child->GetFixedXY();
            child->SetPos(RECT{rc.left + xy.cx, rc.top + xy.cy, rc.left + xy.cx + child->GetFixedWidth(),
                               rc.top + xy.cy + child->GetFixedHeight()});
        } else {
            child->SetPos(rc);
        }
    }
}

void TestBox::Paint(HDC hDC, const RECT& rcPaint) {
    CControlUI::Paint(hDC, rcPaint);
    for (CControlUI* child : m_children) {
        if (child->IsVisible()) child->Paint(hDC, rcPaint);
    }
}

// ---------------------------------------------------------------------------------------------

TestWindow::TestWindow() = default;

TestWindow::~TestWindow() = default;

HWND TestWindow::CreateHidden(HWND owner) {
    return Create(owner, L"test", WS_POPUP, 0, 0, 0, 200, 120);
}

// One shown top-level window for the whole program: test windows that must paint are its
// children, which spares the wait for a new top-level window to appear on the display.
static HWND PaintHost() {
    static HWND host = nullptr;
    if (host != nullptr) return host;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VelaUICoreTestHost";
    ::RegisterClassW(&wc);
    host = ::CreateWindowExW(0, wc.lpszClassName, L"host", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                             wc.hInstance, nullptr);
    ::UpdateWindow(host);
    return host;
}

HWND TestWindow::CreateShown(int width, int height, HWND owner) {
    if (owner != nullptr) {
        HWND hWnd = Create(owner, L"test", WS_POPUP | WS_VISIBLE, 0, 10, 10, width, height);
        if (hWnd != nullptr) ::UpdateWindow(hWnd);
        return hWnd;
    }
    HWND hWnd = Create(PaintHost(), L"test", WS_CHILD | WS_VISIBLE, 0, 10, 10, width, height);
    if (hWnd != nullptr) ::UpdateWindow(hWnd);
    return hWnd;
}

void TestWindow::Notify(UINotify& msg) {
    std::wstring sender = msg.sender != nullptr ? std::wstring(msg.sender->GetName()) : std::wstring(L"-");
    notes.push_back(std::wstring(msg.type) + L":" + sender);
}

LRESULT TestWindow::FilterMessage(UINT message, WPARAM, LPARAM, bool& handled) {
    filtered.push_back(message);
    if (consumeMessage != 0 && message == consumeMessage) handled = true;
    return 0;
}

LRESULT TestWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        ++createCount;
        if (failCreate) return -1;
        pm.Init(m_hWnd);
        pm.AddNotifier(this);
        pm.AddMessageFilter(this);
        return 0;
    }
    LRESULT result = 0;
    if (pm.HandleMessage(message, wParam, lParam, result)) return result;
    return CWindowWnd::HandleMessage(message, wParam, lParam);
}

void TestWindow::OnFinalMessage(HWND) {
    if (finalCounter != nullptr) ++*finalCounter;
    if (deleteOnFinal) delete this;
}

void Pump() { testpump::DispatchWaiting(nullptr, &CWindowManagerUI::TranslateMessage); }

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    return testpump::PumpUntil(done, timeoutMs, &CWindowManagerUI::TranslateMessage);
}

// ---------------------------------------------------------------------------------------------

Canvas::Canvas(int width, int height, DWORD fill) : m_bits(nullptr), m_width(width) {
    void* bits = nullptr;
    m_dc = ::CreateCompatibleDC(nullptr);
    m_bitmap = UIToolkit::CUIRenderer::CreateDib32(m_dc, width, height, &bits);
    m_bits = static_cast<DWORD*>(bits);
    m_old = ::SelectObject(m_dc, m_bitmap);
    for (int i = 0; i < width * height; ++i) m_bits[i] = fill;
}

Canvas::~Canvas() {
    ::SelectObject(m_dc, m_old);
    ::DeleteObject(m_bitmap);
    ::DeleteDC(m_dc);
}

DWORD Canvas::Pixel(int x, int y) const {
    ::GdiFlush();
    return m_bits[y * m_width + x] & 0x00FFFFFF;
}

}  // namespace uitest
