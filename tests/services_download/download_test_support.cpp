#include "download_test_support.h"

#include <windows.h>

#include "standin_client.h"
#include "test_files.h"

namespace dltest {

std::string MakeBytes(int size, unsigned seed) {
    std::string bytes(static_cast<size_t>(size), '\0');
    unsigned state = seed * 2654435761u + 1;
    for (char& c : bytes) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

std::string PutSource(const std::string& name, const std::string& bytes) {
    standin::PutFile(standin::Escape(name), bytes);
    return standin::BaseUrl() + "/dl/" + name;
}

void PlanRequests(const std::string& name, const std::string& plan, const std::string& then) {
    standin::Control("dlplan", "name=" + standin::Escape(name) + "&plan=" + standin::Escape(plan) +
                                   "&then=" + standin::Escape(then));
}

std::vector<std::string> RequestsFor(const std::string& name) {
    return standin::RequestsMatching("/dl/" + standin::Escape(name));
}

namespace {

// The log keeps header lines as the stand-in parsed them (ended by LF or CR LF).
std::string FieldValue(const std::string& request, const std::string& field) {
    size_t at = request.find("\n" + field + ": ");
    if (at == std::string::npos) return std::string();
    at += field.size() + 3;
    return request.substr(at, request.find_first_of("\r\n", at) - at);
}

}  // namespace

std::vector<std::string> RequestSummary(const std::string& name) {
    std::vector<std::string> out;
    for (const std::string& request : RequestsFor(name)) {
        std::string host = FieldValue(request, "Host");
        std::string where = host.find(":" + std::to_string(standin::AltPort())) != std::string::npos ? "alt" : "main";
        std::string range = FieldValue(request, "Range");
        std::string start = range.compare(0, 6, "bytes=") == 0 ? range.substr(6, range.find('-') - 6) : "none";
        out.push_back(where + "@" + start);
    }
    return out;
}

bool FileSystemTakesName(const std::wstring& folder, const std::wstring& name) {
    const std::wstring probe = folder + L"\\" + name + L".probe";
    bool ok = testfiles::WriteAll(probe, "x") && testfiles::ReadAll(probe) == "x";
    DeleteFileW(probe.c_str());
    return ok;
}

std::string ToAnsi(const std::string& utf8) { return testfiles::ToAnsi(testfiles::Widen(utf8)); }

}  // namespace dltest
