// The player's main window: a borderless window of 900 by 600 built from layout resource 205.
// One class, one source file per concern:
//   main_form_create.cpp     construction, creation, binding, workers, dispatch, closing
//   main_form_frame.cpp      tray icon, tabs, search, non-client, outside pages, dialogs, updater
//   main_form_settings.cpp   "Set.ini"
//   main_form_playlists.cpp  the local playlists, their rows, cells and files
//   main_form_menus.cpp      the list context menus' handlers
//   main_form_downloads.cpp  the download list, its rows, starts, the monitor and "Dmanage"
//   main_form_web.cpp        the embedded client page: its host, placing, showing, searching
//   main_form_account.cpp    signing in and out, the automatic login
//   main_form_online.cpp     the signed-in user's online playlists
//   main_form_share.cpp      the share and push buttons
//   main_form_playback.cpp   the command thread, playback, play modes, sliders, web track lists
// Message numbers: main_messages.h.
//
// Threads and shared state
// ------------------------
// The UI thread owns every window and control. The player command thread, the download monitor
// and the statistics heartbeat run beside it. The rules, which every concern keeps:
//  1. Data that a worker reads or writes lives under ONE lock, SharedLock(): the playlist table
//     and the playlists' tracks and current indexes, the current playlist, the command slot, and
//     (with the download manager) the download items and the download-thread table. Hold it
//     briefly, around the data only: never across a wait, a modal loop, a SendMessage, a REST
//     call or a call into the audio engine, so that no thread waits for another while holding it.
//  2. Workers never touch controls. They hand control changes to the UI thread with
//     RunOnUiThread (a queued task and a posted private message), and they never SendMessage to
//     the main window: the closing sequence waits for them on the UI thread.
//  3. No worker outlives the window it works for: the closing sequence ends each one with a
//     bounded wait that keeps dispatching messages (the audio engine's threads send
//     WM_PLAYER_PROGRESS to this window meanwhile). A worker that does not end in time keeps the
//     form object alive until the process ends; a command thread that does not end keeps the
//     audio engine too, which nothing else then touches (the thread leaves it alone once the
//     window closes).
//  4. Any program on the desktop can post the window's message numbers: no message carries a
//     pointer the window follows. A payload waits in a queue its owner keeps (RunOnUiThread's
//     tasks, the page bridge's "add all" requests) and the message only says that one waits.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "download_list_file.h"
#include "form_worker.h"
#include "playback_rules.h"
#include "playlist_info.h"
#include "ui_controls.h"
#include "win_owners.h"

class CAudioPlay;
class CPushClient;

namespace VelaUI {

class CClientThread;
class CWebBrowserBase;

using UIToolkit::CControlUI;
using UIToolkit::CUIString;
using UIToolkit::CWindowManagerUI;
using UIToolkit::CWindowWnd;
using UIToolkit::IListCallbackUI;
using UIToolkit::INotifyUI;
using UIToolkit::UINotify;

// Creates the player's own controls for the dialog builder: "PlayList" is the play-list tree;
// every other tag is unknown to the player.
class CDialogBuilderCallbackEx : public UIToolkit::IDialogBuilderCallback {
public:
    CControlUI* CreateControl(const wchar_t* tag) override;
};

// The one-slot queue of the player command thread: only the newest command counts. Everything a
// command needs is copied into it when it is queued, so that the command thread never looks at
// controls (a row may be gone by the time the command runs).
struct PlayerCommand {
    int code = 0;               // 0: none; the codes are PlayerCommandCode
    std::wstring webId;         // load a web list: the id of the list
    int webKind = 0;            // load a web list: its kind
    int clickedList = -1;       // play a row: the shown playlist's index when it was double-clicked
    int clickedRow = -1;        // play a row: the row's index
    bool trackEnded = false;    // previous, next: queued when the last track had played to its end
    bool afterFailure = false;  // next: queued by the command thread because a track failed
    std::wstring url;           // audition: the stream to open
    std::wstring title;         // audition: the title text while it plays
    std::wstring trackName;     // audition: the track's name, for the texts of a failure
    unsigned seekMs = 0;        // seek: the position in milliseconds
    unsigned serial = 0;        // set by the queue: tells a newer command from an older one
};

enum PlayerCommandCode {
    kCommandPrevious = 1,
    kCommandPlayOrPause = 2,
    kCommandNext = 3,
    kCommandPlayCurrent = 4,    // the current track of the current playlist, from its start
    kCommandLoadWebList = 5,
    kCommandPlayRow = 6,
    kCommandAudition = 7,
    kCommandStop = 8,
    kCommandSeek = 9,
};

// The values of "Set.ini" that the main window keeps.
struct MainSettings {
    int runAtLogon = 0;
    int autoPlay = 0;
    std::wstring downloadFolder;
    int downloadLimit = 1;
    int closeAction = 0;    // 1: hide to the tray; other: exit
    int doNotAsk = 0;       // non-zero: the close button does not ask
};

class VelaMainForm : public CWindowWnd, public INotifyUI, public IListCallbackUI {
public:
    explicit VelaMainForm(const wchar_t* layoutFile);
    VelaMainForm(const VelaMainForm&) = delete;
    VelaMainForm& operator=(const VelaMainForm&) = delete;

    // ---- Creation and dispatch (main_form_create.cpp) ----
    void Notify(UINotify& msg) override;
    void Close(UINT result = IDOK) { CWindowWnd::Close(result); }
    CWindowManagerUI& GetManager() { return m_pm; }

    // ---- Threads and shared state (main_form_create.cpp) ----
    using SharedGuard = std::lock_guard<std::recursive_mutex>;
    std::recursive_mutex& SharedLock() { return m_sharedLock; }
    // Queues a control change for the UI thread (any thread). Tasks queued after the window is
    // gone are dropped.
    void RunOnUiThread(std::function<void()> task);
    // Replaces the command slot and wakes the command thread (UI thread).
    void QueueCommand(const PlayerCommand& command);
    // The newest command (command thread); code 0 when there is none.
    PlayerCommand TakeCommand();
    bool IsClosing() const { return m_closing; }

    // ---- Frame: tray icon, tabs, search, pages, dialogs (main_form_frame.cpp) ----
    void AddTrayIcon();
    void RemoveTrayIcon();
    void HideToTray();
    LRESULT OnTrayIcon(LPARAM mouseMessage);
    void SetListTab(int tab);
    void ShowPlayListTab();
    void ShowDownloadTab();
    void SetMusicTab(int tab);
    void ShowMyMusicTab();
    void ShowRecommendTab();
    void ShowAuditionList();
    void Search();
    void ShowOptionForm();
    void ShowAboutForm();
    void OnCloseButton();
    void ShowSystemMenu();
    void OpenRegisterPage();
    void OpenFeedbackPage();
    void OpenHomePage();
    void RunUpdater();
    void ApplyTopmost();

    // ---- Settings (main_form_settings.cpp) ----
    void LoadSettings(bool optionGroup, bool closeGroup, bool loginGroup);
    const MainSettings& GetSettings() const { return m_settings; }
    const std::wstring& GetPageUrl() const { return m_pageUrl; }

    // ---- Playlists (main_form_playlists.cpp) ----
    void InitLocalPlayLists();
    int SelectPlayList(int index, bool fill);
    void AddTrackRow(PlayListInfo* playlist);
    const wchar_t* GetItemText(CControlUI* row, int index, int column) override;
    const wchar_t* GetTrackCellText(PlayListInfo* playlist, CControlUI* row, int index, int column);
    int OnPlayListTreeClick(UINotify& msg);
    int AddCurrentToFavourites();
    bool SavePlayList(PlayListInfo* playlist);
    // Writes every local playlist to its file and keeps them (the end of the session).
    void SavePlayLists();
    bool LoadPlayList(PlayListInfo* playlist, const std::wstring& id, bool fill);
    // The playlist at a table index, or null (UI thread, or under the shared lock).
    PlayListInfo* GetPlayList(int index) const;
    int GetPlayListCount() const { return static_cast<int>(m_playLists.size()); }
    int GetShownPlayListIndex() const { return m_shownPlayList; }
    PlayListInfo* GetCurrentPlayList() const { return m_currentPlayList; }

    // ---- Right-click menus (main_form_menus.cpp) ----
    void OnListMenu(UINotify& msg);
    void OnPlayListMenu(UINotify& msg);
    void OnPlayListManageMenu(UINotify& msg);
    // Removes a track and its row from the shown playlist (menu item "删除"); when it was the
    // current track of the playlist that plays, the track that followed plays in its place.
    void RemoveShownTrack(int row);

    // ---- Playback (main_form_playback.cpp) ----
    // The audio engine is driven from the command thread only; the UI thread queues commands.
    void RequestPrevious();
    void RequestNext();
    void RequestPlayOrPause();
    void StopPlay();
    void ToggleMute();
    void SetVolumeFromSlider();
    void OnProgressSliderChanging();
    void ShowSeekTime();
    void SeekToSlider();
    LRESULT OnPlayerProgress(WPARAM what, LPARAM value);
    // A state that the audio engine posted (WM_PLAYER_STATE).
    void OnEngineState(int state);
    // Stores the state at once (any thread); the display follows on the UI thread.
    void ShowPlayState(int state);
    void SetPlayMode(int button);
    void OnModeRandom();
    void OnPlayListDoubleClick(UINotify& msg);
    // Plays the row of the shown playlist from its start, which becomes the current playlist (the
    // list menu's "播放").
    void PlayShownRow(int row);
    LRESULT OnWebAddAll(const std::wstring& id, int kind);
    void AppendWebTracks(PlayListInfo* playlist);
    void PlayAudition();
    int GetPlayMode() const { return m_playMode; }
    int GetPlayState() const { return m_playState; }
    // ---- Account (main_form_account.cpp) ----
    // The login dialog, modal over this window (the login button, message 1081 while signed out).
    void ShowLoginForm();
    // Message 1081: signs out while signed in, else shows the login dialog.
    void OnLoginMenu();
    // Message 1089: the account state holds a signed-in user; show it and its online playlists.
    void OnLoggedIn();
    // Signs out at the service; 0 when it confirmed (the online playlists are gone), -1 after a
    // tip that tells why not.
    int Logout();
    // Whether a user is signed in: the logout button shows.
    bool IsSignedIn() const;
    // ---- Online playlists (main_form_online.cpp) ----
    // Builds the group "我的播放列表" and one playlist under it per online playlist of the user,
    // then shows the user's name. 0.
    int LoadOnlinePlayLists();
    // The signed-in user's playlists, appended to lists; true when the service's reply was accepted.
    bool RequestUserPlayLists(std::vector<PlayListMeta>& lists);
    // The tracks of an online playlist, appended to tracks; true when the reply was accepted.
    bool RequestPlayListTracks(std::wstring playListId, std::vector<TrackInfo>& tracks);
    // ---- Downloads (main_form_downloads.cpp) ----
    // Appends a "readying" item for the track, and its row.
    void AddDownloadItem(const TrackInfo& track);
    // Builds the row of the item just appended (named by its position); the caller adds it.
    UIToolkit::CListContainerElementUI* AddDownloadRow(const DownloadItem& item);
    // The roads that start a download: "BtnToDown" (the current track), the web page's request
    // (WM_WEB_DOWNLOAD), a track of a playlist (the list menu's "下载"; nothing when that track is
    // being downloaded already). DownloadTrack writes the download's URL, folder and file into the
    // given record: a playlist's own record is found again after the service call (the playlist
    // may have changed meanwhile), any other is the caller's.
    int DownloadCurrent();
    int DownloadWebTracks();
    int DownloadTrack(TrackInfo& track);
    // "itemclick" of a download row: wParam the clicked child (6 status icon, 7 delete icon),
    // lParam the row.
    int OnDownloadRowClick(UINotify& msg);
    bool SaveDownloadList(const std::wstring& path);
    bool LoadDownloadList(const std::wstring& name = kDownloadListFileName);
    // A copy of the download items, in row order (any thread).
    std::vector<DownloadItem> GetDownloadItems() const;
    // The downloads that hold a place: started and neither finished, failed, paused nor deleted.
    int GetRunningDownloads() const;

    // ---- Web page (main_form_web.cpp) ----
    CWebBrowserBase* GetWebBrowser() const { return m_browser.get(); }
    // ---- Sharing and push (main_form_share.cpp) ----
    // The share button: the share dialog for the track that plays; 0 when it ran, else -1 after
    // a tip that says why not.
    int ShowMusicShareForm();
    // The push button (hidden: the window has no push client): the tip that the service is not
    // ready. 0, or -1 when there is nothing to push.
    int ShowPushForm();

protected:
    ~VelaMainForm() override;

    const wchar_t* GetWindowClassName() const override;
    UINT GetClassStyle() const override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hWnd) override;

private:
    // ---- Creation and dispatch ----
    struct MessageRoute;
    struct ClickRoute;
    struct Binding;
    static const MessageRoute kMessageRoutes[];
    static const ClickRoute kClickRoutes[];
    static const Binding kBindings[];

    LRESULT OnCreate();
    void InitWindow();
    void BindControls();
    void StartWorkers();
    bool RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void OnClick(UINotify& msg);
    void RunUiTasks();
    LRESULT OnClose(bool& handled);
    void OnDestroy();
    void EndWorkers();
    void SaveAndEmptyPlayLists();
    bool CloseWhenEnabled();
    void EmptyDownloadViews();

    // ---- Frame ----
    LRESULT OnNcHitTest(LPARAM lParam);
    void OnSize();
    void OnGetMinMaxInfo(LPARAM lParam);
    bool OnSysCommand(WPARAM command, LPARAM lParam, LRESULT& result);
    void ToggleTabButton(int tab, CControlUI* const* buttons);

    // ---- Downloads ----
    // One download item with its thread (empty unless it runs). The key names the entry across
    // a start that asks the service for the URL without holding the shared lock.
    struct DownloadEntry {
        DownloadItem item;
        std::shared_ptr<CDownloadThread> thread;
        unsigned key = 0;
        bool starting = false;  // its start waits for the service's reply: it holds a place
    };
    enum class StartResult { Started, NoPlace, NoUrl };
    unsigned AppendDownload(const DownloadItem& item);
    StartResult StartDownload(unsigned key, const TrackInfo* source, TrackInfo* record = nullptr);
    DownloadEntry* FindDownload(unsigned key);
    int RunningDownloadsLocked() const;
    bool IsTrackDownloadingLocked(const std::wstring& trackId) const;
    void LocateTrackLocked(const TrackInfo* track, int& playList, int& row) const;
    unsigned DownloadMonitorThread(FormWorker& worker);
    void StartWaitingDownloads();
    void ShowDownloadRows();
    void OnDownloadStatusClick(int row);
    void DeleteDownload(int row);
    void SaveDownloadList();

    // ---- Playback: the command thread's side ----
    // The command thread: runs the newest command each time it is woken, until the window closes.
    unsigned PlayerCommandThread(FormWorker& worker);
    void InterruptEngine();
    void PlayPrevious(bool trackEnded);
    void PlayOrPause();
    void PlayNext(bool trackEnded);
    // The next (+1) or previous (-1) track of the current playlist in the play mode.
    void PlayStep(int direction, bool trackEnded);
    bool StepRandom(int direction, bool wrap, bool trackEnded);
    void LoadWebList(const std::wstring& id, int kind);
    void PlayClickedRow(int list, int row);
    void PlayCurrent();
    void PlayAuditionNow(const PlayerCommand& command);
    void StopEngine();
    void SeekEngine(unsigned milliseconds);
    // 1 played, 0 failed (the next track is due), -1 given up (aborted or closing).
    int OpenAndPlay(const std::wstring& path, const TrackInfo& track);
    // After a track failed: the next one, unless every track of the list failed in a row.
    void MoveOnAfterFailure(int failedIndex);
    void ShowPlaying(const std::wstring& title);
    // The stopped state at the list's first track; the title says so (by default the idle text).
    void ShowStopped(const wchar_t* title = nullptr);
    void SetTitle(const std::wstring& text);
    // Runs a control change now on the UI thread, else hands it to the UI thread.
    void OnUi(std::function<void()> change);
    bool IsUiThread() const;
    void ApplyPlayState(int state);
    // The UI thread queued a command: one that ends the playing item makes the engine's late
    // reports about that item stale (OnEngineState).
    void NoteCommandQueued(int code);
    void QueuePlayback(int code, bool trackEnded = false);
    // The command thread's own next after a track failed: dropped when a newer command than
    // serial was queued.
    void QueueNextAfterFailure(unsigned serial);
    // Auto-play ([Option] b): the current track, once the playlists are built.
    void StartAutoPlay();

    // ---- Playlists ----
    PlayListInfo* AddLocalPlayList(const wchar_t* text, const wchar_t* toolTip, const wchar_t* id);
    std::wstring PlayListPath(const std::wstring& id) const;

    // ---- Account and online playlists ----
    // Takes the online group and its playlists away (sign-out); playback of one of them stops and
    // playlist 0 becomes current first.
    void RemoveOnlinePlayLists();
    // Stops playback that takes its tracks from an online playlist and makes playlist 0 current.
    void LeaveOnlinePlayList(int firstOnlineIndex);
    // A copy of the track that sharing and pushing act on; false when there is none.
    bool CopyTrackToShare(TrackInfo& track);

    // ---- Steps of start-up, closing and the workers, each in its concern's file ----
    void CreateWebPage();                               // web page: make the host and its thread
    void ShowWebPage(bool show);                        // web page: show or hide it in the tab
    void PlaceWebPage();                                // web page: into its inset of the client area
    void CallPageSearch(const std::wstring& text);      // web page: the page's "searchlist"
    void LoadLoginSettings();                           // account: [Login] c, and b's automatic login
    void RunPlayerCommand(const PlayerCommand& command);  // playback: the command thread's work
    void MonitorDownloads();                            // downloads: one round of the monitor
    void StopDownloadThreads();                         // downloads: end every download thread, items refreshed
    void StopWebPage();                                 // web page: end its thread

    CWindowManagerUI m_pm;

    // Controls bound by InitWindow (non-owning; null when the layout lacks the name).
    CControlUI* m_textUserName = nullptr;
    CControlUI* m_btnLogin = nullptr;
    CControlUI* m_btnRegAccount = nullptr;
    CControlUI* m_btnLogout = nullptr;
    CControlUI* m_btnFeedback = nullptr;
    CControlUI* m_btnSystemSet = nullptr;
    CControlUI* m_btnMin = nullptr;
    CControlUI* m_btnClose = nullptr;
    CControlUI* m_textTitle = nullptr;
    CControlUI* m_btnLrc = nullptr;
    CControlUI* m_textShareInfo = nullptr;
    CControlUI* m_btnILike = nullptr;
    CControlUI* m_btnToDown = nullptr;
    CControlUI* m_btnWantShare = nullptr;
    CControlUI* m_btnPush = nullptr;
    CControlUI* m_btnPlayStop = nullptr;
    CControlUI* m_btnPlayPre = nullptr;
    CControlUI* m_btnPlay = nullptr;
    CControlUI* m_btnPlayNext = nullptr;
    CControlUI* m_btnSound = nullptr;
    CControlUI* m_sliderVol = nullptr;
    CControlUI* m_sliderProgress = nullptr;
    CControlUI* m_btnPlaySerial = nullptr;
    CControlUI* m_btnPlayCircular = nullptr;
    CControlUI* m_btnPlayCircularSingle = nullptr;
    CControlUI* m_btnPlayRandom = nullptr;
    CControlUI* m_labelPlayTime = nullptr;
    CControlUI* m_btnAudition = nullptr;
    CControlUI* m_containerPlayList = nullptr;
    CControlUI* m_containerDownManage = nullptr;
    CControlUI* m_btnTabPlayList = nullptr;
    CControlUI* m_btnTabDownManage = nullptr;
    CControlUI* m_listDownloadManage = nullptr;
    CControlUI* m_listPlayList = nullptr;
    UIToolkit::CPlayListUI* m_tree = nullptr;
    UIToolkit::PlayListNode* m_nodeDefault = nullptr;
    UIToolkit::PlayListNode* m_nodeILike = nullptr;
    UIToolkit::PlayListNode* m_nodeOnline = nullptr;
    // Kept for controls that layout 205 does not have; they stay null.
    CControlUI* m_editPlayListName = nullptr;
    CControlUI* m_btnPlayLists[11] = {};
    CControlUI* m_btnNewPlayList = nullptr;
    int m_listTab = -1;             // -1 none, 0 play list, 1 download manage
    CControlUI* m_btnTabMyMusic = nullptr;
    CControlUI* m_btnTabRecommend = nullptr;
    int m_musicTab = -1;            // -1 none, 0 my music, 1 recommend
    CControlUI* m_btnSearch = nullptr;
    CControlUI* m_editSearch = nullptr;
    CControlUI* m_myMusic = nullptr;

    std::wstring m_layoutFile;      // stored only: the layout is always resource 205
    std::wstring m_browserPath;
    std::shared_ptr<CAudioPlay> m_audio;
    std::shared_ptr<CPushClient> m_pushClient;  // never made: the window offers no push
    std::atomic<int> m_playMode{0};     // read by the command thread
    std::atomic<int> m_playState{0};    // written by both threads
    std::atomic<bool> m_downloadMonitorOn{false};
    UINT_PTR m_timer = 0;
    std::atomic<int> m_seeking{0};      // 1: progress reports do not move the position slider
    DWORD m_progressMs = 0;             // the position the engine reported last (UI thread)

    // Shared with the workers: under m_sharedLock.
    PlayListInfo* m_currentPlayList = nullptr;
    int m_shownPlayList = -1;
    std::vector<PlayListInfo*> m_playLists;   // not owning: each playlist belongs to its tree node
    PlayerCommand m_command;
    unsigned m_commandSerial = 0;
    std::vector<std::function<void()>> m_uiTasks;

    RandomRound m_randomRound{static_cast<unsigned>(std::time(nullptr)) ^ ::GetTickCount()};  // under m_sharedLock
    // The tracks of the current playlist that failed one after the other since a track last
    // started or the user last asked for something (command thread).
    std::vector<int> m_failedInRow;
    // UI thread: a command that ends the playing item was queued, and the engine has not started
    // an item since. The engine's end and stop reports meanwhile are about the item that ended.
    bool m_itemEnding = false;
    unsigned m_runningCommand = 0;      // the serial of the command the command thread runs
    bool m_autoPlayStarted = false;
    std::wstring m_titleText;           // what "TextArtist_Sing" shows or is about to; under m_sharedLock
    int m_muted = 0;
    DWORD m_savedVolume = 0;
    int m_savedSliderVolume = 0;
    // The device volume the user chose (0 while muted): each new item's device gets it again.
    std::atomic<DWORD> m_deviceVolume{0xFFFFFFFF};
    NOTIFYICONDATAW m_trayIcon = {};
    bool m_trayIconAdded = false;
    MainSettings m_settings;
    // The download list (under m_sharedLock); row i of "ListDownloadManage" shows entry i.
    std::vector<DownloadEntry> m_downloads;
    unsigned m_nextDownloadKey = 1;
    std::atomic<bool> m_downloadPlaceFreed{false};  // the monitor starts "readying" items
    bool m_downloadListUnread = false;  // "Dmanage" failed to load: kept until the user adds
    std::shared_ptr<CWebBrowserBase> m_browser;
    std::shared_ptr<CClientThread> m_clientThread;
    std::string m_macAddress;
    std::wstring m_dataFolder;
    std::wstring m_pageUrl;
    std::atomic<bool> m_closing{false};  // read by the workers
    bool m_closed = false;          // the closing sequence has run
    HANDLE m_commandEvent = nullptr;  // auto reset

    std::recursive_mutex m_sharedLock;
    FormWorker m_statWorker;
    FormWorker m_commandWorker;
    FormWorker m_monitorWorker;
    bool m_workersEnded = true;
    // RunUpdater's wait for the updater (one at a time): a close ends it and goes on after it.
    bool m_waitingForUpdater = false;
    CScopedHandle m_endUpdaterWait;
};

}  // namespace VelaUI
