// The SMS share dialog: the number check, the gateway request and the gateway's replies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "msg_share_form.h"
#include "share_test_support.h"
#include "standin_client.h"
#include "test_files.h"
#include "vela_deployment.h"

using namespace VelaUI;
using formtest::DialogScript;
using sharetest::RequestLines;

namespace {

// The message about sharetest::AwkwardTrack in GBK, percent-encoded.
const char kEncodedMessage[] =
    "%C7%E0%E1%B0%D2%F4%C0%D6%BA%D0%CD%C6%B3%F6%C3%E2%B7%D1%B6%CC%D0%C5%B7%D6%CF%ED%B9%A6%C4%DC%A3%AC%C4%FA%B5%C4"
    "%BA%C3%D3%D1%D3%EB%C4%FA%B7%D6%CF%ED%C1%CBA%26B%20%22C%22%B5%C4%22%C7%E7%CC%EC%20%231%22%A3%AC%D2%BB%C6%F0"
    "%C0%B4%B7%D6%CF%ED%B0%C9%A3%A1";

std::string GatewayTarget(const std::string& mobile, const std::string& encodedMessage) {
    return std::string("/SendLenSms.aspx?un=") + VELA_SMS_USER + "&pwd=" + VELA_SMS_PASSWORD + "&mobile=" + mobile +
           "&msg=" + encodedMessage;
}

TEST(SmsRequest, OnlyElevenDigitsAreANumber) {
    struct Case {
        const wchar_t* text;
        bool number;
    };
    const Case cases[] = {
        {L"13800138000", true},   {L"00000000000", true},  {L"1380013800", false},   {L"138001380001", false},
        {L"1&msg=xxxxx", false},  {L"1380013800 ", false}, {L"+8613800138", false},  {L"",  false},
        {L"１３８００１３８０００", false},  // full-width digits are no ASCII digits
    };
    for (const Case& c : cases) EXPECT_EQ(IsMobileNumber(c.text), c.number) << testfiles::Narrow(c.text);
}

TEST(SmsRequest, EveryValueIsEncodedAndTheMessageGoesInTheAnsiCodePage) {
    const TrackInfo track = sharetest::AwkwardTrack();
    EXPECT_EQ(SmsMessageText(track.ArtistNameList, track.TrackName),
              L"青岚音乐盒推出免费短信分享功能，您的好友与您分享了A&B \"C\"的\"晴天 #1\"，一起来分享吧！");
    EXPECT_EQ(SmsRequestUrl(L"13800138000", SmsMessageText(track.ArtistNameList, track.TrackName)),
              std::string("http://") + VELA_SMS_HOST + ":" + VELA_SMS_PORT +
                  GatewayTarget("13800138000", kEncodedMessage));
    // A character the code page lacks becomes a question mark, as the gateway always got it.
    EXPECT_EQ(SmsRequestUrl(L"13800138000", L"\x0E01x"),
              std::string("http://") + VELA_SMS_HOST + ":" + VELA_SMS_PORT + GatewayTarget("13800138000", "%3Fx"));
    // A long message is neither cut nor squeezed: 300 characters, 600 bytes in GBK.
    std::string encoded;
    for (int i = 0; i < 300; ++i) encoded += "%C7%E7";
    EXPECT_EQ(SmsRequestUrl(L"13800138000", std::wstring(300, L'\x6674')),
              std::string("http://") + VELA_SMS_HOST + ":" + VELA_SMS_PORT + GatewayTarget("13800138000", encoded));
}

TEST(SmsReply, EveryResultHasItsText) {
    struct Case {
        const char* result;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"-1", L"共享失败,错误码为-1"},
        {"-2", L"手机号码输入错误"},
        {"-3", L"共享失败,错误码为-3"},
        {"-5", L"共享失败,错误码为-5"},
        {"-6", L"您输入的手机号吗,已被列为黑名单,不能发送"},
        {"-7", L"您输入的手机号吗为禁止下发用户"},
        {"-8", L"共享失败,错误码为-8"},
        {"-13", L"共享失败,错误码为-13"},
        {"-20", L"共享失败,错误码为-20"},
        {"-99", L"共享失败,错误码为-99"},
        {"-21", L"共享失败,发生未短错误"},
        {"-100", L"共享失败,发生未短错误"},
        {"0", L"共享失败,发生未短错误"},
        {"2", L"共享失败,发生未短错误"},
        {"-08", L"共享失败,发生未短错误"},
        {" 1", L"共享失败,发生未短错误"},
        {"", L"共享失败,发生未短错误"},
    };
    for (const Case& c : cases) EXPECT_EQ(SmsFailureText(c.result), c.text) << c.result;
}

TEST(SmsReply, ParsesTheReplyFile) {
    const std::wstring dir = testfiles::FreshDir(L"smsreply");
    const std::wstring path = dir + L"\\MsgShare";
    struct Case {
        const char* what;
        const char* file;  // null: no file
        bool success;
        const wchar_t* errorText;
    };
    // One dialog reads all replies in turn, so a reply that leaves the text alone shows it.
    const Case cases[] = {
        {"no file", nullptr, false, L"网络连接超时, 请重试"},
        {"sent", "<?xml version=\"1.0\" encoding=\"utf-8\"?><r><Result>1</Result></r>", true, L"网络连接超时, 请重试"},
        {"blacklisted", "<r><Result>-6</Result></r>", false, L"您输入的手机号吗,已被列为黑名单,不能发送"},
        {"root without a result", "<r><Other>1</Other></r>", false, L"您输入的手机号吗,已被列为黑名单,不能发送"},
        {"result deeper down only", "<r><x><Result>1</Result></x></r>", false,
         L"您输入的手机号吗,已被列为黑名单,不能发送"},
        {"result without text", "<r><Result/></r>", false, L"共享失败,发生未短错误"},
        {"numbered failure", "<r><Other/><Result>-4</Result></r>", false, L"共享失败,错误码为-4"},
        {"not XML", "Service Unavailable", false, L"网络连接超时, 请重试"},
        {"cut inside a character", "<r><Result>\xE5\xBC", false, L"网络连接超时, 请重试"},
        {"empty", "", false, L"网络连接超时, 请重试"},
    };
    VelaMsgShareForm form(L"MsgShare.xml");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ::DeleteFileW(path.c_str());
        if (c.file != nullptr) {
            ASSERT_TRUE(testfiles::WriteAll(path, c.file));
        }
        EXPECT_EQ(form.ParseSmsReply(path), c.success);
        EXPECT_EQ(form.GetErrorText(), c.errorText);
    }
    testfiles::RemoveTree(dir);
}

class SmsShareTest : public sharetest::ShareFormTest {
protected:
    // Runs the SMS dialog for AwkwardTrack with a number typed and OK pressed; notes the tip.
    void SendWith(const wchar_t* number) {
        const TrackInfo track = sharetest::AwkwardTrack();
        auto* sms = new VelaMsgShareForm(L"MsgShare.xml");
        sms->SetData(track.ArtistNameList, track.TrackName);
        DialogScript script;
        script.ThenDialog(DialogScript::SetTextAndClick(L"EditTelNum", number, L"BtnOK"))
            .ThenDialog(DialogScript::PressEscape());
        script.Start();
        EXPECT_EQ(VelaDialogForm::ShowDialog(sms, owner), 1);  // the dialog ends after the attempt
        ASSERT_TRUE(script.Finished());
        tip = script.Seen()[1];
        smsDialogOwner = script.Seen()[0].owner;
        EXPECT_TRUE(::IsWindowEnabled(owner));
    }

    formtest::SeenDialog tip;
    HWND smsDialogOwner = nullptr;
};

TEST_F(SmsShareTest, AWrongNumberIsToldAndNeverSent) {
    for (const wchar_t* number : {L"1380013800", L"1&msg=xxxxx"}) {
        SCOPED_TRACE(testfiles::Narrow(number));
        SendWith(number);
        EXPECT_EQ(tip.firstLine, L"输入手机号有误,请重新输入");
        EXPECT_EQ(tip.picture, L"res='331' restype='png'");
        EXPECT_NE(tip.owner, owner);  // the SMS dialog owns the tip
    }
    EXPECT_TRUE(RequestLines("/SendLenSms.aspx").empty());
}

TEST_F(SmsShareTest, TheGatewayGetsTheMessageAndItsReplyIsTold) {
    struct Case {
        const char* what;
        std::string control;  // query of /_ctl/sms or /_ctl/behave
        bool behave;
        const wchar_t* text;
        const wchar_t* picture;
    };
    const Case cases[] = {
        {"sent", "result=1", false, L"分享成功", L"res='330' restype='png'"},
        {"blacklisted", "result=-6", false, L"您输入的手机号吗,已被列为黑名单,不能发送", L"res='331' restype='png'"},
        {"numbered failure", "result=-12", false, L"共享失败,错误码为-12", L"res='331' restype='png'"},
        {"result without text", "result=", false, L"共享失败,发生未短错误", L"res='331' restype='png'"},
        {"root without a result", "body=" + standin::Escape("<r><Other>1</Other></r>"), false,
         L"发生未知错误,请稍后重试", L"res='331' restype='png'"},
        {"no reply", "body=", false, L"网络连接超时, 请重试", L"res='331' restype='png'"},
        {"gateway failing", "prefix=/SendLenSms.aspx&b=status=500", true, L"分享失败,远程服务器没有响应",
         L"res='331' restype='png'"},
    };
    const std::wstring replyFile = testfiles::PlayerDataFolder() + L"\\MsgShare";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        standin::Reset();
        standin::Control(c.behave ? "behave" : "sms", c.control);
        // A reply of an earlier attempt never answers for this one.
        ::CreateDirectoryW(testfiles::PlayerDataFolder().c_str(), nullptr);
        ASSERT_TRUE(testfiles::WriteAll(replyFile, "<r><Result>1</Result></r>"));
        SendWith(L"13800138000");
        EXPECT_EQ(tip.firstLine, c.text);
        EXPECT_EQ(tip.picture, c.picture);
        EXPECT_EQ(RequestLines("/SendLenSms.aspx"),
                  std::vector<std::string>{"GET " + GatewayTarget("13800138000", kEncodedMessage) + " HTTP/1.1"});
    }
    // The gateway was reached on its own port, and read the message as it was written.
    const std::string requests = standin::Request("GET", "/_ctl/sms").body;
    EXPECT_NE(requests.find(std::string("\"port\": ") + VELA_SMS_PORT + ","), std::string::npos) << requests;
    EXPECT_NE(requests.find("\"msg\": \"" +
                            testfiles::Narrow(L"青岚音乐盒推出免费短信分享功能，您的好友与您分享了A&B \\\"C\\\"的")),
              std::string::npos)
        << requests;
}

}  // namespace
