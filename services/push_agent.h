// The push agent: sends short messages to the user's other devices and friends through the
// service's MSIP push protocol and waits for their acknowledgement. It keeps the id of the last
// message sent in "agent.conf" and logs failures to "msip.log", both beside the program. The
// connection to the service (the transport) is supplied by whoever completes the agent.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <exception>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "win_owners.h"

// ---- Error codes of the agent ----
enum MSIPErrorCode {
    MSIP_ERROR_NONE = 0,
    MSIP_ERROR_INVALID_CONFIGURATION = 10001,
    MSIP_ERROR_INVALID_SERVER_URL = 10002,
    MSIP_ERROR_LOGIN_FAILED = 10003,
    MSIP_ERROR_IO = 10004,
    MSIP_ERROR_NOT_STARTED = 10005,
    MSIP_ERROR_ALREADY_STARTED = 10006,
    MSIP_ERROR_UNEXPECTED_RESPONSE = 10007,
    MSIP_ERROR_NOT_ACTIVATED = 10008,
    MSIP_ERROR_NO_ACTIVATE_CODE = 10009,
};

// The text of an error code; empty for a code outside the table.
const char* MSIPErrorText(int code);

// ---- Protocol constants (used by the transport) ----
extern const char kMsipContentCsv[];        // "text/csv"
extern const char kMsipPathDevice[];        // "/device"
extern const char kMsipPathUser[];          // "/user"
extern const char kMsipHeaderType[];        // "MSIP-Type"
extern const char kMsipHeaderId[];          // "MSIP-ID"
extern const char kMsipHeaderStatus[];      // "MSIP-Status"
extern const char kMsipHeaderFrom[];        // "MSIP-From"
extern const char kMsipHeaderTo[];          // "MSIP-To"
extern const char kMsipHeaderSource[];      // "MSIP-Source"
extern const char kMsipHeaderTarget[];      // "MSIP-Target"
extern const char kMsipHeaderAck[];         // "MSIP-Ack"
extern const char kMsipHeaderTimeout[];     // "MSIP-Timeout"
extern const char kMsipHeaderPriority[];    // "MSIP-Priority"
extern const char kMsipHeaderTTL[];         // "MSIP-TTL"
extern const char kMsipHeaderEndPoint[];    // "MSIP-EndPoint"
extern const char kMsipHeaderCredential[];  // "MSIP-Credential"
extern const char kMsipHeaderTransient[];   // "MSIP-Transient"
extern const char kMsipHeaderTrigger[];     // "MSIP-Trigger"
extern const char kMsipKindRequest[];       // "request"
extern const char kMsipKindResponse[];      // "response"
extern const char kMsipKindOneway[];        // "oneway"
extern const char kMsipContentText[];       // "text/plain"
extern const char kMsipProxyHostKey[];      // "http.proxyHost"
extern const char kMsipMethodGet[];         // "GET"
extern const char kMsipMethodPost[];        // "POST"
extern const char kMsipZeroZero[];          // "00"
extern const char kMsipLineBreak[];         // "\r\n"
extern const char kMsipScheme[];            // "msip"
extern const char kMsipVersion[];           // "3"

// ---- Addressing ----

// An address of a message: flags saying what kind of receiver it is, and an account id.
struct MSIPEndPoint {
    std::int32_t flags = -1;
    std::int32_t id = -1;

    MSIPEndPoint() = default;
    // kind 0: the account itself; 1: one of its devices (index); 2 and 3: the index with the
    // kind's top bits; a negative index gives flags = index and id -1 whatever the kind.
    MSIPEndPoint(std::int32_t accountId, int kind, std::int32_t index);
};

// A user: the agent's own account or a friend.
struct MSIPContact {
    std::int32_t id = 0;
    std::string account;
    std::string email;
    std::string mobile;
    std::string nickName;      // shown as the friend's name
    std::string description;
};

// A device of the account.
struct MSIPDevice {
    std::int32_t id = 0;
    std::string type;          // "handheld" for a mobile device, anything else is a television set
    std::string name;
    bool activated = false;
    bool online = false;
};

// ---- One message ----
class MSIPMessage {
public:
    static const std::int32_t kDefaultTTL = 3600;
    static const std::int32_t kMaxTTL = 2592000;   // 30 days

    std::int32_t GetType() const { return type_; }
    void SetType(std::int32_t type) { type_ = type; }
    std::int64_t GetId() const { return id_; }
    void SetId(std::int64_t id) { id_ = id; }
    const std::string& GetContentType() const { return contentType_; }
    void SetContentType(const std::string& contentType) { contentType_ = contentType; }
    const MSIPEndPoint& GetFrom() const { return from_; }
    void SetFrom(const MSIPEndPoint& from) { from_ = from; }
    const MSIPEndPoint& GetTo() const { return to_; }
    void SetTo(const MSIPEndPoint& to) { to_ = to; }
    const std::string& GetSource() const { return source_; }
    void SetSource(const std::string& source) { source_ = source; }
    const std::string& GetTarget() const { return target_; }
    void SetTarget(const std::string& target) { target_ = target; }
    std::int32_t GetPriority() const { return priority_; }
    void SetPriority(std::int32_t priority) { priority_ = priority; }
    std::int32_t GetTTL() const { return ttl_; }
    // Seconds to live: 0 or less becomes 3600, more than 30 days becomes 30 days.
    void SetTTL(std::int32_t seconds);
    // Seconds the sender waits for the answer ("MSIP-Timeout"), and whether the message is
    // transient ("MSIP-Transient"); both go to the transport unchanged.
    std::int32_t GetTimeout() const { return timeout_; }
    bool IsTransient() const { return transient_; }
    const std::string& GetBody() const { return body_; }
    void SetBody(const std::string& body) { body_ = body; }

private:
    std::int32_t type_ = 0;
    std::int64_t id_ = 0;
    std::string contentType_;
    MSIPEndPoint from_;
    MSIPEndPoint to_;
    std::string source_;
    std::string target_;
    std::int32_t priority_ = -1;
    std::int32_t ttl_ = kDefaultTTL;
    std::int32_t timeout_ = 5;
    bool transient_ = false;
    std::string body_;
};

// ---- Failures ----

// An input/output failure of the agent or its transport. The location is "source:line".
class MSIPIOException : public std::exception {
public:
    MSIPIOException(const std::string& message, const char* source, int line);
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& GetMessage() const { return message_; }
    const std::string& GetLocation() const { return location_; }

private:
    std::string message_;
    std::string location_;
};

// ---- Locking ----

// Holds the agent's lock (a CSectionLock) for its lifetime.
class SmartLock : public CSectionGuard {
public:
    explicit SmartLock(CSectionLock* lock) : CSectionGuard(*lock) {}
    virtual ~SmartLock() = default;
};

// ---- The settings file "agent.conf" ----

// Lines of key "=" value. Keys and values are trimmed; the first line of a key wins. Set
// rewrites the whole file in key order.
class AgentConfig {
public:
    // The process-wide instance, on "agent.conf" beside the program; made on first use.
    static AgentConfig& Instance();

    explicit AgentConfig(const std::wstring& path);
    AgentConfig(const AgentConfig&) = delete;
    AgentConfig& operator=(const AgentConfig&) = delete;

    // Reads the file into the map (keys already in the map keep their values). False when the
    // file cannot be opened.
    bool Load();
    // Writes the file with the key set to value. False, with the map unchanged, when the file
    // cannot be written.
    bool Set(const std::string& key, const std::string& value);
    // The value of a key, or fallback.
    std::string Get(const std::string& key, const std::string& fallback = std::string()) const;
    const std::wstring& GetPath() const { return path_; }

private:
    std::wstring path_;
    std::map<std::string, std::string> values_;
    mutable CSectionLock lock_;
};

// ---- The transport ----

// Carries messages to the service. When an acknowledgement arrives it calls
// MSIPAgent::Acknowledge with the message's id.
class MSIPTransport {
public:
    virtual ~MSIPTransport() = default;
    // Sends one message; may throw MSIPIOException.
    virtual void Send(const MSIPMessage& message) = 0;
};

// ---- The agent ----
class MSIPAgent {
public:
    static const DWORD kAckTimeoutMs = 5000;
    static const char kConfigCounterKey[];   // "LAST_MESSAGE_ID"

    // transport: not owned, may be null (sending then fails with MSIP_ERROR_IO). config: the
    // settings file keeping the message counter; null means the process-wide "agent.conf".
    explicit MSIPAgent(MSIPTransport* transport, AgentConfig* config = nullptr);
    ~MSIPAgent();
    MSIPAgent(const MSIPAgent&) = delete;
    MSIPAgent& operator=(const MSIPAgent&) = delete;

    int GetErrorCode() const { return errorCode_; }
    bool IsStarted() const { return started_; }
    std::int64_t GetDeviceId() const;

    // Takes the next message id and records it in the settings file. The first id of an agent
    // follows the last one recorded there.
    std::int64_t NextMessageId();
    // Sends the message with a new id; true when it was acknowledged within 5000 ms.
    bool Send(MSIPMessage& message);
    bool IsAcked(std::int64_t id);

    MSIPContact GetSelfInfo();
    std::list<MSIPDevice> GetDeviceList();
    std::list<MSIPContact> GetFriendList();

    // ---- Called by the transport ----
    // An acknowledgement of message id arrived: the id leaves the pending set and the waiting
    // sender is woken. An id that is not pending (unknown, or its sender gave up) is ignored.
    void Acknowledge(std::int64_t id);
    void SetStarted(bool started) { started_ = started; }
    void SetSelfInfo(const MSIPContact& self);
    void SetDeviceList(const std::list<MSIPDevice>& devices);
    void SetFriendList(const std::list<MSIPContact>& friends);
    void SetDeviceId(const std::string& hexDeviceId);

private:
    // Waits for the acknowledgement of id; throws MSIPIOException on time-out.
    void WaitForAck(std::int64_t id);
    void ForgetPending(std::int64_t id);

    std::atomic<int> errorCode_;
    std::atomic<bool> started_;
    MSIPContact self_;
    std::list<MSIPDevice> devices_;
    std::list<MSIPContact> friends_;
    std::set<std::int64_t> pending_;
    MSIPTransport* transport_;
    CScopedHandle ackSemaphore_;
    mutable CSectionLock lock_;
    std::int64_t messageCounter_;
    bool counterLoaded_;
    std::string deviceId_;
    AgentConfig* config_;
};

// ---- Facade ----
class MSIPClient {
public:
    explicit MSIPClient(MSIPAgent* agent) : agent_(agent) {}
    int IsNotStarted() const { return agent_->IsStarted() ? 0 : 1; }
    MSIPContact GetSelfInfo() { return agent_->GetSelfInfo(); }
    std::list<MSIPContact> GetFriendList() { return agent_->GetFriendList(); }
    std::list<MSIPDevice> GetDeviceList() { return agent_->GetDeviceList(); }
    bool Send(MSIPMessage& message) { return agent_->Send(message); }
    std::int64_t GetDeviceId() const { return agent_->GetDeviceId(); }

private:
    MSIPAgent* agent_;
};

// ---- Utilities ----

// Hexadecimal text to a number: up to 8 digits are one 32-bit number; a longer text gives the
// high 32 bits from all but its last 8 digits and the low 32 bits from those. Reading stops at
// the first character that is no hexadecimal digit.
std::int64_t HexToInt64(const std::string& hex);
std::string Int64ToString(std::int64_t value);
// printf-style, at most 255 characters (longer results are cut).
std::string FormatString(const char* format, ...);
// White space as isspace of the C runtime.
std::string TrimLeft(const std::string& text);
std::string TrimRight(const std::string& text);
// Appends "<%m/%d %X>: <text>" and a line break to "msip.log" beside the program; a file that
// cannot be opened loses the line.
void MsipLog(const char* format, ...);

// The path of a file beside the running program (relative when the program's path has no
// backslash).
std::wstring MsipFilePath(const wchar_t* fileName);
