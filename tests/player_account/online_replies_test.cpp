// The replies of the online-playlist calls, read from memory.
#include <gtest/gtest.h>

#include "guarded_bytes.h"
#include "online_playlists.h"

using namespace VelaUI;

namespace {

const char kHead[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";

TEST(OnlineReplies, PlayListsInOrderWithTheirFieldsAndNothingCarriedOver) {
    const std::string body = std::string(kHead) +
        "<rsp stat=\"ok\"><Other/><PlayLists>"
        "<PlayList><PlayListID>301</PlayListID><PlayListTitle>\xE7\x88\xB5\xE5\xA3\xAB</PlayListTitle>"
        "<PlayListDesc>Cool</PlayListDesc><PlayListCreateDate>2010-05-01</PlayListCreateDate>"
        "<PlayListSize>2</PlayListSize><PlayListSImage>a.png</PlayListSImage><Extra>x</Extra></PlayList>"
        "<Any><PlayListID>302</PlayListID><PlayListTitle>Caf\xC3\xA9 \xF0\x9F\x8E\xB5</PlayListTitle>"
        "<PlayListDesc></PlayListDesc><playlistdesc>case</playlistdesc></Any>"
        "</PlayLists><PlayLists><PlayList><PlayListID>999</PlayListID></PlayList></PlayLists></rsp>";
    std::vector<PlayListMeta> lists(1);  // appended to
    ASSERT_TRUE(ParseUserPlayLists(body.c_str(), lists));
    ASSERT_EQ(lists.size(), 3u);
    EXPECT_EQ(lists[1].PlayListID, L"301");
    EXPECT_EQ(lists[1].PlayListTitle, L"爵士");
    EXPECT_EQ(lists[1].PlayListDesc, L"Cool");
    EXPECT_EQ(lists[1].PlayListCreateDate, L"2010-05-01");
    EXPECT_EQ(lists[1].PlayListSize, L"2");
    EXPECT_EQ(lists[1].PlayListSImage, L"a.png");
    EXPECT_EQ(lists[2].PlayListID, L"302");
    // Two- and four-byte characters are UTF-8, not the three-byte form of the playlist files.
    EXPECT_EQ(lists[2].PlayListTitle, L"Caf\u00E9 \U0001F3B5");
    EXPECT_EQ(lists[2].PlayListDesc, L"");  // no text, and names are compared exactly
    EXPECT_EQ(lists[2].PlayListSize, L"");
}

TEST(OnlineReplies, TracksInOrderDurationAsPlayTimeNoFieldFromTheTrackBefore) {
    const std::string body = std::string(kHead) +
        "<rsp stat=\"ok\">"
        "<Track><TrackID>1002</TrackID><TrackName>Two</TrackName><Duration>00:04</Duration><AlbumID>7</AlbumID>"
        "<AlbumName>Alb</AlbumName><ArtistIDList>5,6</ArtistIDList><ArtistNameList>A,B</ArtistNameList>"
        "<TrackUrl>http://x/</TrackUrl><FileSize>9</FileSize></Track>"
        "<T><TrackID>1003</TrackID></T></rsp>";
    std::vector<TrackInfo> tracks;
    ASSERT_TRUE(ParsePlayListTracks(body.c_str(), tracks));
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0].TrackID, L"1002");
    EXPECT_EQ(tracks[0].TrackName, L"Two");
    EXPECT_EQ(tracks[0].Time_Play, L"00:04");
    EXPECT_EQ(tracks[0].AlbumID, L"7");
    EXPECT_EQ(tracks[0].AlbumName, L"Alb");
    EXPECT_EQ(tracks[0].ArtistIDList, L"5,6");
    EXPECT_EQ(tracks[0].ArtistNameList, L"A,B");
    EXPECT_EQ(tracks[0].TrackUrl, L"");  // not one of the reply's fields
    EXPECT_EQ(tracks[0].FileSize, L"");
    EXPECT_FALSE(tracks[0].IsDownloading);
    EXPECT_FALSE(tracks[0].IsLocalFile);
    EXPECT_EQ(tracks[1].TrackID, L"1003");
    EXPECT_EQ(tracks[1].TrackName, L"");
}

TEST(OnlineReplies, RepliesThatAreNotAcceptedAppendNothing) {
    const struct {
        const char* what;
        const char* body;
        bool playLists;  // which parser
    } cases[] = {
        {"no body", nullptr, true},
        {"not XML", "network error", true},
        {"fail", "<rsp stat=\"fail\"><err code=\"1\" msg=\"m\"/><PlayLists><P/></PlayLists></rsp>", true},
        {"no stat", "<rsp><PlayLists><P/></PlayLists></rsp>", true},
        {"stat of another case", "<rsp stat=\"OK\"><PlayLists><P/></PlayLists></rsp>", true},
        {"no PlayLists", "<rsp stat=\"ok\"><P/></rsp>", true},
        {"tracks: fail", "<rsp stat=\"fail\"><Track><TrackID>1</TrackID></Track></rsp>", false},
        {"tracks: no body", nullptr, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<PlayListMeta> lists;
        std::vector<TrackInfo> tracks;
        if (c.playLists) {
            EXPECT_FALSE(ParseUserPlayLists(c.body, lists));
        } else {
            EXPECT_FALSE(ParsePlayListTracks(c.body, tracks));
        }
        EXPECT_TRUE(lists.empty());
        EXPECT_TRUE(tracks.empty());
    }
    std::vector<PlayListMeta> none;
    EXPECT_TRUE(ParseUserPlayLists("<rsp stat=\"ok\"><PlayLists/></rsp>", none));
    EXPECT_TRUE(none.empty());
}

// A reply cut off inside a multi-byte character, handed over as the download leaves it (the
// body, then two zero bytes) right before a page that cannot be read: the parsers stop at its
// end, and a cut reply is not accepted.
TEST(OnlineReplies, ACutReplyIsNeverReadPastItsEnd) {
    for (const char* head : {"<rsp stat=\"ok\">a", "<rsp stat=\"ok\"><PlayLists><P><PlayListTitle>",
                             "<rsp stat=\"ok\"><Track><Track", "<rsp stat=\"ok\" x=\""}) {
        for (const char lead : {'\xC3', '\xE6', '\xF0'}) {
            const std::string reply = std::string(head) + lead;
            SCOPED_TRACE(testing::PrintToString(reply));
            const testmemory::GuardedBytes body(reply + std::string(2, '\0'));
            std::vector<PlayListMeta> lists;
            std::vector<TrackInfo> tracks;
            EXPECT_FALSE(ParseUserPlayLists(body.data(), lists));
            EXPECT_FALSE(ParsePlayListTracks(body.data(), tracks));
            EXPECT_TRUE(lists.empty());
            EXPECT_TRUE(tracks.empty());
        }
    }
}

}  // namespace
