// A transport of the tests' own for the push agent: records what is sent and acknowledges it
// (or not) as the test asks.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "push_agent.h"

namespace pushtest {

enum class AckMode {
    Immediately,   // acknowledged inside Send, before the agent waits
    Never,         // never acknowledged: the agent times out
    Fail,          // Send throws MSIPIOException("link down")
    Collect,       // ids are kept; the test acknowledges them itself (from another thread)
};

class FakeTransport : public MSIPTransport {
public:
    explicit FakeTransport(AckMode mode) : mode_(mode), sentEvent_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~FakeTransport() override { CloseHandle(sentEvent_); }

    void SetAgent(MSIPAgent* agent) { agent_ = agent; }

    void Send(const MSIPMessage& message) override {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            sent_.push_back(message);
        }
        if (mode_ == AckMode::Fail) throw MSIPIOException("link down", "FakeTransport", 1);
        if (mode_ == AckMode::Immediately) agent_->Acknowledge(message.GetId());
        SetEvent(sentEvent_);
    }

    std::vector<MSIPMessage> Sent() {
        std::lock_guard<std::mutex> guard(mutex_);
        return sent_;
    }
    // Waits (bounded) until count messages have been sent.
    bool WaitForSent(std::size_t count) {
        for (;;) {
            if (Sent().size() >= count) return true;
            if (WaitForSingleObject(sentEvent_, 10000) != WAIT_OBJECT_0) return Sent().size() >= count;
        }
    }

private:
    AckMode mode_;
    MSIPAgent* agent_ = nullptr;
    HANDLE sentEvent_;
    std::mutex mutex_;
    std::vector<MSIPMessage> sent_;
};

}  // namespace pushtest
