#include "window_wnd.h"

#include "window_manager.h"

namespace UIToolkit {

namespace {

const wchar_t kObjectProperty[] = L"WndX";

}  // namespace

CWindowWnd::CWindowWnd() : m_hWnd(nullptr), m_oldWndProc(::DefWindowProcW), m_subclassed(false) {}

CWindowWnd::~CWindowWnd() {
    if (m_hWnd == nullptr || !::IsWindow(m_hWnd)) return;
    // Unbind first: the window's last messages go to the default handling, never to this object.
    HWND hWnd = m_hWnd;
    m_hWnd = nullptr;
    if (m_subclassed) {
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldWndProc));
        m_subclassed = false;
    }
    ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
    ::RemovePropW(hWnd, kObjectProperty);
    // The window's procedure is given back to the one this object passed its messages to (the
    // system class's own for a superclass), so that the class still sees the window's last
    // messages (WM_DESTROY, WM_NCDESTROY) and frees what it keeps for the window.
    ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldWndProc));
    ::DestroyWindow(hWnd);
}

const wchar_t* CWindowWnd::GetSuperClassName() const {
    return nullptr;
}

UINT CWindowWnd::GetClassStyle() const {
    return 0;
}

LRESULT CWindowWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::CallWindowProcW(m_oldWndProc, m_hWnd, message, wParam, lParam);
}

void CWindowWnd::OnFinalMessage(HWND) {}

bool CWindowWnd::RegisterWindowClass() {
    WNDCLASSW wc = {};
    wc.style = GetClassStyle();
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hIcon = nullptr;
    wc.lpfnWndProc = CWindowWnd::WindowProc;
    wc.hInstance = CWindowManagerUI::GetInstance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = nullptr;
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = GetWindowClassName();
    const ATOM atom = ::RegisterClassW(&wc);
    return atom != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool CWindowWnd::RegisterSuperclass() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    if (!::GetClassInfoExW(nullptr, GetSuperClassName(), &wc)) {
        if (!::GetClassInfoExW(CWindowManagerUI::GetInstance(), GetSuperClassName(), &wc)) return false;
    }
    m_oldWndProc = wc.lpfnWndProc;
    wc.lpfnWndProc = CWindowWnd::SuperclassWindowProc;
    wc.hInstance = CWindowManagerUI::GetInstance();
    wc.lpszClassName = GetWindowClassName();
    const ATOM atom = ::RegisterClassExW(&wc);
    return atom != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CWindowWnd::Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, int x, int y, int cx,
                        int cy, HMENU menu) {
    if (GetSuperClassName() != nullptr) {
        if (!RegisterSuperclass()) return nullptr;
    } else if (!RegisterWindowClass()) {
        return nullptr;
    }
    HWND hWnd = ::CreateWindowExW(exStyle, GetWindowClassName(), name, style, x, y, cx, cy, parent, menu,
                                  CWindowManagerUI::GetInstance(), this);
    // A window whose creation failed has already been through WM_NCDESTROY and OnFinalMessage,
    // which may have deleted this object: it is not touched then.
    if (hWnd != nullptr) m_hWnd = hWnd;
    return hWnd;
}

HWND CWindowWnd::CreateFromRect(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, const RECT& rc,
                                HMENU menu) {
    return Create(parent, name, style, exStyle, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, menu);
}

void CWindowWnd::Unsubclass() {
    if (m_hWnd == nullptr || !::IsWindow(m_hWnd) || !m_subclassed) return;
    ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldWndProc));
    m_oldWndProc = ::DefWindowProcW;
    m_subclassed = false;
}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
    if (m_hWnd == nullptr || !::IsWindow(m_hWnd)) return;
    ::ShowWindow(m_hWnd, show ? (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

UINT CWindowWnd::ShowModal() {
    // Only locals are used from here on: the window's final message may delete this object.
    HWND hWnd = m_hWnd;
    HWND owner = hWnd != nullptr ? ::GetWindow(hWnd, GW_OWNER) : nullptr;
    UINT result = 0;
    bool quit = false;
    int quitCode = 0;
    if (hWnd != nullptr && ::IsWindow(hWnd)) {
        ::ShowWindow(hWnd, SW_SHOWNORMAL);
        if (owner != nullptr) ::EnableWindow(owner, FALSE);
        MSG msg = {};
        while (::IsWindow(hWnd)) {
            const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
            if (got == 0) {
                quit = true;
                quitCode = static_cast<int>(msg.wParam);
                break;
            }
            if (got == -1) break;
            if (msg.message == WM_CLOSE && msg.hwnd == hWnd) {
                result = static_cast<UINT>(msg.wParam);
                if (owner != nullptr) {
                    ::EnableWindow(owner, TRUE);
                    ::SetFocus(owner);
                }
            }
            if (!CWindowManagerUI::TranslateMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
    }
    if (owner != nullptr) {
        ::EnableWindow(owner, TRUE);
        ::SetFocus(owner);
    }
    // A quit message taken by this loop is put back for the outer loop.
    if (quit) ::PostQuitMessage(quitCode);
    return result;
}

void CWindowWnd::Close(UINT result) {
    if (m_hWnd == nullptr || !::IsWindow(m_hWnd)) return;
    PostMessage(WM_CLOSE, static_cast<WPARAM>(result), 0);
}

void CWindowWnd::CenterWindow() {
    if (m_hWnd == nullptr || !::IsWindow(m_hWnd)) return;
    RECT rcWindow = {};
    ::GetWindowRect(m_hWnd, &rcWindow);
    const int w = rcWindow.right - rcWindow.left;
    const int h = rcWindow.bottom - rcWindow.top;
    RECT rcArea = {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &rcArea, 0);
    RECT rcRef = rcArea;
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    if (owner != nullptr) ::GetWindowRect(owner, &rcRef);
    int x = (rcRef.left + rcRef.right) / 2 - w / 2;
    int y = (rcRef.top + rcRef.bottom) / 2 - h / 2;
    if (x < rcArea.left) {
        x = rcArea.left;
    } else if (x + w > rcArea.right) {
        x = rcArea.right - w;
    }
    if (y < rcArea.top) {
        y = rcArea.top;
    } else if (y + h > rcArea.bottom) {
        y = rcArea.bottom - h;
    }
    ::SetWindowPos(m_hWnd, nullptr, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::SetIcon(UINT resourceId) {
    if (m_hWnd == nullptr) return;
    HINSTANCE instance = CWindowManagerUI::GetInstance();
    // Each icon replaces the one this object gave the window before, which is then freed.
    HICON big = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                                ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON),
                                                LR_DEFAULTCOLOR));
    if (big != nullptr) {
        ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
        m_bigIcon.Reset(big);
    }
    HICON small = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                                  ::GetSystemMetrics(SM_CXSMICON),
                                                  ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    if (small != nullptr) {
        ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
        m_smallIcon.Reset(small);
    }
}

LRESULT CWindowWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

LRESULT CWindowWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

LRESULT CWindowWnd::RouteMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, bool super) {
    CWindowWnd* object = nullptr;
    if (message == WM_NCCREATE) {
        const CREATESTRUCTW* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        object = static_cast<CWindowWnd*>(create->lpCreateParams);
        if (object != nullptr) {
            object->m_hWnd = hWnd;
            if (super) {
                ::SetPropW(hWnd, kObjectProperty, static_cast<HANDLE>(object));
            } else {
                ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
            }
        }
    } else if (super) {
        object = static_cast<CWindowWnd*>(::GetPropW(hWnd, kObjectProperty));
    } else {
        object = reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    }

    if (message == WM_NCDESTROY && object != nullptr) {
        const LRESULT result = ::CallWindowProcW(object->m_oldWndProc, hWnd, message, wParam, lParam);
        if (super) {
            ::RemovePropW(hWnd, kObjectProperty);
        } else {
            ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
        }
        if (object->m_subclassed) object->Unsubclass();
        object->m_hWnd = nullptr;
        // The icons go with the window that used them.
        object->m_bigIcon.Reset();
        object->m_smallIcon.Reset();
        object->OnFinalMessage(hWnd);   // may delete the object
        return result;
    }
    if (object != nullptr) return object->HandleMessage(message, wParam, lParam);
    return ::DefWindowProcW(hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CWindowWnd::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return RouteMessage(hWnd, message, wParam, lParam, false);
}

LRESULT CALLBACK CWindowWnd::SuperclassWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return RouteMessage(hWnd, message, wParam, lParam, true);
}

}  // namespace UIToolkit
