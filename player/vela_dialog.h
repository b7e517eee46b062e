// The behaviour every dialog of the player shares: creation with the dialog style, modal showing,
// the borderless frame (no non-client area, caption-band dragging, rounded region) and Esc.
#pragma once

#include <windows.h>

#include "ui_controls.h"

namespace VelaUI {

using UIToolkit::CControlUI;
using UIToolkit::CUIString;
using UIToolkit::CWindowManagerUI;
using UIToolkit::CWindowWnd;
using UIToolkit::IMessageFilterUI;
using UIToolkit::INotifyUI;
using UIToolkit::UINotify;

// The caption is taken away again when the window is created.
const DWORD kDialogStyle =
    WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
static_assert(kDialogStyle == 0x96C80000, "the dialogs' style as the layouts were drawn for");
// The window class that most dialogs share (first registered by the close-behaviour dialog).
extern const wchar_t* const kSharedDialogClass;
// The resource type of every layout of the player.
extern const wchar_t* const kLayoutResourceType;

// Base of the player's dialogs. The object is made with new and deletes itself when its window
// is destroyed; nobody else deletes it once its window exists.
class VelaDialogForm : public CWindowWnd, public INotifyUI, public IMessageFilterUI {
public:
    // Creates the window with the owner, an empty title and the dialog style; the layout's size
    // applies when the layout is attached. An owner that is no longer a window is not used (the
    // dialog is then unowned). An owner that is disabled has a modal dialog running over it: no
    // second one is made (it would enable the owner again under the first when it ended), and
    // the running one is brought to the front instead. On failure or refusal the form has
    // deleted itself and the result is null.
    HWND CreateDialogWindow(HWND owner);
    // Centres the created dialog and runs it modally; the form is gone when this returns.
    // The result is the modal result, or -1 when the window was never created.
    int RunModal();
    // Makes, centres and runs a dialog: -1 when there is no form or its window cannot be made
    // (or is refused, see CreateDialogWindow).
    static int ShowDialog(VelaDialogForm* form, HWND owner);
    // The dialog that runs modally over owner, the one that takes the input now; null when owner
    // is enabled (none runs).
    static HWND RunningDialogOver(HWND owner);
    // Brings RunningDialogOver(owner) to the front; false when none runs.
    static bool BringRunningDialogForward(HWND owner);

    CWindowManagerUI& GetManager() { return m_pm; }
    const CUIString& GetLayoutFileName() const { return m_layoutFile; }

    // Esc closes the dialog with its Esc result; no key is ever consumed here.
    LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

protected:
    VelaDialogForm(UINT layoutId, const wchar_t* layoutFile);
    ~VelaDialogForm() override;

    const wchar_t* GetWindowClassName() const override;
    UINT GetClassStyle() const override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hWnd) override;

    // Builds the layout into the manager and binds the controls; -1 (the window is not made)
    // when the layout cannot be built, since such a dialog could not even be closed.
    virtual LRESULT OnCreate();
    // Binds the named controls and shows what the dialog shows.
    virtual void InitControls() = 0;
    // The modal result of Esc and of the system's close command.
    virtual UINT GetEscapeResult() const { return 1; }

    LRESULT OnNcHitTest(LPARAM lParam);
    void OnSize();
    CControlUI* FindControl(const wchar_t* name) const;

    CWindowManagerUI m_pm;

private:
    UINT m_layoutId;
    CUIString m_layoutFile;
    bool* m_destroyedFlag;  // set while the window is being created, to learn of a self-deletion
};

// The selection of a dialog's option or check box; a missing control is never selected.
bool IsOptionSelected(CControlUI* option);
void SelectOption(CControlUI* option, bool on);

}  // namespace VelaUI
