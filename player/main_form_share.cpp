// The share and push buttons of the main window. Both act on the current playlist's current
// track while it plays or is paused; the dialogs themselves are music_share_form.* and
// push_form.*.
#include "vela_main_form.h"

#include "account.h"
#include "music_share_form.h"
#include "push_form.h"
#include "share_subject.h"

namespace VelaUI {

bool VelaMainForm::CopyTrackToShare(TrackInfo& track) {
    SharedGuard guard(m_sharedLock);
    if (m_currentPlayList == nullptr) return false;
    const TrackInfo* current = CurrentTrackToShare(m_currentPlayList->tracks, m_currentPlayList->currentIndex, m_playState);
    if (current == nullptr) return false;
    track = *current;
    return true;
}

int VelaMainForm::ShowMusicShareForm() {
    // A copy: the command thread may change the playlist while the dialog runs.
    TrackInfo track;
    const bool playing = CopyTrackToShare(track);
    return RunMusicShare(m_hWnd, IsSignedIn(), playing ? &track : nullptr, m_macAddress, Account.AccountName);
}

int VelaMainForm::ShowPushForm() {
    TrackInfo track;
    const bool playing = CopyTrackToShare(track);
    return RunPush(m_hWnd, m_pushClient, Account.AccountName, playing ? &track : nullptr);
}

}  // namespace VelaUI
