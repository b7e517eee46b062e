// The update servers named by the server list: one "name|URL" line each.
#pragma once

#include <list>
#include <string>

#include "win_owners.h"

class CComboBox;

class CServer {
public:
    CServer(std::wstring name, std::wstring url) : name(std::move(name)), url(std::move(url)) {}
    virtual ~CServer() = default;

    std::wstring name;
    std::wstring url;  // the server's file list
};

// Reads one server-list line: trimmed, split at its first "|", both parts trimmed again and
// non-empty. False for any other line.
bool ParseServerLine(const std::wstring& line, std::wstring& name, std::wstring& url);

// A line longer than this (in the bytes of the file) is outside the format and skipped.
constexpr size_t kMaxServerLineBytes = 1023;

class CServers {
public:
    CServers() = default;
    ~CServers();
    CServers(const CServers&) = delete;
    CServers& operator=(const CServers&) = delete;

    bool Add(CServer* server);
    bool AddServer(const std::wstring& name, const std::wstring& url);
    // Adds every valid line of a server-list file (ANSI code page); returns the number added,
    // or -1 when the file cannot be read.
    int AddFromFile(const std::wstring& path);
    // One item per server, in list order, each selected as it is added.
    void FillComboBox(CComboBox& combo);
    void Clear();
    size_t GetCount();
    const CServer* GetAt(size_t index);

private:
    std::list<CServer*> servers_;
    CSectionLock lock_;
};
