// Fetch into memory and download to file, against the stand-in (and the fake server where the
// exact bytes matter).
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "fake_server.h"
#include "http_fetch.h"
#include "loopback.h"
#include "standin_client.h"
#include "test_files.h"

namespace {

std::string Pattern(size_t size) {
    std::string bytes;
    for (size_t i = 0; i < size; ++i) bytes += static_cast<char>('A' + i % 23);
    return bytes;
}

std::wstring WideUrl(const std::string& url) { return testfiles::Widen(url); }

struct FetchCase {
    const char* behaviour;  // the stand-in's _b query, empty for none
    bool ok;
    const char* body;       // expected body when ok
};

TEST(HttpFetchToMemory, ReturnsTheWholeBodyOrFails) {
    standin::Reset();
    standin::PutFile("page.txt", "hello world");
    const FetchCase cases[] = {
        {"", true, "hello world"},
        {"nolength", true, "hello world"},        // the body ends with the connection
        {"length=5", true, "hello"},              // never more than announced
        {"cut=4", false, nullptr},                // ended before its length
        {"length=4294967295", false, nullptr},    // beyond any sensible allocation
        {"header=Content-Encoding:gzip", true, "hello world"},
        {"bigheader=3000", true, "hello world"},  // a long header is not body
    };
    for (const FetchCase& c : cases) {
        std::string url = standin::BaseUrl() + "/files/page.txt";
        if (*c.behaviour) url += std::string("?_b=") + standin::Escape(c.behaviour);
        auto post = std::make_shared<HttpPost>();
        char* body = nullptr;
        EXPECT_EQ(post->FetchToMemory(url, body), c.ok) << c.behaviour;
        if (c.ok) {
            ASSERT_NE(body, nullptr) << c.behaviour;
            size_t n = std::strlen(c.body);
            EXPECT_EQ(std::string(body, n), c.body) << c.behaviour;
            EXPECT_EQ(body[n], '\0');
            EXPECT_EQ(body[n + 1], '\0');
        } else {
            EXPECT_EQ(body, nullptr) << c.behaviour;
        }
        delete[] body;
        EXPECT_FALSE(post->IsConnected());
    }
    // Compression is never offered, since bodies are not decoded.
    for (const std::string& request : standin::RequestsMatching("/files/page.txt"))
        EXPECT_EQ(request.find("Accept-Encoding"), std::string::npos) << request;
}

TEST(HttpFetchToMemory, ErrorPagesAreReturnedAsBody) {
    standin::Reset();
    HttpPost post;
    char* body = nullptr;
    ASSERT_TRUE(post.FetchToMemory(standin::BaseUrl() + "/files/missing", body));
    ASSERT_NE(body, nullptr);
    EXPECT_NE(std::string(body).find("404"), std::string::npos);
    delete[] body;
}

TEST(HttpFetchToMemory, EmptyBodyIsTwoZeroBytes) {
    standin::Reset();
    standin::PutFile("empty", "");
    HttpPost post;
    char* body = nullptr;
    ASSERT_TRUE(post.FetchToMemory(standin::BaseUrl() + "/files/empty", body));
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body[0], '\0');
    EXPECT_EQ(body[1], '\0');
    delete[] body;
}

TEST(HttpFetchToMemory, GivenBufferGetsAtMostOneBlock) {
    standin::Reset();
    const std::string data = Pattern(3000);
    standin::PutFile("big.bin", data);
    HttpPost post;
    std::string buffer(1100, 'Z');
    char* body = &buffer[0];
    EXPECT_TRUE(post.FetchToMemory(standin::BaseUrl() + "/files/big.bin", body));
    EXPECT_EQ(body, &buffer[0]);
    EXPECT_EQ(buffer.substr(0, 1024), data.substr(0, 1024));
    EXPECT_EQ(buffer.substr(1024), std::string(76, 'Z'));
}

TEST(HttpFetchToMemory, BytesPastTheAnnouncedLengthAreDropped) {
    FakeServer server("HTTP/1.1 200 OK\r\nContent-Length: 2000\r\n\r\n" + Pattern(3000), false);
    HttpPost post;
    char* body = nullptr;
    ASSERT_TRUE(post.FetchToMemory(server.Url("/x"), body));
    EXPECT_EQ(std::string(body), Pattern(2000));
    delete[] body;
}

TEST(HttpFetch, BodiesWithoutUsableLengthAreRefused) {
    const char* headers[] = {"Content-Length: -5", "Content-Length: 12abc",
                             "Content-Length: 99999999999999999999999",
                             "Transfer-Encoding: gzip, chunked"};  // a coding that is never undone
    for (const char* header : headers) {
        const std::string reply = std::string("HTTP/1.1 200 OK\r\n") + header + "\r\n\r\n5\r\nhello\r\n0\r\n\r\n";
        {
            FakeServer server(reply);
            HttpPost post;
            char* body = nullptr;
            EXPECT_FALSE(post.FetchToMemory(server.Url("/x"), body)) << header;
            EXPECT_EQ(body, nullptr) << header;
        }
        {
            FakeServer server(reply);
            std::wstring dir = testfiles::FreshDir(L"framing");
            MusicDown down;
            down.SetTargetFile(dir + L"\\f");
            EXPECT_FALSE(down.DownloadToFile(WideUrl(server.Url("/x")))) << header;
            EXPECT_FALSE(testfiles::Exists(dir + L"\\f")) << header;
            testfiles::RemoveTree(dir);
        }
    }
}

// Chunked bodies are decoded, in memory and into files alike; one cut short or garbled fails
// and leaves no file. The server holds the connection open after a whole reply, so that only
// the last chunk can end its body; it closes after one cut short.
TEST(HttpFetch, ChunkedBodiesAreDecoded) {
    const std::string big = Pattern(5000);
    struct ChunkCase {
        const char* name;
        std::string reply;
        bool ok;
        std::string body;
    };
    const ChunkCase cases[] = {
        {"one chunk", "Transfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n", true, "hello"},
        {"a length beside chunks is ignored",
         "Content-Length: 10\r\nTransfer-Encoding: Chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n", true, "hello"},
        {"sizes in either case, extensions and trailer fields",
         "Transfer-Encoding: chunked\r\n\r\n6;name=v\r\nhello \r\nA\r\n0123456789\r\n1388\r\n" + big +
             "\r\n0\r\nX-Sum: 1\r\n\r\n",
         true, "hello 0123456789" + big},
        {"empty body", "Transfer-Encoding: chunked\r\n\r\n0\r\n\r\n", true, ""},
        {"cut inside a chunk", "Transfer-Encoding: chunked\r\n\r\nA\r\nhello", false, ""},
        {"no last chunk", "Transfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n", false, ""},
        {"garbled size", "Transfer-Encoding: chunked\r\n\r\nzz\r\nhello\r\n0\r\n\r\n", false, ""},
        {"chunk longer than its size", "Transfer-Encoding: chunked\r\n\r\n3\r\nhello\r\n0\r\n\r\n", false, ""},
    };
    for (const ChunkCase& c : cases) {
        const std::string reply = "HTTP/1.1 200 OK\r\n" + c.reply;
        {
            FakeServer server(reply, !c.ok);
            HttpPost post;
            char* body = nullptr;
            EXPECT_EQ(post.FetchToMemory(server.Url("/x"), body), c.ok) << c.name;
            if (c.ok && body) {
                EXPECT_EQ(std::string(body, c.body.size() + 2), c.body + std::string(2, '\0')) << c.name;
            }
            if (!c.ok) {
                EXPECT_EQ(body, nullptr) << c.name;
            }
            delete[] body;
        }
        {
            FakeServer server(reply, !c.ok);
            std::wstring dir = testfiles::FreshDir(L"chunks");
            MusicDown down;
            down.SetTargetFile(dir + L"\\f");
            EXPECT_EQ(down.DownloadToFile(WideUrl(server.Url("/x"))), c.ok) << c.name;
            if (c.ok && !c.body.empty()) {
                EXPECT_EQ(testfiles::ReadAll(dir + L"\\f"), c.body) << c.name;
            } else {
                EXPECT_FALSE(testfiles::Exists(dir + L"\\f")) << c.name;
            }
            testfiles::RemoveTree(dir);
        }
    }
}

struct EndCase {
    std::string reply;  // the server's whole answer, then it closes
    bool ok;
    const char* body;   // expected body (memory) and file content (null: no file)
};

TEST(HttpFetch, BodiesEndedByTheServersCloseAndMissingAnswers) {
    const EndCase cases[] = {
        {"HTTP/1.0 200 OK\r\n\r\nabc", true, "abc"},
        {"HTTP/1.0 200 OK\r\n\r\n", true, nullptr},  // nothing came: no file
        {"", false, nullptr},                            // no answer at all is not an empty page
        {"HTTP/1.1 200 OK\r\nContent-Le", false, nullptr},  // the header never ended
    };
    for (const EndCase& c : cases) {
        {
            FakeServer server(c.reply);
            HttpPost post;
            char* body = nullptr;
            EXPECT_EQ(post.FetchToMemory(server.Url("/x"), body), c.ok) << c.reply.substr(0, 40);
            if (c.ok) {
                ASSERT_NE(body, nullptr) << c.reply.substr(0, 40);
                EXPECT_EQ(std::string(body), c.body ? c.body : "") << c.reply.substr(0, 40);
            } else {
                EXPECT_EQ(body, nullptr) << c.reply.substr(0, 40);
            }
            delete[] body;
        }
        {
            FakeServer server(c.reply);
            std::wstring dir = testfiles::FreshDir(L"ending");
            MusicDown down;
            down.SetTargetFile(dir + L"\\f");
            EXPECT_EQ(down.DownloadToFile(WideUrl(server.Url("/x"))), c.ok) << c.reply.substr(0, 40);
            if (c.body) {
                EXPECT_EQ(testfiles::ReadAll(dir + L"\\f"), c.body) << c.reply.substr(0, 40);
            } else {
                EXPECT_FALSE(testfiles::Exists(dir + L"\\f")) << c.reply.substr(0, 40);
            }
            testfiles::RemoveTree(dir);
        }
    }
}

class MusicDownTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        dir_ = testfiles::FreshDir(L"musicdown");
        // Data folders live under the user's name, often not ASCII.
        target_ = dir_ + L"\\\x7528\x6237 \x97F3\x4E50\\reply file";
        CreateDirectoryW(target_.substr(0, target_.rfind(L'\\')).c_str(), nullptr);
    }
    void TearDown() override { testfiles::RemoveTree(dir_); }

    bool Download(const std::string& path) {
        down_.SetTargetFile(target_);
        return down_.DownloadToFile(WideUrl(standin::BaseUrl() + path), 1024000);
    }

    std::wstring dir_, target_;
    MusicDown down_;
};

TEST_F(MusicDownTest, WritesExactlyTheBody) {
    const std::string data = Pattern(5000);
    standin::PutFile("r.xml", data);
    // An older, longer file is not left with its tail.
    testfiles::WriteAll(target_, std::string(9000, 'o'));
    EXPECT_TRUE(Download("/files/r.xml"));
    EXPECT_EQ(testfiles::ReadAll(target_), data);
    EXPECT_EQ(down_.GetContentLength(), 5000u);
    EXPECT_FALSE(down_.IsConnected());
}

struct DownloadCase {
    const char* behaviour;
    bool ok;
    const char* file;  // expected file content, null: no file
};

TEST_F(MusicDownTest, OutcomesByReply) {
    standin::PutFile("r.txt", "0123456789");
    const DownloadCase cases[] = {
        {"nolength", true, "0123456789"},
        {"length=4", true, "0123"},                               // the block past the length is not written
        {"cut=4", false, nullptr},                                // short body: no partial file
        {"stall=4", false, nullptr},                              // a body that stops coming
        {"delay=1500", true, "0123456789"},                       // a slow answer still counts
        {"status=404", false, nullptr},
        {"status=500", false, nullptr},
        {"status=300", false, nullptr},                           // a 3xx without Location
        {"length=4294967295", false, nullptr},
        {"header=Content-Location:/elsewhere", true, "0123456789"},  // not a redirect
        {"bigheader=3000", true, "0123456789"},
    };
    for (const DownloadCase& c : cases) {
        DeleteFileW(target_.c_str());
        std::string path = std::string("/files/r.txt?_b=") + standin::Escape(c.behaviour);
        EXPECT_EQ(Download(path), c.ok) << c.behaviour;
        if (c.file) {
            EXPECT_EQ(testfiles::ReadAll(target_), c.file) << c.behaviour;
        } else {
            EXPECT_FALSE(testfiles::Exists(target_)) << c.behaviour;
        }
    }
}

TEST_F(MusicDownTest, RefusedConnectionWritesNoFile) {
    down_.SetTargetFile(target_);
    EXPECT_FALSE(down_.DownloadToFile(L"http://127.0.0.1:" + std::to_wstring(loopback::ClosedPort()) + L"/reply", 1024000));
    EXPECT_FALSE(testfiles::Exists(target_));
}

TEST_F(MusicDownTest, EmptyBodyWritesNoFile) {
    standin::PutFile("empty", "");
    EXPECT_TRUE(Download("/files/empty"));
    EXPECT_FALSE(testfiles::Exists(target_));
    EXPECT_EQ(down_.GetContentLength(), 0u);
}

TEST_F(MusicDownTest, RedirectIsReportedNotFollowed) {
    standin::PutFile("r.txt", "data");
    const char* codes[] = {"302", "301"};
    for (const char* code : codes) {
        standin::Reset();
        standin::PutFile("r.txt", "data");
        EXPECT_TRUE(Download(std::string("/files/r.txt?_b=") +
                             standin::Escape(std::string("redirect=http://elsewhere.example/y?z=1;code=") + code)))
            << code;
        EXPECT_EQ(down_.GetRedirectLocation(), "http://elsewhere.example/y?z=1") << code;
        EXPECT_FALSE(testfiles::Exists(target_)) << code;
        EXPECT_EQ(standin::RequestsMatching("/files/r.txt").size(), 1u) << code;
    }
}

TEST_F(MusicDownTest, LongRedirectLocationsAreKeptWholeOrRefused) {
    // Locations far longer than any fixed field buffer, but inside the header's capacity.
    std::string location = "http://elsewhere.example/" + std::string(900, 'L');
    for (int round = 0; round < 2; ++round) {
        FakeServer server("HTTP/1.1 302 Found\r\nLocation: " + location + "\r\nContent-Length: 0\r\n\r\n");
        MusicDown down;
        down.SetTargetFile(target_);
        EXPECT_TRUE(down.DownloadToFile(WideUrl(server.Url("/x")))) << location.size();
        EXPECT_EQ(down.GetRedirectLocation(), location);
        location += std::string(3000, 'M');
    }
    // Beyond the capacity the header is refused, never cut: the redirect then fails.
    location += std::string(CHttpSocket::kHeaderCapacity, 'N');
    {
        FakeServer server("HTTP/1.1 302 Found\r\nLocation: " + location + "\r\nContent-Length: 0\r\n\r\n");
        MusicDown down;
        down.SetTargetFile(target_);
        EXPECT_FALSE(down.DownloadToFile(WideUrl(server.Url("/x"))));
        EXPECT_EQ(down.GetRedirectLocation(), "");
    }
    EXPECT_FALSE(testfiles::Exists(target_));
}

TEST_F(MusicDownTest, SendsItsOwnPlainRequest) {
    FakeServer server("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc");
    down_.SetTargetFile(target_);
    EXPECT_TRUE(down_.DownloadToFile(WideUrl(server.Url("/Rest/Call?A=1&b=\xE4\xB8\xAD"))));
    // The path goes out in the ANSI code page (936 here).
    EXPECT_EQ(server.Request(),
              "GET /Rest/Call?A=1&b=\xD6\xD0 HTTP/1.1\r\nAccept: \r\nUser-Agent: \r\nHost: 127.0.0.1\r\n"
              "Connection: Keep-Alive\r\n\r\n");
    EXPECT_EQ(testfiles::ReadAll(target_), "abc");
}

TEST_F(MusicDownTest, NoServerNoFile) {
    down_.SetTargetFile(target_);
    EXPECT_FALSE(down_.DownloadToFile(L"http://127.0.0.1:1/x"));
    EXPECT_FALSE(down_.DownloadToFile(L"http://:80/x"));
    EXPECT_FALSE(testfiles::Exists(target_));
}

TEST(TargetFile, NewFileIsSizedAndWrittenInPlaceExistingFileIsKept) {
    std::wstring dir = testfiles::FreshDir(L"target");
    std::wstring path = dir + L"\\t.bin";
    {
        CTargetFile file;
        file.SetFile(path, 10);
        unsigned long count = 3;
        EXPECT_TRUE(file.WriteAt("xyz", count, 4));
        EXPECT_EQ(count, 3u);
    }
    EXPECT_EQ(testfiles::ReadAll(path), std::string("\0\0\0\0xyz\0\0\0", 10));
    {
        CTargetFile file;
        file.SetFile(path, 2);
        unsigned long count = 2;
        EXPECT_TRUE(file.WriteAt("AB", count, 0));
    }
    EXPECT_EQ(testfiles::ReadAll(path), std::string("AB\0\0xyz\0\0\0", 10));
    CTargetFile bad;
    bad.SetFile(dir + L"\\missing\\t.bin", 0);
    unsigned long count = 1;
    EXPECT_FALSE(bad.WriteAt("a", count, 0));
    EXPECT_EQ(count, 0u);
    testfiles::RemoveTree(dir);
}

}  // namespace
