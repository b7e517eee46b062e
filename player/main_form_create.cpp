// The main window: construction, creation and binding, the workers, the message map, the
// dispatch of notifications and clicks, and the closing sequence.
#include "vela_main_form.h"

#include "audio_play.h"
#include "data_folder.h"
#include "main_messages.h"
#include "stat_report.h"
#include "vela_frame.h"
#include "web_browser.h"

namespace VelaUI {

namespace {

const WORD kMainLayout = 205;
const wchar_t* const kLayoutType = L"xml";
// The timer that retries a close while a modal dialog of the main window is ending.
const UINT_PTR kCloseRetryTimer = 401;
const UINT kCloseRetryElapse = 100;
// How long the closing sequence waits for each worker thread.
const DWORD kWorkerEndMs = 10000;

bool IsRowOf(CControlUI* sender, CControlUI* list) {
    if (sender == nullptr || list == nullptr) return false;
    auto* item = static_cast<UIToolkit::IListItemUI*>(sender->GetInterface(L"ListItem"));
    if (item == nullptr) return false;
    return item->GetOwner() == static_cast<UIToolkit::IListOwnerUI*>(list->GetInterface(L"IListOwner"));
}

// Asks a shown, enabled window of the UI thread other than the main window (a modal dialog) to
// end as its close box would.
BOOL CALLBACK EndModalDialog(HWND hWnd, LPARAM mainWindow) {
    if (hWnd != reinterpret_cast<HWND>(mainWindow) && ::IsWindowVisible(hWnd) && ::IsWindowEnabled(hWnd)) {
        ::PostMessageW(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    return TRUE;
}

}  // namespace

CControlUI* CDialogBuilderCallbackEx::CreateControl(const wchar_t* tag) {
    if (tag != nullptr && ::lstrcmpW(tag, L"PlayList") == 0) return new UIToolkit::CPlayListUI;
    return nullptr;
}

// ---- Tables ----------------------------------------------------------------------------------

// One row of the message map. A null handler is a message whose handler is not built yet: it goes
// on to the manager as if unhandled.
struct VelaMainForm::MessageRoute {
    UINT first;
    UINT last;
    // Returns true when the message is handled (with result).
    bool (*handle)(VelaMainForm& form, WPARAM wParam, LPARAM lParam, LRESULT& result);
};

const VelaMainForm::MessageRoute VelaMainForm::kMessageRoutes[] = {
    {WM_CREATE, WM_CREATE, [](VelaMainForm& f, WPARAM, LPARAM, LRESULT& r) { r = f.OnCreate(); return true; }},
    {WM_DESTROY, WM_DESTROY, [](VelaMainForm& f, WPARAM, LPARAM, LRESULT& r) { f.OnDestroy(); r = 0; return true; }},
    {WM_SIZE, WM_SIZE, [](VelaMainForm& f, WPARAM, LPARAM, LRESULT&) { f.OnSize(); return false; }},
    {WM_CLOSE, WM_CLOSE,
     [](VelaMainForm& f, WPARAM, LPARAM, LRESULT& r) {
         bool handled = false;
         try {
             r = f.OnClose(handled);
         } catch (...) {
             // The closing sequence ends early; the message stays unhandled as the sequence had
             // marked it, so the window is destroyed all the same (OnDestroy ends the rest).
             r = 0;
         }
         return handled;
     }},
    {WM_GETMINMAXINFO, WM_GETMINMAXINFO,
     [](VelaMainForm& f, WPARAM, LPARAM l, LRESULT&) { f.OnGetMinMaxInfo(l); return false; }},
    {WM_NCHITTEST, WM_NCHITTEST, [](VelaMainForm& f, WPARAM, LPARAM l, LRESULT& r) { r = f.OnNcHitTest(l); return true; }},
    {WM_NCACTIVATE, WM_NCACTIVATE,
     [](VelaMainForm& f, WPARAM w, LPARAM, LRESULT& r) { return FrameNcActivate(f.m_hWnd, w, r); }},
    {WM_SHOWWINDOW, WM_SHOWWINDOW, [](VelaMainForm&, WPARAM, LPARAM, LRESULT& r) { r = 0; return true; }},
    {WM_NCCALCSIZE, WM_NCCALCSIZE, [](VelaMainForm&, WPARAM, LPARAM, LRESULT& r) { r = 0; return true; }},
    {WM_NCPAINT, WM_NCPAINT, [](VelaMainForm&, WPARAM, LPARAM, LRESULT& r) { r = 0; return true; }},
    {WM_SYSCOMMAND, WM_SYSCOMMAND, [](VelaMainForm& f, WPARAM w, LPARAM l, LRESULT& r) { return f.OnSysCommand(w, l, r); }},
    // The end of the session (log-off, shut-down) ends the process without WM_CLOSE: what the
    // closing sequence would save is saved when it comes. The player never holds it up.
    {WM_QUERYENDSESSION, WM_QUERYENDSESSION, [](VelaMainForm&, WPARAM, LPARAM, LRESULT& r) { r = TRUE; return true; }},
    {WM_ENDSESSION, WM_ENDSESSION,
     [](VelaMainForm& f, WPARAM w, LPARAM, LRESULT& r) {
         if (w != FALSE && !f.m_closed) {
             f.SaveDownloadList();
             f.SavePlayLists();
         }
         r = 0;
         return true;
     }},
    {WM_TIMER, WM_TIMER,
     [](VelaMainForm& f, WPARAM w, LPARAM, LRESULT& r) {
         if (w != kCloseRetryTimer) return false;  // timer 400 has no effect
         ::KillTimer(f.m_hWnd, kCloseRetryTimer);
         f.PostMessage(WM_CLOSE);
         r = 0;
         return true;
     }},
    {WM_DOWNLOAD_MENU, WM_DOWNLOAD_MENU, [](VelaMainForm&, WPARAM, LPARAM, LRESULT& r) { r = 0; return true; }},
    {WM_MAIN_RESERVED_1075, WM_MAIN_RESERVED_1075, [](VelaMainForm&, WPARAM, LPARAM, LRESULT& r) { r = 0; return true; }},
    {WM_TRAYICON, WM_TRAYICON, [](VelaMainForm& f, WPARAM, LPARAM l, LRESULT& r) { r = f.OnTrayIcon(l); return true; }},
    {WM_CLOSESET_CANCEL, WM_CLOSESET_CANCEL, [](VelaMainForm&, WPARAM, LPARAM, LRESULT& r) { r = 0; return true; }},
    {WM_CLOSESET_OK, WM_CLOSESET_OK,
     [](VelaMainForm& f, WPARAM w, LPARAM, LRESULT& r) {
         if (w == 1) {
             f.HideToTray();
         } else {
             f.Close(1);
         }
         r = 1;
         return true;
     }},
    {WM_OPTION_CANCEL, WM_OPTION_CANCEL, [](VelaMainForm&, WPARAM, LPARAM, LRESULT& r) { r = 0; return true; }},
    {WM_OPTION_SAVED, WM_OPTION_SAVED,
     [](VelaMainForm& f, WPARAM, LPARAM, LRESULT& r) { f.LoadSettings(true, false, false); r = 0; return true; }},
    {WM_TRAYMENU_LOGIN, WM_TRAYMENU_LOGIN, [](VelaMainForm& f, WPARAM, LPARAM, LRESULT& r) { f.OnLoginMenu(); r = 0; return true; }},
    {WM_TRAYMENU_OPTIONS, WM_TRAYMENU_OPTIONS,
     [](VelaMainForm& f, WPARAM, LPARAM, LRESULT& r) { f.ShowOptionForm(); r = 1; return true; }},
    {WM_TRAYMENU_TOPMOST, WM_TRAYMENU_TOPMOST,
     [](VelaMainForm& f, WPARAM, LPARAM, LRESULT& r) { f.ApplyTopmost(); r = 0; return true; }},
    {WM_TRAYMENU_UPDATE, WM_TRAYMENU_UPDATE, [](VelaMainForm& f, WPARAM, LPARAM, LRESULT& r) { f.RunUpdater(); r = 0; return true; }},
    {WM_TRAYMENU_HOMEPAGE, WM_TRAYMENU_HOMEPAGE,
     [](VelaMainForm& f, WPARAM, LPARAM, LRESULT& r) { f.OpenHomePage(); r = 0; return true; }},
    {WM_TRAYMENU_ABOUT, WM_TRAYMENU_ABOUT, [](VelaMainForm& f, WPARAM, LPARAM, LRESULT& r) { f.ShowAboutForm(); r = 1; return true; }},
    {WM_TRAYMENU_EXIT, WM_TRAYMENU_EXIT,
     [](VelaMainForm& f, WPARAM, LPARAM, LRESULT& r) {
         f.RemoveTrayIcon();
         f.Close(1);
         r = 0;
         return true;
     }},
    {WM_LOGIN_CLOSED, WM_LOGIN_CLOSED, [](VelaMainForm&, WPARAM, LPARAM, LRESULT& r) { r = 0; return true; }},
    {WM_LOGIN_OK, WM_LOGIN_OK, [](VelaMainForm& f, WPARAM, LPARAM, LRESULT& r) { f.OnLoggedIn(); r = 0; return true; }},
    {WM_MAIN_UNHANDLED_FIRST, WM_MAIN_UNHANDLED_LAST, nullptr},       // not the main window's
    {WM_LOAD_ONLINE_PLAYLISTS, WM_LOAD_ONLINE_PLAYLISTS,
     [](VelaMainForm& f, WPARAM, LPARAM, LRESULT& r) {
         // Only a signed-in user has online playlists to show.
         r = f.IsSignedIn() ? f.LoadOnlinePlayLists() : 0;
         return true;
     }},
    {WM_PLAYER_STATE, WM_PLAYER_STATE,
     [](VelaMainForm& f, WPARAM w, LPARAM, LRESULT& r) { f.OnEngineState(static_cast<int>(w)); r = 1; return true; }},
    {WM_PLAYER_PROGRESS, WM_PLAYER_PROGRESS,
     [](VelaMainForm& f, WPARAM w, LPARAM l, LRESULT& r) { r = f.OnPlayerProgress(w, l); return true; }},
    {WM_WEB_AUDITION, WM_WEB_AUDITION, [](VelaMainForm& f, WPARAM, LPARAM, LRESULT& r) { f.PlayAudition(); r = 0; return true; }},
    {WM_WEB_ADD_TRACKS, WM_WEB_ADD_TRACKS,
     [](VelaMainForm& f, WPARAM, LPARAM, LRESULT& r) { f.AppendWebTracks(f.GetPlayList(0)); r = 0; return true; }},
    {WM_WEB_DOWNLOAD, WM_WEB_DOWNLOAD,
     [](VelaMainForm& f, WPARAM, LPARAM, LRESULT& r) { r = f.DownloadWebTracks(); return true; }},
    {WM_WEB_STOP, WM_WEB_STOP, [](VelaMainForm& f, WPARAM, LPARAM, LRESULT& r) { f.StopPlay(); r = 0; return true; }},
    {WM_WEB_AUDITION_AGAIN, WM_WEB_AUDITION_AGAIN,
     [](VelaMainForm& f, WPARAM, LPARAM, LRESULT& r) { f.PlayAudition(); r = 0; return true; }},
    {WM_WEB_ADD_ALL, WM_WEB_ADD_ALL,
     [](VelaMainForm& f, WPARAM, LPARAM, LRESULT& r) {
         // What the page asked for waits in its bridge; the message's values are not used, as any
         // program can post this number.
         CWebBrowserBase::AddAllRequest request;
         CWebBrowserBase* page = f.GetWebBrowser();
         r = page != nullptr && page->TakeAddAllRequest(request) ? f.OnWebAddAll(request.text, request.number) : 0;
         return true;
     }},
    {WM_WEB_ADD_ALL_2, WM_WEB_ADD_ALL_3,
     // Nobody sends these with a text: wParam is not taken for one.
     [](VelaMainForm& f, WPARAM, LPARAM l, LRESULT& r) { r = f.OnWebAddAll(std::wstring(), static_cast<int>(l)); return true; }},
    {WM_WEB_SHOW_AUDITION, WM_WEB_SHOW_AUDITION,
     [](VelaMainForm& f, WPARAM, LPARAM, LRESULT& r) { f.ShowAuditionList(); r = 0; return true; }},
    {WM_RUN_UI_TASKS, WM_RUN_UI_TASKS, [](VelaMainForm& f, WPARAM, LPARAM, LRESULT& r) { f.RunUiTasks(); r = 0; return true; }},
};

// One row of the click dispatch: the bound control and its action. A null action is a button
// whose handler is not built yet.
struct VelaMainForm::ClickRoute {
    CControlUI* VelaMainForm::*control;
    void (*action)(VelaMainForm& form);
};

const VelaMainForm::ClickRoute VelaMainForm::kClickRoutes[] = {
    {&VelaMainForm::m_btnClose, [](VelaMainForm& f) { f.OnCloseButton(); }},
    {&VelaMainForm::m_btnLogin, [](VelaMainForm& f) { f.ShowLoginForm(); }},
    {&VelaMainForm::m_btnRegAccount, [](VelaMainForm& f) { f.OpenRegisterPage(); }},
    {&VelaMainForm::m_btnFeedback, [](VelaMainForm& f) { f.OpenFeedbackPage(); }},
    {&VelaMainForm::m_btnSystemSet, [](VelaMainForm& f) { f.ShowSystemMenu(); }},
    {&VelaMainForm::m_btnMin, [](VelaMainForm& f) { f.SendMessage(WM_SYSCOMMAND, SC_MINIMIZE); }},
    {&VelaMainForm::m_btnPlayStop, [](VelaMainForm& f) { f.StopPlay(); }},
    {&VelaMainForm::m_btnPlayPre, [](VelaMainForm& f) { f.RequestPrevious(); }},
    {&VelaMainForm::m_btnPlay, [](VelaMainForm& f) { f.RequestPlayOrPause(); }},
    {&VelaMainForm::m_btnPlayNext, [](VelaMainForm& f) { f.RequestNext(); }},
    {&VelaMainForm::m_btnToDown, [](VelaMainForm& f) { f.DownloadCurrent(); }},
    {&VelaMainForm::m_btnILike, [](VelaMainForm& f) { f.AddCurrentToFavourites(); }},
    {&VelaMainForm::m_btnWantShare, [](VelaMainForm& f) { f.ShowMusicShareForm(); }},
    {&VelaMainForm::m_btnPush, [](VelaMainForm& f) { f.ShowPushForm(); }},  // hidden and disabled
    {&VelaMainForm::m_btnPlaySerial, [](VelaMainForm& f) { f.SetPlayMode(0); }},
    {&VelaMainForm::m_btnPlayCircular, [](VelaMainForm& f) { f.SetPlayMode(1); }},
    {&VelaMainForm::m_btnPlayCircularSingle, [](VelaMainForm& f) { f.SetPlayMode(2); }},
    {&VelaMainForm::m_btnPlayRandom, [](VelaMainForm& f) { f.OnModeRandom(); }},
    {&VelaMainForm::m_btnAudition, [](VelaMainForm& f) { f.ShowAuditionList(); }},
    {&VelaMainForm::m_btnTabPlayList, [](VelaMainForm& f) { f.ShowPlayListTab(); }},
    {&VelaMainForm::m_btnTabDownManage, [](VelaMainForm& f) { f.ShowDownloadTab(); }},
    {&VelaMainForm::m_btnSound, [](VelaMainForm& f) { f.ToggleMute(); }},
    {&VelaMainForm::m_btnTabMyMusic, [](VelaMainForm& f) { f.ShowMyMusicTab(); }},
    {&VelaMainForm::m_btnTabRecommend, [](VelaMainForm& f) { f.ShowRecommendTab(); }},
    {&VelaMainForm::m_btnNewPlayList, [](VelaMainForm&) {}},
    {&VelaMainForm::m_btnSearch, [](VelaMainForm& f) { f.Search(); }},
    {&VelaMainForm::m_btnLogout, [](VelaMainForm& f) { f.Logout(); }},
};

// One row of the binding table: a layout name, its member and what is done to it when bound.
struct VelaMainForm::Binding {
    const wchar_t* name;
    CControlUI* VelaMainForm::*member;
    void (*prepare)(CControlUI* control);
};

namespace {
void Hide(CControlUI* c) { c->SetVisible(false); }
void HideAndDisable(CControlUI* c) {
    c->SetEnabled(false);
    c->SetVisible(false);
}
void NoContextMenu(CControlUI* c) { c->SetAttribute(L"menu", L"false"); }
}  // namespace

const VelaMainForm::Binding VelaMainForm::kBindings[] = {
    {L"TextUserName", &VelaMainForm::m_textUserName, Hide},
    {L"BtnLogin", &VelaMainForm::m_btnLogin, nullptr},
    {L"BtnRegAccount", &VelaMainForm::m_btnRegAccount, nullptr},
    {L"BtnLogout", &VelaMainForm::m_btnLogout, Hide},
    {L"BtnFeedback", &VelaMainForm::m_btnFeedback, nullptr},
    {L"BtnSystemSet", &VelaMainForm::m_btnSystemSet, nullptr},
    {L"BtnMin", &VelaMainForm::m_btnMin, nullptr},
    {L"BtnClose", &VelaMainForm::m_btnClose, nullptr},
    {L"TextArtist_Sing", &VelaMainForm::m_textTitle, nullptr},
    {L"BtnLRC", &VelaMainForm::m_btnLrc, nullptr},
    {L"TextInfoDynamicShare", &VelaMainForm::m_textShareInfo, [](CControlUI* c) { c->SetText(L""); }},
    {L"BtnToDown", &VelaMainForm::m_btnToDown, nullptr},
    {L"BtnILike", &VelaMainForm::m_btnILike, nullptr},
    {L"BtnWantShare", &VelaMainForm::m_btnWantShare, nullptr},
    {L"BtnPush", &VelaMainForm::m_btnPush, HideAndDisable},
    {L"BtnPlayStop", &VelaMainForm::m_btnPlayStop, nullptr},
    {L"BtnPlayPre", &VelaMainForm::m_btnPlayPre, nullptr},
    {L"BtnPlay", &VelaMainForm::m_btnPlay, nullptr},
    {L"BtnPlayNext", &VelaMainForm::m_btnPlayNext, nullptr},
    {L"BtnSound", &VelaMainForm::m_btnSound, nullptr},
    {L"SliderVol", &VelaMainForm::m_sliderVol, [](CControlUI* c) { c->SetAttribute(L"value", L"100"); }},
    {L"SliderPlayProgress", &VelaMainForm::m_sliderProgress, [](CControlUI* c) { c->SetAttribute(L"value", L"0"); }},
    {L"BtnPlaySerial", &VelaMainForm::m_btnPlaySerial, Hide},
    {L"BtnPlayCircular", &VelaMainForm::m_btnPlayCircular, nullptr},
    {L"BtnPlayCircularSingle", &VelaMainForm::m_btnPlayCircularSingle, nullptr},
    {L"BtnPlayRandom", &VelaMainForm::m_btnPlayRandom, nullptr},
    {L"BtnAudition", &VelaMainForm::m_btnAudition, Hide},
    {L"BtnTabPlayList", &VelaMainForm::m_btnTabPlayList, nullptr},
    {L"BtnTabDownManage", &VelaMainForm::m_btnTabDownManage, nullptr},
    {L"LablePlayTime", &VelaMainForm::m_labelPlayTime, [](CControlUI* c) { c->SetText(L"00:00"); }},
    {L"Container_PlayList", &VelaMainForm::m_containerPlayList, nullptr},
    {L"Container_DownManage", &VelaMainForm::m_containerDownManage, nullptr},
    {L"BtnTabMyMusic", &VelaMainForm::m_btnTabMyMusic, nullptr},
    {L"BtnTabMusicRecommend", &VelaMainForm::m_btnTabRecommend, nullptr},
    {L"VLMyMusic", &VelaMainForm::m_myMusic, nullptr},
    {L"BtnSearch", &VelaMainForm::m_btnSearch, nullptr},
    {L"EditSearch", &VelaMainForm::m_editSearch, nullptr},
    {L"ListDownloadManage", &VelaMainForm::m_listDownloadManage, NoContextMenu},
    {L"ListPlayList", &VelaMainForm::m_listPlayList, NoContextMenu},
};

// ---- Construction and creation ---------------------------------------------------------------

VelaMainForm::VelaMainForm(const wchar_t* layoutFile) : m_layoutFile(layoutFile != nullptr ? layoutFile : L"") {}

VelaMainForm::~VelaMainForm() {
    if (m_commandEvent != nullptr) ::CloseHandle(m_commandEvent);
}

const wchar_t* VelaMainForm::GetWindowClassName() const { return L"VelaUI::VelaMainForm"; }

UINT VelaMainForm::GetClassStyle() const { return CS_DBLCLKS; }

void VelaMainForm::OnFinalMessage(HWND) {
    // A worker that would not end still refers to this object; the process ends soon after.
    if (m_workersEnded) delete this;
}

LRESULT VelaMainForm::OnCreate() {
    MakeBorderless(m_hWnd);

    m_pm.Init(m_hWnd);
    UIToolkit::CDialogBuilder builder;
    CDialogBuilderCallbackEx callback;
    CControlUI* root = builder.Create(UIToolkit::LayoutSource::Resource(kMainLayout), kLayoutType, &callback, &m_pm);
    m_pm.AttachRoot(root);
    m_pm.AddNotifier(this);
    InitWindow();
    StartWorkers();
    return 0;
}

void VelaMainForm::InitWindow() {
    GetBrowserPath(m_browserPath);
    GetUserDataFolder(m_dataFolder);
    LoadSettings(true, true, true);
    {
        SharedGuard guard(m_sharedLock);
        m_closing = false;
    }
    m_audio = std::shared_ptr<CAudioPlay>(new CAudioPlay(), [](CAudioPlay* engine) { engine->Release(); });
    m_audio->Init();
    m_audio->SetNotifyWindow(m_hWnd);
    m_playState = 8;  // idle: nothing has been played yet
    m_timer = ::SetTimer(m_hWnd, kMainTimerId, kMainTimerElapse, nullptr);
    m_downloadMonitorOn = true;
    GetMacAddress(m_macAddress);
    m_playMode = 0;
    m_musicTab = -1;
    m_listTab = -1;
    m_randomRound.Reset();
    m_seeking = 0;
    BindControls();
    CreateWebPage();
    AddTrayIcon();
    SetMusicTab(1);
    SetListTab(0);
}

void VelaMainForm::BindControls() {
    for (const Binding& binding : kBindings) {
        CControlUI* control = m_pm.FindControlByName(binding.name);
        this->*binding.member = control;
        if (control != nullptr && binding.prepare != nullptr) binding.prepare(control);
    }
}

void VelaMainForm::StartWorkers() {
    if (auto* list = dynamic_cast<UIToolkit::CListUI*>(m_listDownloadManage)) list->SetTextCallback(this);
    LoadDownloadList();
    m_workersEnded = false;

    StatReportInfo& report = g_StatReportInfo;
    report.TypeID = "01";
    report.ModId = "07";
    report.OperationID = "007";
    report.MacAddress = m_macAddress;
    report.UserName.clear();
    report.ChannelNo.clear();
    report.StopFlag = false;
    report.InitLock();
    m_statWorker.Start([](FormWorker&) { return StatHeartbeatThread(&g_StatReportInfo); });

    m_monitorWorker.Start([this](FormWorker& worker) { return DownloadMonitorThread(worker); });

    m_commandEvent = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (m_commandEvent != nullptr) {
        m_commandWorker.Start([this](FormWorker& worker) { return PlayerCommandThread(worker); });
    }
    // Auto-play waits for the playlists ("windowinit"): StartAutoPlay.
}

// ---- Threads and shared state ----------------------------------------------------------------

void VelaMainForm::RunOnUiThread(std::function<void()> task) {
    HWND hWnd = nullptr;
    {
        SharedGuard guard(m_sharedLock);
        if (m_closed || m_hWnd == nullptr) return;
        m_uiTasks.push_back(std::move(task));
        if (m_uiTasks.size() > 1) return;  // a message is on its way already
        hWnd = m_hWnd;
    }
    ::PostMessageW(hWnd, WM_RUN_UI_TASKS, 0, 0);
}

void VelaMainForm::RunUiTasks() {
    std::vector<std::function<void()>> tasks;
    {
        SharedGuard guard(m_sharedLock);
        tasks.swap(m_uiTasks);
    }
    for (auto& task : tasks) task();
}

void VelaMainForm::QueueCommand(const PlayerCommand& command) {
    NoteCommandQueued(command.code);
    {
        SharedGuard guard(m_sharedLock);
        m_command = command;
        m_command.serial = ++m_commandSerial;
    }
    if (m_commandEvent != nullptr) ::SetEvent(m_commandEvent);
}

PlayerCommand VelaMainForm::TakeCommand() {
    SharedGuard guard(m_sharedLock);
    const PlayerCommand command = m_command;
    // Taken: a wake-up for a command queued after this one's signal finds nothing to run again.
    // The serial stays, so that the command thread still sees whether a newer one came.
    m_command.code = 0;
    return command;
}

// ---- Message map and dispatch ----------------------------------------------------------------

bool VelaMainForm::RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    for (const MessageRoute& route : kMessageRoutes) {
        if (message < route.first || message > route.last) continue;
        return route.handle != nullptr && route.handle(*this, wParam, lParam, result);
    }
    return false;
}

LRESULT VelaMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (RouteMessage(message, wParam, lParam, result)) return result;
    if (m_pm.HandleMessage(message, wParam, lParam, result)) return result;
    return CWindowWnd::HandleMessage(message, wParam, lParam);
}

void VelaMainForm::Notify(UINotify& msg) {
    if (m_editPlayListName != nullptr && msg.sender == m_editPlayListName &&
        (msg.type == L"return" || msg.type == L"killfocus")) {
        if (m_editPlayListName->IsVisible()) {
            m_editPlayListName->SetVisible(false);
            m_editPlayListName->Invalidate();
        }
    } else if (msg.sender != nullptr && msg.sender == m_editSearch && msg.type == L"return") {
        Search();
    } else if (msg.type == L"windowinit") {
        InitLocalPlayLists();
        StartAutoPlay();
    } else if (msg.type == L"click") {
        OnClick(msg);
    } else if (msg.sender != nullptr && msg.sender == m_sliderProgress &&
               (msg.type == L"valuechanging" || msg.type == L"valuechanged")) {
        if (msg.type == L"valuechanging") {
            OnProgressSliderChanging();
        } else {
            SeekToSlider();
        }
    } else if (msg.sender != nullptr && msg.sender == m_sliderVol && msg.type == L"valuechanged") {
        SetVolumeFromSlider();
    } else if (msg.type == L"itemclick" && IsRowOf(msg.sender, m_listDownloadManage)) {
        OnDownloadRowClick(msg);
    } else if (msg.type == L"itemclick" && IsRowOf(msg.sender, m_tree)) {
        OnPlayListTreeClick(msg);
    } else if (msg.type == L"itemdbclick" && IsRowOf(msg.sender, m_listPlayList)) {
        OnPlayListDoubleClick(msg);
    } else if (msg.type == L"menu") {
        OnListMenu(msg);
    } else if (msg.type == L"menu_PlayList") {
        OnPlayListMenu(msg);
    } else if (msg.type == L"menu_PlayList_Manage") {
        OnPlayListManageMenu(msg);
    }
}

void VelaMainForm::OnClick(UINotify& msg) {
    if (msg.sender == nullptr) return;
    for (const ClickRoute& route : kClickRoutes) {
        if (msg.sender != this->*route.control) continue;
        if (route.action != nullptr) route.action(*this);
        return;
    }
    for (int k = 0; k < static_cast<int>(sizeof m_btnPlayLists / sizeof m_btnPlayLists[0]); ++k) {
        if (m_btnPlayLists[k] != nullptr && msg.sender == m_btnPlayLists[k]) {
            SelectPlayList(k, true);
            return;
        }
    }
}

// ---- Closing ---------------------------------------------------------------------------------

bool VelaMainForm::CloseWhenEnabled() {
    bool ready = true;
    if (m_waitingForUpdater) {
        // RunUpdater waits on this thread: end that wait; the close goes on once it is back.
        if (m_endUpdaterWait.IsValid()) ::SetEvent(m_endUpdaterWait.Get());
        ready = false;
    }
    if (!::IsWindowEnabled(m_hWnd)) {
        // A modal dialog of this window runs its loop on this thread: destroying the window now
        // would return that loop into a deleted form. End the dialogs and try again once they
        // are gone.
        ::EnumThreadWindows(::GetCurrentThreadId(), &EndModalDialog, reinterpret_cast<LPARAM>(m_hWnd));
        ready = false;
    }
    if (!ready) ::SetTimer(m_hWnd, kCloseRetryTimer, kCloseRetryElapse, nullptr);
    return ready;
}

LRESULT VelaMainForm::OnClose(bool& handled) {
    // A close while the sequence runs (its waits dispatch messages) or while a modal dialog runs
    // is kept from destroying the window.
    if (m_closing || m_closed || !CloseWhenEnabled()) {
        handled = true;
        return 0;
    }
    handled = false;
    {
        SharedGuard guard(m_sharedLock);
        m_closing = true;
        m_command = PlayerCommand();
    }
    g_StatReportInfo.RequestStop();
    if (m_commandEvent != nullptr) ::SetEvent(m_commandEvent);
    if (m_timer != 0) {
        ::KillTimer(m_hWnd, kMainTimerId);
        m_timer = 0;
    }
    RemoveTrayIcon();
    ::AnimateWindow(m_hWnd, 300, AW_HIDE | AW_CENTER);
    EndWorkers();
    StopDownloadThreads();
    // A command thread that did not end may still be on its way into the engine (after a slow
    // service call): then the engine is left alone, to the end of the process.
    if (m_audio && !m_commandWorker.IsRunning()) {
        m_audio->Stop();
        m_audio->Close();
        m_audio->ReleaseAll();
        m_audio.reset();
    }
    StopWebPage();
    SaveDownloadList();
    SaveAndEmptyPlayLists();
    EmptyDownloadViews();
    {
        SharedGuard guard(m_sharedLock);
        m_closed = true;
        m_uiTasks.clear();
    }
    return 0;
}

void VelaMainForm::EndWorkers() {
    // An open stream would keep the command thread in the engine: give it up first.
    if (m_audio) m_audio->SetAbort(TRUE);
    bool ended = m_commandWorker.Stop(kWorkerEndMs);
    ended = m_monitorWorker.Stop(kWorkerEndMs) && ended;
    ended = m_statWorker.Stop(kWorkerEndMs) && ended;
    m_workersEnded = ended;
    if (m_audio && !m_commandWorker.IsRunning()) m_audio->SetAbort(FALSE);
}

void VelaMainForm::SaveAndEmptyPlayLists() {
    const int count = GetPlayListCount();
    for (int i = 0; i < count; ++i) {
        PlayListInfo* playlist = GetPlayList(i);
        m_shownPlayList = i;
        SavePlayList(playlist);
        SharedGuard guard(m_sharedLock);
        playlist->tracks.clear();
    }
    {
        SharedGuard guard(m_sharedLock);
        m_playLists.clear();
        m_currentPlayList = nullptr;
    }
    if (auto* list = dynamic_cast<UIToolkit::CListUI*>(m_listPlayList)) list->RemoveAll();
    if (m_tree != nullptr) m_tree->RemoveAll();  // deletes the nodes and their playlists
    m_nodeDefault = m_nodeILike = m_nodeOnline = nullptr;
}

void VelaMainForm::EmptyDownloadViews() {
    if (auto* list = dynamic_cast<UIToolkit::CListUI*>(m_listDownloadManage)) list->RemoveAll();
}

void VelaMainForm::OnDestroy() {
    bool sequenceRan = false;
    {
        SharedGuard guard(m_sharedLock);
        sequenceRan = m_closed;
        m_closed = true;
        m_closing = true;
        m_uiTasks.clear();
    }
    if (!sequenceRan) {
        // Destroyed without WM_CLOSE: the workers are told to end; those still running keep the
        // form alive (OnFinalMessage) until the process ends.
        g_StatReportInfo.RequestStop();
        m_commandWorker.RequestStop();
        m_monitorWorker.RequestStop();
        StopWebPage();
        m_workersEnded = !m_commandWorker.IsRunning() && !m_monitorWorker.IsRunning() && !m_statWorker.IsRunning();
    }
    ::PostQuitMessage(0);
}

}  // namespace VelaUI
