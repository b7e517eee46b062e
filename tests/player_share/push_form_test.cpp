// The push dialog with a push client whose agent the test provides: the device and friend
// lists, the push and its outcome, device-state notifications, and the push button's checks.
#include <windows.h>

#include <gtest/gtest.h>

#include <list>
#include <memory>
#include <string>
#include <vector>

#include "player_forms_util.h"
#include "push_form.h"
#include "push_test_support.h"
#include "test_files.h"

using namespace VelaUI;
using formtest::DialogScript;
using pushtest::AckMode;
using pushtest::FakeTransport;
using UIToolkit::CComboUI;
using UIToolkit::CControlUI;
using UIToolkit::COptionUI;
using UIToolkit::CTabLayoutUI;

namespace {

const char kPhoneGbk[] = "\xCA\xD6\xBB\xFA";   // 手机
const wchar_t kPhone[] = L"\x624B\x673A";
const char kMingGbk[] = "\xD0\xA1\xC3\xF7";    // 小明
const wchar_t kMing[] = L"\x5C0F\x660E";

MSIPDevice Device(std::int32_t id, const char* type, const char* name, bool online) {
    MSIPDevice device;
    device.id = id;
    device.type = type;
    device.name = name;
    device.online = online;
    return device;
}

MSIPContact Friend(std::int32_t id, const char* nickName) {
    MSIPContact contact;
    contact.id = id;
    contact.nickName = nickName;
    return contact;
}

// A combo box item as the test sees it.
struct Item {
    std::wstring text;
    UINT_PTR tag;
    bool operator==(const Item& other) const { return text == other.text && tag == other.tag; }
};

void PrintTo(const Item& item, std::ostream* os) { *os << testfiles::Narrow(item.text) << " #" << item.tag; }

// Handles what is waiting in this thread's queue, as a message loop would.
void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
}

class PushFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        formtest::UseOwnResources();
        formtest::ParkPointer();
        owner = formtest::MakeOwnerWindow();
        ASSERT_NE(owner, nullptr);
        dir = testfiles::FreshDir(L"pushform");
        config.reset(new AgentConfig(dir + L"\\agent.conf"));
    }
    void TearDown() override {
        formtest::DestroyDialogWindows();
        if (::IsWindow(owner)) ::DestroyWindow(owner);
        client.reset();
        agent.reset();
        transport.reset();
        config.reset();
        testfiles::RemoveTree(dir);
    }

    // A running agent of account 1234 whose own device is "7" (hexadecimal), and its client.
    void MakeClient(AckMode mode, std::list<MSIPDevice> devices) {
        transport.reset(new FakeTransport(mode));
        agent = std::make_shared<MSIPAgent>(transport.get(), config.get());
        transport->SetAgent(agent.get());
        MSIPContact self;
        self.id = 1234;
        agent->SetSelfInfo(self);
        agent->SetDeviceId("7");
        agent->SetDeviceList(devices);
        agent->SetStarted(true);
        client = std::make_shared<CPushClient>(agent);
    }

    // Opens the dialog as the push button does (client given when there is one), laid out.
    VelaPushForm* Open(bool withClient = true) {
        auto* form = new VelaPushForm(L"Push.xml");
        if (form->CreateDialogWindow(owner) == nullptr) return nullptr;
        if (withClient) form->SetClient(client);
        form->SetContent(L"77", L"A&B", L"9&1", L"\x6674\x5929");
        ::UpdateWindow(*form);
        return form;
    }

    template <class T>
    static T* Find(VelaPushForm* form, const wchar_t* name, const wchar_t* interfaceName) {
        CControlUI* control = form->GetManager().FindControlByName(name);
        return control != nullptr ? static_cast<T*>(control->GetInterface(interfaceName)) : nullptr;
    }
    static CComboUI* Combo(VelaPushForm* form, const wchar_t* name) { return Find<CComboUI>(form, name, L"Combo"); }
    static int Page(VelaPushForm* form) { return Find<CTabLayoutUI>(form, L"TabSwitch", L"TabLayout")->GetCurSel(); }

    static std::vector<Item> Items(CComboUI* combo) {
        std::vector<Item> items;
        for (int i = 0; i < combo->GetCount(); ++i)
            items.push_back(Item{combo->GetItemAt(i)->GetText().GetData(), combo->GetItemAt(i)->GetTag()});
        return items;
    }

    // Closes a dialog that is still open with Esc; its modal result.
    static int CloseWithEscape(VelaPushForm* form) {
        formtest::PostKey(*form, VK_ESCAPE);
        return form->RunModal();
    }

    HWND owner = nullptr;
    std::wstring dir;
    std::unique_ptr<AgentConfig> config;
    std::unique_ptr<FakeTransport> transport;
    std::shared_ptr<MSIPAgent> agent;
    std::shared_ptr<CPushClient> client;
};

TEST(PushDeviceItems, MarkupByTypeAndOnlineFlagThenTheName) {
    struct Case {
        const char* type;
        bool online;
        const wchar_t* markup;
    };
    const Case cases[] = {
        {"handheld", true, L"<a><i mobile_online.png 1 1></a>"},
        {"tv", true, L"<a><i tv_online.png 1 1></a>"},
        {"handheld", false, L"<a><i mobile.png 1 1></a>"},
        {"tv", false, L"<a><i tv.png 1 1></a>"},
        {"", false, L"<a><i tv.png 1 1></a>"},
        {"Handheld", true, L"<a><i tv_online.png 1 1></a>"},  // the type is compared exactly
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DeviceItemText(Device(3, c.type, kPhoneGbk, c.online)), std::wstring(c.markup) + kPhone)
            << c.type << " " << c.online;
    }
}

TEST_F(PushFormTest, DevicePageListsTheOtherDevices) {
    struct Case {
        const char* what;
        const char* ownId;
        std::list<MSIPDevice> devices;
        std::vector<Item> items;
    };
    const Case cases[] = {
        {"own device left out",
         "7",
         {Device(1, "handheld", kPhoneGbk, true), Device(7, "handheld", "me", true), Device(2, "tv", "TV", false)},
         {{std::wstring(L"<a><i mobile_online.png 1 1></a>") + kPhone, 1}, {L"<a><i tv.png 1 1></a>TV", 2}}},
        {"only the own device", "7", {Device(7, "handheld", "me", true)}, {}},
        {"own id in hexadecimal", "1A", {Device(26, "tv", "me", true), Device(10, "tv", "TV", true)},
         {{L"<a><i tv_online.png 1 1></a>TV", 10}}},
        {"own id above 7FFFFFFF", "FFFFFFFE", {Device(-2, "tv", "me", true), Device(-3, "tv", "TV", true)},
         {{L"<a><i tv_online.png 1 1></a>TV", 0xFFFFFFFDu}}},
        {"no devices online", "7", {}, {{L"未检测到在线设备", 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MakeClient(AckMode::Immediately, c.devices);
        agent->SetDeviceId(c.ownId);
        VelaPushForm* form = Open();
        ASSERT_NE(form, nullptr);
        CComboUI* combo = Combo(form, L"ComboDevice");
        EXPECT_EQ(Items(combo), c.items);
        EXPECT_EQ(combo->GetCurSel(), c.items.empty() ? -1 : 0);
        EXPECT_TRUE(combo->GetListItemStyle()->showHtml);
        EXPECT_EQ(Page(form), 0);
        EXPECT_TRUE(Find<COptionUI>(form, L"OptionDevice", L"Option")->IsSelected());
        EXPECT_EQ(CloseWithEscape(form), 1);
    }
}

TEST_F(PushFormTest, FriendPageShowsTheCachedFriendsAndTheDevicePageAsksAgain) {
    MakeClient(AckMode::Immediately, {Device(1, "tv", "TV", true)});
    agent->SetFriendList({Friend(5, kMingGbk)});
    client->GetFriendList(true);  // the client has cached this list before
    agent->SetFriendList({Friend(6, "B"), Friend(8, "C")});
    VelaPushForm* form = Open();
    ASSERT_NE(form, nullptr);

    formtest::PostClick(*form, form->GetManager().FindControlByName(L"OptionFriend"));
    Pump();
    EXPECT_EQ(Page(form), 1);
    EXPECT_EQ(Items(Combo(form, L"ComboFriend")), (std::vector<Item>{{kMing, 5}}));
    EXPECT_EQ(Combo(form, L"ComboFriend")->GetCurSel(), 0);

    agent->SetDeviceList({Device(3, "handheld", "P", false)});
    formtest::PostClick(*form, form->GetManager().FindControlByName(L"OptionDevice"));
    Pump();
    EXPECT_EQ(Page(form), 0);
    EXPECT_EQ(Items(Combo(form, L"ComboDevice")), (std::vector<Item>{{L"<a><i mobile.png 1 1></a>P", 3}}));
    EXPECT_EQ(CloseWithEscape(form), 1);

    // Without cached friends the page says so.
    MakeClient(AckMode::Immediately, {});
    form = Open();
    ASSERT_NE(form, nullptr);
    form->FillFriendList();
    EXPECT_EQ(Items(Combo(form, L"ComboFriend")), (std::vector<Item>{{L"还未添加好友", 0}}));
    EXPECT_EQ(CloseWithEscape(form), 1);
}

TEST_F(PushFormTest, PushSendsTheContentToTheChosenDeviceAndCloses) {
    MakeClient(AckMode::Immediately, {Device(1, "tv", "A", true), Device(2, "handheld", "B", true)});
    VelaPushForm* form = Open();
    ASSERT_NE(form, nullptr);
    Combo(form, L"ComboDevice")->SelectItem(1);
    DialogScript script;
    script.ThenDialog(DialogScript::PressEscape());
    script.Start();
    formtest::PostClick(*form, form->GetManager().FindControlByName(L"BtnOK"));
    EXPECT_EQ(form->RunModal(), 1);
    ASSERT_EQ(script.Seen().size(), 1u);
    EXPECT_EQ(script.Seen()[0].firstLine, L"推送成功");
    EXPECT_EQ(script.Seen()[0].picture, L"res='331' restype='png'");

    const std::vector<MSIPMessage> sent = transport->Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].GetBody(), "77,A&B,9&1,\xC7\xE7\xCC\xEC");  // the ANSI code page (GBK)
    EXPECT_EQ(sent[0].GetContentType(), "text/uri-list");
    EXPECT_EQ(sent[0].GetTo().flags, 2);  // the chosen device
    EXPECT_EQ(sent[0].GetTo().id, 1234);
}

TEST_F(PushFormTest, PushToAFriend) {
    MakeClient(AckMode::Immediately, {Device(1, "tv", "A", true)});
    agent->SetFriendList({Friend(5, "X"), Friend(9, "Y")});
    client->GetFriendList(true);
    VelaPushForm* form = Open();
    ASSERT_NE(form, nullptr);
    formtest::PostClick(*form, form->GetManager().FindControlByName(L"OptionFriend"));
    Pump();
    Combo(form, L"ComboFriend")->SelectItem(1);
    DialogScript script;
    script.ThenDialog(DialogScript::PressEscape());
    script.Start();
    formtest::PostClick(*form, form->GetManager().FindControlByName(L"BtnOK"));
    EXPECT_EQ(form->RunModal(), 1);
    ASSERT_EQ(transport->Sent().size(), 1u);
    EXPECT_EQ(transport->Sent()[0].GetTo().flags, 9);
}

TEST_F(PushFormTest, AFailedPushOrNoTargetIsToldAndTheDialogStaysOpen) {
    struct Case {
        const char* what;
        AckMode mode;
        std::list<MSIPDevice> devices;
        size_t sent;
    };
    const Case cases[] = {
        {"not acknowledged", AckMode::Fail, {Device(1, "tv", "A", true)}, 1},
        {"only the own device: nothing chosen", AckMode::Immediately, {Device(7, "tv", "me", true)}, 0},
        {"no devices: only a placeholder", AckMode::Immediately, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MakeClient(c.mode, c.devices);
        VelaPushForm* form = Open();
        ASSERT_NE(form, nullptr);
        const HWND hWnd = *form;
        DialogScript script;
        script.ThenDialog(DialogScript::PressEscape()).Then(L"VelaUI::VelaPushForm", DialogScript::PressEscape());
        script.Start();
        formtest::PostClick(hWnd, form->GetManager().FindControlByName(L"BtnOK"));
        EXPECT_EQ(form->RunModal(), 1);
        ASSERT_EQ(script.Seen().size(), 2u);
        EXPECT_EQ(script.Seen()[0].firstLine, L"推送失败,请稍后再试");
        EXPECT_EQ(script.Seen()[0].picture, L"res='331' restype='png'");
        EXPECT_EQ(script.Seen()[0].owner, hWnd);
        EXPECT_EQ(transport->Sent().size(), c.sent);
    }
}

TEST_F(PushFormTest, WithoutAClientTheListsSaySoAndPushDoesNothing) {
    VelaPushForm* form = Open(false);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(Items(Combo(form, L"ComboDevice")), (std::vector<Item>{{L"服务未能启动", 0}}));
    formtest::PostClick(*form, form->GetManager().FindControlByName(L"OptionFriend"));
    Pump();
    EXPECT_EQ(Items(Combo(form, L"ComboFriend")), (std::vector<Item>{{L"服务未能启动", 0}}));
    DialogScript script;
    script.ThenDialog(DialogScript::PressEscape());  // a tip would be met here
    script.Start();
    formtest::PostClick(*form, form->GetManager().FindControlByName(L"BtnOK"));
    EXPECT_EQ(CloseWithEscape(form), 1);
    EXPECT_TRUE(script.Seen().empty());
}

// Reports a device's new state from another thread, as the agent's transport does.
struct StateReport {
    CPushClient* client;
    std::list<MSIPDevice> devices;
    static DWORD WINAPI Run(void* param) {
        auto* report = static_cast<StateReport*>(param);
        return report->client->GetNotifySink().OnDeviceState(report->devices) ? 0 : 1;
    }
    bool Send() {
        HANDLE thread = ::CreateThread(nullptr, 0, Run, this, 0, nullptr);
        if (thread == nullptr) return false;
        DWORD code = 1;
        const bool ended = ::WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0 && ::GetExitCodeThread(thread, &code);
        ::CloseHandle(thread);
        return ended && code == 0;
    }
};

TEST_F(PushFormTest, DeviceStateChangesTheDeviceItemWhileTheDevicePageShows) {
    MakeClient(AckMode::Immediately, {Device(1, "handheld", "P", true), Device(2, "tv", "TV", false)});
    VelaPushForm* form = Open();
    ASSERT_NE(form, nullptr);
    const HWND hWnd = *form;
    EXPECT_EQ(client->GetNotifyWindow(), hWnd);

    // The last device of the list is the one that changed.
    ASSERT_TRUE((StateReport{client.get(), {Device(1, "handheld", "P", false), Device(2, "tv", "TV", true)}}.Send()));
    ASSERT_TRUE((StateReport{client.get(), {}}.Send()));
    Pump();
    EXPECT_EQ(Items(Combo(form, L"ComboDevice")),
              (std::vector<Item>{{L"<a><i mobile_online.png 1 1></a>P", 1}, {L"<a><i tv_online.png 1 1></a>TV", 2}}));

    // On the friend page device states change nothing.
    form->FillFriendList();
    ASSERT_TRUE((StateReport{client.get(), {Device(1, "handheld", "P", false)}}.Send()));
    Pump();
    EXPECT_EQ(std::wstring(Combo(form, L"ComboDevice")->GetItemAt(0)->GetText().GetData()),
              L"<a><i mobile_online.png 1 1></a>P");

    EXPECT_EQ(::SendMessageW(hWnd, WM_PUSH_NOTIFY_1092, 0, 0), 0);
    EXPECT_EQ(::SendMessageW(hWnd, WM_PUSH_NOTIFY_1093, 0, 0), 0);

    // The message carries no list: one posted by another program with a pointer changes nothing.
    form->FillDeviceList();
    ASSERT_EQ(std::wstring(Combo(form, L"ComboDevice")->GetItemAt(1)->GetText().GetData()),
              L"<a><i tv.png 1 1></a>TV");
    std::unique_ptr<std::list<MSIPDevice>> forged(new std::list<MSIPDevice>{Device(2, "tv", "TV", true)});
    ::PostMessageW(hWnd, WM_PUSH_DEVICE_STATE, reinterpret_cast<WPARAM>(forged.get()), 0);
    Pump();
    EXPECT_EQ(std::wstring(Combo(form, L"ComboDevice")->GetItemAt(1)->GetText().GetData()),
              L"<a><i tv.png 1 1></a>TV");

    // Reports that come while the dialog closes are freed with it; later ones go nowhere.
    ASSERT_TRUE((StateReport{client.get(), {Device(2, "tv", "TV", false)}}.Send()));
    ASSERT_TRUE((StateReport{client.get(), {Device(1, "handheld", "P", true)}}.Send()));
    EXPECT_EQ(client->GetNotifySink().WaitingDeviceStates(), 2u);
    EXPECT_EQ(CloseWithEscape(form), 1);
    EXPECT_EQ(client->GetNotifyWindow(), nullptr);
    EXPECT_EQ(client->GetNotifySink().WaitingDeviceStates(), 0u);
    EXPECT_FALSE((StateReport{client.get(), {Device(2, "tv", "TV", true)}}.Send()));
}

TEST_F(PushFormTest, DialogHasItsOwnClassAndFrame) {
    MakeClient(AckMode::Immediately, {});
    VelaPushForm* form = Open();
    ASSERT_NE(form, nullptr);
    wchar_t cls[64] = {};
    ::GetClassNameW(*form, cls, 64);
    EXPECT_STREQ(cls, L"VelaUI::VelaPushForm");
    RECT window = {};
    ::GetWindowRect(*form, &window);
    EXPECT_EQ(window.right - window.left, 368);
    EXPECT_EQ(window.bottom - window.top, 200);
    EXPECT_STREQ(form->GetLayoutFileName().GetData(), L"Push.xml");
    EXPECT_EQ(CloseWithEscape(form), 1);
}

TEST_F(PushFormTest, PushButtonChecksTheServiceAndTheTrackFirst) {
    TrackInfo track;
    track.AlbumID = L"77";
    track.ArtistNameList = L"A";
    track.TrackID = L"9";
    track.TrackName = L"N";
    MakeClient(AckMode::Immediately, {Device(1, "tv", "TV", true)});
    auto idle = std::make_shared<CPushClient>(std::make_shared<MSIPAgent>(nullptr, config.get()));
    struct Case {
        const char* what;
        std::shared_ptr<CPushClient> client;
        const wchar_t* account;
        const TrackInfo* track;
        const wchar_t* text;
        int result;
    };
    const Case cases[] = {
        {"no push client, signed out", nullptr, L"", &track, L"您还没有登录,请您先登录再使用", 0},
        {"no push client, signed in", nullptr, L"user", &track, L"正在启动推送服务,请您稍后重试", 0},
        {"service not started", idle, L"user", &track, L"正在启动推送服务,请您稍后重试", 0},
        {"nothing plays", client, L"user", nullptr, L"您现在没有可推送的信息", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DialogScript script;
        script.ThenDialog(DialogScript::PressEscape());
        script.Start();
        EXPECT_EQ(RunPush(owner, c.client, c.account, c.track), c.result);
        ASSERT_EQ(script.Seen().size(), 1u);
        EXPECT_EQ(script.Seen()[0].firstLine, c.text);
        EXPECT_EQ(script.Seen()[0].picture, L"res='331' restype='png'");
        EXPECT_EQ(script.Seen()[0].owner, owner);
    }

    std::string content;
    std::vector<Item> devices;
    DialogScript script;
    script.Then(L"VelaUI::VelaPushForm", [&](VelaDialogForm& form, HWND hWnd) {
        auto& push = dynamic_cast<VelaPushForm&>(form);
        content = push.GetContent();
        devices = Items(Combo(&push, L"ComboDevice"));
        formtest::PostKey(hWnd, VK_ESCAPE);
    });
    script.Start();
    EXPECT_EQ(RunPush(owner, client, L"user", &track), 0);
    ASSERT_TRUE(script.Finished());
    EXPECT_EQ(script.Seen()[0].owner, owner);
    EXPECT_EQ(content, "77,A,9,N");
    EXPECT_EQ(devices, (std::vector<Item>{{L"<a><i tv_online.png 1 1></a>TV", 1}}));
}

TEST_F(PushFormTest, LongFieldsArePushedWhole) {
    MakeClient(AckMode::Immediately, {});
    VelaPushForm* form = Open();
    ASSERT_NE(form, nullptr);
    const std::wstring name(300, L'\x6674');
    form->SetContent(L"1", L"2", L"3", name);
    std::string expected = "1,2,3,";
    for (int i = 0; i < 300; ++i) expected += "\xC7\xE7";
    EXPECT_EQ(form->GetContent(), expected);
    EXPECT_EQ(CloseWithEscape(form), 1);
}

}  // namespace
