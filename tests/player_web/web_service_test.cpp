// The bridge's calls that reach the service, and the stand-in's client page: its script,
// run by a real script engine with the host as window.external, drives the player as the
// service's page does, and answers the player's "searchlist".
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "client_thread.h"
#include "rest_request.h"
#include "standin_client.h"
#include "test_files.h"
#include "track_info.h"
#include "web_browser.h"
#include "web_messages.h"
#include "web_test_support.h"

using namespace VelaUI;
using webtest::Posted;

namespace {

class WebService : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ::OleInitialize(nullptr); }
    static void TearDownTestSuite() { ::OleUninitialize(); }

    void SetUp() override {
        standin::Reset();
        window_.reset(new webtest::HostWindow);
        host_.reset(new CWebBrowserBase(window_->get()));
        ASSERT_NE(host_->GetBrowser(), nullptr);
        webtest::AnnounceDocument(*host_, ClientPageUrl());
        WebTrackList.clear();
        WebDownloadList.clear();
        DeleteFileW(RestReplyPath(RestReply::PlayUrl).c_str());
    }
    void TearDown() override {
        host_.reset();
        window_.reset();
        WebTrackList.clear();
        WebDownloadList.clear();
    }

    std::vector<UINT> Messages() {
        std::vector<UINT> out;
        for (const Posted& p : window_->TakePosted()) out.push_back(p.message);
        return out;
    }

    // Dispatches messages until the stand-in has seen a request whose request line holds text.
    static bool WaitForRequest(const std::string& text) {
        for (int i = 0; i < 100; ++i) {
            if (!standin::RequestsMatching(text).empty()) return true;
            webtest::Pump(50);
        }
        return false;
    }

    // Where the browser says it is.
    static std::wstring Location(CWebBrowserBase& browser) {
        BSTR location = nullptr;
        if (browser.GetBrowser() == nullptr || FAILED(browser.GetBrowser()->get_LocationURL(&location))) return L"";
        std::wstring text = location != nullptr ? location : L"";
        ::SysFreeString(location);
        return text;
    }

    std::unique_ptr<webtest::HostWindow> window_;
    std::unique_ptr<CWebBrowserBase> host_;
};

// "TrackSelect" action 2 with the play flag asks for the play URL before it tells the window,
// so the window finds the reply ready.
TEST_F(WebService, AnAuditionAsksForThePlayUrlFirst) {
    webtest::Args args;
    args.Int(2).Text(L"1002").Text(L"Blue in Green").Text(L"Miles Davis").Text(L"Kind of Blue").Int(0).Int(0).Int(1);
    ASSERT_EQ(webtest::CallExternal(host_.get(), L"TrackSelect", args), S_OK);
    EXPECT_EQ(Messages(), std::vector<UINT>{WM_WEB_AUDITION});
    ASSERT_EQ(WebTrackList.size(), 1u);
    EXPECT_EQ(WebTrackList[0].TrackID, L"1002");
    const std::vector<std::string> calls = standin::RequestsMatching("GetTrackPlayUrl");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_NE(calls[0].find("&ProductID=1002&"), std::string::npos);
    std::wstring url;
    EXPECT_TRUE(ParsePlayUrlReply(RestReply::PlayUrl, url));
    EXPECT_NE(url.find(L"/files/1002.mp3"), std::wstring::npos);

    // When the service cannot be reached the window is told all the same (it finds no URL).
    standin::Control("behave", "prefix=/api/rest/&b=status%3D500");
    WebTrackList.clear();
    ASSERT_EQ(webtest::CallExternal(host_.get(), L"TrackSelect", args), S_OK);
    EXPECT_EQ(Messages(), std::vector<UINT>{WM_WEB_AUDITION});
    url.clear();
    ParsePlayUrlReply(RestReply::PlayUrl, url);
    EXPECT_TRUE(url.empty());
}

// Wine's browser has no HTML engine, but it does navigate: it asks for the page (then reports
// a navigation error, as it has nothing to show it with) and knows where it is.
TEST_F(WebService, TheClientThreadHasTheClientPageFetched) {
    std::shared_ptr<CWebBrowserBase> browser = std::make_shared<CWebBrowserBase>(window_->get());
    CClientThread thread(ClientPageUrl(), window_->get());
    ASSERT_TRUE(thread.Start(browser));
    ASSERT_TRUE(WaitForRequest("GET /clientweb3/main.html HTTP/1.1"));
    EXPECT_TRUE(browser->IsInPlaceActive());
    EXPECT_EQ(Location(*browser), ClientPageUrl());
    thread.Stop();
}

// A link that leads to a page of another host: the browser is there now, and that page finds
// no player, although the last document announced was the client page.
TEST_F(WebService, APageOfAnotherHostReachedByNavigationIsRefused) {
    ASSERT_TRUE(host_->ShowClientPage(ClientPageUrl()));
    ASSERT_TRUE(WaitForRequest("GET /clientweb3/main.html HTTP/1.1"));
    webtest::Args args;
    args.Int(3).Text(L"666").Text(L"evil").Text(L"").Text(L"").Int(0).Int(0).Int(0);
    ASSERT_EQ(webtest::CallExternal(host_.get(), L"TrackSelect", args), S_OK);
    ASSERT_EQ(Messages(), std::vector<UINT>{WM_WEB_DOWNLOAD});
    WebDownloadList.clear();

    standin::PutFile("elsewhere.html", "<html><body>elsewhere</body></html>");
    const std::wstring foreign = testfiles::Widen(standin::AltBaseUrl() + "/files/elsewhere.html");
    ASSERT_TRUE(SUCCEEDED(host_->Navigate(foreign)));
    ASSERT_TRUE(WaitForRequest("GET /files/elsewhere.html HTTP/1.1"));
    EXPECT_EQ(Location(*host_), foreign);
    EXPECT_EQ(host_->GetDocumentUrl(), ClientPageUrl());
    EXPECT_EQ(webtest::CallExternal(host_.get(), L"TrackSelect", args), DISP_E_UNKNOWNNAME);
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(WebDownloadList.empty());
}

// The address goes to the browser whole, however long, as the text it is.
TEST_F(WebService, NavigateHandsTheWholeAddressOver) {
    ASSERT_TRUE(host_->Show());
    const std::string query = "q=" + std::string(700, 'x') + "&n=%E6%99%B4";
    const std::wstring url = ClientPageUrl() + L"?" + testfiles::Widen(query);
    ASSERT_TRUE(SUCCEEDED(host_->Navigate(url)));
    EXPECT_TRUE(WaitForRequest("GET /clientweb3/main.html?" + query + " HTTP/1.1"));
    EXPECT_EQ(Location(*host_), url);
}

// The stand-in's client page, run with the host as window.external.
TEST_F(WebService, TheClientPageDrivesThePlayer) {
    const standin::Reply page = standin::Request("GET", "/clientweb3/main.html");
    ASSERT_EQ(page.status, 200);
    const size_t open = page.body.find("<script type=\"text/javascript\">");
    const size_t close = page.body.find("</script>", open);
    ASSERT_NE(open, std::string::npos);
    ASSERT_NE(close, std::string::npos);
    const size_t start = page.body.find('>', open) + 1;
    const std::wstring script = testfiles::Widen(page.body.substr(start, close - start));

    webtest::ScriptEngine engine(host_.get());
    ASSERT_TRUE(engine.ok());
    ASSERT_TRUE(engine.Run(L"var window = { external: external }; var document = null;\n" + script))
        << testing::PrintToString(engine.LastError());

    // The player's search: the page answers with the number of tracks it shows.
    IDispatch* global = engine.Global();
    ASSERT_NE(global, nullptr);
    webtest::Args search;
    search.Text(L"miles").Text(L"miles").Text(L"miles");
    VARIANT found;
    ::VariantInit(&found);
    ASSERT_EQ(host_->CallScript(global, L"searchlist", &found, search.Params()), S_OK);
    EXPECT_EQ(found.vt, VT_I4);
    EXPECT_EQ(found.lVal, 2);
    global->Release();

    // The shown tracks' links: download the first, add the second, play the first.
    ASSERT_TRUE(engine.Run(L"downloadTrack(0); addTrack(1); playTrack(0); addAll(2, '12'); showAudition();"))
        << testing::PrintToString(engine.LastError());
    std::vector<Posted> posts = window_->TakePosted(host_.get());
    ASSERT_EQ(posts.size(), 5u);
    EXPECT_EQ(posts[0].message, WM_WEB_DOWNLOAD);
    EXPECT_EQ(posts[1].message, WM_WEB_ADD_TRACKS);
    EXPECT_EQ(posts[2].message, WM_WEB_AUDITION);
    EXPECT_EQ(posts[3].message, WM_WEB_ADD_ALL);
    EXPECT_EQ(posts[3].text, L"12");
    EXPECT_EQ(posts[3].lParam, 2);
    EXPECT_EQ(posts[4].message, WM_WEB_SHOW_AUDITION);
    ASSERT_EQ(WebDownloadList.size(), 1u);
    EXPECT_EQ(WebDownloadList[0].TrackID, L"1002");
    EXPECT_EQ(WebDownloadList[0].TrackName, L"Blue in Green");
    EXPECT_EQ(WebDownloadList[0].ArtistNameList, L"Miles Davis");
    EXPECT_EQ(WebDownloadList[0].AlbumName, L"Kind of Blue");
    ASSERT_EQ(WebTrackList.size(), 1u);
    EXPECT_EQ(WebTrackList[0].TrackID, L"1002");  // the audition's track replaced the added one
    EXPECT_EQ(standin::RequestsMatching("GetTrackPlayUrl").size(), 1u);
}

}  // namespace
