// The player's push client: reaches the push agent for the push dialog and caches the agent's
// device and friend lists.
#pragma once

#include <windows.h>

#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <string>

#include "push_agent.h"

// Messages the push client's notification sink posts to its notify window (the push dialog).
// The main window's message header will name them as well; the numbers are the service's.
//
// WM_PUSH_DEVICE_STATE: a device changed its state. The message carries nothing (any program on
// the desktop can post that number): the device list waits in the client's notification sink,
// one list per message, and the window takes it from there (CPushNotifySink::TakeDeviceState).
const UINT WM_PUSH_DEVICE_STATE = 1091;
// Two more notifications of the agent's transport; the dialog accepts them and does nothing.
const UINT WM_PUSH_NOTIFY_1092 = 1092;
const UINT WM_PUSH_NOTIFY_1093 = 1093;

// Passes the agent's notifications on to the notify window, from any thread. The notifications
// are posted, never sent: the agent's threads must not wait for the window's thread, which may
// itself be waiting for an acknowledgement that one of them delivers.
class CPushNotifySink {
public:
    CPushNotifySink() = default;
    CPushNotifySink(const CPushNotifySink&) = delete;
    CPushNotifySink& operator=(const CPushNotifySink&) = delete;

    // Once this returns, no notification is being posted to the old window any more, and the
    // device lists that waited for it are gone.
    void SetWindow(HWND window);
    HWND GetWindow() const;
    // A device changed its state: keeps a copy of the list for the window and posts
    // WM_PUSH_DEVICE_STATE. False (nothing kept) without a window or when the message cannot be
    // posted.
    bool OnDeviceState(const std::list<MSIPDevice>& devices);
    // The window's side: the oldest device list that waits for it; false when none waits.
    bool TakeDeviceState(std::list<MSIPDevice>& devices);
    size_t WaitingDeviceStates() const;

private:
    mutable std::mutex lock_;   // a post and a change of window never overlap
    HWND window_ = nullptr;
    std::deque<std::list<MSIPDevice>> states_;  // for window_, oldest first
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
