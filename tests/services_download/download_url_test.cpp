// URL splitting, the request-line form of URL texts, and reply header parsing.
#include <windows.h>

#include <gtest/gtest.h>

#include "download_test_support.h"
#include "http_download_get.h"
#include "http_download_url.h"

namespace {

struct SplitCase {
    const char* url;
    bool ok;
    const char* host;
    int port;
    const char* directory;
    const char* file;
};

const SplitCase kSplitCases[] = {
    {"http://music.example/a/b/t.mp3", true, "music.example", 80, "http://music.example/a/b/", "t.mp3"},
    {"  http://h:8080/t.mp3 \t", true, "h", 8080, "http://h:8080/", "t.mp3"},
    {"HTTP://h/d/t.mp3", true, "h", 80, "HTTP://h/d/", "t.mp3"},
    {"http://h/d/get?id=1/2&x=y", true, "h", 80, "http://h/d/", "get?id=1/2&x=y"},
    {"http://h", true, "h", 80, "http://h/", ""},
    {"http://h:81?id=1/2", true, "h", 81, "http://h:81/", "?id=1/2"},
    {"h/d/get?u=http://x/y", true, "h", 80, "http://h/d/", "get?u=http://x/y"},
    {"https://h/t.mp3", false, "", 0, "", ""},
    {"http:///t.mp3", false, "", 0, "", ""},
    {"http://h:/t.mp3", false, "", 0, "", ""},
    {"http://h:0/t.mp3", false, "", 0, "", ""},
    {"http://h:65536/t.mp3", false, "", 0, "", ""},
    {"http://h:8o/t.mp3", false, "", 0, "", ""},
};

TEST(DownloadUrl, SplitsHostPortDirectoryAndFile) {
    for (const SplitCase& c : kSplitCases) {
        SCOPED_TRACE(c.url);
        std::string host, directory, file;
        int port = -1;
        ASSERT_EQ(SplitHttpUrl(c.url, host, port, directory, file), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(host, c.host);
        EXPECT_EQ(port, c.port);
        EXPECT_EQ(directory, c.directory);
        EXPECT_EQ(file, c.file);
    }
}

TEST(DownloadUrl, AnsiTextBecomesStandardUtf8) {
    // The test programs run with the Chinese code page: "你" is C4 E3 there.
    ASSERT_EQ(GetACP(), 936u);
    std::string out;
    const char ansi[] = "A\xC4\xE3 b";
    AnsiToUtf8(out, ansi, 5);
    EXPECT_EQ(out, "A\xE4\xBD\xA0 b");  // ASCII stays one byte each
}

TEST(DownloadUrl, PercentEncodesWhatARequestLineCannotCarry) {
    EXPECT_EQ(PercentEncodeUrlText("http://h/d/a b\xE4\xBD\xA0\xC3\x9F.mp3"), "http://h/d/a%20b%E4%BD%A0%C3%9F.mp3");
    EXPECT_EQ(PercentEncodeUrlText("get?id=%41&x=1#2"), "get?id=%41&x=1%232");
}

struct HeadCase {
    const char* label;
    const char* head;
    bool ok;
    int status;
    long long contentLength;
    long long rangeFirst;
    long long rangeTotal;
};

const HeadCase kHeadCases[] = {
    {"partial", "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 10-19/14040\r\nContent-Length: 10\r\n\r\n",
     true, 206, 10, 10, 14040},
    {"names in any case", "HTTP/1.0 200 OK\r\ncontent-length: 14040\r\n\r\n", true, 200, 14040, 0, -1},
    {"unknown total", "HTTP/1.1 206 X\r\nContent-Range: bytes 0-9/*\r\n\r\n", true, 206, -1, 0, -1},
    {"conflicting lengths", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\nContent-Length: 11\r\n\r\n", false, 0, 0, 0, 0},
    {"length not a number", "HTTP/1.1 200 OK\r\nContent-Length: 1e3\r\n\r\n", false, 0, 0, 0, 0},
    {"range backwards", "HTTP/1.1 206 X\r\nContent-Range: bytes 9-3/10\r\n\r\n", false, 0, 0, 0, 0},
    {"not HTTP", "ICY 200 OK\r\n\r\n", false, 0, 0, 0, 0},
    {"no status", "HTTP/1.1\r\n\r\n", false, 0, 0, 0, 0},
};

TEST(DownloadUrl, ParsesReplyHeads) {
    for (const HeadCase& c : kHeadCases) {
        SCOPED_TRACE(c.label);
        HttpReplyHead head;
        ASSERT_EQ(ParseHttpReplyHead(c.head, head), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(head.status, c.status);
        EXPECT_EQ(head.contentLength, c.contentLength);
        if (c.status == 206) {
            EXPECT_EQ(head.rangeFirst, c.rangeFirst);
            EXPECT_EQ(head.rangeTotal, c.rangeTotal);
        }
    }
}

}  // namespace
