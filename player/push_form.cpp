// The push dialog.
#include "push_form.h"

#include <cstdint>
#include <new>

#include "http_download_url.h"
#include "info_tips_form.h"
#include "local_helpers.h"
#include "win_text.h"

namespace VelaUI {

using UIToolkit::CComboUI;
using UIToolkit::CListLabelElementUI;
using UIToolkit::COptionUI;
using UIToolkit::CTabLayoutUI;

namespace {

const UINT kPushLayout = 214;
const wchar_t* const kPushFailed = L"推送失败,请稍后再试";

// Item tags hold the 32-bit id of a device or friend.
UINT_PTR IdTag(std::int32_t id) { return static_cast<UINT_PTR>(static_cast<std::uint32_t>(id)); }
std::int32_t TagId(UINT_PTR tag) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(tag)); }

void AddItem(CComboUI* combo, const std::wstring& text, UINT_PTR tag) {
    CListLabelElementUI* item = new CListLabelElementUI();
    item->SetText(text.c_str());
    item->SetTag(tag);
    combo->Add(item);
}

// The own device's id comes as hexadecimal text; ids of eight digits from 80000000 up are the
// negative 32-bit ids of the device list.
bool IsOwnDevice(const MSIPDevice& device, std::int64_t ownId) {
    return static_cast<std::int64_t>(device.id) == ownId ||
           static_cast<std::int64_t>(static_cast<std::uint32_t>(device.id)) == ownId;
}

template <class T>
T* Bind(CControlUI* control, const wchar_t* interfaceName) {
    return control != nullptr ? static_cast<T*>(control->GetInterface(interfaceName)) : nullptr;
}

}  // namespace

std::wstring DeviceItemText(const MSIPDevice& device) {
    const bool handheld = device.type == "handheld";
    const wchar_t* markup = nullptr;
    if (device.online) {
        markup = handheld ? L"<a><i mobile_online.png 1 1></a>" : L"<a><i tv_online.png 1 1></a>";
    } else {
        markup = handheld ? L"<a><i mobile.png 1 1></a>" : L"<a><i tv.png 1 1></a>";
    }
    return markup + AnsiToWide(device.name);
}

VelaPushForm::VelaPushForm(const wchar_t* layoutFile)
    : VelaDialogForm(kPushLayout, layoutFile),
      m_tabSwitch(nullptr),
      m_optionDevice(nullptr),
      m_comboDevice(nullptr),
      m_optionFriend(nullptr),
      m_comboFriend(nullptr),
      m_btnClose(nullptr),
      m_btnCancel(nullptr),
      m_btnOK(nullptr),
      m_devicesAreTargets(false),
      m_friendsAreTargets(false) {}

const wchar_t* VelaPushForm::GetWindowClassName() const { return L"VelaUI::VelaPushForm"; }

void VelaPushForm::InitControls() {
    m_tabSwitch = Bind<CTabLayoutUI>(FindControl(L"TabSwitch"), L"TabLayout");
    m_optionDevice = Bind<COptionUI>(FindControl(L"OptionDevice"), L"Option");
    m_comboDevice = Bind<CComboUI>(FindControl(L"ComboDevice"), L"Combo");
    m_optionFriend = Bind<COptionUI>(FindControl(L"OptionFriend"), L"Option");
    m_comboFriend = Bind<CComboUI>(FindControl(L"ComboFriend"), L"Combo");
    m_btnClose = FindControl(L"BtnClose");
    m_btnCancel = FindControl(L"BtnCancel");
    m_btnOK = FindControl(L"BtnOK");
    // Device items begin with their icon's mark-up.
    if (m_comboDevice != nullptr) m_comboDevice->SetAttribute(L"itemshowhtml", L"true");
    if (m_comboFriend != nullptr) m_comboFriend->SetAttribute(L"itemshowhtml", L"true");
    RegisterWithClient();
}

LRESULT VelaPushForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PUSH_DEVICE_STATE:
        return OnDeviceState();
    case WM_PUSH_NOTIFY_1092:
    case WM_PUSH_NOTIFY_1093:
        return 0;
    case WM_DESTROY:
        // No more notifications for this window; those that came too late go with it.
        LeaveClient();
        break;
    default:
        break;
    }
    return VelaDialogForm::HandleMessage(message, wParam, lParam);
}

void VelaPushForm::SetClient(const std::shared_ptr<CPushClient>& client) {
    LeaveClient();
    m_client = client;
    RegisterWithClient();
}

void VelaPushForm::RegisterWithClient() {
    if (m_client && m_hWnd != nullptr) m_client->SetNotifyWindow(m_hWnd);
}

void VelaPushForm::LeaveClient() {
    if (m_client && m_hWnd != nullptr && m_client->GetNotifyWindow() == m_hWnd) m_client->SetNotifyWindow(nullptr);
}

void VelaPushForm::SetContent(const std::wstring& a, const std::wstring& b, const std::wstring& c,
                              const std::wstring& d) {
    m_content = WideToAnsi(a) + "," + WideToAnsi(b) + "," + WideToAnsi(c) + "," + WideToAnsi(d);
    if (m_optionDevice != nullptr) m_optionDevice->SetSelected(true);  // "selectchanged" fills the list
}

void VelaPushForm::Notify(UINotify& msg) {
    if (msg.sender == nullptr) return;
    if (msg.type == L"click") {
        if (msg.sender == m_btnClose || msg.sender == m_btnCancel) {
            Close(1);
        } else if (msg.sender == m_btnOK) {
            Push();
        }
    } else if (msg.type == L"selectchanged") {
        if (msg.sender == m_optionDevice) {
            FillDeviceList();
        } else if (msg.sender == m_optionFriend) {
            FillFriendList();
        }
    }
}

void VelaPushForm::FillDeviceList() {
    if (m_comboDevice == nullptr) return;
    m_comboDevice->RemoveAll();
    m_devicesAreTargets = false;
    if (!m_client) {
        AddItem(m_comboDevice, L"服务未能启动", 0);
    } else {
        const std::list<MSIPDevice>& devices = m_client->GetDeviceList(true);
        if (devices.empty()) {
            AddItem(m_comboDevice, L"未检测到在线设备", 0);
        } else {
            const std::int64_t ownId = m_client->GetDeviceId();
            for (const MSIPDevice& device : devices) {
                if (IsOwnDevice(device, ownId)) continue;
                AddItem(m_comboDevice, DeviceItemText(device), IdTag(device.id));
                m_devicesAreTargets = true;
            }
        }
    }
    if (m_tabSwitch != nullptr) m_tabSwitch->SelectItem(kDevicePage);
    m_comboDevice->SelectItem(0);
}

void VelaPushForm::FillFriendList() {
    if (m_comboFriend == nullptr) return;
    m_comboFriend->RemoveAll();
    m_friendsAreTargets = false;
    if (!m_client) {
        AddItem(m_comboFriend, L"服务未能启动", 0);
    } else {
        // The friends as the client has them: the list is not asked of the agent again here.
        const std::list<MSIPContact>& friends = m_client->GetFriendList(false);
        if (friends.empty()) {
            AddItem(m_comboFriend, L"还未添加好友", 0);
        } else {
            for (const MSIPContact& contact : friends) {
                AddItem(m_comboFriend, AnsiToWide(contact.nickName), IdTag(contact.id));
            }
            m_friendsAreTargets = true;
        }
    }
    if (m_tabSwitch != nullptr) m_tabSwitch->SelectItem(kFriendPage);
    m_comboFriend->SelectItem(0);
}

int VelaPushForm::ShownPage() const { return m_tabSwitch != nullptr ? m_tabSwitch->GetCurSel() : kDevicePage; }

CComboUI* VelaPushForm::ShownCombo() const { return ShownPage() == kFriendPage ? m_comboFriend : m_comboDevice; }

void VelaPushForm::Push() {
    if (!m_client) return;
    CComboUI* combo = ShownCombo();
    const bool targets = ShownPage() == kFriendPage ? m_friendsAreTargets : m_devicesAreTargets;
    CControlUI* item = nullptr;
    if (combo != nullptr && targets && combo->GetCurSel() >= 0) item = combo->GetItemAt(combo->GetCurSel());
    // Nothing chosen (or only a placeholder shown): there is nobody to push to.
    if (item == nullptr || m_client->PushUriList(TagId(item->GetTag()), m_content) != 0) {
        ShowInfoTip(kPictureWarning, kPushFailed, m_hWnd);
        return;
    }
    ShowInfoTip(kPictureWarning, L"推送成功", m_hWnd);
    Close(1);
}

LRESULT VelaPushForm::OnDeviceState() {
    try {
        std::list<MSIPDevice> devices;
        if (!m_client || !m_client->GetNotifySink().TakeDeviceState(devices)) return 0;
        if (devices.empty() || m_comboDevice == nullptr) return 0;
        if (ShownPage() != kDevicePage || !m_devicesAreTargets) return 0;
        const MSIPDevice& changed = devices.back();
        for (int i = 0; i < m_comboDevice->GetCount(); ++i) {
            CControlUI* item = m_comboDevice->GetItemAt(i);
            if (TagId(item->GetTag()) != changed.id) continue;
            item->SetText(DeviceItemText(changed).c_str());
            m_comboDevice->Invalidate();  // the closed box shows the selected item's text
            break;
        }
    } catch (...) {
        // A notification that cannot be shown changes nothing.
    }
    return 0;
}

int RunPush(HWND owner, const std::shared_ptr<CPushClient>& client, const std::wstring& accountName,
            const TrackInfo* track) {
    if (!client || client->CheckReady() != 0) {
        ShowInfoTip(kPictureWarning,
                    accountName.empty() ? L"您还没有登录,请您先登录再使用" : L"正在启动推送服务,请您稍后重试", owner);
        return 0;
    }
    if (track == nullptr) {
        ShowInfoTip(kPictureWarning, L"您现在没有可推送的信息", owner);
        return -1;
    }
    VelaPushForm* form = new (std::nothrow) VelaPushForm(L"Push.xml");
    if (form == nullptr || form->CreateDialogWindow(owner) == nullptr) return -1;
    form->SetClient(client);
    form->SetContent(track->AlbumID, track->ArtistNameList, track->TrackID, track->TrackName);
    form->RunModal();
    return 0;
}

}  // namespace VelaUI
