// The main window's frame: tray icon, tabs, search, the non-client behaviour, outside pages, its
// dialogs and the updater.
#include "vela_main_form.h"

#include <shellapi.h>

#include "about_form.h"
#include "close_set_form.h"
#include "local_helpers.h"
#include "main_messages.h"
#include "menu_right_key.h"
#include "option_form.h"
#include "player_startup.h"
#include "vela_deployment.h"
#include "vela_frame.h"

namespace VelaUI {

namespace {

const UINT kTrayIconId = 110;
const wchar_t kTrayTip[] = L"青岚音乐盒";
// The tray menu opens this far left of and above the cursor.
const int kTrayMenuOffsetX = 155;
const int kTrayMenuOffsetY = 160;

std::wstring HostUrl(const char* host, const wchar_t* path) {
    const std::string text = host;
    return L"http://" + std::wstring(text.begin(), text.end()) + path;
}

POINT CursorPoint(int dx, int dy) {
    POINT pt = {};
    ::GetCursorPos(&pt);
    pt.x -= dx;
    pt.y -= dy;
    if (pt.x < 1) pt.x = 0;
    if (pt.y < 1) pt.y = 0;
    return pt;
}

void SwapImages(CControlUI* control) {
    if (auto* button = dynamic_cast<UIToolkit::CButtonUI*>(control)) button->SwapStateImages();
}

void Show(CControlUI* control, bool show) {
    if (control == nullptr) return;
    control->SetEnabled(show);
    control->SetVisible(show);
}

}  // namespace

// ---- Tray icon --------------------------------------------------------------------------------

void VelaMainForm::AddTrayIcon() {
    m_trayIcon = NOTIFYICONDATAW();
    m_trayIcon.cbSize = sizeof m_trayIcon;
    m_trayIcon.hWnd = m_hWnd;
    m_trayIcon.uID = kTrayIconId;
    m_trayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_trayIcon.uCallbackMessage = WM_TRAYICON;
    m_trayIcon.hIcon = static_cast<HICON>(::LoadImageW(CWindowManagerUI::GetResourceInstance(),
                                                       MAKEINTRESOURCEW(kTrayIconId), IMAGE_ICON,
                                                       ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0));
    ::lstrcpynW(m_trayIcon.szTip, kTrayTip, static_cast<int>(sizeof m_trayIcon.szTip / sizeof m_trayIcon.szTip[0]));
    m_trayIconAdded = ::Shell_NotifyIconW(NIM_ADD, &m_trayIcon) != FALSE;
}

void VelaMainForm::RemoveTrayIcon() {
    if (!m_trayIconAdded) return;
    ::Shell_NotifyIconW(NIM_DELETE, &m_trayIcon);
    ::Shell_NotifyIconW(NIM_SETFOCUS, &m_trayIcon);
    m_trayIconAdded = false;
    if (m_trayIcon.hIcon != nullptr) {
        ::DestroyIcon(m_trayIcon.hIcon);
        m_trayIcon.hIcon = nullptr;
    }
}

void VelaMainForm::HideToTray() { ::ShowWindow(m_hWnd, SW_HIDE); }

LRESULT VelaMainForm::OnTrayIcon(LPARAM mouseMessage) {
    if ((mouseMessage == WM_LBUTTONDOWN || mouseMessage == WM_RBUTTONDOWN) && !::IsWindowEnabled(m_hWnd)) {
        // A dialog of the window runs: the icon shows the window and that dialog. No menu: its
        // items would open a second dialog over the first.
        ShowWindow(true, false);
        VelaDialogForm::BringRunningDialogForward(m_hWnd);
    } else if (mouseMessage == WM_LBUTTONDOWN) {
        ShowWindow(true, true);
    } else if (mouseMessage == WM_RBUTTONDOWN) {
        const POINT at = CursorPoint(kTrayMenuOffsetX, kTrayMenuOffsetY);
        (new MenuRightKey_Tray(L"Menu_RightKeyTray.xml"))->ShowAt(m_hWnd, at.x, at.y);
    }
    return 0;
}

void VelaMainForm::ShowSystemMenu() {
    const POINT at = CursorPoint(0, 0);
    (new MenuRightKey_Tray(L"Menu_RightKeyTray.xml"))->ShowAt(m_hWnd, at.x, at.y);
}

void VelaMainForm::ApplyTopmost() {
    ::SetWindowPos(m_hWnd, IsAlwaysOnTop() ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}

// ---- Tabs -------------------------------------------------------------------------------------

void VelaMainForm::ToggleTabButton(int tab, CControlUI* const* buttons) {
    if (tab == 0 || tab == 1) SwapImages(buttons[tab]);
}

void VelaMainForm::SetListTab(int tab) {
    CControlUI* const buttons[2] = {m_btnTabPlayList, m_btnTabDownManage};
    ToggleTabButton(m_listTab, buttons);
    m_listTab = tab;
    ToggleTabButton(tab, buttons);
}

void VelaMainForm::ShowPlayListTab() {
    if (auto* list = dynamic_cast<UIToolkit::CListUI*>(m_listPlayList)) list->SetTextCallback(this);
    Show(m_containerDownManage, false);
    Show(m_containerPlayList, true);
    SetListTab(0);
}

void VelaMainForm::ShowDownloadTab() {
    Show(m_containerPlayList, false);
    Show(m_containerDownManage, true);
    SetListTab(1);
}

void VelaMainForm::SetMusicTab(int tab) {
    CControlUI* const buttons[2] = {m_btnTabMyMusic, m_btnTabRecommend};
    ToggleTabButton(m_musicTab, buttons);
    m_musicTab = tab;
    ToggleTabButton(tab, buttons);
    CControlUI* list = tab == 1 ? m_listDownloadManage : (tab == 0 ? m_listPlayList : nullptr);
    if (auto* callbackList = dynamic_cast<UIToolkit::CListUI*>(list)) callbackList->SetTextCallback(this);
}

void VelaMainForm::ShowMyMusicTab() {
    ShowWebPage(false);
    if (m_myMusic != nullptr) m_myMusic->SetVisible(true);
    SetMusicTab(0);
    ShowPlayListTab();
    SelectPlayList(m_shownPlayList == -1 ? 0 : m_shownPlayList, true);
}

void VelaMainForm::ShowRecommendTab() {
    if (m_myMusic != nullptr) m_myMusic->SetVisible(false);
    ShowWebPage(true);
    SetMusicTab(1);
}

void VelaMainForm::ShowAuditionList() {
    ShowMyMusicTab();
    ShowPlayListTab();
    SelectPlayList(3, true);
}

// ---- Search -----------------------------------------------------------------------------------

void VelaMainForm::Search() {
    const std::wstring text = m_editSearch != nullptr ? m_editSearch->GetText().GetData() : L"";
    if (text.empty()) {
        ::MessageBoxW(m_hWnd, L"歌曲名不能为空，请重新输入", L"提示", MB_OK);
        return;
    }
    CallPageSearch(text);
}

// ---- Outside pages ----------------------------------------------------------------------------

void VelaMainForm::OpenRegisterPage() { RunCommandLine(m_browserPath + L" " + HostUrl(VELA_ACCOUNT_HOST, L"/passport/reg.php")); }

void VelaMainForm::OpenFeedbackPage() {
    RunCommandLine(m_browserPath + L" " + HostUrl(VELA_UPDATE_HOST, L"/datastatic/Question.aspx"));
}

void VelaMainForm::OpenHomePage() { RunCommandLine(m_browserPath + L" " + HostUrl(VELA_WEB_HOST, L"/")); }

// ---- Dialogs ----------------------------------------------------------------------------------

void VelaMainForm::ShowOptionForm() { VelaDialogForm::ShowDialog(new VelaOptionForm(L"Option.xml", m_hWnd), m_hWnd); }

void VelaMainForm::ShowAboutForm() { VelaDialogForm::ShowDialog(new VelaAboutForm(L"About.xml"), m_hWnd); }

void VelaMainForm::OnCloseButton() {
    // Any non-zero "do not ask" counts: the file may hold other values than the dialog writes.
    if (m_settings.doNotAsk == 0) {
        VelaDialogForm::ShowDialog(new VelaCloseSetForm(L"CloseSet.xml"), m_hWnd);
    } else if (m_settings.closeAction == 1) {
        HideToTray();
    } else {
        Close(1);
    }
}

void VelaMainForm::RunUpdater() {
    if (m_waitingForUpdater) return;  // it runs already
    CScopedHandle process(StartUpdater());
    if (!process.IsValid()) return;
    // The window keeps painting and answering while the updater runs. A close ends the wait (the
    // updater runs on by itself) and goes on once this has returned.
    m_endUpdaterWait.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const HANDLE ends[2] = {process.Get(), m_endUpdaterWait.Get()};
    m_waitingForUpdater = true;
    WaitAnyDispatching(ends, m_endUpdaterWait.IsValid() ? 2 : 1, INFINITE);
    m_waitingForUpdater = false;
    m_endUpdaterWait.Close();
}

// ---- Non-client behaviour ---------------------------------------------------------------------

LRESULT VelaMainForm::OnNcHitTest(LPARAM lParam) {
    return FrameHitTest(m_hWnd, m_pm, lParam, true, kCaptionKeepsButtonsOptionsAndTexts);
}

void VelaMainForm::OnSize() {
    ApplyRoundRegion(m_hWnd, m_pm);
    // The page keeps its inset whatever the window's size; a minimised window has no room.
    if (!::IsIconic(m_hWnd)) PlaceWebPage();
}

void VelaMainForm::OnGetMinMaxInfo(LPARAM lParam) {
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (info == nullptr || !::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
    const RECT& work = monitor.rcWork;
    info->ptMaxPosition.x = work.left - monitor.rcMonitor.left;
    info->ptMaxPosition.y = work.top - monitor.rcMonitor.top;
    info->ptMaxSize.x = work.right - work.left;
    info->ptMaxSize.y = work.bottom - work.top;
}

bool VelaMainForm::OnSysCommand(WPARAM command, LPARAM lParam, LRESULT& result) {
    if ((command & 0xFFF0) == SC_CLOSE) {
        // Alt+F4 and the window menu close as every other way does: lists saved, threads ended.
        Close(1);
        result = 0;
        return true;
    }
    const bool wasZoomed = ::IsZoomed(m_hWnd) != FALSE;
    result = CWindowWnd::HandleMessage(WM_SYSCOMMAND, command, lParam);
    const bool zoomed = ::IsZoomed(m_hWnd) != FALSE;
    if (zoomed != wasZoomed) {
        if (CControlUI* maxButton = m_pm.FindControlByName(L"maxbtn")) maxButton->SetVisible(!zoomed);
        if (CControlUI* restoreButton = m_pm.FindControlByName(L"restorebtn")) restoreButton->SetVisible(zoomed);
    }
    return true;
}

}  // namespace VelaUI
