#include "servers.h"

#include "text_file.h"
#include "win_controls.h"

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f'; }

std::wstring Trim(const std::wstring& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

}  // namespace

bool ParseServerLine(const std::wstring& line, std::wstring& name, std::wstring& url) {
    std::wstring trimmed = Trim(line);
    size_t bar = trimmed.find(L'|');
    if (bar == std::wstring::npos || bar == 0) return false;
    std::wstring n = Trim(trimmed.substr(0, bar));
    std::wstring u = Trim(trimmed.substr(bar + 1));
    if (n.empty() || u.empty()) return false;
    name = n;
    url = u;
    return true;
}

CServers::~CServers() { Clear(); }

bool CServers::Add(CServer* server) {
    if (!server) return false;
    CSectionGuard guard(lock_);
    servers_.push_back(server);
    return true;
}

bool CServers::AddServer(const std::wstring& name, const std::wstring& url) {
    return Add(new CServer(name, url));
}

int CServers::AddFromFile(const std::wstring& path) {
    std::vector<std::string> lines;
    if (!ReadTextLines(path, lines)) return -1;
    int added = 0;
    for (const std::string& bytes : lines) {
        if (bytes.size() > kMaxServerLineBytes) continue;
        std::wstring name, url;
        if (ParseServerLine(AnsiToWide(bytes), name, url) && AddServer(name, url)) ++added;
    }
    return added;
}

void CServers::FillComboBox(CComboBox& combo) {
    CSectionGuard guard(lock_);
    for (CServer* server : servers_) {
        int index = combo.AddString(server->name);
        if (index < 0) continue;
        combo.SetItemDataPtr(index, server);
        combo.SetCurSel(index);
    }
}

void CServers::Clear() {
    CSectionGuard guard(lock_);
    while (!servers_.empty()) {
        delete servers_.front();
        servers_.pop_front();
    }
}

size_t CServers::GetCount() {
    CSectionGuard guard(lock_);
    return servers_.size();
}

const CServer* CServers::GetAt(size_t index) {
    CSectionGuard guard(lock_);
    for (CServer* server : servers_) {
        if (index-- == 0) return server;
    }
    return nullptr;
}
