// Shared helpers of the downloader tests: source files on the stand-in, download plans, and a
// summary of the requests the stand-in saw.
#pragma once

#include <string>
#include <vector>

namespace dltest {

// Deterministic bytes, different for each seed.
std::string MakeBytes(int size, unsigned seed);

// Serves bytes as /dl/<name> (name in UTF-8) and returns its URL.
std::string PutSource(const std::string& name, const std::string& bytes);

// Plans the behaviours of successive requests for /dl/<name> ('|' between requests) and of every
// request after them.
void PlanRequests(const std::string& name, const std::string& plan, const std::string& then = "");

// "main@<range start>" or "alt@<range start>" for each request for /dl/<name>, in arrival order.
std::vector<std::string> RequestSummary(const std::string& name);

// The raw request texts for /dl/<name>.
std::vector<std::string> RequestsFor(const std::string& name);

// Whether files with this name can be made in the folder. Under Wine, names outside ASCII need
// the Unix locale that the programs run in to exist on the machine.
bool FileSystemTakesName(const std::wstring& folder, const std::wstring& name);

// UTF-8 to the ANSI code page.
std::string ToAnsi(const std::string& utf8);

}  // namespace dltest
