// The signed calls against the stand-in service: what arrives there, and the reply files.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "http_fetch.h"
#include "rest_request.h"
#include "standin_client.h"
#include "test_files.h"
#include "track_info.h"
#include "vela_deployment.h"

namespace {

std::wstring ReplyPath(const std::wstring& name) { return testfiles::PlayerDataFolder() + L"\\" + name; }

// The one REST request the stand-in logged since the reset.
std::string OnlyRestRequest() {
    std::vector<std::string> log = standin::RequestsMatching("/api/rest/");
    EXPECT_EQ(log.size(), 1u);
    return log.empty() ? std::string() : log.back();
}

std::string RequestLine(const std::string& entry) { return entry.substr(0, entry.find("\r\n")); }

class RestCall : public testing::Test {
protected:
    void SetUp() override { standin::Reset(); }
};

struct CallCase {
    const char* method;
    std::function<void()> call;
    std::wstring reply;
    std::string query;        // the query after the api_key, up to "&api_sig="
    std::string replyHolds;   // a piece of the reply file
};

TEST_F(RestCall, EachBuilderSendsASignedRequestAndLeavesTheReplyFile) {
    const CallCase cases[] = {
        {RestMethod::Login, [] { RestGetForUser(RestReply::Login, RestMethod::Login, L"demo", "u_pwd", L"demo123", false); },
         RestReply::Login, "&u_name=demo&u_pwd=demo123", "<Token>tok90001</Token>"},
        {RestMethod::Logout, [] { RestGetForUser(RestReply::Logout, RestMethod::Logout, L"demo", "tk", L"tok90001", true); },
         RestReply::Logout, "&u_name=demo&tk=tok90001", "stat=\"ok\""},
        {RestMethod::GetTrackPlayUrl, [] { RestGetByProductId(RestReply::PlayUrl, RestMethod::GetTrackPlayUrl, L"1001"); },
         RestReply::PlayUrl, "&ProductID=1001", "/files/1001.mp3</AuditionUrl>"},
        {RestMethod::GetTrackDownUrl, [] { RestGetByProductId(RestReply::DownUrl, RestMethod::GetTrackDownUrl, L"1002"); },
         RestReply::DownUrl, "&ProductID=1002", "/trackfile/1002.mp3</AuditionUrl>"},
        {RestMethod::GetByArtistID, [] { RestGetByArtistId(RestReply::TrackByArtist, RestMethod::GetByArtistID, L"12"); },
         RestReply::TrackByArtist, "&artistID=12&page=1&per_page=100", "<TrackName>So What</TrackName>"},
        {RestMethod::GetByTopicID, [] { RestGetByProductId(RestReply::Topic, RestMethod::GetByTopicID, L"7"); }, RestReply::Topic,
         "&ProductID=7", "<TrackID>1003</TrackID>"},
        {RestMethod::GetHotTrackForGenre, [] { RestGetByProductId(RestReply::Genre, RestMethod::GetHotTrackForGenre, L"3"); },
         RestReply::Genre, "&ProductID=3", "<TrackID>1001</TrackID>"},
    };
    for (const CallCase& c : cases) {
        SCOPED_TRACE(c.method);
        standin::Reset();
        c.call();
        std::string entry = OnlyRestRequest();
        std::string line = RequestLine(entry);
        const std::string start = std::string("GET /api/rest/?method=") + c.method + "&api_key=" + VELA_API_KEY;
        EXPECT_EQ(line.compare(0, start.size(), start), 0) << line;
        EXPECT_EQ(line.compare(start.size(), c.query.size() + 9, c.query + "&api_sig="), 0) << line;
        EXPECT_NE(entry.find("X-Standin-Note: signature=ok"), std::string::npos) << entry;
        std::string reply = testfiles::ReadAll(ReplyPath(c.reply));
        EXPECT_NE(reply.find(c.replyHolds), std::string::npos) << reply;
    }
}

TEST_F(RestCall, RepliesParseIntoTracksAndUrls) {
    RestGetByArtistId(RestReply::TrackByArtist, RestMethod::GetByArtistID, L"12");
    ASSERT_TRUE(ParseTrackListReply(RestReply::TrackByArtist));
    ASSERT_EQ(WebTrackList.size(), 2u);
    EXPECT_EQ(WebTrackList[0].TrackID, L"1002");
    EXPECT_EQ(WebTrackList[1].TrackName, L"So What");

    RestGetByProductId(RestReply::Topic, RestMethod::GetByTopicID, L"7");
    ASSERT_TRUE(ParseTrackListReply(RestReply::Topic));
    ASSERT_EQ(WebTrackList.size(), 3u);
    EXPECT_EQ(WebTrackList[0].TrackName, L"\x6674\x5929");  // UTF-8 from the service
    EXPECT_EQ(WebTrackList[0].ArtistNameList, L"\x5468\x6770\x4F26");

    standin::Control("track", "TrackID=2001&TrackName=x&play=" + standin::Escape("http://media.example/a.mp3?k=1&v=2"));
    std::wstring url;
    RestGetByProductId(RestReply::PlayUrl, RestMethod::GetTrackPlayUrl, L"2001");
    ASSERT_TRUE(ParsePlayUrlReply(RestReply::PlayUrl, url));
    EXPECT_EQ(url, L"http://media.example/a.mp3?k=1&v=2");
}

TEST_F(RestCall, ValuesWithQueryCharactersAndChineseArriveIntact) {
    // The stand-in finds the user only when both values arrive as they were typed, and the
    // signature matches only when it covers the same bytes.
    const std::string name = "\xE5\xBC\xA0 \xE4\xB8\x89&x=1";  // 张 三&x=1
    const std::string pwd = "p#%+\r\nq";
    standin::Control("user", "name=" + standin::Escape(name) + "&pwd=" + standin::Escape(pwd) +
                                 "&UserID=7&UserName=Zhang&Token=t7");
    RestGetForUser(RestReply::Login, RestMethod::Login, testfiles::Widen(name), "u_pwd", testfiles::Widen(pwd),
                   false);
    std::string entry = OnlyRestRequest();
    EXPECT_NE(entry.find("X-Standin-Note: signature=ok"), std::string::npos) << entry;
    std::string reply = testfiles::ReadAll(ReplyPath(RestReply::Login));
    EXPECT_NE(reply.find("<UserID>7</UserID>"), std::string::npos) << reply;
}

TEST_F(RestCall, ALongValueKeepsItsSignature) {
    RestGetByProductId(RestReply::PlayUrl, RestMethod::GetTrackPlayUrl, std::wstring(400, L'8'));
    std::string entry = OnlyRestRequest();
    EXPECT_NE(entry.find("ProductID=" + std::string(400, '8') + "&api_sig="), std::string::npos);
    EXPECT_NE(entry.find("X-Standin-Note: signature=ok"), std::string::npos) << entry.substr(entry.size() - 80);
}

TEST_F(RestCall, OnlinePlaylistRequestsAreSignedAndAnswered) {
    struct {
        const char* method;
        const char* param;
        const wchar_t* value;
        const char* replyHolds;
    } cases[] = {
        {RestMethod::GetPalyList, "u_uid", L"90001",
         "<PlayLists><PlayList><PlayListID>301</PlayListID><PlayListTitle>Jazz</PlayListTitle>"},
        {RestMethod::GetPlayListTracks, "pl_id", L"301", "<TrackID>1002</TrackID>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.method);
        standin::Reset();
        RestRequestText request = BuildRestWithParam(c.method, c.param, c.value);
        HttpPost post;
        char* body = nullptr;
        ASSERT_TRUE(post.FetchToMemory(request.url, body));
        std::string reply(body);
        delete[] body;
        EXPECT_NE(reply.find("stat=\"ok\""), std::string::npos) << reply;
        EXPECT_NE(reply.find(c.replyHolds), std::string::npos) << reply;
        EXPECT_NE(OnlyRestRequest().find("X-Standin-Note: signature=ok"), std::string::npos);
    }
}

// (A refused connection is the download's own failure, covered with the page-fetch client.)
struct FailureCase {
    const char* label;
    std::string behaviour;  // for /api/rest/ at the stand-in
};

TEST_F(RestCall, AFailedCallLeavesNoReplyFile) {
    const FailureCase cases[] = {
        {"404", "status=404"},
        {"redirect", "redirect=" + standin::BaseUrl() + "/files/elsewhere"},
        {"body cut short", "cut=10"},
        {"server stops answering", "stall=0"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.label);
        standin::Reset();
        if (!c.behaviour.empty()) standin::Control("behave", "prefix=/api/rest/&b=" + standin::Escape(c.behaviour));
        CreateDirectoryW(testfiles::PlayerDataFolder().c_str(), nullptr);
        ASSERT_TRUE(testfiles::WriteAll(ReplyPath(RestReply::PlayUrl), "<rsp><Track><AuditionUrl>stale</AuditionUrl></Track></rsp>"));

        EXPECT_EQ(RestGetByProductId(RestReply::PlayUrl, RestMethod::GetTrackPlayUrl, L"1001"), 1);
        EXPECT_FALSE(testfiles::Exists(ReplyPath(RestReply::PlayUrl)));
        std::wstring url;
        EXPECT_FALSE(ParsePlayUrlReply(RestReply::PlayUrl, url));
        EXPECT_TRUE(url.empty());
    }
}

TEST_F(RestCall, HoldingTheReplyLockKeepsEachCallWithItsOwnReply) {
    // Two threads ask for different tracks' URLs through the same reply file, as playback and
    // the web page's audition do.
    for (int t = 0; t < 2; ++t) {
        std::string id = std::to_string(3000 + t);
        standin::Control("track", "TrackID=" + id + "&play=" + standin::Escape("http://h/" + id));
    }
    std::atomic<int> mismatches{0};
    auto worker = [&mismatches](int t) {
        const std::wstring id = std::to_wstring(3000 + t);
        for (int i = 0; i < 15; ++i) {
            std::wstring url;
            RestReplyLock hold(RestReply::PlayUrl);
            RestGetByProductId(RestReply::PlayUrl, RestMethod::GetTrackPlayUrl, id);
            if (!ParsePlayUrlReply(RestReply::PlayUrl, url) || url != L"http://h/" + id) ++mismatches;
        }
    };
    std::thread first(worker, 0), second(worker, 1);
    first.join();
    second.join();
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(standin::RequestsMatching("/api/rest/").size(), 30u);
}

}  // namespace
