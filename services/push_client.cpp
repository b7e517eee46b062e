#include "push_client.h"

void CPushNotifySink::SetWindow(HWND window) {
    std::lock_guard<std::mutex> hold(lock_);
    if (window != window_) states_.clear();
    window_ = window;
}

HWND CPushNotifySink::GetWindow() const {
    std::lock_guard<std::mutex> hold(lock_);
    return window_;
}

bool CPushNotifySink::OnDeviceState(const std::list<MSIPDevice>& devices) {
    std::list<MSIPDevice> copy(devices);
    std::lock_guard<std::mutex> hold(lock_);
    if (!window_ || !IsWindow(window_)) return false;
    states_.push_back(std::move(copy));
    if (PostMessageW(window_, WM_PUSH_DEVICE_STATE, 0, 0)) return true;
    states_.pop_back();
    return false;
}

bool CPushNotifySink::TakeDeviceState(std::list<MSIPDevice>& devices) {
    std::lock_guard<std::mutex> hold(lock_);
    if (states_.empty()) return false;
    devices = std::move(states_.front());
    states_.pop_front();
    return true;
}

size_t CPushNotifySink::WaitingDeviceStates() const {
    std::lock_guard<std::mutex> hold(lock_);
    return states_.size();
}

CPushClient::CPushClient(std::shared_ptr<MSIPAgent> agent)
    : notifyWindow_(nullptr), agent_(std::move(agent)), client_(agent_ ? new MSIPClient(agent_.get()) : nullptr) {}

void CPushClient::SetNotifyWindow(HWND window) {
    notifyWindow_ = window;
    sink_.SetWindow(window);
}

int CPushClient::CheckReady() {
    if (!client_) return -1;
    try {
        return client_->IsNotStarted() ? 1 : 0;
    } catch (...) {
        return -1;
    }
}

const std::list<MSIPDevice>& CPushClient::GetDeviceList(bool refresh) {
    if (refresh && client_) {
        try {
            devices_.clear();
            devices_ = client_->GetDeviceList();
        } catch (...) {
        }
    }
    return devices_;
}

const std::list<MSIPContact>& CPushClient::GetFriendList(bool refresh) {
    if (refresh && client_) {
        try {
            friends_.clear();
            friends_ = client_->GetFriendList();
        } catch (...) {
        }
    }
    return friends_;
}

std::int64_t CPushClient::GetDeviceId() { return client_ ? client_->GetDeviceId() : 0; }

int CPushClient::PushUriList(std::int32_t target, const std::string& content) {
    if (!client_) return -1;
    try {
        const MSIPContact self = client_->GetSelfInfo();
        MSIPMessage message;
        message.SetBody(content);
        message.SetContentType("text/uri-list");
        message.SetFrom(MSIPEndPoint(self.id, 0, 0));
        message.SetTo(MSIPEndPoint(self.id, 1, target));
        message.SetSource("sylk42/sylk42");
        message.SetTarget("sylk42/testclient");
        message.SetType(1);
        message.SetPriority(40);
        message.SetTTL(3600);
        if (client_->Send(message)) return 0;
        return agent_->GetErrorCode();
    } catch (...) {
        return -1;
    }
}
