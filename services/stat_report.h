// Usage statistics and share reports: plain HTTP GET requests to the statistics host whose
// answers are ignored, and the heartbeat thread that repeats the statistics report.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

// The heartbeat's report and its stop flag. The main window fills the six strings, clears the
// stop flag, calls InitLock and starts StatHeartbeatThread with the record as its argument;
// RequestStop ends the thread at once, also while a report waits for a host that does not
// answer, so its owner can wait for it. The thread deletes the lock when it ends.
struct StatReportInfo {
    std::string TypeID;
    std::string ModId;
    std::string OperationID;
    std::string MacAddress;
    std::string UserName;
    std::string ChannelNo;
    std::atomic<bool> StopFlag{false};
    CRITICAL_SECTION Lock;               // guards the six strings while a report's address is made
    DWORD IntervalMs = 600000;           // time between two heartbeats
    HANDLE WakeEvent = nullptr;          // made by InitLock, kept for the record's life; set by RequestStop
    std::atomic<bool> Running{false};    // while StatHeartbeatThread runs on the record

    StatReportInfo();
    ~StatReportInfo();
    StatReportInfo(const StatReportInfo&) = delete;
    StatReportInfo& operator=(const StatReportInfo&) = delete;

    void InitLock();
    // Sets the stop flag and wakes the thread, from any thread and without waiting: neither for
    // the lock nor for a report in progress, which is left to end by itself.
    void RequestStop();
};

// The process-wide record of the heartbeat.
extern StatReportInfo g_StatReportInfo;

// The hardware address of the first network adapter as "XX-XX-XX-XX-XX-XX" (upper-case hex).
// When the adapter list cannot be read, the address is "00-00-00-00-00-00" and the result false.
bool GetMacAddress(std::string& macAddress);

// The query of a statistics report (after "/datasta/?"); values percent-encoded.
std::string StatReportQuery(const std::string& typeId, const std::string& modId, const std::string& operationId,
                            const std::string& macAddress, const std::string& userName,
                            const std::string& channelNo);

// Sends a statistics report; true when the connection was made.
bool SendStatReport(const std::string& typeId, const std::string& modId, const std::string& operationId,
                    const std::string& macAddress, const std::string& userName, const std::string& channelNo);

// Sends a share report; true when the connection was made. The user name and track id go as
// UTF-8, the track name in the ANSI code page between double quotes.
bool SendShareReport(const std::string& macAddress, const std::wstring& userName, const std::wstring& trackId,
                     const std::wstring& trackName);

// Thread routine (C runtime thread start) of the heartbeat; argument: a StatReportInfo. Sends the
// report at once and then every IntervalMs until the stop flag is set; ends with exit code 0.
// Each report goes out on a short-lived thread of its own that owns everything it uses, so that a
// stop ends the heartbeat without waiting for the report's connection (a host that drops packets
// or never answers holds it for the socket's time-outs).
unsigned __stdcall StatHeartbeatThread(void* reportInfo);
