#include <gtest/gtest.h>

#include <process.h>
#include <windows.h>

#include <string>
#include <thread>

#include "push_agent.h"
#include "push_test_support.h"
#include "test_files.h"

using pushtest::AckMode;
using pushtest::FakeTransport;

namespace {

std::string ReadLog() { return testfiles::ReadAll(MsipFilePath(L"msip.log")); }

// A log line: "MM/DD HH:MM:SS: " followed by the text.
bool IsLogLine(const std::string& line, const std::string& text) {
    if (line.size() < 16 + text.size()) return false;
    const char* shape = "dd/dd dd:dd:dd: ";
    for (int i = 0; i < 16; ++i) {
        const char ch = line[i];
        if (shape[i] == 'd' ? !(ch >= '0' && ch <= '9') : ch != shape[i]) return false;
    }
    return line.compare(16, std::string::npos, text) == 0;
}

std::vector<std::string> Lines(const std::string& content) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(start, end - start);
        EXPECT_FALSE(line.empty() || line.back() != '\r') << "a line without CR LF: " << line;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

class PushAgentTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = testfiles::FreshDir(L"push");
        confPath_ = dir_ + L"\\agent.conf";
        DeleteFileW(MsipFilePath(L"msip.log").c_str());
    }
    void TearDown() override { testfiles::RemoveTree(dir_); }

    std::wstring dir_;
    std::wstring confPath_;
};

}  // namespace

// ---- Message record and addressing ----

TEST(MsipMessageTest, DefaultsAndTimeToLive) {
    MSIPMessage message;
    EXPECT_EQ(message.GetType(), 0);
    EXPECT_EQ(message.GetFrom().flags, -1);
    EXPECT_EQ(message.GetFrom().id, -1);
    EXPECT_EQ(message.GetTo().id, -1);
    EXPECT_EQ(message.GetPriority(), -1);
    EXPECT_EQ(message.GetTTL(), 3600);
    EXPECT_EQ(message.GetTimeout(), 5);
    EXPECT_FALSE(message.IsTransient());

    const struct {
        int given;
        int kept;
    } ttls[] = {{0, 3600}, {-7, 3600}, {1, 1}, {2592000, 2592000}, {2592001, 2592000}, {86400, 86400}};
    for (const auto& ttl : ttls) {
        message.SetTTL(ttl.given);
        EXPECT_EQ(message.GetTTL(), ttl.kept) << ttl.given;
    }

    message.SetBody("abc");
    message.SetBody(std::string("x\0y", 3));
    EXPECT_EQ(message.GetBody(), std::string("x\0y", 3));
}

TEST(MsipMessageTest, EndPointKinds) {
    const struct {
        int kind;
        int index;
        std::uint32_t flags;
        int id;
    } cases[] = {
        {0, 7, 0u, 42},          {1, 7, 7u, 42},          {2, 5, 0x80000005u, 42}, {3, 5, 0xC0000005u, 42},
        {9, 5, 5u, 42},          {0, -1, 0xFFFFFFFFu, -1}, {2, -1, 0xFFFFFFFFu, -1}, {3, -3, 0xFFFFFFFDu, -1},
    };
    for (const auto& c : cases) {
        const MSIPEndPoint point(42, c.kind, c.index);
        EXPECT_EQ(static_cast<std::uint32_t>(point.flags), c.flags) << c.kind << "/" << c.index;
        EXPECT_EQ(point.id, c.id) << c.kind << "/" << c.index;
    }
}

TEST(MsipUtilityTest, HexIntegerAndTrimHelpers) {
    EXPECT_EQ(HexToInt64("ff"), 255);
    EXPECT_EQ(HexToInt64("FFFFFFFF"), 0xFFFFFFFFLL);
    EXPECT_EQ(HexToInt64("12abcdef01"), 0x12abcdef01LL);
    EXPECT_EQ(HexToInt64("0123456789abcdef"), 0x0123456789abcdefLL);
    EXPECT_EQ(HexToInt64(""), 0);
    EXPECT_EQ(HexToInt64("1g"), 1);
    EXPECT_EQ(Int64ToString(-9223372036854775807LL - 1), "-9223372036854775808");
    EXPECT_EQ(Int64ToString(0), "0");
    EXPECT_EQ(FormatString("%s:%d", "MSIPAgent", 453), "MSIPAgent:453");
    EXPECT_EQ(FormatString("%s", std::string(1000, 'a').c_str()).size(), 255u);
    EXPECT_EQ(TrimLeft(" \t\r\nab c \n"), "ab c \n");
    EXPECT_EQ(TrimRight(" \t ab c \r\n"), " \t ab c");
    EXPECT_EQ(TrimRight(TrimLeft("   ")), "");
    // Bytes above 0x7F are text, not white space (and never an invalid argument to isspace).
    EXPECT_EQ(TrimRight("\xC4\xE3\xA0"), "\xC4\xE3\xA0");
    EXPECT_STREQ(MSIPErrorText(10004), "Encounter IO error");
    EXPECT_STREQ(MSIPErrorText(10003), "Login Failed, Check your account and network configuration");
    EXPECT_STREQ(MSIPErrorText(42), "");
    const MSIPIOException error("boom", "MSIPAgent", 453);
    EXPECT_EQ(error.GetLocation(), "MSIPAgent:453");
    EXPECT_STREQ(error.what(), "boom");
}

// ---- "agent.conf" ----

TEST_F(PushAgentTest, ConfigLoadTrimsAndFirstKeyWins) {
    ASSERT_TRUE(testfiles::WriteAll(confPath_,
                                    "  LAST_MESSAGE_ID  =  17  \r\n"
                                    "no equals sign here\r\n"
                                    "LAST_MESSAGE_ID=99\n"
                                    "other=a=b\n"
                                    "=empty key\n"
                                    "tail=last"));
    AgentConfig config(confPath_);
    EXPECT_EQ(config.Get("LAST_MESSAGE_ID"), "17");
    EXPECT_EQ(config.Get("other"), "a=b");
    EXPECT_EQ(config.Get(""), "empty key");
    EXPECT_EQ(config.Get("tail"), "last");
    EXPECT_EQ(config.Get("no equals sign here", "none"), "none");

    ASSERT_TRUE(config.Set("LAST_MESSAGE_ID", "18"));
    EXPECT_EQ(testfiles::ReadAll(confPath_), "=empty key\r\nLAST_MESSAGE_ID=18\r\nother=a=b\r\ntail=last\r\n");
}

TEST_F(PushAgentTest, ConfigThatCannotBeWrittenKeepsMapAndFile) {
    AgentConfig config(dir_ + L"\\missing-folder\\agent.conf");
    EXPECT_FALSE(config.Load());
    EXPECT_FALSE(config.Set("LAST_MESSAGE_ID", "5"));
    EXPECT_EQ(config.Get("LAST_MESSAGE_ID", "unset"), "unset");
}

TEST_F(PushAgentTest, DefaultConfigAndLogLiveBesideTheProgram) {
    // The folder this test program was built into, as the build knows it.
    const std::wstring folder = testfiles::FromUnixPath(VELA_TEST_PROGRAM_DIR) + L"\\";
    const std::wstring conf = AgentConfig::Instance().GetPath();
    const std::wstring log = MsipFilePath(L"msip.log");
    EXPECT_EQ(_wcsicmp(conf.c_str(), (folder + L"agent.conf").c_str()), 0) << testfiles::Narrow(conf);
    EXPECT_EQ(_wcsicmp(log.c_str(), (folder + L"msip.log").c_str()), 0) << testfiles::Narrow(log);
    MsipLog("beside the program");
    const std::vector<std::string> logLines = Lines(testfiles::ReadAll(folder + L"msip.log"));
    ASSERT_FALSE(logLines.empty());
    EXPECT_TRUE(IsLogLine(logLines.back(), "beside the program"));
}

// ---- Counter ----

TEST_F(PushAgentTest, CounterContinuesAcrossAgentInstances) {
    {
        AgentConfig config(confPath_);
        FakeTransport transport(AckMode::Immediately);
        MSIPAgent agent(&transport, &config);
        transport.SetAgent(&agent);
        MSIPMessage first, second;
        EXPECT_TRUE(agent.Send(first));
        EXPECT_TRUE(agent.Send(second));
        EXPECT_EQ(first.GetId(), 1);
        EXPECT_EQ(second.GetId(), 2);
        EXPECT_EQ(testfiles::ReadAll(confPath_), "LAST_MESSAGE_ID=2\r\n");
    }
    AgentConfig config(confPath_);
    MSIPAgent agent(nullptr, &config);
    EXPECT_EQ(agent.NextMessageId(), 3);
    EXPECT_EQ(agent.NextMessageId(), 4);
    EXPECT_EQ(testfiles::ReadAll(confPath_), "LAST_MESSAGE_ID=4\r\n");
}

TEST_F(PushAgentTest, DamagedCounterStartsAgain) {
    const char* damaged[] = {"LAST_MESSAGE_ID=abc\n", "LAST_MESSAGE_ID=-5\n", "LAST_MESSAGE_ID=12x\n",
                             "LAST_MESSAGE_ID=99999999999999999999999\n", "LAST_MESSAGE_ID=\n"};
    for (const char* content : damaged) {
        SCOPED_TRACE(content);
        ASSERT_TRUE(testfiles::WriteAll(confPath_, content));
        AgentConfig config(confPath_);
        MSIPAgent agent(nullptr, &config);
        EXPECT_EQ(agent.NextMessageId(), 1);
    }
    ASSERT_TRUE(testfiles::WriteAll(confPath_, "LAST_MESSAGE_ID=9223372036854775807\n"));
    AgentConfig config(confPath_);
    MSIPAgent agent(nullptr, &config);
    EXPECT_EQ(agent.NextMessageId(), 1);
}

TEST_F(PushAgentTest, UnwritableConfigStillAdvancesTheCounter) {
    AgentConfig config(dir_ + L"\\missing-folder\\agent.conf");
    MSIPAgent agent(nullptr, &config);
    EXPECT_EQ(agent.NextMessageId(), 1);
    EXPECT_EQ(agent.NextMessageId(), 2);
}

// ---- Sending and acknowledgement ----

TEST_F(PushAgentTest, AcknowledgedMessageIsSentOnceWithItsId) {
    AgentConfig config(confPath_);
    FakeTransport transport(AckMode::Immediately);
    MSIPAgent agent(&transport, &config);
    transport.SetAgent(&agent);
    MSIPMessage message;
    message.SetBody("hello");
    ASSERT_TRUE(agent.Send(message));
    EXPECT_EQ(agent.GetErrorCode(), 0);
    const auto sent = transport.Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].GetId(), message.GetId());
    EXPECT_EQ(sent[0].GetBody(), "hello");
    EXPECT_TRUE(agent.IsAcked(message.GetId()));
    EXPECT_EQ(ReadLog(), "");
}

TEST_F(PushAgentTest, AcknowledgementFromAnotherThread) {
    AgentConfig config(confPath_);
    FakeTransport transport(AckMode::Collect);
    MSIPAgent agent(&transport, &config);
    transport.SetAgent(&agent);
    std::thread acknowledger([&] {
        if (transport.WaitForSent(1)) {
            EXPECT_FALSE(agent.IsAcked(transport.Sent()[0].GetId()));
            agent.Acknowledge(transport.Sent()[0].GetId());
        }
    });
    MSIPMessage message;
    EXPECT_TRUE(agent.Send(message));
    acknowledger.join();
}

// Two senders wait at once; the acknowledgements arrive in the opposite order, so the first
// wake-up reaches the wrong sender at least some of the time and must be handed on.
TEST_F(PushAgentTest, ConcurrentSendersPassOnForeignAcknowledgements) {
    AgentConfig config(confPath_);
    FakeTransport transport(AckMode::Collect);
    MSIPAgent agent(&transport, &config);
    transport.SetAgent(&agent);
    for (int round = 0; round < 5; ++round) {
        const std::size_t before = transport.Sent().size();
        bool results[2] = {false, false};
        std::thread senders[2];
        for (int i = 0; i < 2; ++i)
            senders[i] = std::thread([&, i] {
                MSIPMessage message;
                results[i] = agent.Send(message);
            });
        ASSERT_TRUE(transport.WaitForSent(before + 2));
        const auto sent = transport.Sent();
        agent.Acknowledge(sent[before + 1].GetId());
        agent.Acknowledge(sent[before].GetId());
        for (auto& sender : senders) sender.join();
        EXPECT_TRUE(results[0]);
        EXPECT_TRUE(results[1]);
    }
}

TEST_F(PushAgentTest, UnacknowledgedMessageTimesOutAndIsLogged) {
    AgentConfig config(confPath_);
    FakeTransport transport(AckMode::Collect);   // nothing is acknowledged unless the test does
    MSIPAgent agent(&transport, &config);
    transport.SetAgent(&agent);
    MSIPMessage message;
    const DWORD start = GetTickCount();
    EXPECT_FALSE(agent.Send(message));
    EXPECT_GE(GetTickCount() - start, 4900u);
    EXPECT_EQ(agent.GetErrorCode(), MSIP_ERROR_IO);
    EXPECT_TRUE(agent.IsAcked(message.GetId()));   // the sender gave up on it: no longer pending
    const auto lines = Lines(ReadLog());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(IsLogLine(lines[0], "Send message error: Timeout to receive the ACK, id=" +
                                        Int64ToString(message.GetId())))
        << lines[0];

    // A late acknowledgement of the given-up id does not bring it back, and the same agent goes
    // on sending: the next message, acknowledged from another thread, succeeds.
    agent.Acknowledge(message.GetId());
    EXPECT_TRUE(agent.IsAcked(message.GetId()));
    std::thread acknowledger([&] {
        if (transport.WaitForSent(2)) agent.Acknowledge(transport.Sent()[1].GetId());
    });
    MSIPMessage next;
    EXPECT_TRUE(agent.Send(next));
    acknowledger.join();
    EXPECT_EQ(next.GetId(), message.GetId() + 1);
}

TEST_F(PushAgentTest, TransportFailureAndMissingTransport) {
    AgentConfig config(confPath_);
    FakeTransport failing(AckMode::Fail);
    MSIPAgent agent(&failing, &config);
    MSIPMessage message;
    EXPECT_FALSE(agent.Send(message));
    EXPECT_EQ(agent.GetErrorCode(), MSIP_ERROR_IO);
    EXPECT_TRUE(agent.IsAcked(message.GetId()));   // no longer pending

    MSIPAgent bare(nullptr, &config);
    MSIPMessage other;
    EXPECT_FALSE(bare.Send(other));
    EXPECT_EQ(bare.GetErrorCode(), MSIP_ERROR_IO);

    const auto lines = Lines(ReadLog());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(IsLogLine(lines[0], "Send message error: link down, id=" + Int64ToString(message.GetId())))
        << lines[0];
    EXPECT_TRUE(IsLogLine(lines[1], "Send message error: No transport, id=" + Int64ToString(other.GetId())))
        << lines[1];
}

TEST_F(PushAgentTest, ListsAndDeviceIdAreCopies) {
    AgentConfig config(confPath_);
    MSIPAgent agent(nullptr, &config);
    EXPECT_FALSE(agent.IsStarted());
    MSIPContact self;
    self.id = 7;
    self.nickName = "me";
    agent.SetSelfInfo(self);
    MSIPDevice phone;
    phone.id = 3;
    phone.type = "handheld";
    agent.SetDeviceList({phone});
    MSIPContact pal;
    pal.id = 9;
    agent.SetFriendList({pal});
    agent.SetDeviceId("1a00000002");

    EXPECT_EQ(agent.GetSelfInfo().nickName, "me");
    auto devices = agent.GetDeviceList();
    ASSERT_EQ(devices.size(), 1u);
    devices.clear();
    EXPECT_EQ(agent.GetDeviceList().size(), 1u);
    EXPECT_EQ(agent.GetFriendList().front().id, 9);
    EXPECT_EQ(agent.GetDeviceId(), 0x1a00000002LL);

    MSIPClient client(&agent);
    EXPECT_EQ(client.IsNotStarted(), 1);
    agent.SetStarted(true);
    EXPECT_EQ(client.IsNotStarted(), 0);
    EXPECT_EQ(client.GetDeviceId(), 0x1a00000002LL);
    EXPECT_EQ(client.GetSelfInfo().id, 7);
}

TEST_F(PushAgentTest, LogAppendsFormattedLines) {
    MsipLog("first %d", 1);
    MsipLog("%s", std::string(600, 'z').c_str());
    const auto lines = Lines(ReadLog());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(IsLogLine(lines[0], "first 1")) << lines[0];
    EXPECT_TRUE(IsLogLine(lines[1], std::string(600, 'z')));
}
