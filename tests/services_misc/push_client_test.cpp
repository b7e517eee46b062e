#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "push_client.h"
#include "push_test_support.h"
#include "test_files.h"

using pushtest::AckMode;
using pushtest::FakeTransport;

namespace {

class PushClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = testfiles::FreshDir(L"pushclient");
        config_.reset(new AgentConfig(dir_ + L"\\agent.conf"));
    }
    void TearDown() override {
        config_.reset();
        testfiles::RemoveTree(dir_);
    }

    std::shared_ptr<MSIPAgent> MakeAgent(FakeTransport& transport) {
        auto agent = std::make_shared<MSIPAgent>(&transport, config_.get());
        transport.SetAgent(agent.get());
        MSIPContact self;
        self.id = 1234;
        agent->SetSelfInfo(self);
        return agent;
    }

    std::wstring dir_;
    std::unique_ptr<AgentConfig> config_;
};

CPushNotifySink* g_sink = nullptr;
int g_deviceStateCount = -1;
std::int32_t g_deviceStateLastId = -1;

LRESULT CALLBACK RecordingProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PUSH_DEVICE_STATE) {
        std::list<MSIPDevice> devices;
        if (g_sink != nullptr && g_sink->TakeDeviceState(devices)) {
            g_deviceStateCount = static_cast<int>(devices.size());
            g_deviceStateLastId = devices.back().id;
        }
        return 0;
    }
    return DefWindowProcW(hWnd, message, wParam, lParam);
}

// Reports a device state from a thread of its own, as the agent's transport does; the list
// it reports is gone when the thread ends.
DWORD WINAPI ReportDeviceState(void* sink) {
    std::list<MSIPDevice> devices(3);
    std::int32_t id = 1;
    for (MSIPDevice& device : devices) device.id = id++;
    static_cast<CPushNotifySink*>(sink)->OnDeviceState(devices);
    return 0;
}

}  // namespace

TEST_F(PushClientTest, WithoutAgentEverythingFailsCleanly) {
    CPushClient client;
    EXPECT_EQ(client.CheckReady(), -1);
    EXPECT_EQ(client.PushUriList(5, "x"), -1);
    EXPECT_TRUE(client.GetDeviceList(true).empty());
    EXPECT_TRUE(client.GetFriendList(true).empty());
    EXPECT_EQ(client.GetDeviceId(), 0);
}

TEST_F(PushClientTest, ReadinessFollowsTheAgent) {
    FakeTransport transport(AckMode::Immediately);
    CPushClient client(MakeAgent(transport));
    EXPECT_EQ(client.CheckReady(), 1);
    auto agent = MakeAgent(transport);
    agent->SetStarted(true);
    CPushClient started(agent);
    EXPECT_EQ(started.CheckReady(), 0);
}

TEST_F(PushClientTest, PushBuildsTheUriListMessage) {
    FakeTransport transport(AckMode::Immediately);
    CPushClient client(MakeAgent(transport));
    const std::string content = "album,artist,track,name";
    EXPECT_EQ(client.PushUriList(77, content), 0);
    const auto sent = transport.Sent();
    ASSERT_EQ(sent.size(), 1u);
    const MSIPMessage& message = sent[0];
    EXPECT_EQ(message.GetBody(), content);
    EXPECT_EQ(message.GetContentType(), "text/uri-list");
    EXPECT_EQ(message.GetFrom().flags, 0);
    EXPECT_EQ(message.GetFrom().id, 1234);
    EXPECT_EQ(message.GetTo().flags, 77);
    EXPECT_EQ(message.GetTo().id, 1234);
    EXPECT_EQ(message.GetSource(), "sylk42/sylk42");
    EXPECT_EQ(message.GetTarget(), "sylk42/testclient");
    EXPECT_EQ(message.GetType(), 1);
    EXPECT_EQ(message.GetPriority(), 40);
    EXPECT_EQ(message.GetTTL(), 3600);
    EXPECT_EQ(message.GetId(), 1);
}

TEST_F(PushClientTest, FailedPushGivesTheAgentsErrorCode) {
    FakeTransport transport(AckMode::Fail);
    CPushClient client(MakeAgent(transport));
    EXPECT_EQ(client.PushUriList(77, "x"), MSIP_ERROR_IO);
}

TEST_F(PushClientTest, ListsAreCachedUntilRefreshed) {
    FakeTransport transport(AckMode::Immediately);
    auto agent = MakeAgent(transport);
    MSIPDevice tv;
    tv.id = 1;
    agent->SetDeviceList({tv});
    MSIPContact pal;
    pal.id = 2;
    agent->SetFriendList({pal});
    agent->SetDeviceId("ff");
    CPushClient client(agent);
    EXPECT_TRUE(client.GetDeviceList(false).empty());
    EXPECT_EQ(client.GetDeviceList(true).size(), 1u);
    agent->SetDeviceList({tv, tv});
    EXPECT_EQ(client.GetDeviceList(false).size(), 1u);
    EXPECT_EQ(client.GetDeviceList(true).size(), 2u);
    EXPECT_TRUE(client.GetFriendList(false).empty());
    EXPECT_EQ(client.GetFriendList(true).front().id, 2);
    EXPECT_EQ(client.GetDeviceId(), 255);
}

TEST_F(PushClientTest, NotifySinkPostsAnOwnedCopyWithoutWaitingForTheWindow) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VelaPushSinkTest";
    RegisterClassW(&wc);
    HWND window = CreateWindowW(L"VelaPushSinkTest", L"", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);

    CPushClient client;
    g_sink = &client.GetNotifySink();
    EXPECT_FALSE(client.GetNotifySink().OnDeviceState({}));
    client.SetNotifyWindow(window);
    EXPECT_EQ(client.GetNotifyWindow(), window);
    EXPECT_EQ(client.GetNotifySink().GetWindow(), window);

    // The window's thread does not pump while the report is made: the reporter must not wait.
    HANDLE reporter = CreateThread(nullptr, 0, ReportDeviceState, &client.GetNotifySink(), 0, nullptr);
    ASSERT_NE(reporter, nullptr);
    EXPECT_EQ(WaitForSingleObject(reporter, 10000), WAIT_OBJECT_0);
    CloseHandle(reporter);
    MSG msg;
    g_deviceStateCount = -1;
    while (PeekMessageW(&msg, window, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    EXPECT_EQ(g_deviceStateCount, 3);
    EXPECT_EQ(g_deviceStateLastId, 3);

    EXPECT_EQ(client.GetNotifySink().WaitingDeviceStates(), 0u);

    // The message itself carries nothing: one that another program posts finds no list, and a
    // list is taken once.
    g_deviceStateCount = -1;
    SendMessageW(window, WM_PUSH_DEVICE_STATE, reinterpret_cast<WPARAM>(&client), 0);
    EXPECT_EQ(g_deviceStateCount, -1);

    // Lists whose messages the window never handles go when the window leaves the client.
    std::list<MSIPDevice> devices(2);
    EXPECT_TRUE(client.GetNotifySink().OnDeviceState(devices));
    EXPECT_TRUE(client.GetNotifySink().OnDeviceState(devices));
    EXPECT_EQ(client.GetNotifySink().WaitingDeviceStates(), 2u);
    client.SetNotifyWindow(nullptr);
    EXPECT_EQ(client.GetNotifySink().WaitingDeviceStates(), 0u);
    while (PeekMessageW(&msg, window, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    EXPECT_EQ(g_deviceStateCount, -1);

    client.SetNotifyWindow(window);
    DestroyWindow(window);
    EXPECT_FALSE(client.GetNotifySink().OnDeviceState(devices));
    EXPECT_EQ(client.GetNotifySink().WaitingDeviceStates(), 0u);
    g_sink = nullptr;
}
