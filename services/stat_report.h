// Usage statistics and share reports: plain HTTP GET requests to the statistics host whose
// answers are ignored, and the heartbeat thread that repeats the statistics report.
#pragma once

#include <windows.h>

#include <string>

// The heartbeat's report and its stop flag. The main window fills the six strings, clears the
// stop flag, calls InitLock and starts StatHeartbeatThread with the record as its argument;
// RequestStop wakes the thread, which then ends at once, so its owner can wait for it. The thread
// deletes the lock and the wake event when it ends.
struct StatReportInfo {
    std::string TypeID;
    std::string ModId;
    std::string OperationID;
    std::string MacAddress;
    std::string UserName;
    std::string ChannelNo;
    bool StopFlag = false;
    CRITICAL_SECTION Lock;               // guards StopFlag and each heartbeat request
    DWORD IntervalMs = 600000;           // time between two heartbeats
    HANDLE WakeEvent = nullptr;          // made by InitLock; set by RequestStop

    StatReportInfo();
    StatReportInfo(const StatReportInfo&) = delete;
    StatReportInfo& operator=(const StatReportInfo&) = delete;

    void InitLock();
    // Sets the stop flag under the lock (waits for a heartbeat request in progress) and wakes the
    // thread from its wait between two heartbeats.
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
unsigned __stdcall StatHeartbeatThread(void* reportInfo);
