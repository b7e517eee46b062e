// The shared behaviour of the player's dialogs.
#include "vela_dialog.h"

#include "vela_frame.h"

namespace VelaUI {

const wchar_t* const kSharedDialogClass = L"VelaUI::VelaCloseSetForm";
const wchar_t* const kLayoutResourceType = L"xml";

namespace {

bool IsOwnedBy(HWND window, HWND owner) {
    for (HWND above = ::GetWindow(window, GW_OWNER); above != nullptr; above = ::GetWindow(above, GW_OWNER)) {
        if (above == owner) return true;
    }
    return false;
}

struct DialogSearch {
    HWND owner;
    HWND found;
};

// The dialogs over the owner that wait for one of their own are disabled: the one shown and
// enabled is the innermost.
BOOL CALLBACK FindRunningDialog(HWND hWnd, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    if (!::IsWindowVisible(hWnd) || !::IsWindowEnabled(hWnd) || !IsOwnedBy(hWnd, search->owner)) return TRUE;
    search->found = hWnd;
    return FALSE;
}

}  // namespace

VelaDialogForm::VelaDialogForm(UINT layoutId, const wchar_t* layoutFile)
    : m_layoutId(layoutId), m_layoutFile(layoutFile != nullptr ? layoutFile : L""), m_destroyedFlag(nullptr) {}

VelaDialogForm::~VelaDialogForm() {
    if (m_destroyedFlag != nullptr) *m_destroyedFlag = true;
}

HWND VelaDialogForm::CreateDialogWindow(HWND owner) {
    if (owner != nullptr && !::IsWindow(owner)) owner = nullptr;
    if (owner != nullptr && !::IsWindowEnabled(owner)) {
        BringRunningDialogForward(owner);
        delete this;
        return nullptr;
    }
    bool destroyed = false;
    m_destroyedFlag = &destroyed;
    HWND hWnd = Create(owner, L"", kDialogStyle, 0, 0, 0, 0, 0);
    if (destroyed) return nullptr;  // the window went through its final message: the form is gone
    m_destroyedFlag = nullptr;
    if (hWnd == nullptr) delete this;  // the window never existed, so nothing else frees the form
    return hWnd;
}

int VelaDialogForm::RunModal() {
    if (m_hWnd == nullptr || !::IsWindow(m_hWnd)) return -1;
    CenterWindow();
    return static_cast<int>(ShowModal());
}

int VelaDialogForm::ShowDialog(VelaDialogForm* form, HWND owner) {
    if (form == nullptr) return -1;
    if (form->CreateDialogWindow(owner) == nullptr) return -1;
    return form->RunModal();
}

HWND VelaDialogForm::RunningDialogOver(HWND owner) {
    if (owner == nullptr || !::IsWindow(owner) || ::IsWindowEnabled(owner)) return nullptr;
    DialogSearch search = {owner, nullptr};
    ::EnumThreadWindows(::GetWindowThreadProcessId(owner, nullptr), &FindRunningDialog,
                        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool VelaDialogForm::BringRunningDialogForward(HWND owner) {
    HWND dialog = RunningDialogOver(owner);
    if (dialog == nullptr) return false;
    ::SetForegroundWindow(dialog);
    return true;
}

const wchar_t* VelaDialogForm::GetWindowClassName() const { return kSharedDialogClass; }

UINT VelaDialogForm::GetClassStyle() const { return CS_DBLCLKS; }

LRESULT VelaDialogForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return OnCreate();
    case WM_SIZE:
        OnSize();
        break;  // the manager lays the controls out as well
    case WM_NCCALCSIZE:
    case WM_NCPAINT:
        return 0;
    case WM_NCHITTEST:
        return OnNcHitTest(lParam);
    case WM_NCACTIVATE: {
        LRESULT result = 0;
        if (FrameNcActivate(m_hWnd, wParam, result)) return result;
        break;
    }
    case WM_SYSCOMMAND:
        // Alt+F4 and the like end the dialog as Esc does, so the caller gets a real answer.
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            Close(GetEscapeResult());
            return 0;
        }
        break;
    default:
        break;
    }
    LRESULT result = 0;
    if (m_pm.HandleMessage(message, wParam, lParam, result)) return result;
    return CWindowWnd::HandleMessage(message, wParam, lParam);
}

void VelaDialogForm::OnFinalMessage(HWND) {
    m_pm.RemovePreMessageFilter(this);
    delete this;
}

LRESULT VelaDialogForm::OnCreate() {
    MakeBorderless(m_hWnd);

    m_pm.Init(m_hWnd);
    m_pm.AddPreMessageFilter(this);
    UIToolkit::CDialogBuilder builder;
    CControlUI* root = builder.Create(UIToolkit::LayoutSource::Resource(static_cast<WORD>(m_layoutId)),
                                      kLayoutResourceType, nullptr, &m_pm);
    if (root == nullptr) return -1;
    m_pm.AttachRoot(root);
    m_pm.AddNotifier(this);
    InitControls();
    return 0;
}

LRESULT VelaDialogForm::OnNcHitTest(LPARAM lParam) {
    return FrameHitTest(m_hWnd, m_pm, lParam, false, kCaptionKeepsButtons);
}

void VelaDialogForm::OnSize() { ApplyRoundRegion(m_hWnd, m_pm); }

LRESULT VelaDialogForm::FilterMessage(UINT message, WPARAM wParam, LPARAM, bool&) {
    if (message == WM_KEYDOWN && wParam == VK_ESCAPE) Close(GetEscapeResult());
    return 0;
}

CControlUI* VelaDialogForm::FindControl(const wchar_t* name) const { return m_pm.FindControlByName(name); }

bool IsOptionSelected(CControlUI* option) {
    auto* control = dynamic_cast<UIToolkit::COptionUI*>(option);
    return control != nullptr && control->IsSelected();
}

void SelectOption(CControlUI* option, bool on) {
    if (auto* control = dynamic_cast<UIToolkit::COptionUI*>(option)) control->SetSelected(on);
}

}  // namespace VelaUI
