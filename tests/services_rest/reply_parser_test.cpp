// The track record and the parsers of the track-list and URL reply files.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "test_files.h"
#include "track_info.h"

namespace {

const wchar_t kReply[] = L"parser_case";  // a reply name no real call uses

std::wstring ReplyPath() { return testfiles::PlayerDataFolder() + L"\\" + kReply; }

void WriteReply(const std::string& bytes) {
    CreateDirectoryW(testfiles::PlayerDataFolder().c_str(), nullptr);
    ASSERT_TRUE(testfiles::WriteAll(ReplyPath(), bytes));
}

std::wstring Today() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t text[16];
    wsprintfW(text, L"%04d-%02d-%02d", now.wYear, now.wMonth, now.wDay);
    return text;
}

TEST(TrackInfo, StartsEmptyWithBothFlagsFalse) {
    alignas(TrackInfo) unsigned char storage[sizeof(TrackInfo)];
    std::memset(storage, 0xFF, sizeof storage);  // whatever the memory held before
    TrackInfo* track = new (storage) TrackInfo;
    EXPECT_FALSE(track->IsDownloading);
    EXPECT_FALSE(track->IsLocalFile);
    EXPECT_TRUE(track->TrackID.empty());
    EXPECT_TRUE(track->FileURL.empty());
    track->~TrackInfo();
}

struct TrackListCase {
    const char* label;
    std::string xml;       // empty: no reply file
    bool result;
    std::vector<std::vector<std::wstring>> tracks;  // TrackID, TrackName, ArtistNameList, ArtistIDList, AlbumName, AlbumID
};

TEST(TrackListReply, Cases) {
    const std::string head = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
    const TrackListCase cases[] = {
        {"an item without TrackID is dropped",
         head + "<rsp stat=\"ok\"><Track><TrackID>1</TrackID><TrackName>One</TrackName>"
                "<ArtistNameList>A</ArtistNameList><ArtistIDList>11</ArtistIDList><AlbumName>Al</AlbumName>"
                "<AlbumID>5</AlbumID><FileSize>99</FileSize><Other>x</Other></Track>"
                "<Track><TrackName>No id</TrackName></Track></rsp>",
         true, {{L"1", L"One", L"A", L"11", L"Al", L"5"}}},
        {"item element names do not matter, field names are exact",
         head + "<r><song><TrackID>2</TrackID><trackname>lower</trackname></song>"
                "<x><trackid>3</trackid></x></r>",
         true, {{L"2", L"", L"", L"", L"", L""}}},
        {"the last of a repeated element wins, an empty one gives an empty field",
         head + "<r><t><TrackID>4</TrackID><TrackName>first</TrackName><TrackName>second</TrackName>"
                "<AlbumName/></t></r>",
         true, {{L"4", L"second", L"", L"", L"", L""}}},
        {"texts are UTF-8, entities decoded",
         head + "<r><t><TrackID>5</TrackID><TrackName>\xE6\x99\xB4\xE5\xA4\xA9 &amp; \xF0\x9F\x98\x80</TrackName>"
                "</t></r>",
         true, {{L"5", L"\x6674\x5929 & \xD83D\xDE00", L"", L"", L"", L""}}},
        {"an error reply gives no tracks", head + "<rsp stat=\"fail\"><err code=\"1\" msg=\"m\"/></rsp>", false, {}},
        {"malformed XML", head + "<rsp><Track><TrackID>1</TrackID></rsp>", false, {}},
        {"no reply file", "", false, {}},
    };
    for (const TrackListCase& c : cases) {
        SCOPED_TRACE(c.label);
        DeleteFileW(ReplyPath().c_str());
        if (!c.xml.empty()) WriteReply(c.xml);
        WebTrackList.assign(3, TrackInfo());  // stale content from an earlier reply
        WebTrackList[0].TrackID = L"stale";

        EXPECT_EQ(ParseTrackListReply(kReply), c.result);
        ASSERT_EQ(WebTrackList.size(), c.tracks.size());
        for (size_t i = 0; i < c.tracks.size(); ++i) {
            const TrackInfo& t = WebTrackList[i];
            const std::vector<std::wstring>& want = c.tracks[i];
            EXPECT_EQ(t.TrackID, want[0]);
            EXPECT_EQ(t.TrackName, want[1]);
            EXPECT_EQ(t.ArtistNameList, want[2]);
            EXPECT_EQ(t.ArtistIDList, want[3]);
            EXPECT_EQ(t.AlbumName, want[4]);
            EXPECT_EQ(t.AlbumID, want[5]);
            EXPECT_EQ(t.Time_Play, Today());
            EXPECT_TRUE(t.FileSize.empty());
            EXPECT_TRUE(t.TrackUrl.empty());
            EXPECT_FALSE(t.IsDownloading);
            EXPECT_FALSE(t.IsLocalFile);
        }
    }
    DeleteFileW(ReplyPath().c_str());
}

struct PlayUrlCase {
    const char* label;
    std::string xml;  // empty: no reply file
    bool result;
    std::wstring url;  // the url after the call; it starts as L"previous"
};

TEST(PlayUrlReply, Cases) {
    const std::string head = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
    const PlayUrlCase cases[] = {
        {"the URL under Track overrides the one under TrackUrl",
         head + "<rsp><Track><AuditionUrl>http://h/track</AuditionUrl></Track>"
                "<TrackUrl><AuditionUrl>http://h/trackurl</AuditionUrl></TrackUrl></rsp>",
         true, L"http://h/track"},
        {"the last AuditionUrl wins",
         head + "<rsp><TrackUrl><AuditionUrl>http://h/1</AuditionUrl><AuditionUrl>http://h/2?a=1&amp;b=2</AuditionUrl>"
                "</TrackUrl></rsp>",
         true, L"http://h/2?a=1&b=2"},
        {"a URL with non-ASCII characters is read as UTF-8",
         head + "<rsp><Track><AuditionUrl>http://h/\xE6\x99\xB4\xE5\xA4\xA9.mp3</AuditionUrl></Track></rsp>", true,
         L"http://h/\x6674\x5929.mp3"},
        {"only the first TrackUrl counts",
         head + "<rsp><TrackUrl><Other/></TrackUrl><TrackUrl><AuditionUrl>http://h/second</AuditionUrl></TrackUrl>"
                "</rsp>",
         true, L"previous"},
        {"a reply without URL keeps the url", head + "<rsp stat=\"fail\"><err code=\"201\" msg=\"x\"/></rsp>", true,
         L"previous"},
        {"malformed XML", head + "<rsp><Track><AuditionUrl>http://h/x</Track>", false, L"previous"},
        {"no root element", head, false, L"previous"},
        {"no reply file", "", false, L"previous"},
    };
    for (const PlayUrlCase& c : cases) {
        SCOPED_TRACE(c.label);
        DeleteFileW(ReplyPath().c_str());
        if (!c.xml.empty()) WriteReply(c.xml);
        std::wstring url = L"previous";
        EXPECT_EQ(ParsePlayUrlReply(kReply, url), c.result);
        EXPECT_EQ(url, c.url);
    }
    DeleteFileW(ReplyPath().c_str());
}

// A reply cut off inside a multi-byte character: the parser must stop at the end of what it was
// given. The program runs behind a guard-page allocator, so a read past the reply's buffer faults;
// every length puts the cut at another place relative to the end of the block.
TEST(Replies, CutInsideACharacterNeverReadPastTheirEnd) {
    const std::string head = "<rsp><Track><AuditionUrl>http://h/";
    for (const char lead : {'\xC3', '\xE6', '\xF0'}) {
        for (size_t length = head.size() + 1; length < 80; ++length) {
            SCOPED_TRACE(length);
            std::string reply = head + std::string(length - head.size() - 1, 'a') + lead;
            WriteReply(reply);
            std::wstring url = L"previous";
            EXPECT_FALSE(ParsePlayUrlReply(kReply, url));
            EXPECT_FALSE(ParseTrackListReply(kReply));
        }
    }
    DeleteFileW(ReplyPath().c_str());
}

struct Utf8Case {
    std::string bytes;
    std::wstring text;
};

TEST(Utf8ToCString, DecodesEveryLengthAndSkipsInvalidBytes) {
    const Utf8Case cases[] = {
        {"", L""},
        {"plain", L"plain"},
        {"\xC3\xA9", L"\x00E9"},                                  // two bytes
        {"\xE4\xBD\xA0\x41", L"\x4F60\x0041"},                    // three bytes
        {"\xF0\x9F\x98\x80\x41", L"\xD83D\xDE00\x0041"},          // four bytes: a surrogate pair
        {"\xF4\x8F\xBF\xBF", L"\xDBFF\xDFFF"},                    // the last code point
        {"\x41\xE4\xBD", L"\x0041"},                              // cut short by the end
        {"\x80\x41\xBF", L"\x0041"},                              // stray continuation bytes
        {"\xE4\x41\xBD\xA0\x42", L"\x0041\x0042"},                // a lead without its continuation
        {"\xC0\xAF\xE0\x80\xAF\x41", L"\x0041"},                  // overlong forms
        {"\xED\xA0\x80\x41", L"\x0041"},                          // an encoded surrogate
        {"\xF4\x90\x80\x80\xFF\x41", L"\x0041"},                  // above U+10FFFF, and FF
    };
    for (const Utf8Case& c : cases) {
        EXPECT_EQ(Utf8ToCString(c.bytes.c_str()), c.text) << testing::PrintToString(c.bytes);
        EXPECT_EQ(Utf8ToCString(c.bytes.data(), c.bytes.size()), c.text) << testing::PrintToString(c.bytes);
    }
    EXPECT_EQ(Utf8ToCString(nullptr), L"");
    EXPECT_EQ(Utf8ToCString(nullptr, 4), L"");
    EXPECT_EQ(Utf8ToCString("\xE4\xBD\xA0\x41", 3), L"\x4F60");  // the count bounds the text
}

}  // namespace
