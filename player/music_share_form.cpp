// The music share dialog and its share pages.
#include "music_share_form.h"

#include <new>

#include "info_tips_form.h"
#include "local_helpers.h"
#include "msg_share_form.h"
#include "rest_request.h"
#include "stat_report.h"
#include "vela_deployment.h"

namespace VelaUI {

namespace {

const UINT kMusicShareLayout = 212;

std::string EncodeValue(const std::wstring& text) { return PercentEncode(WideToUtf8(text)); }

// "&title=..." of both share pages.
std::string TitlePart(const std::wstring& singer, const std::wstring& trackName) {
    const std::wstring title =
        L"我正在收听青岚音乐盒提供的\"" + singer + L"\"的\"" + trackName + L"\"，一起去听听吧！ ";
    return "&title=" + EncodeValue(title);
}

// The service's page that plays the track, itself a value of the share pages' queries.
std::string TrackPageAddress(const std::wstring& trackId) {
    return "http://" VELA_WEB_HOST "/audition/flplayer.html?song=" + EncodeValue(trackId);
}

}  // namespace

VelaMusicShareForm::VelaMusicShareForm(const wchar_t* layoutFile)
    : VelaDialogForm(kMusicShareLayout, layoutFile),
      m_picLabel(nullptr),
      m_singerSongLabel(nullptr),
      m_btnClose(nullptr),
      m_btnShareSina(nullptr),
      m_btnShareRenren(nullptr),
      m_btnShareMsg(nullptr) {}

void VelaMusicShareForm::SetData(const std::wstring& singer, const std::wstring& trackName,
                                 const std::wstring& trackId, const std::string& macAddress) {
    m_singer = singer;
    m_trackName = trackName;
    m_trackId = trackId;
    m_macAddress = macAddress;
}

void VelaMusicShareForm::SetAccountName(const std::wstring& accountName) { m_accountName = accountName; }

void VelaMusicShareForm::InitControls() {
    GetBrowserPath(m_browserPath);
    m_picLabel = FindControl(L"LablePic");
    m_singerSongLabel = FindControl(L"LableSinger_Song");
    m_btnClose = FindControl(L"BtnClose");
    m_btnShareSina = FindControl(L"BtnShareSina");
    m_btnShareRenren = FindControl(L"BtnShareRenren");
    m_btnShareMsg = FindControl(L"BtnShareMsg");
    if (m_singerSongLabel != nullptr) m_singerSongLabel->SetText((m_singer + L"---" + m_trackName).c_str());

    // Every opening counts as a share, whatever the user does next.
    SendShareReport(m_macAddress, m_accountName, m_trackId, m_trackName);
    SendStatReport("02", "09", "001", m_macAddress, "", "");
}

void VelaMusicShareForm::Notify(UINotify& msg) {
    if (msg.type != L"click" || msg.sender == nullptr) return;
    if (msg.sender == m_btnClose) {
        Close(1);
    } else if (msg.sender == m_btnShareSina) {
        ShareToMicroblog();
        Close(1);
    } else if (msg.sender == m_btnShareRenren) {
        ShareToSocialNetwork();
        Close(1);
    } else if (msg.sender == m_btnShareMsg) {
        VelaMsgShareForm* sms = new (std::nothrow) VelaMsgShareForm(L"MsgShare.xml");
        if (sms == nullptr) return;
        sms->SetData(m_singer, m_trackName);
        ShowDialog(sms, m_hWnd);  // this dialog stays open
    }
}

void VelaMusicShareForm::ShareToMicroblog() { OpenInBrowser(MicroblogShareAddress(m_singer, m_trackName, m_trackId)); }

void VelaMusicShareForm::ShareToSocialNetwork() { OpenInBrowser(SocialShareAddress(m_singer, m_trackName, m_trackId)); }

void VelaMusicShareForm::OpenInBrowser(const std::wstring& address) {
    RunCommandLine(BrowserCommandLine(m_browserPath, address));
}

std::wstring MicroblogShareAddress(const std::wstring& singer, const std::wstring& trackName,
                                   const std::wstring& trackId) {
    std::string address = "http://" VELA_MICROBLOG_HOST "/share/share.php?appkey=";
    address += PercentEncode(VELA_MICROBLOG_APPKEY);
    address += TitlePart(singer, trackName);
    address += "&url=" + PercentEncode(TrackPageAddress(trackId));
    return AsciiToWide(address);
}

std::wstring SocialShareAddress(const std::wstring& singer, const std::wstring& trackName,
                                const std::wstring& trackId) {
    std::string address = "http://" VELA_SOCIAL_HOST "/share/buttonshare.do?link=";
    address += PercentEncode(TrackPageAddress(trackId));
    address += TitlePart(singer, trackName);
    return AsciiToWide(address);
}

std::wstring BrowserCommandLine(const std::wstring& browserPath, const std::wstring& address) {
    return browserPath + L" \"" + address + L"\"";
}

int RunMusicShare(HWND owner, bool signedIn, const TrackInfo* track, const std::string& macAddress,
                  const std::wstring& accountName) {
    if (!signedIn) {
        ShowInfoTip(kPictureWarning, L"您还没有登录,请登录后再操作", owner);
        return -1;
    }
    if (track == nullptr) {
        ShowInfoTip(kPictureWarning, L"您现在没有可共享的信息", owner);
        return -1;
    }
    VelaMusicShareForm* form = new (std::nothrow) VelaMusicShareForm(L"MusicShare.xml");
    if (form == nullptr) return -1;
    form->SetData(track->ArtistNameList, track->TrackName, track->TrackID, macAddress);
    form->SetAccountName(accountName);
    return VelaDialogForm::ShowDialog(form, owner) < 0 ? -1 : 0;
}

}  // namespace VelaUI
