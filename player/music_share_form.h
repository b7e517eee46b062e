// The music share dialog: reports the share of the track that plays to the service when it
// opens, and shares the track on a microblog's or a social network's share page (opened in the
// web browser) or by SMS (VelaMsgShareForm).
#pragma once

#include <string>

#include "track_info.h"
#include "vela_dialog.h"

namespace VelaUI {

class VelaMusicShareForm : public VelaDialogForm {
public:
    explicit VelaMusicShareForm(const wchar_t* layoutFile);

    // Before the window is made: what to share, and the computer's address for the reports.
    void SetData(const std::wstring& singer, const std::wstring& trackName, const std::wstring& trackId,
                 const std::string& macAddress);
    // The signed-in account's name, which the share report carries.
    void SetAccountName(const std::wstring& accountName);

    void Notify(UINotify& msg) override;
    void ShareToMicroblog();
    void ShareToSocialNetwork();

protected:
    void InitControls() override;

private:
    void OpenInBrowser(const std::wstring& address);

    CControlUI* m_picLabel;
    CControlUI* m_singerSongLabel;
    CControlUI* m_btnClose;
    CControlUI* m_btnShareSina;
    CControlUI* m_btnShareRenren;
    CControlUI* m_btnShareMsg;
    std::wstring m_browserPath;
    std::wstring m_singer;
    std::wstring m_trackName;
    std::wstring m_trackId;
    std::string m_macAddress;
    std::wstring m_accountName;
};

// The share pages, every query value percent-encoded (texts as UTF-8).
std::wstring MicroblogShareAddress(const std::wstring& singer, const std::wstring& trackName,
                                   const std::wstring& trackId);
std::wstring SocialShareAddress(const std::wstring& singer, const std::wstring& trackName,
                                const std::wstring& trackId);
// The browser's command line for an address: the browser's path, a blank and the address as one
// quoted argument.
std::wstring BrowserCommandLine(const std::wstring& browserPath, const std::wstring& address);

// What the main window's share button does once it knows its state: refuses with an info tip
// when nobody is signed in or there is no track to share (see CurrentTrackToShare), else runs
// the share dialog for the track. 0 when the dialog ran, -1 otherwise.
int RunMusicShare(HWND owner, bool signedIn, const TrackInfo* track, const std::string& macAddress,
                  const std::wstring& accountName);

}  // namespace VelaUI
