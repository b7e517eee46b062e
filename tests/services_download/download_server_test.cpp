// The segmented downloader against the stand-in: each server behaviour with the requests it
// must cause and the file it must (or must not) leave.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "download_test_support.h"
#include "http_download.h"
#include "standin_client.h"
#include "test_files.h"

namespace {

using testfiles::Exists;
using testfiles::ReadAll;
using testfiles::Widen;

struct ServerCase {
    const char* label;
    int size;                           // bytes of the source file
    int threads;
    int partBefore;                     // bytes of the source already in part 0; -1: no part file
    const char* plan;                   // behaviours of the first requests, '|' between requests
    const char* then;                   // behaviours of every later request
    bool ok;                            // the download completes
    std::vector<std::string> requests;  // request summaries, sorted (range threads race)
    int partAfter;                      // when it fails: bytes left in part 0; -1: no part file
    bool retry;                         // when it fails: a later plain attempt completes the file
    const char* name;                   // of the file on the server
    const char* targetName;             // of the target file; null: the same
};

const char kName[] = "track.bin";
const char kRangeWasComplete[] =
    "\xE6\x96\x87\xE4\xBB\xB6\xE4\xB8\x8B\xE8\xBD\xBD\xE6\x88\x90\xE5\x8A\x9F\xEF\xBC\x81"
    "\xE4\xB8\x8B\xE8\xBD\xBD\xE7\xBB\x93\xE6\x9D\x9F\xEF\xBC\x81";  // "文件下载成功！下载结束！"

const ServerCase kCases[] = {
    {"plain 206", 50000, 1, -1, "", "", true, {"main@0", "main@0"}, -1, false, kName, nullptr},
    {"four ranges", 100000, 4, -1, "", "", true,
     {"main@0", "main@0", "main@25000", "main@50000", "main@75000"}, -1, false, kName, nullptr},
    {"sixteen ranges, remainder in the last", 160007, 16, -1, "", "", true,
     {"main@0", "main@0", "main@10000", "main@100000", "main@110000", "main@120000", "main@130000",
      "main@140000", "main@150000", "main@20000", "main@30000", "main@40000", "main@50000", "main@60000",
      "main@70000", "main@80000", "main@90000"},
     -1, false, kName, nullptr},
    {"redirect to another host and port", 50000, 1, -1, "redirect-alt||redirect-alt|", "", true,
     {"alt@0", "alt@0", "main@0", "main@0"}, -1, false, kName, nullptr},
    {"301 and 307 redirects", 50000, 1, -1, "redirect-alt;code=301||redirect-alt;code=307|", "", true,
     {"alt@0", "alt@0", "main@0", "main@0"}, -1, false, kName, nullptr},
    {"redirect on resume keeps the range start", 50000, 1, 1000, "redirect-alt||redirect-alt|", "", true,
     {"alt@0", "alt@1000", "main@0", "main@1000"}, -1, false, kName, nullptr},
    {"302 without Location", 50000, 1, -1, "status=302", "", false, {"main@0"}, -1, true, kName, nullptr},
    {"part file already complete", 50000, 1, 50000, "", "", true, {"main@0"}, -1, false, kName, nullptr},
    {"1000-byte part file", 50000, 1, 1000, "", "", true, {"main@0", "main@1000"}, -1, false, kName, nullptr},
    {"server ignores Range on resume", 50000, 1, 1000, "", "norange", true, {"main@0", "main@1000"}, -1, false,
     kName, nullptr},
    {"body cut short", 50000, 1, -1, "|cut=20000", "", false, {"main@0", "main@0"}, 20000, true, kName, nullptr},
    {"403", 50000, 1, -1, "status=403", "", false, {"main@0"}, -1, true, kName, nullptr},
    {"404", 50000, 1, -1, "status=404", "", false, {"main@0"}, -1, true, kName, nullptr},
    {"416", 50000, 1, -1, "status=416", "", false, {"main@0"}, -1, true, kName, nullptr},
    {"500", 50000, 1, -1, "status=500", "", false, {"main@0"}, -1, true, kName, nullptr},
    {"500 on the range request", 50000, 1, -1, "|status=500", "", false, {"main@0", "main@0"}, -1, true, kName, nullptr},
    {"404 on resume keeps the part", 50000, 1, 1000, "|status=404", "", false, {"main@0", "main@1000"}, 1000, true,
     kName, nullptr},
    {"Content-Length holds 404", 14040, 1, -1, "", "", true, {"main@0", "main@0"}, -1, false, kName, nullptr},
    {"Date holds 30", 30030, 1, -1, "", "header=Date:Mon, 30 Nov 2026 10:30:30 GMT", true, {"main@0", "main@0"}, -1,
     false, kName, nullptr},
    {"redirect loop gives up", 50000, 1, -1, "", "redirect-loop", false,
     {"main@0", "main@0", "main@0", "main@0", "main@0", "main@0"}, -1, false, kName, nullptr},
    {"whole file without a length", 50000, 1, -1, "", "norange;nolength", false, {"main@0"}, -1, true, kName, nullptr},
    {"206 without Content-Length", 50000, 1, -1, "", "nolength", true, {"main@0", "main@0"}, -1, false, kName, nullptr},
    {"Content-Length against Content-Range", 50000, 1, -1, "", "length=777", false, {"main@0"}, -1, true, kName, nullptr},
    {"server answers with shorter ranges", 50000, 1, -1, "", "cap=15000", true,
     {"main@0", "main@0", "main@15000", "main@30000", "main@45000"}, -1, false, kName, nullptr},
    {"chunked transfer coding", 50000, 1, -1, "", "nolength;header=Transfer-Encoding:chunked", false, {"main@0"}, -1,
     true, kName, nullptr},
    {"part file longer than its range", 50000, 1, 50010, "", "", true, {"main@0", "main@0"}, -1, false, kName,
     nullptr},
    {"header over 1 KB", 50000, 1, -1, "", "bigheader=3000", true, {"main@0", "main@0"}, -1, false, kName, nullptr},
    // An empty file answers the probe's range with 416 "bytes */0", or with 200 and a length of 0:
    // either way it is complete at once, whatever the number of ranges, and a stale part goes.
    {"empty file", 0, 1, -1, "", "", true, {"main@0"}, -1, false, kName, nullptr},
    {"empty file, four ranges, stale part", 0, 4, 10, "", "", true, {"main@0"}, -1, false, kName, nullptr},
    {"empty file without ranges", 0, 1, -1, "", "norange", true, {"main@0"}, -1, false, kName, nullptr},
    {"name with a blank and non-ASCII", 50000, 1, -1, "", "", true, {"main@0", "main@0"}, -1, false,
     "a b \xE4\xBD\xA0\xE5\xA5\xBD.mp3", "a b.mp3"},
};

void PrintTo(const ServerCase& c, std::ostream* os) { *os << c.label; }

class DownloadServer : public ::testing::TestWithParam<ServerCase> {};

std::wstring PartPath(const std::wstring& target, int index) { return target + L"_" + std::to_wstring(index); }

// The name as a request line must carry it: blanks and bytes outside ASCII as %XX.
std::string PercentEncoded(const std::string& name) {
    std::string out;
    char hex[4];
    for (unsigned char c : name) {
        if (c <= 0x20 || c >= 0x7F) {
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string RawRequests(const std::string& name) {
    std::string all;
    for (const std::string& request : dltest::RequestsFor(name)) all += request + "----\n";
    return all;
}

// One download through the code-page entry point, as the player's callers make it.
bool Download(const std::string& utf8Url, const std::wstring& target, int threads, int& fileSize,
              int& downloaded) {
    CHttpDownload download;
    int reserved = 0;
    fileSize = 0;
    bool ok = download.HttpDownload(dltest::ToAnsi(utf8Url).c_str(), dltest::ToAnsi(testfiles::Narrow(target)).c_str(),
                                    reserved, fileSize, "", 0, threads);
    download.GetDownloadedBytes(downloaded);
    return ok;
}

TEST_P(DownloadServer, RequestsAndResult) {
    const ServerCase& c = GetParam();
    standin::Reset();
    const std::string source = dltest::MakeBytes(c.size, static_cast<unsigned>(c.size));
    const std::string url = dltest::PutSource(c.name, source);
    dltest::PlanRequests(c.name, c.plan, c.then);
    const std::wstring target = testfiles::FreshDir(L"dl") + L"\\" + Widen(c.targetName ? c.targetName : c.name);
    if (c.partBefore >= 0) {
        std::string part = source.substr(0, c.partBefore);
        part.resize(static_cast<size_t>(c.partBefore), 'x');  // longer than the file: stale bytes
        ASSERT_TRUE(testfiles::WriteAll(PartPath(target, 0), part));
    }

    int fileSize = 0;
    int downloaded = 0;
    ::testing::internal::CaptureStdout();
    const bool ok = Download(url, target, c.threads, fileSize, downloaded);
    const std::string said = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(ok, c.ok);
    // Only a range that was complete before any request says so on the standard output.
    EXPECT_EQ(said.find(dltest::ToAnsi(kRangeWasComplete)) != std::string::npos, c.partBefore == c.size) << said;

    for (const std::string& request : dltest::RequestsFor(c.name)) {
        std::string line = request.substr(0, request.find("\r\n"));
        std::string path = line.substr(0, line.find("/dl/")).find("GET http://") == 0 ? line.substr(line.find("/dl/")) : line;
        EXPECT_EQ(path, "/dl/" + PercentEncoded(c.name) + " HTTP/1.1") << line;
    }
    std::vector<std::string> requests = dltest::RequestSummary(c.name);
    std::sort(requests.begin(), requests.end());
    EXPECT_EQ(requests, c.requests) << RawRequests(c.name);
    if (c.ok) {
        EXPECT_TRUE(ReadAll(target) == source) << "target differs from the source";
        EXPECT_EQ(fileSize, c.size);
        EXPECT_EQ(downloaded, c.size);
        for (int i = 0; i < c.threads; ++i) EXPECT_FALSE(Exists(PartPath(target, i))) << "part " << i;
        EXPECT_FALSE(Exists(target + L"_join"));
        return;
    }
    EXPECT_FALSE(Exists(target));
    if (c.partAfter < 0) {
        EXPECT_FALSE(Exists(PartPath(target, 0)));
    } else {
        EXPECT_TRUE(ReadAll(PartPath(target, 0)) == source.substr(0, c.partAfter)) << "part 0 is not the file's head";
    }
    if (!c.retry) return;
    dltest::PlanRequests(c.name, "", "");
    EXPECT_TRUE(Download(url, target, c.threads, fileSize, downloaded));
    EXPECT_TRUE(ReadAll(target) == source) << "target differs from the source after the retry";
    EXPECT_FALSE(Exists(PartPath(target, 0)));
}

std::string CaseName(const ::testing::TestParamInfo<ServerCase>& info) {
    std::string name;
    for (const char* p = info.param.label; *p; ++p) name += isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Behaviours, DownloadServer, ::testing::ValuesIn(kCases), CaseName);

// A Location that is no absolute URL names a place relative to the URL that was asked for.
TEST(DownloadServerRedirect, RelativeLocationsResolveAgainstTheRequest) {
    const std::string name = "rel.bin";
    const std::string alt = "localhost:" + std::to_string(standin::AltPort());
    const std::string main = standin::BaseUrl() + "/dl/";
    const struct {
        const char* label;
        std::string location;
        std::string lands;  // the URL asked for after the redirect
    } cases[] = {
        {"path whose query holds a URL", "/dl/rel.bin?u=http://x/y", main + "rel.bin?u=http://x/y"},
        {"another host, same scheme", "//" + alt + "/dl/rel.bin", "http://" + alt + "/dl/rel.bin"},
        {"query only", "?q=1", main + "rel.bin?q=1"},
        {"name beside the file", "rel.bin?n=2", main + "rel.bin?n=2"},
    };
    const std::string source = dltest::MakeBytes(5000, 21);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        standin::Reset();
        const std::string url = dltest::PutSource(name, source) + "?first";
        // The probe and the range request are both redirected.
        dltest::PlanRequests(name, "redirect=" + c.location + "||redirect=" + c.location + "|");
        const std::wstring target = testfiles::FreshDir(L"dlrel") + L"\\rel.bin";
        int fileSize = 0;
        int downloaded = 0;
        EXPECT_TRUE(Download(url, target, 1, fileSize, downloaded));
        EXPECT_TRUE(ReadAll(target) == source);
        const std::vector<std::string> requests = dltest::RequestsFor(name);
        ASSERT_EQ(requests.size(), 4u) << RawRequests(name);
        for (size_t i = 1; i < requests.size(); i += 2)
            EXPECT_EQ(requests[i].substr(0, requests[i].find("\r\n")), "GET " + c.lands + " HTTP/1.1");
    }
}

// The file is whole when the last range ends ("<target>_join", written as the ranges arrive);
// when that file cannot be made (a folder holds its name), the parts are appended to the first
// instead. Either way, when the target cannot be taken (a folder holds its name too), every part
// must still hold exactly its range, so that the next attempt only joins.
TEST(DownloadServerJoin, FailedJoinLeavesEveryPartResumable) {
    const std::string name = "join.bin";
    const std::string source = dltest::MakeBytes(100003, 5);
    for (bool wholeFileBlocked : {false, true}) {
        SCOPED_TRACE(wholeFileBlocked ? "parts appended to the first" : "file written as the ranges arrive");
        standin::Reset();
        const std::string url = dltest::PutSource(name, source);
        const std::wstring target = testfiles::FreshDir(L"dljoin") + L"\\join.bin";
        if (wholeFileBlocked) {
            ASSERT_TRUE(CreateDirectoryW((target + L"_join").c_str(), nullptr));
        }
        ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
        int fileSize = 0;
        int downloaded = 0;
        EXPECT_FALSE(Download(url, target, 4, fileSize, downloaded));
        const int length = 100003 / 4;
        for (int i = 0; i < 4; ++i) {
            const size_t begin = static_cast<size_t>(i * length);
            const size_t size = i == 3 ? source.size() - begin : static_cast<size_t>(length);
            EXPECT_TRUE(ReadAll(PartPath(target, i)) == source.substr(begin, size)) << "part " << i;
        }
        EXPECT_EQ(Exists(target + L"_join"), wholeFileBlocked);  // only the blocking folder is left

        ASSERT_TRUE(RemoveDirectoryW(target.c_str()));
        standin::Reset();
        dltest::PutSource(name, source);
        EXPECT_TRUE(Download(url, target, 4, fileSize, downloaded));
        EXPECT_TRUE(ReadAll(target) == source);
        EXPECT_EQ(dltest::RequestSummary(name), std::vector<std::string>{"main@0"});  // the probe alone
        for (int i = 0; i < 4; ++i) EXPECT_FALSE(Exists(PartPath(target, i))) << "part " << i;
    }
}

// Several ranges resumed at once: what each part held goes into the file beside what arrives.
TEST(DownloadServerJoin, EveryRangeResumesFromItsPart) {
    standin::Reset();
    const std::string name = "resume4.bin";
    const std::string source = dltest::MakeBytes(200000, 9);
    const std::string url = dltest::PutSource(name, source);
    const std::wstring target = testfiles::FreshDir(L"dlresume") + L"\\resume4.bin";
    const int held[] = {1000, 0, 50000, 20000};  // the third part is whole
    for (int i = 0; i < 4; ++i) {
        if (held[i] > 0) {
            ASSERT_TRUE(testfiles::WriteAll(PartPath(target, i), source.substr(i * 50000, held[i])));
        }
    }
    int fileSize = 0;
    int downloaded = 0;
    EXPECT_TRUE(Download(url, target, 4, fileSize, downloaded));
    EXPECT_TRUE(ReadAll(target) == source);
    std::vector<std::string> requests = dltest::RequestSummary(name);
    std::sort(requests.begin(), requests.end());
    EXPECT_EQ(requests, (std::vector<std::string>{"main@0", "main@1000", "main@170000", "main@50000"}));
    EXPECT_EQ(downloaded, 200000);
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(Exists(PartPath(target, i))) << "part " << i;
    EXPECT_FALSE(Exists(target + L"_join"));
}

TEST(DownloadServerName, NonAsciiTargetKeepsItsName) {
    standin::Reset();
    const std::string name = "a b \xE4\xBD\xA0.mp3";
    const std::string source = dltest::MakeBytes(3000, 7);
    const std::string url = dltest::PutSource(name, source);
    const std::wstring folder = testfiles::FreshDir(L"dl");
    const std::wstring target = folder + L"\\" + Widen(name);
    if (!dltest::FileSystemTakesName(folder, Widen(name))) GTEST_SKIP() << "the file system here takes no such name";
    int fileSize = 0;
    int downloaded = 0;
    ASSERT_TRUE(Download(url, target, 1, fileSize, downloaded));
    EXPECT_TRUE(ReadAll(target) == source);
}

}  // namespace
