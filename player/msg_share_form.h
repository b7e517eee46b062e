// The SMS share dialog: sends the track that plays to a friend's mobile number through the web
// SMS gateway, and tells the user what the gateway answered.
#pragma once

#include <string>

#include "vela_dialog.h"

namespace VelaUI {

class VelaMsgShareForm : public VelaDialogForm {
public:
    explicit VelaMsgShareForm(const wchar_t* layoutFile);

    void SetData(const std::wstring& singer, const std::wstring& trackName);
    void Notify(UINotify& msg) override;

    // Sends the SMS to the number of "EditTelNum" and shows the outcome in an info tip.
    void SendSms();
    // Reads the gateway's reply file: true for success; otherwise false with the error text set
    // (or left as it was, for a reply without its result element).
    bool ParseSmsReply(const std::wstring& replyPath);
    const std::wstring& GetErrorText() const { return m_errorText; }

protected:
    void InitControls() override;

private:
    CControlUI* m_editTelNum;
    CControlUI* m_richEditContent;  // not in the layout: stays null
    CControlUI* m_btnClose;
    CControlUI* m_btnCancel;
    CControlUI* m_btnOK;
    std::wstring m_singer;
    std::wstring m_trackName;
    std::wstring m_errorText;
};

// A mobile number the gateway takes: exactly 11 digits.
bool IsMobileNumber(const std::wstring& text);
// The text of the SMS about a track.
std::wstring SmsMessageText(const std::wstring& singer, const std::wstring& trackName);
// The gateway request: account, number and message, every value percent-encoded; the message
// goes in the ANSI code page (characters it lacks become question marks), as the gateway reads it.
std::string SmsRequestUrl(const std::wstring& mobile, const std::wstring& message);
// The error text for a gateway result other than "1".
std::wstring SmsFailureText(const std::string& result);
// The reply file of the gateway request: "MsgShare" in the data folder ("" when unknown).
std::wstring SmsReplyPath();

}  // namespace VelaUI
