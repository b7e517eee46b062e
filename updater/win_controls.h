// Thin wrappers over the standard controls that the updater's dialog touches. They refer to
// windows that the dialog owns; they own nothing.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

class CWndRef {
public:
    void Attach(HWND hwnd) { hwnd_ = hwnd; }
    HWND GetSafeHwnd() const { return hwnd_; }
    void EnableWindow(bool enable) { ::EnableWindow(hwnd_, enable ? TRUE : FALSE); }

protected:
    LRESULT Send(UINT message, WPARAM w = 0, LPARAM l = 0) const { return SendMessageW(hwnd_, message, w, l); }

private:
    HWND hwnd_ = nullptr;
};

class CButton : public CWndRef {};

class CComboBox : public CWndRef {
public:
    int AddString(const std::wstring& text) {
        return static_cast<int>(Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }
    int DeleteString(int index) { return static_cast<int>(Send(CB_DELETESTRING, static_cast<WPARAM>(index))); }
    int GetCount() const { return static_cast<int>(Send(CB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(Send(CB_GETCURSEL)); }
    void SetCurSel(int index) { Send(CB_SETCURSEL, static_cast<WPARAM>(index)); }
    void SetItemDataPtr(int index, void* data) {
        Send(CB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(data));
    }
    void* GetItemDataPtr(int index) const {
        LRESULT r = Send(CB_GETITEMDATA, static_cast<WPARAM>(index));
        return r == CB_ERR ? nullptr : reinterpret_cast<void*>(r);
    }
};

class CListBox : public CWndRef {
public:
    int AddString(const std::wstring& text) {
        return static_cast<int>(Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }
    void SetItemData(int index, DWORD_PTR data) {
        Send(LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data));
    }
    void SetCurSel(int index) { Send(LB_SETCURSEL, static_cast<WPARAM>(index)); }
};

class CProgressCtrl : public CWndRef {
public:
    void SetRange(int low, int high) { Send(PBM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high)); }
    void SetPos(int pos) { Send(PBM_SETPOS, static_cast<WPARAM>(pos)); }
};
