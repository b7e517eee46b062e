// "Dmanage": the exact bytes written, reading back (also files written by hand or by an older
// player), the temporary-file replacement, wide paths, and the empty list.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "download_list_file.h"
#include "test_files.h"

using namespace VelaUI;

namespace {

// The player's three-byte form of a text, spelled out independently of the product's codec.
std::string Fixed3(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        unsigned u = static_cast<unsigned short>(c);
        out += static_cast<char>(0xE0 | (u >> 12));
        out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    }
    return out;
}

DownloadItem Item(const std::wstring& id, const std::wstring& name, const std::wstring& status) {
    DownloadItem item;
    item.TrackID = id;
    item.TrackName = name;
    item.ArtistName = L"\u5468\u6770\u4F26";
    item.Status = status;
    item.Progress = L"57%";
    item.FileSize = L"195KB";
    item.Speed = L"12KB/s";
    return item;
}

class DownloadListFile : public ::testing::Test {
protected:
    void SetUp() override {
        // A folder whose name the ANSI code page may not hold.
        folder_ = testfiles::FreshDir(L"dmanage-\u4E0B\u8F7D\u0416");
        path_ = folder_ + L"\\Dmanage";
    }
    void TearDown() override { testfiles::RemoveTree(folder_); }

    std::wstring folder_;
    std::wstring path_;
};

TEST_F(DownloadListFile, WritesEachItemAsATrackElementInThreeByteTextAllWaiting) {
    DownloadItem item = Item(L"A\u4E2D", L"\u6674\u5929", L"downloading");
    item.FilePath = L"D:\\";
    std::vector<DownloadItem> items = {item, Item(L"1002", L"So What", L"complete")};
    ASSERT_TRUE(SaveDownloadItems(path_, items));

    auto field = [](const char* name, const std::wstring& value) {
        return std::string("    <") + name + ">" + Fixed3(value) + "</" + name + ">\n";
    };
    auto track = [&](const DownloadItem& i) {
        return "<Track>\n" + field("TrackID", i.TrackID) + field("TrackName", i.TrackName) +
               field("ArtistName", i.ArtistName) + field("Status", L"waiting") + field("Progress", i.Progress) +
               field("FileSize", i.FileSize) + field("Speed", i.Speed) + field("FilePath", i.FilePath) +
               field("FileName", i.FileName) + field("FileURL", i.FileURL) + "</Track>\n";
    };
    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n" + track(items[0]) + track(items[1]);
    const std::string written = testfiles::ReadAll(path_);
    EXPECT_EQ(written, expected);
    // The codec's own example, as the bytes stand in the file.
    EXPECT_NE(written.find("<TrackID>\xE0\x81\x81\xE4\xB8\xAD</TrackID>"), std::string::npos);
    EXPECT_EQ(written.find("downloading"), std::string::npos);
    EXPECT_FALSE(testfiles::Exists(path_ + L".tmp"));
}

TEST_F(DownloadListFile, ReadsBackEveryItemWaitingWithItsTexts) {
    DownloadItem item = Item(L"1001", L"\u6674\u5929 <live> & \"more\"", L"pause");
    item.FilePath = L"C:\\\u97F3\u4E50";
    item.FileName = L"x.mp3";
    item.FileURL = L"http://h/x.mp3?a=1&b=2";
    std::vector<DownloadItem> saved = {item, Item(L"1002", L"Blue in Green", L"complete"),
                                       Item(L"1003", L"", L"readying")};
    ASSERT_TRUE(SaveDownloadItems(path_, saved));

    std::vector<DownloadItem> loaded = {Item(L"old", L"old", L"old")};
    ASSERT_TRUE(LoadDownloadItems(path_, loaded));
    ASSERT_EQ(loaded.size(), 3u);
    for (size_t i = 0; i < saved.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(loaded[i].TrackID, saved[i].TrackID);
        EXPECT_EQ(loaded[i].TrackName, saved[i].TrackName);
        EXPECT_EQ(loaded[i].ArtistName, saved[i].ArtistName);
        EXPECT_EQ(loaded[i].Status, L"waiting");
        EXPECT_EQ(loaded[i].Progress, saved[i].Progress);
        EXPECT_EQ(loaded[i].FileSize, saved[i].FileSize);
        EXPECT_EQ(loaded[i].Speed, saved[i].Speed);
        EXPECT_EQ(loaded[i].FilePath, saved[i].FilePath);
        EXPECT_EQ(loaded[i].FileName, saved[i].FileName);
        EXPECT_EQ(loaded[i].FileURL, saved[i].FileURL);
    }
}

// Files the player did not write itself: any top-level element is an item; only the elements
// from the first "TrackID" on count; unknown names and empty elements are passed over; plain
// ASCII text reads as it stands.
TEST_F(DownloadListFile, ReadsWhatItCanOfAFileWrittenElsewhere) {
    const std::string text =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
        "<Track><TrackName>before the id</TrackName><TrackID>7</TrackID><TrackName>Plain</TrackName>"
        "<Lyrics>x</Lyrics><Speed/><Progress>" + Fixed3(L"\u5DF2\u5B8C\u6210") + "</Progress></Track>\r\n"
        "<Song><Status>pause</Status></Song>\r\n";
    ASSERT_TRUE(testfiles::WriteAll(path_, text));
    std::vector<DownloadItem> loaded;
    ASSERT_TRUE(LoadDownloadItems(path_, loaded));
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0].TrackID, L"7");
    EXPECT_EQ(loaded[0].TrackName, L"Plain");
    EXPECT_EQ(loaded[0].Progress, L"\u5DF2\u5B8C\u6210");
    EXPECT_EQ(loaded[0].Speed, L"");
    // No "TrackID" in it: an item with nothing set.
    EXPECT_EQ(loaded[1].Status, L"");
}

TEST_F(DownloadListFile, AMissingFileIsAnEmptyListAndABrokenOneAFailure) {
    std::vector<DownloadItem> items = {Item(L"x", L"x", L"x")};
    EXPECT_TRUE(LoadDownloadItems(path_, items));
    EXPECT_TRUE(items.empty());

    const struct {
        const char* what;
        std::string text;
    } broken[] = {
        {"not XML", "this is not xml"},
        {"declaration only", "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n"},
        {"empty", ""},
        {"cut inside an element", "<?xml version=\"1.0\"?>\n<Track><TrackID>\xE0\x80"},
    };
    for (const auto& c : broken) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(testfiles::WriteAll(path_, c.text));
        items = {Item(L"x", L"x", L"x")};
        EXPECT_FALSE(LoadDownloadItems(path_, items));
        EXPECT_TRUE(items.empty());
    }
}

TEST_F(DownloadListFile, AnEmptyListRemovesTheFile) {
    ASSERT_TRUE(SaveDownloadItems(path_, {Item(L"1", L"a", L"pause")}));
    ASSERT_TRUE(testfiles::Exists(path_));
    EXPECT_TRUE(SaveDownloadItems(path_, {}));
    EXPECT_FALSE(testfiles::Exists(path_));
    EXPECT_TRUE(SaveDownloadItems(path_, {}));  // nothing to remove
}

// The new list is written beside the old one and replaces it in one step: when it cannot be
// written, the old list stays as it was.
TEST_F(DownloadListFile, AFailedWriteKeepsTheOldList) {
    ASSERT_TRUE(SaveDownloadItems(path_, {Item(L"1", L"kept", L"pause")}));
    const std::string before = testfiles::ReadAll(path_);
    ASSERT_TRUE(CreateDirectoryW((path_ + L".tmp").c_str(), nullptr));  // the temporary file cannot be made
    EXPECT_FALSE(SaveDownloadItems(path_, {Item(L"2", L"new", L"pause")}));
    EXPECT_EQ(testfiles::ReadAll(path_), before);
    RemoveDirectoryW((path_ + L".tmp").c_str());

    EXPECT_FALSE(SaveDownloadItems(folder_ + L"\\missing folder\\Dmanage", {Item(L"1", L"a", L"pause")}));
}

}  // namespace
