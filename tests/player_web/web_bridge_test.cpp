// window.external as the client page's script reaches it: names and dispatch ids, the
// argument conventions of the three methods (values of every variant type a script engine
// passes, arguments in reverse order), the messages posted to the host window, the browser's
// own event calls, and the refusal of documents of other hosts.
#include <gtest/gtest.h>

#include <windows.h>
#include <exdispid.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "track_info.h"
#include "web_browser.h"
#include "web_messages.h"
#include "web_test_support.h"

using namespace VelaUI;
using webtest::Args;
using webtest::CallExternal;
using webtest::Posted;

namespace {

class WebBridge : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ::OleInitialize(nullptr); }
    static void TearDownTestSuite() { ::OleUninitialize(); }

    void SetUp() override {
        window_.reset(new webtest::HostWindow);
        host_.reset(new CWebBrowserBase(window_->get()));
        ASSERT_NE(host_->GetBrowser(), nullptr);
        ASSERT_EQ(webtest::AnnounceDocument(*host_, ClientPageUrl()), E_NOTIMPL);
        WebTrackList.clear();
        WebDownloadList.clear();
    }
    void TearDown() override {
        host_.reset();
        window_.reset();
        WebTrackList.clear();
        WebDownloadList.clear();
    }

    IDispatch* external() { return host_.get(); }
    HRESULT Call(const wchar_t* name, Args& args) { return CallExternal(external(), name, args); }
    std::vector<Posted> Posts() { return window_->TakePosted(host_.get()); }

    std::unique_ptr<webtest::HostWindow> window_;
    std::unique_ptr<CWebBrowserBase> host_;
};

std::vector<UINT> Messages(const std::vector<Posted>& posts) {
    std::vector<UINT> out;
    for (const Posted& p : posts) out.push_back(p.message);
    return out;
}

TEST_F(WebBridge, NamesAreLookedUpExactly) {
    const struct {
        const wchar_t* name;
        HRESULT result;
        DISPID id;
    } cases[] = {
        {L"clientcall", S_OK, 9000},
        {L"TrackSelect", S_OK, 9001},
        {L"PlayAuditionJobs", S_OK, 9002},
        {L"Clientcall", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
        {L"CLIENTCALL", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
        {L"trackselect", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
        {L"clientcall ", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
        {L"searchlist", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
        {L"", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
    };
    for (const auto& c : cases) {
        DISPID id = 12345;
        LPOLESTR names[1] = {const_cast<LPOLESTR>(c.name)};
        EXPECT_EQ(external()->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), c.result)
            << testing::PrintToString(std::wstring(c.name));
        EXPECT_EQ(id, c.id);
    }
}

TEST_F(WebBridge, AClientCallOfKindTwoPostsItsTextOnceUntilSomethingChanges) {
    Args call;
    call.Int(2).Int(5).Text(L"\u5468\u6770\u4F26 12");
    ASSERT_EQ(Call(L"clientcall", call), S_OK);
    ASSERT_EQ(Call(L"clientcall", call), S_OK);  // the same three values again
    std::vector<Posted> posts = Posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].message, WM_WEB_ADD_ALL);
    EXPECT_EQ(posts[0].lParam, 5);
    // The text waits in the bridge: the message carries no pointer.
    EXPECT_EQ(posts[0].wParam, 0u);
    EXPECT_EQ(posts[0].text, L"\u5468\u6770\u4F26 12");
    EXPECT_EQ(posts[0].number, 5);
    CWebBrowserBase::AddAllRequest none;
    EXPECT_FALSE(host_->TakeAddAllRequest(none));  // each request is taken once

    Args otherNumber;
    otherNumber.Int(2).Int(6).Text(L"\u5468\u6770\u4F26 12");
    ASSERT_EQ(Call(L"clientcall", otherNumber), S_OK);
    posts = Posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].lParam, 6);
}

// Each message carries a text of its own: a later call does not change what an earlier
// message, not yet read, says; and a long text arrives whole.
TEST_F(WebBridge, EachPostedTextBelongsToItsMessage) {
    const std::wstring longText(5000, L'\u6B4C');
    Args first, second, third;
    first.Int(2).Int(2).Text(L"11");
    second.Int(2).Int(3).Text(L"7");
    third.Int(2).Int(4).Text(longText);
    Call(L"clientcall", first);
    Call(L"clientcall", second);
    Call(L"clientcall", third);
    std::vector<Posted> posts = Posts();
    ASSERT_EQ(posts.size(), 3u);
    EXPECT_EQ(posts[0].text, L"11");
    EXPECT_EQ(posts[1].text, L"7");
    EXPECT_EQ(posts[2].text, longText);
}

// A call of kind 1 posts nothing but is kept all the same: the page's next call of kind 2 with
// the text kept before it is new again.
TEST_F(WebBridge, AClientCallOfKindOneKeepsItsText) {
    Args first, other, again;
    first.Int(2).Int(5).Text(L"rock");
    other.Int(1).Int(5).Text(L"jazz");
    again.Int(2).Int(5).Text(L"rock");
    ASSERT_EQ(Call(L"clientcall", first), S_OK);
    ASSERT_EQ(Call(L"clientcall", other), S_OK);
    ASSERT_EQ(Call(L"clientcall", again), S_OK);
    std::vector<Posted> posts = Posts();
    ASSERT_EQ(Messages(posts), (std::vector<UINT>{WM_WEB_ADD_ALL, WM_WEB_ADD_ALL}));
    EXPECT_EQ(posts[0].text, L"rock");
    EXPECT_EQ(posts[1].text, L"rock");
}

// A kind of 1 (or any but 2) is kept, so the same call with kind 2 afterwards is new; the kind
// and number are read from whatever type the script passes.
TEST_F(WebBridge, KindsAndNumbersComeFromAnyVariantType) {
    const struct {
        const char* what;
        void (*kind)(Args&);
        void (*number)(Args&);
        bool posted;
        LPARAM lParam;
    } cases[] = {
        {"kind 1 keeps the call", [](Args& a) { a.Int(1); }, [](Args& a) { a.Int(9); }, false, 0},
        {"the same with kind 2", [](Args& a) { a.Int(2); }, [](Args& a) { a.Int(9); }, true, 9},
        {"true counts as kind 1", [](Args& a) { a.Bool(true); }, [](Args& a) { a.Int(8); }, false, 0},
        {"the text \"2\" is kind 2", [](Args& a) { a.Text(L"2"); }, [](Args& a) { a.Int(8); }, true, 8},
        {"a double 2.0 is kind 2", [](Args& a) { a.Real(2.0); }, [](Args& a) { a.Real(3.0); }, true, 3},
        {"a double 2.7 reads as 2", [](Args& a) { a.Real(2.7); }, [](Args& a) { a.Text(L" 4 lists"); }, true, 4},
        {"a number past the range", [](Args& a) { a.Int(2); }, [](Args& a) { a.Real(3e12); }, true, INT_MAX},
        {"false is kind 0", [](Args& a) { a.Bool(false); }, [](Args& a) { a.Int(1); }, false, 0},
        {"nothing is kind 0", [](Args& a) { a.Empty(); }, [](Args& a) { a.Int(2); }, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Args args;
        c.kind(args);
        c.number(args);
        args.Text(L"list");
        ASSERT_EQ(Call(L"clientcall", args), S_OK);
        std::vector<Posted> posts = Posts();
        ASSERT_EQ(posts.size(), c.posted ? 1u : 0u);
        if (c.posted) {
            EXPECT_EQ(posts[0].lParam, c.lParam);
        }
    }
}

TEST_F(WebBridge, TrackSelectFillsTheWebListsAndTellsTheWindow) {
    Args add;
    add.Int(1).Text(L"1001").Text(L"\u6674\u5929").Text(L"\u5468\u6770\u4F26").Text(L"\u53F6\u60E0\u7F8E").Int(0).Int(0).Int(0);
    ASSERT_EQ(Call(L"TrackSelect", add), S_OK);
    ASSERT_EQ(WebTrackList.size(), 1u);
    const TrackInfo& t = WebTrackList[0];
    EXPECT_EQ(t.TrackID, L"1001");
    EXPECT_EQ(t.TrackName, L"\u6674\u5929");
    EXPECT_EQ(t.ArtistNameList, L"\u5468\u6770\u4F26");
    EXPECT_EQ(t.AlbumName, L"\u53F6\u60E0\u7F8E");
    EXPECT_EQ(t.Time_Play, TodayDateText());
    EXPECT_EQ(t.Time_Play.size(), 10u);
    EXPECT_TRUE(t.FileURL.empty() && t.FilePath.empty() && !t.IsDownloading && !t.IsLocalFile);
    EXPECT_EQ(Messages(Posts()), std::vector<UINT>{WM_WEB_ADD_TRACKS});

    // Action 3 replaces the download list by exactly this track; the track list stays.
    WebDownloadList.assign(3, TrackInfo());
    Args download;
    download.Int(3).Text(L"1002").Text(L"Blue in Green").Text(L"Miles Davis").Text(L"Kind of Blue").Int(0).Int(0).Int(0);
    ASSERT_EQ(Call(L"TrackSelect", download), S_OK);
    ASSERT_EQ(WebDownloadList.size(), 1u);
    EXPECT_EQ(WebDownloadList[0].TrackID, L"1002");
    EXPECT_EQ(WebDownloadList[0].TrackName, L"Blue in Green");
    EXPECT_EQ(WebTrackList[0].TrackID, L"1001");
    EXPECT_EQ(Messages(Posts()), std::vector<UINT>{WM_WEB_DOWNLOAD});

    // Called with three arguments: the action first, the track id third.
    Args shortForm;
    shortForm.Real(3.0).Text(L"ignored").Int(1003);
    ASSERT_EQ(Call(L"TrackSelect", shortForm), S_OK);
    ASSERT_EQ(WebDownloadList.size(), 1u);
    EXPECT_EQ(WebDownloadList[0].TrackID, L"1003");
    EXPECT_EQ(WebDownloadList[0].TrackName, L"");
    EXPECT_EQ(Messages(Posts()), std::vector<UINT>{WM_WEB_DOWNLOAD});
}

TEST_F(WebBridge, TrackSelectWithoutAnEffect) {
    WebTrackList.assign(2, TrackInfo());
    WebDownloadList.assign(2, TrackInfo());
    const struct {
        const char* what;
        int action;
        int playFlag;
    } cases[] = {{"audition without the play flag", 2, 0}, {"audition with another flag", 2, 3},
                 {"no action", 0, 1}, {"an unknown action", 4, 1}, {"a negative action", -1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Args args;
        args.Int(c.action).Text(L"1001").Text(L"n").Text(L"a").Text(L"b").Int(0).Int(0).Int(c.playFlag);
        EXPECT_EQ(Call(L"TrackSelect", args), S_OK);
        EXPECT_TRUE(Posts().empty());
        EXPECT_EQ(WebTrackList.size(), 2u);
        EXPECT_EQ(WebDownloadList.size(), 2u);
    }
}

TEST_F(WebBridge, ClientCallWithEightArgumentsTakesTheFirstTwo) {
    Args args;
    args.Int(2).Text(L"88").Int(5).Int(6).Int(7).Int(8).Int(9).Int(10);
    ASSERT_EQ(Call(L"clientcall", args), S_OK);
    std::vector<Posted> posts = Posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].text, L"88");
    EXPECT_EQ(posts[0].lParam, 0);
}

TEST_F(WebBridge, PlayAuditionJobsPostsForEveryArgumentCountItTakes) {
    Args none, three, eight;
    three.Int(1).Int(2).Int(3);
    eight.Int(1).Int(2).Int(3).Int(4).Int(5).Int(6).Int(7).Int(8);
    EXPECT_EQ(Call(L"PlayAuditionJobs", none), S_OK);
    EXPECT_EQ(Call(L"PlayAuditionJobs", three), S_OK);
    EXPECT_EQ(Call(L"PlayAuditionJobs", eight), S_OK);
    EXPECT_EQ(Messages(Posts()), (std::vector<UINT>{WM_WEB_SHOW_AUDITION, WM_WEB_SHOW_AUDITION, WM_WEB_SHOW_AUDITION}));
}

// The browser calls the same IDispatch with its events; they are answered and change nothing.
TEST_F(WebBridge, BrowserEventsAreAnsweredWithoutEffect) {
    WebTrackList.assign(1, TrackInfo());
    VARIANT_BOOL cancel = VARIANT_FALSE;
    std::vector<VARIANT> args(7);
    for (VARIANT& v : args) ::VariantInit(&v);
    args[0].vt = VT_BYREF | VT_BOOL;  // BeforeNavigate2's Cancel, last in its order
    args[0].pboolVal = &cancel;
    DISPPARAMS seven = {args.data(), nullptr, 7, 0};
    DISPPARAMS two = {args.data() + 5, nullptr, 2, 0};
    const struct {
        DISPID id;
        DISPPARAMS* params;
        HRESULT result;
    } cases[] = {
        {DISPID_BEFORENAVIGATE2, &seven, S_OK},  {DISPID_DOCUMENTCOMPLETE, &two, S_OK},
        {DISPID_NAVIGATECOMPLETE2, &two, E_NOTIMPL}, {DISPID_PROGRESSCHANGE, &two, E_NOTIMPL},
        {kDispIdClientCall, &two, E_NOTIMPL},    {kDispIdTrackSelect, &seven, E_NOTIMPL},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(external()->Invoke(c.id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, c.params, nullptr, nullptr,
                                     nullptr),
                  c.result)
            << c.id;
    }
    EXPECT_EQ(cancel, VARIANT_FALSE);  // the page is never kept from navigating
    EXPECT_TRUE(Posts().empty());
    EXPECT_EQ(WebTrackList.size(), 1u);

    // No parameters at all, a property read, an id of nothing.
    EXPECT_EQ(external()->Invoke(kDispIdClientCall, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
              E_INVALIDARG);
    Args empty;
    EXPECT_EQ(external()->Invoke(kDispIdPlayAuditionJobs, IID_NULL, 0, DISPATCH_PROPERTYGET, empty.Params(), nullptr,
                                 nullptr, nullptr),
              S_OK);
    EXPECT_EQ(external()->Invoke(9003, IID_NULL, 0, DISPATCH_METHOD, empty.Params(), nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_TRUE(Posts().empty());
}

// A page of another host, reached by a link, finds no methods and cannot call them; the
// client page can again once it is shown again. A frame's document does not count.
TEST_F(WebBridge, OnlyDocumentsOfTheWebHostReachThePlayer) {
    Args call;
    call.Int(3).Text(L"666").Text(L"..\\..\\evil").Text(L"").Text(L"").Int(0).Int(0).Int(0);

    webtest::AnnounceDocument(*host_, L"http://evil.example/page.html");
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(L"TrackSelect")};
    EXPECT_EQ(external()->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(external()->Invoke(kDispIdTrackSelect, IID_NULL, 0, DISPATCH_METHOD, call.Params(), nullptr, nullptr,
                                 nullptr),
              E_ACCESSDENIED);
    EXPECT_TRUE(WebDownloadList.empty());
    EXPECT_TRUE(Posts().empty());

    webtest::AnnounceDocument(*host_, ClientPageUrl());
    EXPECT_EQ(Call(L"TrackSelect", call), S_OK);
    EXPECT_EQ(WebDownloadList.size(), 1u);

    // A frame of the page showing another host changes nothing.
    IDispatch* frame = host_.get();  // any dispatch but the top-level browser's
    webtest::AnnounceDocument(*host_, L"http://evil.example/frame.html", frame);
    EXPECT_EQ(host_->GetDocumentUrl(), ClientPageUrl());
    Args audition;
    EXPECT_EQ(Call(L"PlayAuditionJobs", audition), S_OK);
}

TEST_F(WebBridge, BeforeAnyDocumentNothingIsAnswered) {
    host_.reset(new CWebBrowserBase(window_->get()));
    Args args;
    EXPECT_EQ(Call(L"PlayAuditionJobs", args), DISP_E_UNKNOWNNAME);
    EXPECT_TRUE(Posts().empty());
}

TEST(WebHostUrl, OnlyTheConfiguredHostAndPort) {
    const std::wstring page = ClientPageUrl();
    const std::wstring hostPort = page.substr(7, page.find(L'/', 7) - 7);  // "127.0.0.1:<port>"
    const std::wstring host = hostPort.substr(0, hostPort.find(L':'));
    const std::wstring port = hostPort.substr(hostPort.find(L':') + 1);
    const struct {
        std::wstring url;
        bool trusted;
    } cases[] = {
        {page, true},
        {L"HTTP://" + hostPort + L"/clientweb3/other.html?x=1#top", true},
        {L"http://" + hostPort, true},
        {L"https://" + hostPort + L"/", true},
        {L"http://" + host + L"/", false},  // another port
        {L"http://" + host + L":1" + port + L"/", false},
        {L"http://" + hostPort + L".evil.example/", false},
        {L"http://" + hostPort + L"@evil.example/", false},
        {L"http://evil.example/?http://" + hostPort + L"/", false},
        {L"ftp://" + hostPort + L"/", false},
        {L"file:///C:/page.html", false},
        {L"about:blank", false},
        {L"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsWebHostUrl(c.url), c.trusted) << testing::PrintToString(c.url);
}

TEST(ScriptArguments, EveryVariantTypeReadsAsText) {
    auto text = [](VARTYPE type, auto set) {
        VARIANT v;
        ::VariantInit(&v);
        v.vt = type;
        set(v);
        return ScriptArgText(v);
    };
    EXPECT_EQ(text(VT_I2, [](VARIANT& v) { v.iVal = -12; }), L"-12");
    EXPECT_EQ(text(VT_I4, [](VARIANT& v) { v.lVal = 2147483647; }), L"2147483647");
    EXPECT_EQ(text(VT_UI1, [](VARIANT& v) { v.bVal = 200; }), L"200");
    EXPECT_EQ(text(VT_I8, [](VARIANT& v) { v.llVal = 4294967298LL; }), L"4294967298");
    EXPECT_EQ(text(VT_R8, [](VARIANT& v) { v.dblVal = 2.0; }), L"2");
    EXPECT_EQ(text(VT_R8, [](VARIANT& v) { v.dblVal = 4294967298.0; }), L"4294967298");
    EXPECT_EQ(text(VT_R8, [](VARIANT& v) { v.dblVal = 2.5; }), L"2.5");
    EXPECT_EQ(text(VT_R4, [](VARIANT& v) { v.fltVal = 7.0f; }), L"7");
    EXPECT_EQ(text(VT_CY, [](VARIANT& v) { v.cyVal.int64 = 30000; }), L"3");
    EXPECT_EQ(text(VT_BOOL, [](VARIANT& v) { v.boolVal = VARIANT_TRUE; }), L"1");
    EXPECT_EQ(text(VT_BOOL, [](VARIANT& v) { v.boolVal = VARIANT_FALSE; }), L"0");
    EXPECT_EQ(text(VT_BSTR, [](VARIANT& v) { v.bstrVal = nullptr; }), L"");
    EXPECT_EQ(text(VT_EMPTY, [](VARIANT&) {}), L"");
    EXPECT_EQ(text(VT_NULL, [](VARIANT&) {}), L"");
    LONG referenced = 5;
    EXPECT_EQ(text(VT_BYREF | VT_I4, [&](VARIANT& v) { v.plVal = &referenced; }), L"");

    BSTR withZero = ::SysAllocStringLen(L"a\0b", 3);
    VARIANT s;
    ::VariantInit(&s);
    s.vt = VT_BSTR;
    s.bstrVal = withZero;
    EXPECT_EQ(ScriptArgText(s), std::wstring(L"a\0b", 3));
    ::VariantClear(&s);

    const struct {
        const wchar_t* text;
        int value;
    } numbers[] = {{L"42", 42}, {L"  7 lists", 7}, {L"-3", -3}, {L"abc", 0}, {L"", 0}, {L"2.9", 2},
                   {L"99999999999", INT_MAX}};
    for (const auto& n : numbers) EXPECT_EQ(ScriptArgInt(n.text), n.value) << testing::PrintToString(std::wstring(n.text));
}

// A real script engine calls the bridge as a page does: JScript chooses the variant types
// (whole numbers as VT_I4, others and large ones as VT_R8, strings, booleans).
TEST_F(WebBridge, AScriptEngineReachesThePlayerThroughExternal) {
    webtest::ScriptEngine engine(external());
    ASSERT_TRUE(engine.ok());
    ASSERT_TRUE(engine.Run(
        L"external.clientcall(2, 4, 'rock');"
        L"external.clientcall(2, 4, 'rock');"
        L"external.clientcall(1, 4, 'jazz');"
        L"external.clientcall(true, 4, 'pop');"
        L"external.clientcall('2', 2, 4294967298);"
        L"external.clientcall(2.0, 1.5 * 2, 'x');"
        L"external.TrackSelect(3, '1001', '\u6674\u5929', '\u5468\u6770\u4F26', '\u53F6\u60E0\u7F8E', 0, 0, 1);"
        L"external.PlayAuditionJobs();"))
        << testing::PrintToString(engine.LastError());
    std::vector<Posted> posts = Posts();
    ASSERT_EQ(Messages(posts), (std::vector<UINT>{WM_WEB_ADD_ALL, WM_WEB_ADD_ALL, WM_WEB_ADD_ALL, WM_WEB_DOWNLOAD,
                                                  WM_WEB_SHOW_AUDITION}));
    EXPECT_EQ(posts[0].text, L"rock");
    EXPECT_EQ(posts[0].lParam, 4);
    EXPECT_EQ(posts[1].text, L"4294967298");
    EXPECT_EQ(posts[1].lParam, 2);
    EXPECT_EQ(posts[2].text, L"x");
    EXPECT_EQ(posts[2].lParam, 3);
    ASSERT_EQ(WebDownloadList.size(), 1u);
    EXPECT_EQ(WebDownloadList[0].TrackName, L"\u6674\u5929");

    // Names are as case-sensitive for the script as for anyone.
    EXPECT_FALSE(engine.Run(L"external.ClientCall(2, 1, 'a');"));
    EXPECT_TRUE(Posts().empty());
}

}  // namespace
