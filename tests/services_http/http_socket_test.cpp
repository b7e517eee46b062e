// The socket client: request text, URL splitting, response header and fields, the simple GET.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fake_server.h"
#include "http_fetch.h"
#include "http_socket.h"
#include "loopback.h"

namespace {

const char kUa[] = "Mozilla/4.0 (compatible; MSIE 5.01; Windows NT 5.0; Vela Client)";
const char kAccept[] =
    "image/jpeg, application/x-ms-application, image/gif, application/xaml+xml, image/pjpeg, "
    "application/x-ms-xbap, */*";

struct FormatCase {
    const char* name;
    const char* path;
    const char* cookie;
    const char* referer;
    const char* userAgent;
    const char* accept;
    const char* encoding;
    const char* language;
    unsigned long from, to;
    const char* expected;
};

TEST(HttpFormatRequest, BuildsTheFieldsInOrder) {
    const FormatCase cases[] = {
        {"simple get", "/a/b?x=1", nullptr, nullptr, "UA", "*/*", nullptr, "zh-cn", 0, 0,
         "GET /a/b?x=1 HTTP/1.1\r\nAccept: */*\r\nAccept-Language: zh-cn\r\nUser-Agent: UA\r\n"
         "Host: HOST\r\nConnection: Keep-Alive\r\n\r\n"},
        {"every field and a closed range", "/p", "c=1", "http://r/", "UA", "A", "E", "L", 100, 200,
         "GET /p HTTP/1.1\r\nAccept: A\r\nReferer: http://r/\r\nAccept-Language: L\r\nUser-Agent: UA\r\n"
         "Accept-Encoding: E\r\nHost: HOST\r\nConnection: Keep-Alive\r\nCookie: c=1\r\n"
         "Range: bytes=100-200\r\n\r\n"},
        {"open range", "/p", nullptr, nullptr, "", nullptr, nullptr, nullptr, 100, 0,
         "GET /p HTTP/1.1\r\nUser-Agent: \r\nHost: HOST\r\nConnection: Keep-Alive\r\nRange: bytes=100-\r\n\r\n"},
        {"range end not after start", "/p", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 200, 100,
         "GET /p HTTP/1.1\r\nUser-Agent: \r\nHost: HOST\r\nConnection: Keep-Alive\r\nRange: bytes=200-\r\n\r\n"},
        {"range from zero is never sent", "/p", nullptr, nullptr, "U", nullptr, nullptr, nullptr, 0, 500,
         "GET /p HTTP/1.1\r\nUser-Agent: U\r\nHost: HOST\r\nConnection: Keep-Alive\r\n\r\n"},
        {"empty path asks for the root", "", nullptr, nullptr, "U", nullptr, nullptr, nullptr, 0, 0,
         "GET / HTTP/1.1\r\nUser-Agent: U\r\nHost: HOST\r\nConnection: Keep-Alive\r\n\r\n"},
        {"query without slash", "?q=1", nullptr, nullptr, "U", nullptr, nullptr, nullptr, 0, 0,
         "GET /?q=1 HTTP/1.1\r\nUser-Agent: U\r\nHost: HOST\r\nConnection: Keep-Alive\r\n\r\n"},
        {"empty accept is still sent", "/f", nullptr, nullptr, "", "", nullptr, nullptr, 0, 0,
         "GET /f HTTP/1.1\r\nAccept: \r\nUser-Agent: \r\nHost: HOST\r\nConnection: Keep-Alive\r\n\r\n"},
        {"largest range", "/f", nullptr, nullptr, "", nullptr, nullptr, nullptr, 4294967294ul, 4294967295ul,
         "GET /f HTTP/1.1\r\nUser-Agent: \r\nHost: HOST\r\nConnection: Keep-Alive\r\n"
         "Range: bytes=4294967294-4294967295\r\n\r\n"},
    };
    for (const FormatCase& c : cases) {
        CHttpSocket socket;
        int length = -1;
        const char* text = socket.FormatRequest("HOST", c.path, length, c.cookie, c.referer, c.userAgent, c.accept,
                                                c.encoding, c.language, c.from, c.to);
        ASSERT_NE(text, nullptr) << c.name;
        EXPECT_EQ(std::string(text), c.expected) << c.name;
        EXPECT_EQ(length, static_cast<int>(std::strlen(c.expected))) << c.name;
    }
}

TEST(HttpFormatRequest, LongPathIsKeptWhole) {
    CHttpSocket socket;
    std::string path = "/" + std::string(5000, 'p') + "?k=" + std::string(3000, 'v');
    int length = 0;
    const char* text = socket.FormatRequest("H", path.c_str(), length, nullptr, nullptr, "", nullptr, nullptr,
                                            nullptr, 0, 0);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text).substr(0, 4 + path.size() + 11), "GET " + path + " HTTP/1.1\r\n");
    EXPECT_EQ(length, static_cast<int>(std::strlen(text)));
}

TEST(HttpFormatRequest, LineBreaksInAnyTextAreRefused) {
    CHttpSocket socket;
    int length = 7;
    EXPECT_EQ(socket.FormatRequest("H", "/a\r\nX-Evil: 1", length, nullptr, nullptr, "", nullptr, nullptr, nullptr, 0,
                                   0),
              nullptr);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(socket.FormatRequest("H", "/a", length, nullptr, "r\n", "", nullptr, nullptr, nullptr, 0, 0), nullptr);
    EXPECT_EQ(socket.FormatRequest("H\r", "/a", length, nullptr, nullptr, "", nullptr, nullptr, nullptr, 0, 0),
              nullptr);
    // Nothing is left to send by mistake.
    EXPECT_FALSE(socket.SendRequest());
}

struct SplitCase {
    const char* url;
    bool ok;
    const char* scheme;
    const char* host;
    const char* path;
    unsigned short port;
};

TEST(HttpSplitUrl, NarrowUrlsAreUpperCasedExceptThePath) {
    const SplitCase cases[] = {
        {"http://host:8080/a/b?x=1", true, "HTTP", "HOST", "/a/b?x=1", 8080},
        {"http://Example.com", true, "HTTP", "EXAMPLE.COM", "", 80},
        {"http://Example.com/Mixed/Case.mp3", true, "HTTP", "EXAMPLE.COM", "/Mixed/Case.mp3", 80},
        {"www.x.cn/a", true, "HTTP", "WWW.X.CN", "/a", 80},
        {"host:81/p", true, "HOST", "81", "/p", 80},  // without a scheme, the text before ':' is one
        {"http://h?q=1", true, "HTTP", "H", "?q=1", 80},
        {"http://127.0.0.1:18100/files/a", true, "HTTP", "127.0.0.1", "/files/a", 18100},
        {"http://h:99999/", false, "HTTP", "", "", 80},
        {"http://h:/", false, "HTTP", "", "", 80},
        {"http:///x", false, "HTTP", "", "/x", 80},
    };
    for (const SplitCase& c : cases) {
        std::string scheme = "old", host = "old", path = "old";
        unsigned short port = 1;
        EXPECT_EQ(CHttpRequest::SplitUrl(std::string(c.url), scheme, host, path, port), c.ok) << c.url;
        if (!c.ok) continue;
        EXPECT_EQ(scheme, c.scheme) << c.url;
        EXPECT_EQ(host, c.host) << c.url;
        EXPECT_EQ(path, c.path) << c.url;
        EXPECT_EQ(port, c.port) << c.url;
    }
}

TEST(HttpSplitUrl, WideUrlsKeepTheirCase) {
    std::wstring scheme, host, path;
    unsigned short port = 0;
    ASSERT_TRUE(CHttpRequest::SplitUrl(std::wstring(L"http://Host.Example:8080/Path/\x4E2D?a=B"), scheme, host, path,
                                       port));
    EXPECT_EQ(scheme, L"http");
    EXPECT_EQ(host, L"Host.Example");
    EXPECT_EQ(path, L"/Path/\x4E2D?a=B");
    EXPECT_EQ(port, 8080);
}

// Connects a bare socket to the fake server and sends a request, reading the header.
void Exchange(CHttpSocket& socket, FakeServer& server) {
    ASSERT_TRUE(socket.Connect("127.0.0.1", server.Port()));
    socket.SetTimeout(5000, CHttpSocket::kReceiveTimeout);
    ASSERT_TRUE(socket.SendRequest("GET / HTTP/1.1\r\nHost: x\r\n\r\n"));
}

TEST(HttpResponseHeader, FieldsMatchWholeNamesAtLineStartsIgnoringCase) {
    FakeServer server(
        "HTTP/1.0 404 Not Found\r\nContent-Location: /elsewhere\r\ncontent-length:  12 \r\n"
        "X-Location: no\r\nSet: a:b\r\n\r\nbody follows");
    CHttpSocket socket;
    char value[64];
    EXPECT_EQ(socket.GetStatusCode(), -1);
    EXPECT_EQ(socket.GetHeaderValue("Content-Length", value, sizeof value), -1);
    EXPECT_FALSE(socket.HeaderComplete());
    Exchange(socket, server);

    EXPECT_TRUE(socket.HeaderComplete());
    EXPECT_EQ(socket.GetStatusCode(), 404);
    EXPECT_EQ(socket.GetHeaderValue("Location", value, sizeof value), -1);
    EXPECT_EQ(socket.GetHeaderValue("CONTENT-LENGTH", value, sizeof value), 2);
    EXPECT_STREQ(value, "12");
    EXPECT_EQ(socket.GetHeaderValue("content-location", value, sizeof value), 10);
    EXPECT_STREQ(value, "/elsewhere");
    EXPECT_EQ(socket.GetHeaderValue("Set", value, sizeof value), 3);
    EXPECT_STREQ(value, "a:b");
    EXPECT_EQ(socket.GetHeaderValue("Content-Location", value, 4), 3);  // cut to the buffer
    EXPECT_STREQ(value, "/el");
    unsigned long long length = 0;
    EXPECT_TRUE(socket.GetContentLengthField(length));
    EXPECT_EQ(length, 12u);

    int headerLength = 0;
    std::string header = socket.ReadResponseHeader(headerLength);
    EXPECT_EQ(headerLength, static_cast<int>(header.size()));
    EXPECT_EQ(header.substr(header.size() - 4), "\r\n\r\n");
    // The body is left for the body reads.
    char body[32] = {};
    EXPECT_EQ(socket.Receive(body, sizeof body - 1), 12);
    EXPECT_STREQ(body, "body follows");
    socket.Close();
    EXPECT_EQ(socket.GetStatusCode(), -1);
}

// A long cookie used to push the fields after it out of the kept header, so that a body's
// length was lost and the read waited for the time-out. The server holds the connection open.
TEST(HttpResponseHeader, EveryFieldOfALongHeaderIsKept) {
    const std::string cookie(3000, 'f');
    const std::string reply = "HTTP/1.1 200 OK\r\nSet-Cookie: " + cookie +
                              "\r\nContent-Length: 4\r\nLocation: /late\r\n\r\nBODY";
    {
        FakeServer server(reply, false);
        CHttpSocket socket;
        Exchange(socket, server);
        EXPECT_TRUE(socket.HeaderComplete());
        EXPECT_EQ(socket.GetStatusCode(), 200);
        std::string value;
        EXPECT_TRUE(socket.GetHeaderValue("Set-Cookie", value));
        EXPECT_EQ(value, cookie);
        EXPECT_TRUE(socket.GetHeaderValue("Location", value));
        EXPECT_EQ(value, "/late");
        unsigned long long length = 0;
        EXPECT_TRUE(socket.GetContentLengthField(length));
        EXPECT_EQ(length, 4u);
        char body[16] = {};
        EXPECT_EQ(socket.Receive(body, sizeof body - 1), 4);  // arrived with the header, not lost
        EXPECT_STREQ(body, "BODY");
    }
    {
        FakeServer server(reply, false);
        HttpPost post;
        char* body = nullptr;
        const DWORD start = GetTickCount();
        ASSERT_TRUE(post.FetchToMemory(server.Url("/x"), body));
        EXPECT_STREQ(body, "BODY");
        EXPECT_LT(GetTickCount() - start, 10000u);  // ended by the length, not by the time-out
        delete[] body;
    }
}

// The body's first bytes may share a packet with the header, or come in pieces after it.
TEST(HttpResponseHeader, BodyBytesThatCameWithTheHeaderComeFirst) {
    std::string body;
    for (int i = 0; i < 10000; ++i) body += static_cast<char>('a' + i % 26);
    FakeServer server("HTTP/1.1 200 OK\r\nContent-Length: 10000\r\n\r\n" + body);
    CHttpSocket socket;
    Exchange(socket, server);
    std::string got;
    char block[700];
    for (int n; (n = socket.Receive(block, sizeof block)) > 0;) got.append(block, static_cast<size_t>(n));
    EXPECT_EQ(got, body);
    EXPECT_FALSE(socket.IsConnected());
}

TEST(HttpResponseHeader, HeaderOfExactlyTheCapacityWithoutEndIsKeptWhole) {
    std::string reply = "HTTP/1.1 200 OK\r\nX: ";
    reply += std::string(CHttpSocket::kHeaderCapacity - reply.size(), 'y');
    FakeServer server(reply);
    CHttpSocket socket;
    Exchange(socket, server);
    int length = 0;
    const char* header = socket.ReadResponseHeader(length);
    EXPECT_EQ(length, CHttpSocket::kHeaderCapacity);
    EXPECT_EQ(std::strlen(header), static_cast<size_t>(CHttpSocket::kHeaderCapacity));
    EXPECT_FALSE(socket.HeaderComplete());
    char value[8];
    EXPECT_EQ(socket.GetHeaderValue("X", value, sizeof value), -1);  // the line never ended
}

TEST(HttpResponseHeader, HeaderWithoutEndEndsTheConnection) {
    FakeServer server("HTTP/1.1 200 OK\r\nX: " + std::string(CHttpSocket::kHeaderReadLimit, 'y') + "\r\n\r\nabc");
    CHttpSocket socket;
    Exchange(socket, server);
    EXPECT_FALSE(socket.HeaderComplete());
    EXPECT_FALSE(socket.IsConnected());  // nothing after it can be taken as body
    char body[8];
    EXPECT_EQ(socket.Receive(body, sizeof body), 0);
}

TEST(HttpResponseHeader, MalformedStatusLinesGiveZero) {
    const char* replies[] = {"HTTP/1.1 2x OK\r\n\r\n", "HTTP/1.1\r\n\r\n", "ICY 200 OK\r\n\r\n", ""};
    for (const char* reply : replies) {
        FakeServer server(reply);
        CHttpSocket socket;
        Exchange(socket, server);
        EXPECT_EQ(socket.GetStatusCode(), 0) << reply;
    }
}

TEST(HttpSocket, NotConnectedOperationsFail) {
    CHttpSocket socket;
    char buffer[4];
    EXPECT_FALSE(socket.SendRequest("GET / HTTP/1.1\r\n\r\n"));
    EXPECT_EQ(socket.Receive(buffer, sizeof buffer), 0);
    EXPECT_FALSE(socket.Connect(nullptr, 80));
    EXPECT_FALSE(socket.Connect("no-such-host.invalid", 80));
    EXPECT_TRUE(socket.Close());
}

TEST(HttpGet, SendsTheDefaultRequestWithoutCompression) {
    FakeServer server("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    CHttpRequest request;
    EXPECT_TRUE(request.Get(server.Url("/r?x=1")));
    EXPECT_EQ(server.Request(), std::string("GET /r?x=1 HTTP/1.1\r\nAccept: ") + kAccept +
                                    "\r\nAccept-Language: zh-cn\r\nUser-Agent: " + kUa +
                                    "\r\nHost: 127.0.0.1\r\nConnection: Keep-Alive\r\n\r\n");
    EXPECT_FALSE(request.IsConnected());
}

TEST(HttpGet, CopiesAtMostTheBufferAndNeverPastTheBody) {
    std::string body;
    for (int i = 0; i < 3000; ++i) body += static_cast<char>('a' + i % 26);
    {
        FakeServer server("HTTP/1.1 200 OK\r\nContent-Length: 3000\r\n\r\n" + body);
        CHttpRequest request;
        std::string buffer(1100, 'Z');
        EXPECT_TRUE(request.Get(server.Url("/big"), &buffer[0], 1024));
        EXPECT_EQ(buffer.substr(0, 1024), body.substr(0, 1024));
        EXPECT_EQ(buffer.substr(1024), std::string(76, 'Z'));
    }
    {
        // Bytes after the announced body are not body.
        FakeServer server("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA", false);
        CHttpRequest request;
        std::string buffer(20, 'Z');
        EXPECT_TRUE(request.Get(server.Url("/short"), &buffer[0], 20));
        EXPECT_EQ(buffer, "hello" + std::string(15, 'Z'));
    }
}

TEST(HttpGet, NoConnectionIsAFailure) {
    CHttpRequest request;
    char buffer[8] = {};
    EXPECT_FALSE(request.Get("http://127.0.0.1:" + std::to_string(loopback::ClosedPort()) + "/x", buffer));
    EXPECT_FALSE(request.Get("http://h:0/x"));
    EXPECT_FALSE(request.IsConnected());
}

}  // namespace
