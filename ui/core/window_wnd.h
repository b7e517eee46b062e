// Native window base class: binds one window to one object and routes its messages to it.
#pragma once

#include <windows.h>

#include "gdi_owners.h"

namespace UIToolkit {

class CWindowWnd {
public:
    CWindowWnd();
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;
    // Destroys a window that still exists (its final message then no longer reaches this object).
    virtual ~CWindowWnd();

    HWND GetHWND() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    bool RegisterWindowClass();
    bool RegisterSuperclass();

    HWND Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, int x = CW_USEDEFAULT,
                int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT, HMENU menu = nullptr);
    HWND CreateFromRect(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, const RECT& rc,
                        HMENU menu = nullptr);
    void Unsubclass();
    void ShowWindow(bool show = true, bool takeFocus = true);
    UINT ShowModal();
    void Close(UINT result = IDOK);
    void CenterWindow();
    void SetIcon(UINT resourceId);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

protected:
    virtual const wchar_t* GetWindowClassName() const = 0;
    virtual const wchar_t* GetSuperClassName() const;
    virtual UINT GetClassStyle() const;
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void OnFinalMessage(HWND hWnd);

    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SuperclassWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd;
    WNDPROC m_oldWndProc;
    bool m_subclassed;

private:
    // The icons SetIcon gave the window; they live as long as the window uses them.
    CIconHandle m_bigIcon;
    CIconHandle m_smallIcon;

    static LRESULT RouteMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, bool super);
};

}  // namespace UIToolkit
