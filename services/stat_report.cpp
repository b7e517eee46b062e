#include "stat_report.h"

#include <winsock2.h>
#include <iphlpapi.h>

#include <cstdio>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include "http_fetch.h"
#include "local_helpers.h"
#include "rest_request.h"
#include "vela_deployment.h"
#include "win_owners.h"

StatReportInfo g_StatReportInfo;

namespace {

const char kClientVersion[] = "v0.9.0.9";
const char kNoMacAddress[] = "00-00-00-00-00-00";

std::string StatReportUrl(const std::string& query) { return std::string("http://") + VELA_STAT_HOST + "/datasta/?" + query; }

std::string StatReportUrl(const StatReportInfo& info) {
    return StatReportUrl(StatReportQuery(info.TypeID, info.ModId, info.OperationID, info.MacAddress, info.UserName,
                                         info.ChannelNo));
}

// Sends one report on a thread of its own and waits for it to end or for wake, whichever comes
// first. False when wake came first: the report's thread then ends by itself later, holding
// nothing but its own copy of the address.
bool SendReportUnlessWoken(const std::string& url, HANDLE wake) {
    struct Report {
        std::string url;
        CScopedHandle done;
    };
    auto report = std::make_shared<Report>();
    report->url = url;
    report->done.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    bool detached = false;
    if (report->done.IsValid()) {
        try {
            std::thread([report] {
                HttpPost post;
                post.Get(report->url);
                SetEvent(report->done.Get());
            }).detach();
            detached = true;
        } catch (const std::system_error&) {
            // No thread to spare: the report goes out from here.
        }
    }
    if (!detached) {
        HttpPost post;
        post.Get(url);
        return true;
    }
    const HANDLE ends[2] = {report->done.Get(), wake};
    return WaitForMultipleObjects(wake != nullptr ? 2 : 1, ends, FALSE, INFINITE) == WAIT_OBJECT_0;
}

}  // namespace

StatReportInfo::StatReportInfo() : Lock() {}

StatReportInfo::~StatReportInfo() {
    if (WakeEvent != nullptr) CloseHandle(WakeEvent);
}

void StatReportInfo::InitLock() {
    InitializeCriticalSection(&Lock);
    if (WakeEvent == nullptr) {
        WakeEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    } else {
        ResetEvent(WakeEvent);
    }
}

void StatReportInfo::RequestStop() {
    StopFlag = true;
    if (WakeEvent != nullptr) SetEvent(WakeEvent);
}

bool GetMacAddress(std::string& macAddress) {
    macAddress = kNoMacAddress;
    // The list usually fits the first buffer; a longer one is read again into a buffer of the
    // size the system asks for.
    ULONG size = 10368;
    std::vector<unsigned char> buffer;
    DWORD result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.assign(size, 0);
        result = GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
    }
    if (result != ERROR_SUCCESS) return false;
    const IP_ADAPTER_INFO* adapter = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.data());
    const BYTE* a = adapter->Address;
    char text[32];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", a[0], a[1], a[2], a[3], a[4], a[5]);
    macAddress = text;
    return true;
}

std::string StatReportQuery(const std::string& typeId, const std::string& modId, const std::string& operationId,
                            const std::string& macAddress, const std::string& userName,
                            const std::string& channelNo) {
    std::string query = "TypeID=" + PercentEncode(typeId);
    query += "&ModId=" + PercentEncode(modId);
    query += "&OperationID=" + PercentEncode(operationId);
    query += "&MacAddress=" + PercentEncode(macAddress);
    query += "&UserName=" + PercentEncode(userName);
    query += "&ChannelNo=" + (channelNo.empty() ? std::string("000") : PercentEncode(channelNo));
    query += std::string("&VersionNo=") + kClientVersion;
    return query;
}

bool SendStatReport(const std::string& typeId, const std::string& modId, const std::string& operationId,
                    const std::string& macAddress, const std::string& userName, const std::string& channelNo) {
    const std::string url =
        StatReportUrl(StatReportQuery(typeId, modId, operationId, macAddress, userName, channelNo));
    auto post = std::make_shared<HttpPost>();
    return post->Get(url);
}

bool SendShareReport(const std::string& macAddress, const std::wstring& userName, const std::wstring& trackId,
                     const std::wstring& trackName) {
    std::string url = std::string("http://") + VELA_STAT_HOST + "/share/?method=add";
    url += "&MacAddress=" + PercentEncode(macAddress);
    url += "&UserName=" + PercentEncode(WideToUtf8(userName));
    url += "&TrackID=" + PercentEncode(WideToUtf8(trackId));
    url += "&TrackName=\"" + PercentEncode(WideToAnsi(trackName)) + "\"";
    auto post = std::make_shared<HttpPost>();
    return post->Get(url);
}

unsigned __stdcall StatHeartbeatThread(void* reportInfo) {
    StatReportInfo* info = static_cast<StatReportInfo*>(reportInfo);
    info->Running = true;
    while (!info->StopFlag) {
        EnterCriticalSection(&info->Lock);
        const std::string url = StatReportUrl(*info);
        LeaveCriticalSection(&info->Lock);
        if (!SendReportUnlessWoken(url, info->WakeEvent) || info->StopFlag) break;
        if (info->WakeEvent != nullptr) {
            WaitForSingleObject(info->WakeEvent, info->IntervalMs);
        } else {
            Sleep(info->IntervalMs);
        }
    }
    DeleteCriticalSection(&info->Lock);
    info->Running = false;
    return 0;
}
