// The download list's records: new items, the texts of the size and speed columns, the status
// icons, the downloaded file's name and the record a download thread starts with.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "download_item.h"
#include "test_files.h"

using namespace VelaUI;

namespace {

const std::wstring kRunningIcon = L"file='xz_zt.png' source='0,0,18,25'";
const std::wstring kPausedIcon = L"file='xz_ks.png' source='0,0,18,25'";
const std::wstring kWaitingIcon = L"file='xz_dd.png' source='0,0,18,25'";

TEST(DownloadItem, ANewItemWaitsForAPlaceWithTheTrackAsTheServiceDescribesIt) {
    TrackInfo track;
    track.TrackID = L"1001";
    track.TrackName = L"\u6674\u5929";
    track.ArtistNameList = L"\u5468\u6770\u4F26";
    track.AlbumName = L"ignored";
    track.FileSize = L"4000KB";
    track.FileURL = L"http://elsewhere/x.mp3";
    DownloadItem item = MakeDownloadItem(track);
    EXPECT_EQ(item.TrackID, L"1001");
    EXPECT_EQ(item.TrackName, L"\u6674\u5929");
    EXPECT_EQ(item.ArtistName, L"\u5468\u6770\u4F26");
    EXPECT_EQ(item.Status, L"readying");
    EXPECT_EQ(item.Progress, L"\u51C6\u5907\u4E2D");  // 准备中
    EXPECT_EQ(item.Speed, L"\u672A\u5F00\u59CB");     // 未开始
    EXPECT_EQ(item.FileSize, L"4000KB");
    EXPECT_TRUE(item.FilePath.empty() && item.FileName.empty() && item.FileURL.empty());
}

TEST(DownloadItem, SizesAreWholeKilobytesAndSpeedsKilobytesASecond) {
    const struct {
        unsigned bytes;
        const wchar_t* text;
    } sizes[] = {
        {1048576u, L"1024KB"}, {1023u, L"0KB"}, {0u, L"0KB"}, {1024u, L"1KB"}, {2047u, L"1KB"},
        {0xFFFFFFFFu, L"4194303KB"},  // the largest size the downloader reports
    };
    for (const auto& c : sizes) EXPECT_EQ(DownloadSizeText(c.bytes), c.text) << c.bytes;
    EXPECT_EQ(DownloadSpeedText(0), L"0KB/s");
    EXPECT_EQ(DownloadSpeedText(356), L"356KB/s");
}

TEST(DownloadItem, EachStatusHasItsIconAndACompleteRowNone) {
    EXPECT_EQ(DownloadStatusIcon(L"readying"), kRunningIcon);
    EXPECT_EQ(DownloadStatusIcon(L"downloading"), kRunningIcon);
    EXPECT_EQ(DownloadStatusIcon(L"pause"), kPausedIcon);
    EXPECT_EQ(DownloadStatusIcon(L"waiting"), kWaitingIcon);
    EXPECT_EQ(DownloadStatusIcon(L"complete"), std::wstring());
    EXPECT_EQ(DownloadStatusIcon(L"Waiting"), std::wstring());  // words are compared exactly
    EXPECT_EQ(DownloadStatusIcon(L""), std::wstring());
}

TEST(DownloadFileName, CharactersAFileNameCannotHoldAreReplaced) {
    const struct {
        const wchar_t* track;
        const wchar_t* file;
    } cases[] = {
        {L"\u6674\u5929", L"\u6674\u5929.mp3"},
        {L"Mr. Big", L"Mr. Big.mp3"},
        {L"AC/DC", L"AC_DC.mp3"},
        {L"a\\b:c", L"a_b_c.mp3"},
        {L"What? *Now* \"Live\" <1> | 2", L"What_ _Now_ _Live_ _1_ _ 2.mp3"},
        {L"tab\there\r\n", L"tab_here__.mp3"},
        {L"..\\..\\Windows\\evil", L"____Windows_evil.mp3"},
        {L"Wait...", L"Wait_.mp3"},
        {L"..", L"_.mp3"},
        {L"", L"_.mp3"},
        {L"CON", L"_CON.mp3"},
        {L"con", L"_con.mp3"},
        {L"nul.txt", L"_nul.txt.mp3"},
        {L"LPT9", L"_LPT9.mp3"},
        {L"COM10", L"COM10.mp3"},
        {L"CONSOLE", L"CONSOLE.mp3"},
    };
    for (const auto& c : cases) EXPECT_EQ(DownloadFileName(c.track), c.file) << testfiles::Narrow(c.track);
}

TEST(DownloadFileName, LongNamesAreCutWithoutSplittingACharacter) {
    EXPECT_EQ(DownloadFileName(std::wstring(300, L'a')), std::wstring(200, L'a') + L".mp3");
    // A character outside the basic plane takes two units; the cut never keeps half of it.
    std::wstring name = std::wstring(199, L'a') + L"\U0001F600" + L"tail";
    EXPECT_EQ(DownloadFileName(name), std::wstring(199, L'a') + L".mp3");
    EXPECT_EQ(DownloadFileName(L"\U0001F600abc", 1), L"_.mp3");
}

// Whatever the track is called, its file is created in the download folder itself.
TEST(DownloadFileName, EveryNameMakesAFileInsideTheFolder) {
    const std::wstring folder = testfiles::FreshDir(L"dlnames");
    const std::wstring outside = folder + L"\\sub";
    CreateDirectoryW(outside.c_str(), nullptr);
    const wchar_t* names[] = {
        L"..\\escape", L"../escape", L"sub\\inside", L"C:\\Windows\\win", L"a:stream", L"AUX", L"prn.mp3",
        L"quote\"d", L"...", L"trailing dots..", L"  ", L"\u6674\u5929 (live)", L"x\x01y",
    };
    for (const wchar_t* name : names) {
        const std::wstring path = folder + L"\\" + DownloadFileName(name);
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << testfiles::Narrow(name);
        CloseHandle(file);
        wchar_t full[MAX_PATH] = {};
        wchar_t* part = nullptr;
        GetFullPathNameW(path.c_str(), MAX_PATH, full, &part);
        ASSERT_NE(part, nullptr);
        EXPECT_EQ(std::wstring(full, part - full - 1), folder) << testfiles::Narrow(name);
    }
    testfiles::RemoveTree(folder);
}

TEST(DownloadTrackRecord, CarriesTheSourceTrackWithTheDownloadsPlaceAndAddress) {
    TrackInfo source;
    source.TrackID = L"1002";
    source.TrackName = L"Blue in Green";
    source.AlbumName = L"Kind of Blue";
    source.IsLocalFile = false;
    DownloadItem item;
    item.TrackName = L"Blue in Green";
    TrackInfo record = DownloadTrackRecord(&source, item, L"http://127.0.0.1/trackfile/1002.mp3", L"D:\\Music");
    EXPECT_EQ(record.TrackID, L"1002");
    EXPECT_EQ(record.AlbumName, L"Kind of Blue");
    EXPECT_EQ(record.FileURL, L"http://127.0.0.1/trackfile/1002.mp3");
    EXPECT_EQ(record.FilePath, L"D:\\Music");
    EXPECT_EQ(record.FileName, L"Blue in Green.mp3");

    // Without a source track (a resumed item) only the three fields are set.
    item.TrackName = L"a/b";
    TrackInfo bare = DownloadTrackRecord(nullptr, item, L"u", L"f");
    EXPECT_TRUE(bare.TrackID.empty() && bare.TrackName.empty());
    EXPECT_EQ(bare.FileName, L"a_b.mp3");

    // The name chosen for the item.
    item.FileName = L"a_b (2).mp3";
    EXPECT_EQ(DownloadTrackRecord(nullptr, item, L"u", L"f").FileName, L"a_b (2).mp3");
}

DownloadItem Named(const wchar_t* id, const wchar_t* track, const wchar_t* status, const wchar_t* folder = L"",
                   const wchar_t* file = L"") {
    DownloadItem item;
    item.TrackID = id;
    item.TrackName = track;
    item.Status = status;
    item.FilePath = folder;
    item.FileName = file;
    return item;
}

// ChooseDownloadName for a table case: the other items are handed over as the window does.
std::wstring ChooseAmong(const DownloadItem& item, const std::vector<DownloadItem>& items, const wchar_t* folder,
                         const std::vector<std::wstring>& files = {}) {
    std::vector<const DownloadItem*> others;
    for (const DownloadItem& other : items) others.push_back(&other);
    return ChooseDownloadName(item, others, folder, files);
}

// Items of different tracks never share a file; an item keeps the name it ran under.
TEST(ChooseDownloadName, EachTrackGetsATargetOfItsOwn) {
    const wchar_t* const folder = L"D:\\Music";
    const struct {
        const char* what;
        DownloadItem item;
        std::vector<DownloadItem> others;
        const wchar_t* name;
    } cases[] = {
        {"no clash: the track's name", Named(L"1", L"A", L"readying"), {Named(L"2", L"B", L"complete", folder, L"B.mp3")},
         L"A.mp3"},
        {"another track's item holds it", Named(L"2", L"A", L"readying"),
         {Named(L"1", L"A", L"complete", folder, L"A.mp3")}, L"A (2).mp3"},
        {"names that are the same once made safe", Named(L"2", L"AC:DC", L"readying"),
         {Named(L"1", L"AC/DC", L"pause", folder, L"AC_DC.mp3")}, L"AC_DC (2).mp3"},
        {"the case does not tell files apart", Named(L"2", L"intro", L"readying"),
         {Named(L"1", L"Intro", L"downloading", L"d:\\music\\", L"INTRO.mp3")}, L"intro (2).mp3"},
        {"the next free number", Named(L"3", L"A", L"readying"),
         {Named(L"1", L"A", L"complete", folder, L"A.mp3"), Named(L"2", L"A", L"pause", folder, L"A (2).mp3")},
         L"A (3).mp3"},
        {"the same track may share", Named(L"1", L"A", L"readying"), {Named(L"1", L"A", L"complete", folder, L"A.mp3")},
         L"A.mp3"},
        {"a name in another folder is free here", Named(L"2", L"A", L"readying"),
         {Named(L"1", L"A", L"complete", L"E:\\Other", L"A.mp3")}, L"A.mp3"},
        {"an older list's item may have run under its track's name", Named(L"2", L"A", L"readying"),
         {Named(L"1", L"A", L"waiting")}, L"A (2).mp3"},
        {"two items of an older list: the first started takes the name", Named(L"2", L"A", L"waiting"),
         {Named(L"1", L"A", L"waiting")}, L"A.mp3"},
        {"an item that never started holds nothing", Named(L"2", L"A", L"readying"), {Named(L"1", L"A", L"readying")},
         L"A.mp3"},
        {"an item keeps its own name", Named(L"2", L"A", L"pause", folder, L"A (2).mp3"),
         {Named(L"1", L"A", L"complete", folder, L"A.mp3")}, L"A (2).mp3"},
        {"a kept name of another folder is chosen afresh", Named(L"2", L"A", L"pause", L"E:\\Other", L"A (2).mp3"), {},
         L"A.mp3"},
        {"a kept name that is not a plain file name is not used", Named(L"2", L"A", L"waiting", folder, L"..\\x.mp3"),
         {}, L"A.mp3"},
        {"a kept name that clashes is replaced", Named(L"2", L"A", L"pause", folder, L"A.mp3"),
         {Named(L"1", L"A", L"complete", folder, L"A.mp3")}, L"A (2).mp3"},
    };
    for (const auto& c : cases) EXPECT_EQ(ChooseAmong(c.item, c.others, folder), c.name) << c.what;
}

// A new item does not take a name whose file or part the folder holds already, unless an item of
// its own track holds it; an item that ran under a name goes on with what it left there.
TEST(ChooseDownloadName, WhatTheFolderHoldsIsNotTakenOver) {
    const wchar_t* const folder = L"D:\\Music";
    const struct {
        const char* what;
        DownloadItem item;
        std::vector<DownloadItem> others;
        std::vector<std::wstring> files;
        const wchar_t* name;
    } cases[] = {
        {"a file of the name", Named(L"2", L"A", L"readying"), {}, {L"A.mp3"}, L"A (2).mp3"},
        {"a deleted download's part", Named(L"2", L"A", L"readying"), {}, {L"a.MP3_0"}, L"A (2).mp3"},
        {"the next name is held too", Named(L"2", L"A", L"readying"), {}, {L"A.mp3_0", L"A (2).mp3"}, L"A (3).mp3"},
        {"other files that begin alike", Named(L"2", L"A", L"readying"), {}, {L"A.mp3x", L"A.mp3_", L"A.mp3_0b"},
         L"A.mp3"},
        {"an item of the same track holds it", Named(L"2", L"A", L"readying"),
         {Named(L"2", L"A", L"complete", folder, L"A.mp3")}, {L"A.mp3"}, L"A.mp3"},
        {"an item resumes its own part", Named(L"2", L"A", L"pause", folder, L"A.mp3"), {}, {L"A.mp3_0"}, L"A.mp3"},
        {"an older list's item resumes under its track's name", Named(L"2", L"A", L"waiting"), {}, {L"A.mp3_0"},
         L"A.mp3"},
    };
    for (const auto& c : cases) EXPECT_EQ(ChooseAmong(c.item, c.others, folder, c.files), c.name) << c.what;
}

TEST(DownloadFilesInFolder, TheFilesThatBeginAsTheTracksNameDoes) {
    const std::wstring folder = testfiles::FreshDir(L"dlnames");
    for (const wchar_t* file : {L"AC_DC.mp3", L"AC_DC.mp3_0", L"AC_DC (2).mp3", L"B.mp3"})
        ASSERT_TRUE(testfiles::WriteAll(folder + L"\\" + file, "x"));
    ASSERT_TRUE(::CreateDirectoryW((folder + L"\\AC_DC folder").c_str(), nullptr));
    std::vector<std::wstring> found = DownloadFilesInFolder(folder + L"\\", L"AC/DC");
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::wstring>{L"AC_DC (2).mp3", L"AC_DC.mp3", L"AC_DC.mp3_0"}));
    EXPECT_TRUE(DownloadFilesInFolder(folder + L"\\missing", L"A").empty());
    testfiles::RemoveTree(folder);
}

TEST(ChooseDownloadName, ANumberedNameStillFitsInAPath) {
    const std::wstring folder = L"C:\\" + std::wstring(180, L'f');
    const std::wstring track(250, L'n');
    DownloadItem first = Named(L"1", track.c_str(), L"complete", folder.c_str());
    first.FileName = ChooseDownloadName(first, {}, folder);
    DownloadItem second = Named(L"2", track.c_str(), L"readying");
    const std::wstring name = ChooseDownloadName(second, {&first}, folder);
    EXPECT_NE(name, first.FileName);
    EXPECT_EQ(name.substr(name.size() - 8), L" (2).mp3");
    EXPECT_LT((folder + L"\\" + name + L"_join").size(), static_cast<size_t>(MAX_PATH));
}

TEST(DownloadTrackRecord, TheTargetAndTheDownloadersWorkFilesFitInAPath) {
    DownloadItem item;
    item.TrackName = std::wstring(250, L'n');
    const std::wstring folder = L"C:\\" + std::wstring(180, L'f');
    TrackInfo record = DownloadTrackRecord(nullptr, item, L"u", folder);
    const std::wstring longest = record.FilePath + L"\\" + record.FileName + L"_join";
    EXPECT_LT(longest.size(), static_cast<size_t>(MAX_PATH));
    EXPECT_EQ(record.FileName.substr(record.FileName.size() - 4), L".mp3");
    EXPECT_GT(record.FileName.size(), 40u);
}

}  // namespace
