#include "win_app.h"

CWinApp* CWinApp::current_ = nullptr;

CWinApp::CWinApp() { current_ = this; }

CWinApp::~CWinApp() {
    if (current_ == this) current_ = nullptr;
}

int CWinApp::Run(HINSTANCE instance) {
    instance_ = instance;
    InitInstance();
    return ExitInstance();
}

INT_PTR CDialog::DoModal(HWND owner) {
    HINSTANCE instance = CWinApp::Current() ? CWinApp::Current()->Instance() : GetModuleHandleW(nullptr);
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId_), owner, &CDialog::DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

bool CDialog::OnCommand(WORD, WORD, HWND) { return false; }

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
    CDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(l);
        SetWindowLongPtrW(hwnd, DWLP_USER, l);
        self->hwnd_ = hwnd;
        return self->OnInitDialog();
    }
    self = reinterpret_cast<CDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self) return FALSE;

    INT_PTR result = 0;
    switch (message) {
    case WM_COMMAND: {
        WORD id = LOWORD(w), code = HIWORD(w);
        if (id == IDOK && code == BN_CLICKED) {
            self->OnOK();
            return TRUE;
        }
        if (id == IDCANCEL && code == BN_CLICKED) {
            self->OnCancel();
            return TRUE;
        }
        return self->OnCommand(id, code, reinterpret_cast<HWND>(l)) ? TRUE : FALSE;
    }
    case WM_DESTROY:
        self->OnDestroy();
        return FALSE;
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
        return FALSE;
    default:
        break;
    }
    if (self->OnMessage(message, w, l, result)) {
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    return FALSE;
}
