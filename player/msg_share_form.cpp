// The SMS share dialog and the SMS gateway request.
#include "msg_share_form.h"

#include <memory>

#include "http_fetch.h"
#include "info_tips_form.h"
#include "local_helpers.h"
#include "rest_request.h"
#include "vela_deployment.h"

namespace VelaUI {

namespace {

const UINT kMsgShareLayout = 211;
const wchar_t* const kReplyFileName = L"\\MsgShare";

const wchar_t* const kWrongNumber = L"输入手机号有误,请重新输入";
const wchar_t* const kNoAnswer = L"分享失败,远程服务器没有响应";
const wchar_t* const kShared = L"分享成功";
const wchar_t* const kTimedOut = L"网络连接超时, 请重试";
const wchar_t* const kCodePrefix = L"共享失败,错误码为";
const wchar_t* const kUnknownResult = L"共享失败,发生未短错误";

// Results with a text of their own; the other known codes are told by number.
struct ResultText {
    const char* result;
    const wchar_t* text;
};
const ResultText kResultTexts[] = {
    {"-2", L"手机号码输入错误"},
    {"-6", L"您输入的手机号吗,已被列为黑名单,不能发送"},
    {"-7", L"您输入的手机号吗为禁止下发用户"},
};

bool IsNumberedFailure(const std::string& result) {
    for (int code : {-1, -3, -4, -5, -99}) {
        if (result == std::to_string(code)) return true;
    }
    for (int code = -8; code >= -20; --code) {
        if (result == std::to_string(code)) return true;
    }
    return false;
}

}  // namespace

VelaMsgShareForm::VelaMsgShareForm(const wchar_t* layoutFile)
    : VelaDialogForm(kMsgShareLayout, layoutFile),
      m_editTelNum(nullptr),
      m_richEditContent(nullptr),
      m_btnClose(nullptr),
      m_btnCancel(nullptr),
      m_btnOK(nullptr) {}

void VelaMsgShareForm::SetData(const std::wstring& singer, const std::wstring& trackName) {
    m_singer = singer;
    m_trackName = trackName;
}

void VelaMsgShareForm::InitControls() {
    m_editTelNum = FindControl(L"EditTelNum");
    m_richEditContent = FindControl(L"RichEditContent");
    m_btnClose = FindControl(L"BtnClose");
    m_btnCancel = FindControl(L"BtnCancel");
    m_btnOK = FindControl(L"BtnOK");
}

void VelaMsgShareForm::Notify(UINotify& msg) {
    if (msg.type != L"click" || msg.sender == nullptr) return;
    if (msg.sender == m_btnOK) {
        SendSms();
        Close(1);  // one attempt per dialog, whatever came of it
    } else if (msg.sender == m_btnClose || msg.sender == m_btnCancel) {
        Close(1);
    }
}

void VelaMsgShareForm::SendSms() {
    const std::wstring mobile = m_editTelNum != nullptr ? std::wstring(m_editTelNum->GetText().GetData()) : L"";
    if (!IsMobileNumber(mobile)) {
        ShowInfoTip(kPictureWarning, kWrongNumber, m_hWnd);
        return;
    }
    const std::string url = SmsRequestUrl(mobile, SmsMessageText(m_singer, m_trackName));

    const std::wstring replyPath = SmsReplyPath();
    if (!replyPath.empty()) {
        CreateDirectoryTree(replyPath.substr(0, replyPath.rfind(L'\\')));
        ::DeleteFileW(replyPath.c_str());
    }
    auto down = std::make_shared<MusicDown>();
    down->SetTargetFile(replyPath);
    if (replyPath.empty() || !down->DownloadToFile(AsciiToWide(url), 1024000)) {
        ::DeleteFileW(replyPath.c_str());
        ShowInfoTip(kPictureWarning, kNoAnswer, m_hWnd);
        return;
    }
    if (ParseSmsReply(replyPath)) {
        ShowInfoTip(kPictureQuestion, kShared, m_hWnd);
    } else {
        ShowInfoTip(kPictureWarning, m_errorText.c_str(), m_hWnd);  // empty: the tip's own text
    }
}

bool VelaMsgShareForm::ParseSmsReply(const std::wstring& replyPath) {
    if (::GetFileAttributesW(replyPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        m_errorText = kTimedOut;
        return false;
    }
    TiXmlDocument document;
    if (!LoadXmlFile(document, replyPath, TIXML_ENCODING_UTF8)) {
        m_errorText = kTimedOut;
        return false;
    }
    const TiXmlElement* root = document.RootElement();
    const TiXmlElement* result = root != nullptr ? root->FirstChildElement("Result") : nullptr;
    if (result == nullptr) return false;
    // A result without text tells nothing: it is no success.
    const char* text = result->GetText();
    const std::string code = text != nullptr ? text : "";
    if (code == "1") return true;
    m_errorText = SmsFailureText(code);
    return false;
}

bool IsMobileNumber(const std::wstring& text) {
    if (text.size() != 11) return false;
    for (wchar_t ch : text) {
        if (ch < L'0' || ch > L'9') return false;
    }
    return true;
}

std::wstring SmsMessageText(const std::wstring& singer, const std::wstring& trackName) {
    return L"青岚音乐盒推出免费短信分享功能，您的好友与您分享了" + singer + L"的\"" + trackName + L"\"，" +
           L"一起来分享吧！";
}

std::string SmsRequestUrl(const std::wstring& mobile, const std::wstring& message) {
    std::string url = "http://" VELA_SMS_HOST ":" VELA_SMS_PORT "/SendLenSms.aspx?un=";
    url += PercentEncode(VELA_SMS_USER);
    url += "&pwd=" + PercentEncode(VELA_SMS_PASSWORD);
    url += "&mobile=" + PercentEncode(WideToAnsi(mobile));
    url += "&msg=" + PercentEncode(WideToAnsi(message));
    return url;
}

std::wstring SmsFailureText(const std::string& result) {
    for (const ResultText& known : kResultTexts) {
        if (result == known.result) return known.text;
    }
    if (IsNumberedFailure(result)) return kCodePrefix + AsciiToWide(result);
    return kUnknownResult;
}

std::wstring SmsReplyPath() {
    std::wstring folder;
    if (!GetUserDataFolder(folder)) return std::wstring();
    return folder + kReplyFileName;
}

}  // namespace VelaUI
