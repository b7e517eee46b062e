// The player's push client: reaches the push agent for the push dialog and caches the agent's
// device and friend lists.
#pragma once

#include <windows.h>

#include <atomic>
#include <list>
#include <memory>
#include <string>

#include "push_agent.h"

// Messages the push client sends to its notify window (the push dialog).
const UINT WM_PUSH_DEVICE_STATE = 1091;   // wParam: const std::list<MSIPDevice>*, valid during the call

// Passes the agent's notifications on to the notify window.
class CPushNotifySink {
public:
    void SetWindow(HWND window) { window_ = window; }
    HWND GetWindow() const { return window_; }
    // A device changed its state: the window gets WM_PUSH_DEVICE_STATE with the list, sent (not
    // posted) so that the list is alive while the window reads it. False without a window.
    bool OnDeviceState(const std::list<MSIPDevice>& devices);

private:
    std::atomic<HWND> window_{nullptr};
};

class CPushClient {
public:
    // agent: may be null (no push service).
    explicit CPushClient(std::shared_ptr<MSIPAgent> agent = nullptr);
    CPushClient(const CPushClient&) = delete;
    CPushClient& operator=(const CPushClient&) = delete;

    void SetNotifyWindow(HWND window);
    HWND GetNotifyWindow() const { return notifyWindow_; }
    CPushNotifySink& GetNotifySink() { return sink_; }

    // 0 when the agent runs, 1 when it is not started, -1 without agent or on an exception.
    int CheckReady();
    // The cached lists; with refresh and an agent, first replaced by the agent's current list.
    const std::list<MSIPDevice>& GetDeviceList(bool refresh);
    const std::list<MSIPContact>& GetFriendList(bool refresh);
    // The agent's own device id; 0 without agent.
    std::int64_t GetDeviceId();
    // Pushes content as a URI list to the device or friend target. 0 when it was acknowledged,
    // the agent's error code when not, -1 without agent or on an exception.
    int PushUriList(std::int32_t target, const std::string& content);

private:
    HWND notifyWindow_;
    CPushNotifySink sink_;
    std::shared_ptr<MSIPAgent> agent_;
    std::unique_ptr<MSIPClient> client_;
    std::list<MSIPDevice> devices_;
    std::list<MSIPContact> friends_;
};
