// The updater's application object and modal dialog, over plain Win32.
#pragma once

#include <windows.h>

#include <string>

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Runs the application: InitInstance, then ExitInstance; returns ExitInstance's result.
    int Run(HINSTANCE instance);
    HINSTANCE Instance() const { return instance_; }
    static CWinApp* Current() { return current_; }

    virtual BOOL InitInstance() { return FALSE; }
    virtual int ExitInstance() { return 0; }

    // The name under which settings would be kept (none are kept).
    void SetRegistryKey(const std::wstring& key) { registryKey_ = key; }

private:
    HINSTANCE instance_ = nullptr;
    std::wstring registryKey_;
    static CWinApp* current_;
};

// A modal dialog from a resource template of the running module.
class CDialog {
public:
    explicit CDialog(UINT templateId) : templateId_(templateId) {}
    virtual ~CDialog() = default;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog; its result, or -1 when it could not be created.
    INT_PTR DoModal(HWND owner = nullptr);
    HWND GetSafeHwnd() const { return hwnd_; }
    void EndDialog(INT_PTR result) { ::EndDialog(hwnd_, result); }

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // A command other than IDOK and IDCANCEL; true when handled.
    virtual bool OnCommand(WORD id, WORD code, HWND control);
    // Any message; true when handled, with the dialog procedure's result in result.
    virtual bool OnMessage(UINT message, WPARAM w, LPARAM l, INT_PTR& result);
    // The window is being destroyed.
    virtual void OnDestroy() {}

    HWND GetDlgItem(int id) const { return ::GetDlgItem(hwnd_, id); }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM w, LPARAM l);

    UINT templateId_;
    HWND hwnd_ = nullptr;
};
