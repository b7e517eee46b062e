#include "push_agent.h"

#include <cctype>
#include <cstdarg>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "win_files.h"

const char kMsipContentCsv[] = "text/csv";
const char kMsipPathDevice[] = "/device";
const char kMsipPathUser[] = "/user";
const char kMsipHeaderType[] = "MSIP-Type";
const char kMsipHeaderId[] = "MSIP-ID";
const char kMsipHeaderStatus[] = "MSIP-Status";
const char kMsipHeaderFrom[] = "MSIP-From";
const char kMsipHeaderTo[] = "MSIP-To";
const char kMsipHeaderSource[] = "MSIP-Source";
const char kMsipHeaderTarget[] = "MSIP-Target";
const char kMsipHeaderAck[] = "MSIP-Ack";
const char kMsipHeaderTimeout[] = "MSIP-Timeout";
const char kMsipHeaderPriority[] = "MSIP-Priority";
const char kMsipHeaderTTL[] = "MSIP-TTL";
const char kMsipHeaderEndPoint[] = "MSIP-EndPoint";
const char kMsipHeaderCredential[] = "MSIP-Credential";
const char kMsipHeaderTransient[] = "MSIP-Transient";
const char kMsipHeaderTrigger[] = "MSIP-Trigger";
const char kMsipKindRequest[] = "request";
const char kMsipKindResponse[] = "response";
const char kMsipKindOneway[] = "oneway";
const char kMsipContentText[] = "text/plain";
const char kMsipProxyHostKey[] = "http.proxyHost";
const char kMsipMethodGet[] = "GET";
const char kMsipMethodPost[] = "POST";
const char kMsipZeroZero[] = "00";
const char kMsipLineBreak[] = "\r\n";
const char kMsipScheme[] = "msip";
const char kMsipVersion[] = "3";

const char MSIPAgent::kConfigCounterKey[] = "LAST_MESSAGE_ID";

namespace {

// Line break of the agent's text files, as Windows text files have it.
const char kTextLineBreak[] = "\r\n";

std::string FormatArgs(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed <= 0) return std::string();
    std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    return std::string(buffer.data(), static_cast<std::size_t>(needed));
}

int HexDigitValue(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return -1;
}

// One 32-bit hexadecimal number; reading stops at the first character that is no digit, and
// digits beyond the eighth shift the older ones out.
std::uint32_t ParseHex32(const std::string& hex) {
    std::uint32_t value = 0;
    for (char ch : hex) {
        const int digit = HexDigitValue(ch);
        if (digit < 0) break;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return value;
}

// The counter text of "agent.conf": a decimal number of 0 or more; anything else counts as 0.
std::int64_t ParseCounter(const std::string& text) {
    if (text.empty()) return 0;
    std::int64_t value = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return 0;
        const int digit = ch - '0';
        if (value > (INT64_MAX - digit) / 10) return 0;
        value = value * 10 + digit;
    }
    return value;
}

bool IsSpace(char ch) { return std::isspace(static_cast<unsigned char>(ch)) != 0; }

}  // namespace

// ---- Error texts ----

const char* MSIPErrorText(int code) {
    switch (code) {
    case MSIP_ERROR_INVALID_CONFIGURATION: return "Invalid Configuration";
    case MSIP_ERROR_INVALID_SERVER_URL: return "Invalid Server URL";
    case MSIP_ERROR_LOGIN_FAILED: return "Login Failed, Check your account and network configuration";
    case MSIP_ERROR_IO: return "Encounter IO error";
    case MSIP_ERROR_NOT_STARTED: return "Service not started";
    case MSIP_ERROR_ALREADY_STARTED: return "The service is already started";
    case MSIP_ERROR_UNEXPECTED_RESPONSE: return "Unexpected response from server";
    case MSIP_ERROR_NOT_ACTIVATED: return "The device is not activated yet";
    case MSIP_ERROR_NO_ACTIVATE_CODE: return "Can not get activate code from server";
    default: return "";
    }
}

// ---- Addressing and messages ----

MSIPEndPoint::MSIPEndPoint(std::int32_t accountId, int kind, std::int32_t index) : flags(index), id(accountId) {
    const std::uint32_t bits = static_cast<std::uint32_t>(index);
    if (index < 0) {
        flags = index;
        id = -1;
        return;
    }
    switch (kind) {
    case 0: flags = 0; break;
    case 2: flags = static_cast<std::int32_t>(0x80000000u | bits); break;
    case 3: flags = static_cast<std::int32_t>(0xC0000000u | bits); break;
    default: flags = index; break;
    }
}

void MSIPMessage::SetTTL(std::int32_t seconds) {
    if (seconds <= 0)
        ttl_ = kDefaultTTL;
    else if (seconds > kMaxTTL)
        ttl_ = kMaxTTL;
    else
        ttl_ = seconds;
}

MSIPIOException::MSIPIOException(const std::string& message, const char* source, int line)
    : message_(message), location_(FormatString("%s:%d", source ? source : "", line)) {}

// ---- Utilities ----

std::int64_t HexToInt64(const std::string& hex) {
    if (hex.size() <= 8) return static_cast<std::int64_t>(ParseHex32(hex));
    const std::size_t split = hex.size() - 8;
    const std::uint64_t high = ParseHex32(hex.substr(0, split));
    const std::uint64_t low = ParseHex32(hex.substr(split));
    return static_cast<std::int64_t>((high << 32) | low);
}

std::string Int64ToString(std::int64_t value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value));
    return buffer;
}

std::string FormatString(const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return written < 0 ? std::string() : std::string(buffer);
}

std::string TrimLeft(const std::string& text) {
    std::size_t start = 0;
    while (start < text.size() && IsSpace(text[start])) ++start;
    return text.substr(start);
}

std::string TrimRight(const std::string& text) {
    std::size_t end = text.size();
    while (end > 0 && IsSpace(text[end - 1])) --end;
    return text.substr(0, end);
}

std::wstring MsipFilePath(const wchar_t* fileName) {
    const std::wstring program = ModuleFilePath();
    const std::size_t slash = program.rfind(L'\\');
    if (slash == std::wstring::npos) return fileName;
    return program.substr(0, slash + 1) + fileName;
}

void MsipLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = FormatArgs(format, args);
    va_end(args);

    char stamp[64] = "";
    const std::time_t now = std::time(nullptr);
    if (const std::tm* local = std::localtime(&now)) std::strftime(stamp, sizeof stamp, "%m/%d %X", local);

    CScopedHandle file(CreateFileW(MsipFilePath(L"msip.log").c_str(), FILE_APPEND_DATA,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                   nullptr));
    if (!file.IsValid()) return;
    const std::string line = std::string(stamp) + ": " + text + kTextLineBreak;
    WriteAllBytes(file.Get(), line.data(), line.size());
}

// ---- AgentConfig ----

AgentConfig& AgentConfig::Instance() {
    static AgentConfig instance(MsipFilePath(L"agent.conf"));
    return instance;
}

AgentConfig::AgentConfig(const std::wstring& path) : path_(path) { Load(); }

bool AgentConfig::Load() {
    std::string content;
    if (!ReadWholeFile(path_, content)) return false;
    SmartLock guard(&lock_);
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        const std::string line = content.substr(start, end - start);
        start = end + 1;
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = TrimRight(TrimLeft(line.substr(0, equals)));
        const std::string value = TrimRight(TrimLeft(line.substr(equals + 1)));
        values_.insert(std::make_pair(key, value));
    }
    return true;
}

bool AgentConfig::Set(const std::string& key, const std::string& value) {
    SmartLock guard(&lock_);
    std::map<std::string, std::string> values = values_;
    values[key] = value;
    std::string content;
    for (const auto& pair : values) content += pair.first + "=" + pair.second + kTextLineBreak;
    if (!WriteWholeFile(path_, content)) return false;
    values_.swap(values);
    return true;
}

std::string AgentConfig::Get(const std::string& key, const std::string& fallback) const {
    SmartLock guard(&lock_);
    const auto found = values_.find(key);
    return found == values_.end() ? fallback : found->second;
}

// ---- MSIPAgent ----

MSIPAgent::MSIPAgent(MSIPTransport* transport, AgentConfig* config)
    : errorCode_(0),
      started_(false),
      transport_(transport),
      ackSemaphore_(CreateSemaphoreW(nullptr, 0, LONG_MAX, nullptr)),
      messageCounter_(0),
      counterLoaded_(false),
      config_(config) {}

MSIPAgent::~MSIPAgent() {}

std::int64_t MSIPAgent::GetDeviceId() const {
    SmartLock guard(&lock_);
    return HexToInt64(deviceId_);
}

std::int64_t MSIPAgent::NextMessageId() {
    SmartLock guard(&lock_);
    AgentConfig& config = config_ ? *config_ : AgentConfig::Instance();
    if (!counterLoaded_) {
        messageCounter_ = ParseCounter(config.Get(kConfigCounterKey));
        counterLoaded_ = true;
    }
    if (messageCounter_ == INT64_MAX) messageCounter_ = 0;
    ++messageCounter_;
    config.Set(kConfigCounterKey, Int64ToString(messageCounter_));
    return messageCounter_;
}

bool MSIPAgent::Send(MSIPMessage& message) {
    const std::int64_t id = NextMessageId();
    message.SetId(id);
    {
        SmartLock guard(&lock_);
        pending_.insert(id);
    }
    try {
        if (!transport_) throw MSIPIOException("No transport", "MSIPAgent", __LINE__);
        if (!ackSemaphore_.IsValid()) throw MSIPIOException("No acknowledgement semaphore", "MSIPAgent", __LINE__);
        transport_->Send(message);
        WaitForAck(id);
        return true;
    } catch (const MSIPIOException& error) {
        ForgetPending(id);
        MsipLog("Send message error: %s, id=%lld", error.GetMessage().c_str(), static_cast<long long>(id));
        errorCode_ = MSIP_ERROR_IO;
        return false;
    } catch (...) {
        ForgetPending(id);
        throw;
    }
}

void MSIPAgent::WaitForAck(std::int64_t id) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    for (;;) {
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        const long long remaining = static_cast<long long>(kAckTimeoutMs) - elapsed;
        if (remaining <= 0) {
            bool acked;
            {
                SmartLock guard(&lock_);
                acked = pending_.erase(id) == 0;
            }
            if (!acked) throw MSIPIOException("Timeout to receive the ACK", "MSIPAgent", 453);
            // The acknowledgement came in just now: its wake-up belongs to this message and is
            // taken back (another sender may hold it for a moment while passing it on).
            WaitForSingleObject(ackSemaphore_.Get(), kAckTimeoutMs);
            return;
        }
        const DWORD wait = WaitForSingleObject(ackSemaphore_.Get(), static_cast<DWORD>(remaining));
        if (wait == WAIT_OBJECT_0) {
            if (IsAcked(id)) return;
            // Another message's acknowledgement: hand the wake-up on to its sender.
            ReleaseSemaphore(ackSemaphore_.Get(), 1, nullptr);
            SwitchToThread();
        } else if (wait != WAIT_TIMEOUT) {
            throw MSIPIOException("Waiting for the ACK failed", "MSIPAgent", __LINE__);
        }
    }
}

void MSIPAgent::ForgetPending(std::int64_t id) {
    SmartLock guard(&lock_);
    pending_.erase(id);
}

bool MSIPAgent::IsAcked(std::int64_t id) {
    SmartLock guard(&lock_);
    return pending_.count(id) == 0;
}

void MSIPAgent::Acknowledge(std::int64_t id) {
    SmartLock guard(&lock_);
    if (pending_.erase(id) == 0) return;
    ReleaseSemaphore(ackSemaphore_.Get(), 1, nullptr);
}

MSIPContact MSIPAgent::GetSelfInfo() {
    SmartLock guard(&lock_);
    return self_;
}

std::list<MSIPDevice> MSIPAgent::GetDeviceList() {
    SmartLock guard(&lock_);
    return devices_;
}

std::list<MSIPContact> MSIPAgent::GetFriendList() {
    SmartLock guard(&lock_);
    return friends_;
}

void MSIPAgent::SetSelfInfo(const MSIPContact& self) {
    SmartLock guard(&lock_);
    self_ = self;
}

void MSIPAgent::SetDeviceList(const std::list<MSIPDevice>& devices) {
    SmartLock guard(&lock_);
    devices_ = devices;
}

void MSIPAgent::SetFriendList(const std::list<MSIPContact>& friends) {
    SmartLock guard(&lock_);
    friends_ = friends;
}

void MSIPAgent::SetDeviceId(const std::string& hexDeviceId) {
    SmartLock guard(&lock_);
    deviceId_ = hexDeviceId;
}
