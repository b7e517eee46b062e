#include "stat_report.h"

#include <winsock2.h>
#include <iphlpapi.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "http_fetch.h"
#include "local_helpers.h"
#include "rest_request.h"
#include "vela_deployment.h"

StatReportInfo g_StatReportInfo;

namespace {

const char kClientVersion[] = "v0.9.0.9";
const char kNoMacAddress[] = "00-00-00-00-00-00";

std::string StatReportUrl(const std::string& query) { return std::string("http://") + VELA_STAT_HOST + "/datasta/?" + query; }

std::string StatReportUrl(const StatReportInfo& info) {
    return StatReportUrl(StatReportQuery(info.TypeID, info.ModId, info.OperationID, info.MacAddress, info.UserName,
                                         info.ChannelNo));
}

}  // namespace

StatReportInfo::StatReportInfo() : Lock() {}

void StatReportInfo::InitLock() {
    InitializeCriticalSection(&Lock);
    WakeEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

void StatReportInfo::RequestStop() {
    EnterCriticalSection(&Lock);
    StopFlag = true;
    if (WakeEvent != nullptr) SetEvent(WakeEvent);
    LeaveCriticalSection(&Lock);
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
    auto post = std::make_shared<HttpPost>();
    for (;;) {
        EnterCriticalSection(&info->Lock);
        if (info->StopFlag) break;
        post->Get(StatReportUrl(*info));
        LeaveCriticalSection(&info->Lock);
        if (info->WakeEvent != nullptr) {
            WaitForSingleObject(info->WakeEvent, info->IntervalMs);
        } else {
            Sleep(info->IntervalMs);
        }
    }
    LeaveCriticalSection(&info->Lock);
    DeleteCriticalSection(&info->Lock);
    if (info->WakeEvent != nullptr) {
        CloseHandle(info->WakeEvent);
        info->WakeEvent = nullptr;
    }
    post.reset();
    return 0;
}
