// The test environment itself: the stand-in answers, its log and behaviours work, the code page
// is the one the harness asks for, and the data folder lies inside the test prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include "standin_catalogue.h"
#include "standin_client.h"
#include "test_files.h"

TEST(Harness, StandinServesFilesWithRangesAndLogsRequests) {
    standin::Reset();
    standin::PutFile("h.bin", "0123456789");
    standin::Reply whole = standin::Request("GET", "/files/h.bin");
    EXPECT_EQ(whole.status, 200);
    EXPECT_EQ(whole.body, "0123456789");
    standin::Reply cut = standin::Request("GET", "/files/h.bin?_b=cut=4");
    EXPECT_EQ(cut.body, "0123");
    std::vector<std::string> log = standin::RequestsMatching("/files/h.bin");
    ASSERT_EQ(log.size(), 2u);
    EXPECT_NE(log[1].find("_b=cut=4"), std::string::npos);
}

TEST(Harness, AnsiCodePageIsChinese) { EXPECT_EQ(GetACP(), 936u); }

TEST(Harness, DataFolderIsInsideTheTestPrefix) {
    std::wstring data = testfiles::PlayerDataFolder();
    EXPECT_NE(data.find(L"AppData\\Roaming\\VelaMusic"), std::wstring::npos) << testfiles::Narrow(data);
}

// The audio tracks that the catalogue hands out are there, about as long as the table says
// (128 kbit/s is 16000 bytes a second), and the broken track's URL fails.
TEST(Harness, StandinServesItsAudioTracks) {
    standin::Reset();
    for (int i = 0; i < standin::kAudioTrackCount; ++i) {
        const standin::AudioTrack& track = standin::kAudioTracks[i];
        SCOPED_TRACE(track.id);
        standin::Reply file = standin::Request("GET", std::string("/files/") + track.id + ".mp3");
        EXPECT_EQ(file.status, 200);
        const double seconds = static_cast<double>(file.body.size()) / 16000.0;
        EXPECT_NEAR(seconds, track.seconds, 0.02 * track.seconds + 0.1);
        const bool mp3 = file.body.compare(0, 3, "ID3") == 0 ||
                         (!file.body.empty() && static_cast<unsigned char>(file.body[0]) == 0xFF);
        EXPECT_TRUE(mp3);
    }
    EXPECT_EQ(standin::Request("GET", std::string("/files/missing-") + standin::kBrokenTrackId + ".mp3").status, 404);
    std::string table = standin::Request("GET", "/_ctl/media").body;
    EXPECT_EQ(table.find("\"present\": false}, {"), std::string::npos) << table;  // every file but the broken one
}

// The catalogue helper's tracks and playlists arrive in the catalogue as given (UTF-8 texts,
// the track order, a path for a URL); the audio tracks carry their real lengths.
TEST(Harness, CatalogueHelperSetsPlaylistsAndTracks) {
    standin::Reset();
    standin::SetTrack({"2001", "\xE6\xB5\x8B\xE8\xAF\x95", "A", "21", "B", "31", "03:15", "/files/1001.mp3", ""});
    standin::SetPlayList("90001", {"401", "\xE6\x88\x91\xE7\x9A\x84", "d", "2011-01-02", "3", "", {"1004", "9999", "2001"}});
    const std::string lists = standin::Request("GET", "/_ctl/catalogue").body;
    EXPECT_NE(lists.find("\"PlayListTitle\": \"\xE6\x88\x91\xE7\x9A\x84\""), std::string::npos) << lists;
    EXPECT_NE(lists.find("\"tracks\": [\"1004\", \"9999\", \"2001\"]"), std::string::npos) << lists;
    EXPECT_NE(lists.find("\"Duration\": \"04:00\""), std::string::npos) << lists;  // track 1004
    EXPECT_NE(lists.find("\"play\": \"/files/1001.mp3\""), std::string::npos) << lists;
    standin::ClearCatalogue();
    EXPECT_EQ(standin::Request("GET", "/_ctl/catalogue").body, "{\"tracks\": {}, \"users\": {}, \"playlists\": {}}");
}
