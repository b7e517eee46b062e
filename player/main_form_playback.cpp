// Playback: the player command thread's work, the producers of its one-slot queue, the play
// modes and their random order, opening and starting tracks through the audio engine, the
// play-state display, the position and volume sliders, mute, and the track lists that the
// embedded page chooses.
//
// The audio engine is driven from the command thread alone: its waits dispatch messages and it
// is not made for two threads calling at once, so the UI thread's stop, seek and audition are
// commands too. Only the volume and the progress switch, which wait for nothing, are set from
// the UI thread. The command thread's control changes go to the UI thread (OnUi).
#include "vela_main_form.h"

#include <algorithm>

#include "audio_play.h"
#include "info_tips_form.h"
#include "main_messages.h"
#include "playback_rules.h"
#include "rest_request.h"
#include "track_info.h"
#include "web_browser.h"

namespace VelaUI {

namespace {

const wchar_t kTitleLoading[] = L"加载中,请稍候...";
const wchar_t kTitleConnecting[] = L"正在连接服务器,请稍候...";
const wchar_t kTitleIdle[] = L"青岚音乐，精彩生活";
const wchar_t kTitleTryNext[] = L"失败,尝试下一首";
const wchar_t kTitleFailed[] = L"失败";
const wchar_t kTitleOpen[] = L"打开";
const wchar_t kTitleStart[] = L"播放";
const wchar_t kTitleNothingPlays[] = L"列表中的歌曲都无法播放";
const wchar_t kTitleListFailed[] = L"未能获取歌曲列表,默认列表未改变";
const wchar_t kAddAllQuestion[] = L"确定要添加所有曲目吗?";
const int kOpenTries = 3;
const int kStartTries = 3;
const DWORD kLoadingPauseMs = 20;
const DWORD kFailureShownMs = 100;
const WmReader::QWORD kTicksPerMs = 10000;  // the engine's times are in 100-ns units

// The normal, hot and pushed images of "BtnPlay" while it offers to play and to pause.
const wchar_t* const kPlayImages[3] = {L"file='bft_03_bf.png' source='60,0,90,30'",
                                       L"file='bft_03_bf.png' source='30,0,60,30'",
                                       L"file='bft_03_bf.png' source='0,0,30,30'"};
const wchar_t* const kPauseImages[3] = {L"file='bft_03_zt.png' source='60,0,90,30'",
                                        L"file='bft_03_zt.png' source='30,0,60,30'",
                                        L"file='bft_03_zt.png' source='0,0,30,30'"};

UIToolkit::CSliderUI* AsSlider(CControlUI* control) { return dynamic_cast<UIToolkit::CSliderUI*>(control); }
UIToolkit::CButtonUI* AsButton(CControlUI* control) { return dynamic_cast<UIToolkit::CButtonUI*>(control); }

void SwapImages(CControlUI* control) {
    if (UIToolkit::CButtonUI* button = AsButton(control)) button->SwapStateImages();
}

void SetButtonImages(CControlUI* control, const wchar_t* const images[3]) {
    UIToolkit::CButtonUI* button = AsButton(control);
    if (button == nullptr) return;
    button->SetNormalImage(images[0]);
    button->SetHotImage(images[1]);
    button->SetPushedImage(images[2]);
}

void SetSliderValue(CControlUI* control, int value) {
    if (UIToolkit::CSliderUI* slider = AsSlider(control)) slider->SetValue(value);
}

void SetText(CControlUI* control, const std::wstring& text) {
    if (control != nullptr) control->SetText(text.c_str());
}

std::wstring TitleOf(const TrackInfo& track) { return track.ArtistNameList + L"---" + track.TrackName; }

std::vector<std::wstring> TrackIdsOf(const PlayListInfo& playlist) {
    std::vector<std::wstring> ids;
    ids.reserve(playlist.tracks.size());
    for (const TrackInfo& track : playlist.tracks) ids.push_back(track.TrackID);
    return ids;
}

bool IsRandomMode(int mode) { return mode == kModeRandom || mode == kModeRandomCircular; }

// The commands after which the item that plays now is over: the engine's reports about that item
// that arrive after such a command was queued are stale.
bool EndsThePlayingItem(int code) {
    switch (code) {
    case kCommandPrevious:
    case kCommandNext:
    case kCommandPlayCurrent:
    case kCommandPlayRow:
    case kCommandAudition:
    case kCommandStop:
        return true;
    default:
        return false;
    }
}

// The file of a track kept on this computer: its folder and its name.
std::wstring LocalFileOf(const TrackInfo& track) {
    if (track.FilePath.empty()) return track.FileName;
    const wchar_t last = track.FilePath.back();
    return track.FilePath + (last == L'\\' || last == L'/' ? L"" : L"\\") + track.FileName;
}

}  // namespace

// ---- Hand-over between the threads --------------------------------------------------------------

bool VelaMainForm::IsUiThread() const {
    return m_hWnd != nullptr && ::GetWindowThreadProcessId(m_hWnd, nullptr) == ::GetCurrentThreadId();
}

void VelaMainForm::OnUi(std::function<void()> change) {
    if (IsUiThread()) {
        change();
    } else {
        RunOnUiThread(std::move(change));
    }
}

void VelaMainForm::SetTitle(const std::wstring& text) {
    {
        SharedGuard guard(m_sharedLock);
        m_titleText = text;
    }
    OnUi([this, text] { SetText(m_textTitle, text); });
}

void VelaMainForm::QueuePlayback(int code, bool trackEnded) {
    PlayerCommand command;
    command.code = code;
    command.trackEnded = trackEnded;
    QueueCommand(command);
}

// ---- UI thread: the producers ---------------------------------------------------------------

void VelaMainForm::RequestPrevious() {
    {
        SharedGuard guard(m_sharedLock);
        if (m_currentPlayList == nullptr || m_currentPlayList->tracks.empty()) return;
    }
    QueuePlayback(kCommandPrevious, m_playState == 12);
}

void VelaMainForm::RequestNext() {
    {
        SharedGuard guard(m_sharedLock);
        if (m_currentPlayList == nullptr || m_currentPlayList->tracks.empty()) return;
    }
    QueuePlayback(kCommandNext, m_playState == 12);
}

void VelaMainForm::RequestPlayOrPause() { QueuePlayback(kCommandPlayOrPause); }

void VelaMainForm::StopPlay() {
    // Stops also what no playlist holds (an audition), and gives up an item still opening.
    if (m_audio) m_audio->SetAbort(TRUE);
    QueuePlayback(kCommandStop);
}

void VelaMainForm::OnPlayListDoubleClick(UINotify& msg) {
    auto* item = msg.sender != nullptr ? static_cast<UIToolkit::IListItemUI*>(msg.sender->GetInterface(L"ListItem"))
                                       : nullptr;
    if (item == nullptr || item->GetIndex() < 0) return;
    PlayerCommand command;
    command.code = kCommandPlayRow;
    command.clickedList = m_shownPlayList;
    command.clickedRow = item->GetIndex();
    QueueCommand(command);
}

void VelaMainForm::PlayShownRow(int row) {
    {
        SharedGuard guard(m_sharedLock);
        const PlayListInfo* playlist = GetPlayList(m_shownPlayList);
        if (playlist == nullptr || !playlist->HasTrack(row)) return;
    }
    // As a double-click: the shown playlist becomes the current one.
    PlayerCommand command;
    command.code = kCommandPlayRow;
    command.clickedList = m_shownPlayList;
    command.clickedRow = row;
    QueueCommand(command);
}

void VelaMainForm::SetPlayMode(int button) {
    const PlayModeChange change = ChangePlayMode(m_playMode, button);
    if (change.toggleCircular) SwapImages(m_btnPlayCircular);
    if (change.toggleSingle) SwapImages(m_btnPlayCircularSingle);
    if (change.toggleRandom) SwapImages(m_btnPlayRandom);
    m_playMode = change.mode;
}

void VelaMainForm::OnModeRandom() {
    SetPlayMode(kModeRandom);
    SharedGuard guard(m_sharedLock);
    // The next step draws a round that begins with the track that plays then.
    m_randomRound.Reset();
}

void VelaMainForm::ToggleMute() {
    if (!m_audio) return;
    UIToolkit::CSliderUI* slider = AsSlider(m_sliderVol);
    if (m_muted == 0) {
        m_savedSliderVolume = slider != nullptr ? slider->GetValue() : 0;
        SetSliderValue(m_sliderVol, 0);
        // Without an open device the engine has no volume to tell: the chosen one is kept.
        DWORD volume = m_deviceVolume;
        m_audio->GetVolume(&volume);
        m_savedVolume = volume;
        m_deviceVolume = 0;
        m_audio->SetVolume(0);
        m_muted = 1;
    } else {
        m_deviceVolume = m_savedVolume;
        m_audio->SetVolume(m_savedVolume);
        SetSliderValue(m_sliderVol, m_savedSliderVolume);
        m_muted = 0;
    }
    SwapImages(m_btnSound);
}

void VelaMainForm::SetVolumeFromSlider() {
    UIToolkit::CSliderUI* slider = AsSlider(m_sliderVol);
    if (slider == nullptr || !m_audio) return;
    const DWORD volume = VolumeForSlider(slider->GetValue());
    m_deviceVolume = volume;
    m_audio->SetVolume(volume);
}

void VelaMainForm::OnProgressSliderChanging() {
    if (m_audio) m_audio->SuspendProgress(TRUE);
    m_seeking = 1;
    ShowSeekTime();
}

void VelaMainForm::ShowSeekTime() {
    UIToolkit::CSliderUI* slider = AsSlider(m_sliderProgress);
    if (!m_audio || slider == nullptr || !m_audio->IsSeekable()) return;
    SetText(m_labelPlayTime, SeekTimeText(m_audio->GetDuration(), slider->GetValue(), slider->GetMaxValue()));
    m_seeking = 0;
}

void VelaMainForm::SeekToSlider() {
    UIToolkit::CSliderUI* slider = AsSlider(m_sliderProgress);
    if (!m_audio || slider == nullptr) return;
    if (!m_audio->IsSeekable()) {
        // Nothing to seek: the reports that the drag suspended go on.
        m_seeking = 0;
        m_audio->SuspendProgress(FALSE);
        return;
    }
    PlayerCommand command;
    command.code = kCommandSeek;
    command.seekMs = static_cast<unsigned>(slider->GetValue() > 0 ? slider->GetValue() : 0);
    QueueCommand(command);
}

LRESULT VelaMainForm::OnPlayerProgress(WPARAM what, LPARAM value) {
    if (m_seeking != 0) return 0;
    if (what == 0) {
        m_progressMs = static_cast<DWORD>(value);
        SetSliderValue(m_sliderProgress, static_cast<int>(value));
    } else if (what == 1) {
        // The engine's text comes with a pointer that any program could post: the form writes the
        // same text itself, from the position just reported and the engine's duration.
        const WmReader::QWORD duration = m_audio ? m_audio->GetDuration() : 0;
        const std::wstring text = CAudioPlay::FormatProgressText(m_progressMs * kTicksPerMs, duration);
        SetText(m_labelPlayTime, text.c_str());
    }
    return 0;
}

void VelaMainForm::NoteCommandQueued(int code) {
    if (EndsThePlayingItem(code)) m_itemEnding = true;
}

void VelaMainForm::OnEngineState(int state) {
    if (state == 3) {
        m_itemEnding = false;  // an item started: what the engine reports now is about it
    } else if (m_itemEnding && (state == 12 || state == 1)) {
        // The end or stop of an item that a newer command ended already (the report was on
        // its way when the command was queued): it must not move on a second time.
        return;
    }
    ShowPlayState(state);
}

void VelaMainForm::ShowPlayState(int state) {
    m_playState = state;
    OnUi([this, state] { ApplyPlayState(state); });
}

void VelaMainForm::ApplyPlayState(int state) {
    switch (state) {
    case 0:
        SetSliderValue(m_sliderProgress, 0);
        SetText(m_labelPlayTime, L"");
        break;
    case 1:
        SetButtonImages(m_btnPlay, kPlayImages);
        SetText(m_labelPlayTime, L"");
        SetSliderValue(m_sliderProgress, 0);
        m_seeking = 0;
        break;
    case 2:
        SetButtonImages(m_btnPlay, kPlayImages);
        break;
    case 3:
        SetButtonImages(m_btnPlay, kPauseImages);
        break;
    case 12:
        SetText(m_labelPlayTime, L"");
        SetSliderValue(m_sliderProgress, 0);
        m_seeking = 0;
        RequestNext();
        break;
    default:
        break;
    }
}

LRESULT VelaMainForm::OnWebAddAll(const std::wstring& id, int kind) {
    if (kind < 1 || kind > 4) return 0;  // no list of that kind: nothing to add
    auto* tip = new (std::nothrow) VelaInfoTipsForm(true);
    if (tip == nullptr) return 0;
    tip->SetPicture(kPictureQuestion);
    tip->SetText(kAddAllQuestion, nullptr, nullptr, nullptr);
    // Only a yes adds: a question that was not asked (another dialog runs) counts as no.
    if (VelaDialogForm::ShowDialog(tip, m_hWnd) != kInfoTipOK) return 0;
    {
        SharedGuard guard(m_sharedLock);
        if (PlayListInfo* favourites = GetPlayList(1)) favourites->currentIndex = -1;
    }
    SetTitle(kTitleConnecting);
    PlayerCommand command;
    command.code = kCommandLoadWebList;
    command.webId = id;
    command.webKind = kind;
    QueueCommand(command);
    return 0;
}

void VelaMainForm::AppendWebTracks(PlayListInfo* playlist) {
    if (playlist == nullptr) return;
    {
        SharedGuard guard(m_sharedLock);
        std::lock_guard<std::recursive_mutex> lists(WebListsLock());  // the page's bridge writes it
        for (TrackInfo& track : WebTrackList) {
            track.IsDownloading = false;
            playlist->tracks.push_back(track);
        }
    }
    // The shown playlist gets its rows again, the new tracks' among them.
    const int index = playlist->index;
    OnUi([this, index] {
        if (index != m_shownPlayList) return;
        m_shownPlayList = -1;
        SelectPlayList(index, true);
    });
}

void VelaMainForm::PlayAudition() {
    // The page asked for the track's URL, and kept it with the track, before it posted the
    // message: the reply file may hold another track's URL by now.
    const WebAudition audition = LastWebAudition();
    if (audition.track.TrackID.empty()) return;
    PlayerCommand command;
    command.code = kCommandAudition;
    command.title = TitleOf(audition.track);
    command.trackName = audition.track.TrackName;
    if (IsStreamAddress(audition.url)) command.url = audition.url;
    QueueCommand(command);
}

// ---- Command thread -------------------------------------------------------------------------

unsigned VelaMainForm::PlayerCommandThread(FormWorker& worker) {
    const HANDLE wake[2] = {m_commandEvent, worker.StopEvent()};
    for (;;) {
        ::WaitForMultipleObjects(2, wake, FALSE, INFINITE);
        if (m_closing || worker.StopRequested()) return 0;
        const PlayerCommand command = TakeCommand();
        if (command.code != 0) RunPlayerCommand(command);
    }
}

void VelaMainForm::RunPlayerCommand(const PlayerCommand& command) {
    if (!m_audio || IsClosing()) return;
    m_runningCommand = command.serial;
    // The user's command begins a new count of tracks that fail one after the other.
    if (!command.afterFailure) m_failedInRow.clear();
    switch (command.code) {
    case kCommandPrevious:
        InterruptEngine();
        PlayPrevious(command.trackEnded);
        break;
    case kCommandPlayOrPause:
        PlayOrPause();
        break;
    case kCommandNext:
        InterruptEngine();
        PlayNext(command.trackEnded);
        break;
    case kCommandPlayCurrent:
        InterruptEngine();
        PlayCurrent();
        break;
    case kCommandLoadWebList:
        // What plays goes on until the service has given the list (LoadWebList).
        LoadWebList(command.webId, command.webKind);
        break;
    case kCommandPlayRow:
        InterruptEngine();
        PlayClickedRow(command.clickedList, command.clickedRow);
        break;
    case kCommandAudition:
        InterruptEngine();
        PlayAuditionNow(command);
        break;
    case kCommandStop:
        InterruptEngine();
        StopEngine();
        break;
    case kCommandSeek:
        SeekEngine(command.seekMs);
        break;
    default:
        break;
    }
}

void VelaMainForm::InterruptEngine() {
    // The abort keeps the stop and close from waiting for the reader's status.
    m_audio->SetAbort(TRUE);
    m_audio->Stop();
    m_audio->Close();
    m_audio->SetAbort(FALSE);
}

void VelaMainForm::PlayCurrent() {
    if (IsClosing()) return;
    TrackInfo track;
    bool local = false;
    int index = -1;
    {
        SharedGuard guard(m_sharedLock);
        PlayListInfo* playlist = m_currentPlayList;
        if (playlist == nullptr || playlist->tracks.empty()) return;
        track = *playlist->CurrentTrack();
        index = playlist->currentIndex;
        local = track.IsLocalFile && !playlist->id.empty();
        if (IsRandomMode(m_playMode)) m_randomRound.Take(TrackIdsOf(*playlist), index);
    }
    std::wstring path;
    if (local) {
        path = LocalFileOf(track);
    } else {
        {
            RestReplyLock hold(RestReply::PlayUrl);
            RestGetByProductId(RestReply::PlayUrl, RestMethod::GetTrackPlayUrl, track.TrackID);
            ParsePlayUrlReply(RestReply::PlayUrl, path);
        }
        // The service names a stream; a file or a share that a reply names is never opened.
        if (!IsStreamAddress(path)) path.clear();
    }
    // The service call may have taken long: a closing window's engine is not to be used.
    if (IsClosing()) return;
    m_audio->Stop();
    m_audio->Close();
    const int played = OpenAndPlay(path, track);
    if (played == 1) {
        m_failedInRow.clear();
    } else if (played == 0) {
        MoveOnAfterFailure(index);
    }
}

void VelaMainForm::MoveOnAfterFailure(int failedIndex) {
    size_t count = 0;
    {
        SharedGuard guard(m_sharedLock);
        if (m_currentPlayList == nullptr || m_currentPlayList->tracks.empty()) return;
        count = m_currentPlayList->tracks.size();
    }
    if (std::find(m_failedInRow.begin(), m_failedInRow.end(), failedIndex) == m_failedInRow.end()) {
        m_failedInRow.push_back(failedIndex);
    }
    if (m_failedInRow.size() < count) {
        QueueNextAfterFailure(m_runningCommand);
        return;
    }
    // Every track of the list failed, one after the other: another round would only ask the
    // service for the same URLs again.
    m_failedInRow.clear();
    ShowStopped(kTitleNothingPlays);
}

int VelaMainForm::OpenAndPlay(const std::wstring& path, const TrackInfo& track) {
    SetTitle(kTitleLoading);
    ::Sleep(kLoadingPauseMs);
    HRESULT result = E_FAIL;
    for (int i = 0; i < kOpenTries && !path.empty() && !IsClosing(); ++i) {
        result = m_audio->Open(path.c_str());
        if (result >= 0) break;
    }
    // 1: a stop or the closing gave the item up while it opened.
    if (result == 1 || IsClosing()) return -1;
    if (FAILED(result)) {
        m_audio->Close();
        ShowPlayState(0);
        ShowPlayState(8);
        SetTitle(kTitleOpen + track.TrackName + kTitleTryNext);
        ::Sleep(kFailureShownMs);
        return 0;
    }
    result = E_FAIL;
    for (int i = 0; i < kStartTries && !IsClosing(); ++i) {
        result = m_audio->Start(0);
        if (result >= 0) break;
    }
    if (FAILED(result)) {
        m_audio->Stop();
        m_audio->Close();
        ShowPlayState(0);
        ShowPlayState(8);
        SetTitle(kTitleStart + track.TrackName + kTitleTryNext);
        ::Sleep(kFailureShownMs);
        return 0;
    }
    ShowPlaying(TitleOf(track));
    OnUi([this] {
        if (m_btnILike != nullptr) m_btnILike->SetEnabled(true);
        if (m_btnToDown != nullptr) m_btnToDown->SetEnabled(true);
    });
    return 1;
}

void VelaMainForm::ShowPlaying(const std::wstring& title) {
    // Each item opens its own device: it gets the volume the user chose (or the mute).
    m_audio->SetVolume(m_deviceVolume);
    const int maximum = SliderMaximumFor(m_audio->GetDuration());
    OnUi([this, maximum] {
        if (UIToolkit::CSliderUI* slider = AsSlider(m_sliderProgress)) slider->SetMaxValue(maximum);
    });
    if (!m_audio->IsBroadcast()) m_seeking = 0;
    SetTitle(title);
    ShowPlayState(3);
}

void VelaMainForm::ShowStopped(const wchar_t* title) {
    m_seeking = 1;
    OnUi([this] { SetSliderValue(m_sliderProgress, 0); });
    {
        SharedGuard guard(m_sharedLock);
        if (m_currentPlayList != nullptr && !m_currentPlayList->tracks.empty()) m_currentPlayList->currentIndex = 0;
    }
    SetTitle(title != nullptr ? title : kTitleIdle);
    ShowPlayState(1);
}

void VelaMainForm::StopEngine() {
    m_audio->Stop();
    m_audio->Close();
    ShowStopped();
}

void VelaMainForm::SeekEngine(unsigned milliseconds) {
    if (m_audio->IsSeekable()) m_audio->Start(SeekStartTime(milliseconds));
    m_seeking = 0;
    m_audio->SuspendProgress(FALSE);
}

void VelaMainForm::PlayOrPause() {
    const int state = m_playState;
    if (state == 8 || state == 1 || state == 0) {
        SharedGuard guard(m_sharedLock);
        // Nothing to play: nothing happens, and the title stays as it is.
        if (m_currentPlayList == nullptr || m_currentPlayList->tracks.empty()) return;
    }
    switch (state) {
    case 8:
    case 1:
        SetTitle(kTitleConnecting);
        PlayCurrent();
        break;
    case 0:
        SetTitle(kTitleConnecting);
        ShowPlayState(4);
        PlayCurrent();
        break;
    case 2: {
        std::wstring kept;
        {
            SharedGuard guard(m_sharedLock);
            kept = m_titleText;
        }
        SetTitle(kTitleConnecting);
        if (SUCCEEDED(m_audio->Resume())) {
            m_seeking = 0;
            ShowPlayState(3);
            SetTitle(kept);
        }
        break;
    }
    case 3:
        if (SUCCEEDED(m_audio->Pause())) ShowPlayState(2);
        break;
    default:
        break;
    }
}

void VelaMainForm::PlayNext(bool trackEnded) { PlayStep(+1, trackEnded); }

void VelaMainForm::PlayPrevious(bool trackEnded) { PlayStep(-1, trackEnded); }

void VelaMainForm::PlayStep(int direction, bool trackEnded) {
    const int mode = m_playMode;
    if (IsRandomMode(mode)) {
        if (StepRandom(direction, mode == kModeRandomCircular, trackEnded)) PlayCurrent();
        return;
    }
    if (mode != kModeSerial && mode != kModeCircular && mode != kModeSingleRepeat) return;
    if (mode == kModeSingleRepeat && trackEnded) {
        // The finished track again from its start: the engine was closed, so it opens again.
        PlayCurrent();
        return;
    }
    bool play = false;
    {
        SharedGuard guard(m_sharedLock);
        PlayListInfo* playlist = m_currentPlayList;
        if (playlist == nullptr || playlist->tracks.empty()) return;
        const int step = StepTrackIndex(playlist->currentIndex, static_cast<int>(playlist->tracks.size()), direction,
                                        mode != kModeSerial);
        playlist->currentIndex = step < 0 ? 0 : step;
        play = step >= 0;
    }
    if (play) {
        PlayCurrent();
    } else {
        StopEngine();
    }
}

bool VelaMainForm::StepRandom(int direction, bool wrap, bool trackEnded) {
    {
        SharedGuard guard(m_sharedLock);
        PlayListInfo* playlist = m_currentPlayList;
        if (playlist == nullptr || playlist->tracks.empty()) return false;
        // The track that plays (or just ended) begins a new round; after a stop none does.
        const int state = m_playState;
        const bool playing = trackEnded || state == 2 || state == 3 || state == 9;
        const int index = m_randomRound.Step(TrackIdsOf(*playlist), playing ? playlist->currentIndex : -1, direction, wrap);
        if (index >= 0) {
            playlist->currentIndex = index;
            return true;
        }
    }
    StopEngine();
    return false;
}

void VelaMainForm::PlayClickedRow(int list, int row) {
    {
        SharedGuard guard(m_sharedLock);
        PlayListInfo* playlist = GetPlayList(list);
        if (playlist == nullptr || !playlist->HasTrack(row)) return;
        m_currentPlayList = playlist;
        // Also the current track's own row: the interruption stopped it, so it starts again.
        playlist->currentIndex = row;
    }
    PlayCurrent();
}

void VelaMainForm::LoadWebList(const std::wstring& id, int kind) {
    bool brought = false;
    switch (kind) {
    case 1: {
        // One track, which the page left in the web track list: it plays when it has a URL.
        std::wstring url;
        {
            RestReplyLock hold(RestReply::PlayUrl);
            RestGetByProductId(RestReply::PlayUrl, RestMethod::GetTrackPlayUrl, id);
            ParsePlayUrlReply(RestReply::PlayUrl, url);
        }
        std::lock_guard<std::recursive_mutex> lists(WebListsLock());
        brought = !url.empty() && !WebTrackList.empty();
        break;
    }
    case 2:
    case 3:
    case 4: {
        // The list kinds: an artist's tracks, a topic's, a genre's hot tracks.
        struct ListRequest {
            const wchar_t* reply;
            const char* method;
            int (*request)(const std::wstring&, const std::string&, const std::wstring&);
        };
        const ListRequest requests[] = {
            {RestReply::TrackByArtist, RestMethod::GetByArtistID, RestGetByArtistId},
            {RestReply::Topic, RestMethod::GetByTopicID, RestGetByProductId},
            {RestReply::Genre, RestMethod::GetHotTrackForGenre, RestGetByProductId},
        };
        const ListRequest& list = requests[kind - 2];
        RestReplyLock hold(list.reply);
        list.request(list.reply, list.method, id);
        SharedGuard guard(m_sharedLock);
        brought = ParseTrackListReply(list.reply);
        break;
    }
    default:
        return;  // no list of that kind: the default playlist stays as it is
    }
    if (IsClosing()) return;
    if (!brought) {
        // Nothing came: the default list and what plays stay as they are.
        SetTitle(kTitleListFailed);
        return;
    }
    InterruptEngine();
    PlayListInfo* defaultList = nullptr;
    {
        SharedGuard guard(m_sharedLock);
        defaultList = GetPlayList(0);
        if (defaultList == nullptr) return;
        defaultList->tracks.clear();
        defaultList->currentIndex = 0;
        m_currentPlayList = defaultList;
    }
    AppendWebTracks(defaultList);
    PlayCurrent();
}

void VelaMainForm::PlayAuditionNow(const PlayerCommand& command) {
    if (IsClosing()) return;
    SetTitle(kTitleLoading);
    ::Sleep(kLoadingPauseMs);
    const HRESULT opened = command.url.empty() ? E_FAIL : m_audio->Open(command.url.c_str());
    if (opened == 1 || IsClosing()) return;
    if (FAILED(opened)) {
        m_audio->Close();
        ShowPlayState(0);
        ShowPlayState(8);
        SetTitle(kTitleOpen + command.trackName + kTitleFailed);
        return;
    }
    if (FAILED(m_audio->Start(0))) {
        m_audio->Stop();
        m_audio->Close();
        ShowPlayState(0);
        ShowPlayState(8);
        SetTitle(kTitleStart + command.trackName + kTitleFailed);
        return;
    }
    ShowPlaying(command.title);
}

void VelaMainForm::QueueNextAfterFailure(unsigned serial) {
    {
        SharedGuard guard(m_sharedLock);
        // Unless the user asked for something newer meanwhile.
        if (m_closing || m_command.serial != serial) return;
        m_command = PlayerCommand();
        m_command.code = kCommandNext;
        m_command.afterFailure = true;
        m_command.serial = ++m_commandSerial;
    }
    if (m_commandEvent != nullptr) ::SetEvent(m_commandEvent);
}

// ---- Start-up -----------------------------------------------------------------------------

void VelaMainForm::StartAutoPlay() {
    // Once the playlists exist: before, there would be no track to play.
    if (m_autoPlayStarted || m_settings.autoPlay == 0) return;
    m_autoPlayStarted = true;
    RequestPlayOrPause();
}

}  // namespace VelaUI
