// The push dialog: sends the track that plays to one of the user's other devices or to a
// friend through the push client.
#pragma once

#include <memory>
#include <string>

#include "push_client.h"
#include "track_info.h"
#include "vela_dialog.h"

namespace VelaUI {

class VelaPushForm : public VelaDialogForm {
public:
    // Pages of "TabSwitch".
    enum { kDevicePage = 0, kFriendPage = 1 };

    explicit VelaPushForm(const wchar_t* layoutFile);

    // Keeps the client and makes this dialog's window the one its notifications go to.
    void SetClient(const std::shared_ptr<CPushClient>& client);
    // The content to push: the four values in the ANSI code page, joined with ","; then shows
    // the device page.
    void SetContent(const std::wstring& a, const std::wstring& b, const std::wstring& c, const std::wstring& d);
    const std::string& GetContent() const { return m_content; }

    void Notify(UINotify& msg) override;
    // Pushes the content to the device or friend chosen on the page shown.
    void Push();
    void FillDeviceList();
    void FillFriendList();
    // A device changed its state (WM_PUSH_DEVICE_STATE): the list that waits in the client's
    // notification sink.
    LRESULT OnDeviceState();

protected:
    const wchar_t* GetWindowClassName() const override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void InitControls() override;

private:
    void RegisterWithClient();
    void LeaveClient();
    UIToolkit::CComboUI* ShownCombo() const;
    int ShownPage() const;

    UIToolkit::CTabLayoutUI* m_tabSwitch;
    UIToolkit::COptionUI* m_optionDevice;
    UIToolkit::CComboUI* m_comboDevice;
    UIToolkit::COptionUI* m_optionFriend;
    UIToolkit::CComboUI* m_comboFriend;
    CControlUI* m_btnClose;
    CControlUI* m_btnCancel;
    CControlUI* m_btnOK;
    std::shared_ptr<CPushClient> m_client;
    std::string m_content;
    // Whether the items of each list are targets, or only a placeholder that says why there are none.
    bool m_devicesAreTargets;
    bool m_friendsAreTargets;
};

// The text of a device's item: its icon by type and online flag as tagged text, then its name.
std::wstring DeviceItemText(const MSIPDevice& device);

// What the main window's push button does once it knows its state: refuses with an info tip
// when the push service is not ready (0) or there is no track to push (-1, see
// CurrentTrackToShare), else runs the push dialog for the track (0; -1 when it cannot be made).
int RunPush(HWND owner, const std::shared_ptr<CPushClient>& client, const std::wstring& accountName,
            const TrackInfo* track);

}  // namespace VelaUI
