// Helpers for the player's form tests.
#include "player_forms_util.h"

namespace formtest {

using UIToolkit::CControlUI;
using UIToolkit::CWindowManagerUI;

void UseOwnResources() { CWindowManagerUI::SetInstance(::GetModuleHandleW(nullptr)); }

HWND MakeOwnerWindow() {
    return ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
}

namespace {

bool IsDialogWindow(HWND hWnd) {
    wchar_t cls[64] = {};
    ::GetClassNameW(hWnd, cls, 64);
    return std::wstring(cls).compare(0, 8, L"VelaUI::") == 0;
}

BOOL CALLBACK DestroyDialog(HWND hWnd, LPARAM) {
    if (IsDialogWindow(hWnd)) ::DestroyWindow(hWnd);
    return TRUE;
}

}  // namespace

void DestroyDialogWindows() { ::EnumThreadWindows(::GetCurrentThreadId(), DestroyDialog, 0); }

void ParkPointer() {
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
}

std::string ResourceBytes(UINT id, const wchar_t* type) {
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (info == nullptr) return std::string();
    HGLOBAL data = ::LoadResource(module, info);
    const void* bytes = data != nullptr ? ::LockResource(data) : nullptr;
    if (bytes == nullptr) return std::string();
    return std::string(static_cast<const char*>(bytes), ::SizeofResource(module, info));
}

void PostClick(HWND hWnd, CControlUI* control) {
    const RECT& rc = control->GetPos();
    const LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    ::PostMessageW(hWnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(hWnd, WM_LBUTTONUP, 0, at);
}

void PostKey(HWND hWnd, WPARAM key) {
    ::PostMessageW(hWnd, WM_KEYDOWN, key, 1);
    ::PostMessageW(hWnd, WM_KEYUP, key, 0xC0000001);
}

LPARAM ScreenPoint(HWND hWnd, int x, int y) {
    POINT pt = {x, y};
    ::ClientToScreen(hWnd, &pt);
    return MAKELPARAM(static_cast<short>(pt.x), static_cast<short>(pt.y));
}

namespace {
DialogScript* g_script = nullptr;
}

DialogScript::DialogScript() {}

DialogScript::~DialogScript() {
    if (m_timer != 0) ::KillTimer(nullptr, m_timer);
    if (g_script == this) g_script = nullptr;
}

DialogScript& DialogScript::Then(const wchar_t* windowClass, Action action) {
    m_steps.push_back(Step{windowClass, action, false});
    return *this;
}

DialogScript& DialogScript::ThenAgain(const wchar_t* windowClass, Action action) {
    m_steps.push_back(Step{windowClass, action, true});
    return *this;
}

void DialogScript::Start() {
    g_script = this;
    m_started = ::GetTickCount();
    m_timer = ::SetTimer(nullptr, 0, 20, Tick);
}

BOOL CALLBACK DialogScript::FindActive(HWND hWnd, LPARAM param) {
    DialogScript* script = reinterpret_cast<DialogScript*>(param);
    wchar_t cls[64] = {};
    ::GetClassNameW(hWnd, cls, 64);
    const Step& step = script->m_steps[script->m_next];
    if (step.windowClass != cls) return TRUE;
    if (!::IsWindowVisible(hWnd) || !::IsWindowEnabled(hWnd)) return TRUE;
    if (step.again) {
        if (!script->m_met.empty() && script->m_met.back() == hWnd) return TRUE;
    } else {
        for (HWND met : script->m_met) {
            if (met == hWnd) return TRUE;
        }
    }
    script->m_found = hWnd;
    return FALSE;
}

BOOL CALLBACK DialogScript::CloseDialog(HWND hWnd, LPARAM) {
    if (IsDialogWindow(hWnd)) ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
    return TRUE;
}

void CALLBACK DialogScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
    DialogScript* script = g_script;
    if (script == nullptr || script->Finished()) return;
    if (::GetTickCount() - script->m_started > 30000) {
        ::EnumThreadWindows(::GetCurrentThreadId(), CloseDialog, 0);
        return;
    }
    script->m_found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindActive, reinterpret_cast<LPARAM>(script));
    const HWND hWnd = script->m_found;
    if (hWnd == nullptr) return;
    auto* form = dynamic_cast<VelaUI::VelaDialogForm*>(
        reinterpret_cast<UIToolkit::CWindowWnd*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA)));
    if (form == nullptr) return;
    ::UpdateWindow(hWnd);  // lays the controls out before anything is clicked
    SeenDialog seen;
    seen.windowClass = script->m_steps[script->m_next].windowClass;
    seen.owner = ::GetWindow(hWnd, GW_OWNER);
    if (CControlUI* line = form->GetManager().FindControlByName(L"Lable1")) seen.firstLine = line->GetText().GetData();
    if (CControlUI* pic = form->GetManager().FindControlByName(L"LablePic")) seen.picture = pic->GetBkImage();
    script->m_seen.push_back(seen);
    script->m_met.push_back(hWnd);
    const Action action = script->m_steps[script->m_next++].action;
    if (action) action(*form, hWnd);
}

DialogScript::Action DialogScript::PressEscape() {
    return [](VelaUI::VelaDialogForm&, HWND hWnd) { PostKey(hWnd, VK_ESCAPE); };
}

DialogScript::Action DialogScript::Click(const wchar_t* control) {
    const std::wstring name = control;
    return [name](VelaUI::VelaDialogForm& form, HWND hWnd) {
        CControlUI* target = form.GetManager().FindControlByName(name.c_str());
        if (target != nullptr) PostClick(hWnd, target);
    };
}

DialogScript::Action DialogScript::SetTextAndClick(const wchar_t* edit, const wchar_t* text, const wchar_t* control) {
    const std::wstring editName = edit, value = text;
    const Action click = Click(control);
    return [editName, value, click](VelaUI::VelaDialogForm& form, HWND hWnd) {
        CControlUI* field = form.GetManager().FindControlByName(editName.c_str());
        if (field != nullptr) field->SetText(value.c_str());
        click(form, hWnd);
    };
}

}  // namespace formtest
