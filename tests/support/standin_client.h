// Test-side control of the local stand-in service (tools/standin). It uses its own tiny HTTP/1.0
// client on WinSock so that tests of the product's HTTP code do not depend on that code.
#pragma once

#include <string>
#include <vector>

namespace standin {

int Port();                  // the stand-in's main port
int AltPort();               // its second port (another "host" for redirects)
std::string BaseUrl();       // "http://127.0.0.1:<port>"
std::string AltBaseUrl();    // "http://localhost:<alt port>"

struct Reply {
    int status = 0;          // 0 when the stand-in could not be reached
    std::string header;      // status line and header fields, raw
    std::string body;
};

// One request to the stand-in (any path, also the product's endpoints).
Reply Request(const std::string& method, const std::string& path, const std::string& body = "");

// Clears the request log, the uploaded files, the behaviours and the test catalogue.
void Reset();

// Raw text (request line and header fields) of every request logged since the last Reset,
// control requests excluded, in arrival order.
std::vector<std::string> Requests();

// The request log entries whose request line contains the given text.
std::vector<std::string> RequestsMatching(const std::string& text);

// Serves bytes at /files/<name> (ranges, behaviours and all).
void PutFile(const std::string& name, const std::string& bytes);

// Sets stand-in state through /_ctl/<what>?<query>; returns the reply body. Routes that
// tests can drive say which controls they offer (see tools/standin/routes/).
std::string Control(const std::string& what, const std::string& query = "");

// Percent-encodes a value for a control query.
std::string Escape(const std::string& value);

}  // namespace standin
