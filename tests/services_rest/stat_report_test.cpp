// Statistics and share reports, the heartbeat thread and the adapter address.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <process.h>

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "stat_report.h"
#include "standin_client.h"
#include "test_files.h"

namespace {

std::vector<std::string> RequestLines(const std::string& pathPrefix) {
    std::vector<std::string> lines;
    for (const std::string& entry : standin::RequestsMatching("GET " + pathPrefix))
        lines.push_back(entry.substr(0, entry.find("\r\n")));
    return lines;
}

struct StatCase {
    const char* label;
    std::string userName;
    std::string channelNo;
    std::string expectedTail;  // the query from "&UserName="
};

TEST(StatReport, SendsTheQueryInItsFixedOrder) {
    const StatCase cases[] = {
        {"empty channel", "", "", "&UserName=&ChannelNo=000&VersionNo=v0.9.0.9"},
        {"given channel", "", "12", "&UserName=&ChannelNo=12&VersionNo=v0.9.0.9"},
        {"user name escaped", "a&b=c \xE5\xBC\xA0", "",
         "&UserName=a%26b%3Dc%20%E5%BC%A0&ChannelNo=000&VersionNo=v0.9.0.9"},
    };
    for (const StatCase& c : cases) {
        SCOPED_TRACE(c.label);
        standin::Reset();
        EXPECT_TRUE(SendStatReport("01", "05", "005", "00-1A-2B-3C-4D-5E", c.userName, c.channelNo));
        std::vector<std::string> lines = RequestLines("/datasta/");
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0], "GET /datasta/?TypeID=01&ModId=05&OperationID=005&MacAddress=00-1A-2B-3C-4D-5E" +
                                c.expectedTail + " HTTP/1.1");
    }
}

TEST(ShareReport, SendsUtf8NamesAndTheAnsiTrackNameInQuotes) {
    standin::Reset();
    // User 张三, track id "9&1", track name 晴天 & "x" (GBK: C7 E7 CC EC).
    EXPECT_TRUE(SendShareReport("00-1A-2B-3C-4D-5E", L"\x5F20\x4E09", L"9&1", L"\x6674\x5929 & \"x\""));
    std::vector<std::string> lines = RequestLines("/share/");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0],
              "GET /share/?method=add&MacAddress=00-1A-2B-3C-4D-5E&UserName=%E5%BC%A0%E4%B8%89&TrackID=9%261"
              "&TrackName=\"%C7%E7%CC%EC%20%26%20%22x%22\" HTTP/1.1");
    // The service sees the values as they were.
    std::string reports = standin::Request("GET", "/_ctl/reports").body;
    EXPECT_NE(reports.find("\"TrackID\": \"9&1\""), std::string::npos) << reports;
    EXPECT_NE(reports.find("\"UserName\": \"\xE5\xBC\xA0\xE4\xB8\x89\""), std::string::npos) << reports;
    EXPECT_NE(reports.find("\"TrackName\": \"\\\"\xE6\x99\xB4\xE5\xA4\xA9 & \\\"x\\\"\\\"\""), std::string::npos)
        << reports;
}

TEST(ShareReport, ALongTrackNameArrivesWhole) {
    standin::Reset();
    // 300 characters, 600 bytes in the ANSI code page.
    EXPECT_TRUE(SendShareReport("00-1A-2B-3C-4D-5E", L"u", L"1", std::wstring(300, L'\x6674')));
    std::string name;
    for (int i = 0; i < 300; ++i) name += "\xE6\x99\xB4";
    std::string reports = standin::Request("GET", "/_ctl/reports").body;
    EXPECT_NE(reports.find("\"TrackName\": \"\\\"" + name + "\\\"\""), std::string::npos) << reports.size();
}

TEST(MacAddress, TheFirstAdaptersAddressAsSixUpperCaseHexBytes) {
    // What the system itself names as its first adapter, read here independently.
    std::vector<unsigned char> list(64 * 1024);
    ULONG size = static_cast<ULONG>(list.size());
    std::string mac = "stale";
    if (GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(list.data()), &size) != ERROR_SUCCESS) {
        // No list: the report still carries an address of the same shape, all zeros.
        EXPECT_FALSE(GetMacAddress(mac));
        EXPECT_EQ(mac, "00-00-00-00-00-00");
        return;
    }
    const IP_ADAPTER_INFO* first = reinterpret_cast<const IP_ADAPTER_INFO*>(list.data());
    ASSERT_EQ(first->AddressLength, 6u);
    static const char kHex[] = "0123456789ABCDEF";
    std::string expected;
    for (UINT i = 0; i < 6; ++i) {
        if (i) expected += '-';
        expected += kHex[first->Address[i] >> 4];
        expected += kHex[first->Address[i] & 15];
    }
    EXPECT_TRUE(GetMacAddress(mac));
    EXPECT_EQ(mac, expected);
    EXPECT_TRUE(std::regex_match(mac, std::regex("[0-9A-F]{2}(-[0-9A-F]{2}){5}"))) << mac;
}

// The heartbeat's three names, as the main window gives them.
void NameHeartbeat(StatReportInfo& info) {
    info.TypeID = "01";
    info.ModId = "07";
    info.OperationID = "007";
}

TEST(StatHeartbeat, ReportsAtOnceThenEachIntervalAndStopsWithoutOneMore) {
    standin::Reset();
    StatReportInfo info;
    NameHeartbeat(info);
    info.MacAddress = "00-1A-2B-3C-4D-5E";
    info.IntervalMs = 300;
    info.InitLock();
    HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, StatHeartbeatThread, &info, 0, nullptr));
    ASSERT_NE(thread, nullptr);

    size_t sent = 0;
    for (int i = 0; i < 100 && sent < 2; ++i) {
        Sleep(50);
        sent = RequestLines("/datasta/").size();
    }
    ASSERT_GE(sent, 2u);
    info.RequestStop();
    const size_t atStop = RequestLines("/datasta/").size();
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_FALSE(info.Running);
    // A report already on its way at the stop may still arrive; no round begins after it.
    Sleep(3 * info.IntervalMs);
    std::vector<std::string> lines = RequestLines("/datasta/");
    EXPECT_LE(lines.size(), atStop + 1);
    EXPECT_EQ(lines[0],
              "GET /datasta/?TypeID=01&ModId=07&OperationID=007&MacAddress=00-1A-2B-3C-4D-5E&UserName=&ChannelNo=000"
              "&VersionNo=v0.9.0.9 HTTP/1.1");
}

TEST(StatHeartbeat, AStopFlagSetBeforeTheFirstRoundSendsNothing) {
    standin::Reset();
    StatReportInfo info;
    NameHeartbeat(info);
    info.StopFlag = true;
    info.InitLock();
    HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, StatHeartbeatThread, &info, 0, nullptr));
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeThread(thread, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    CloseHandle(thread);
    EXPECT_TRUE(RequestLines("/datasta/").empty());
}

// The main window waits for the heartbeat when it closes: a stop must end the thread's long
// wait between two reports at once, not after the interval.
TEST(StatHeartbeat, AStopDuringTheLongWaitEndsTheThreadAtOnce) {
    standin::Reset();
    StatReportInfo info;
    NameHeartbeat(info);
    info.InitLock();  // the interval stays at its ten minutes
    HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, StatHeartbeatThread, &info, 0, nullptr));
    ASSERT_NE(thread, nullptr);
    for (int i = 0; i < 100 && RequestLines("/datasta/").empty(); ++i) Sleep(50);
    ASSERT_EQ(RequestLines("/datasta/").size(), 1u);
    info.RequestStop();
    EXPECT_EQ(WaitForSingleObject(thread, 3000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_EQ(RequestLines("/datasta/").size(), 1u);
}

// A statistics host that takes the connection and never answers holds a report for the socket's
// time-outs (30 s and more): the stop neither waits for it nor leaves the thread waiting.
TEST(StatHeartbeat, AStopWhileAReportGoesUnansweredEndsTheThreadAtOnce) {
    standin::Reset();
    ASSERT_EQ(standin::Control("behave", "prefix=" + standin::Escape("/datasta/?TypeID=01&ModId=07") + "&b=stall%3D0"),
              "ok");
    StatReportInfo info;
    NameHeartbeat(info);
    info.InitLock();
    HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, StatHeartbeatThread, &info, 0, nullptr));
    ASSERT_NE(thread, nullptr);
    for (int i = 0; i < 100 && RequestLines("/datasta/").empty(); ++i) Sleep(50);
    ASSERT_EQ(RequestLines("/datasta/").size(), 1u);
    const DWORD stopAt = GetTickCount();
    info.RequestStop();
    EXPECT_EQ(WaitForSingleObject(thread, 20000), WAIT_OBJECT_0);
    EXPECT_LT(GetTickCount() - stopAt, 3000u) << "the stop waited for the unanswered report";
    CloseHandle(thread);
    EXPECT_FALSE(info.Running);
    // Other statistics reports are answered as before.
    EXPECT_TRUE(SendStatReport("01", "05", "005", "00-1A-2B-3C-4D-5E", "", ""));
    standin::Reset();  // lets the stalled reply go
}

}  // namespace
