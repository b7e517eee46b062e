// The test environment itself: the stand-in answers, its log and behaviours work, the code page
// is the one the harness asks for, and the data folder lies inside the test prefix.
#include <windows.h>

#include <gtest/gtest.h>

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
