// The one-shot worker that puts the client page in place after the main window is created.
// The browser belongs to the UI thread, so the worker does not touch it: it hands the placing
// and the first navigation to the UI thread (CWebBrowserBase::PostShowClientPage), which does
// them as soon as it dispatches messages again, that is once the main window exists.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "vela_thread.h"
#include "web_browser.h"

namespace VelaUI {

class CClientThread : public CVelaThread {
public:
    // pageUrl: the client page; host: the main window (kept, not used by the work).
    CClientThread(const std::wstring& pageUrl, HWND host);
    ~CClientThread() override;

    // Keeps the browser and starts the thread; false when it cannot start.
    bool Start(std::shared_ptr<CWebBrowserBase> browser);
    unsigned Run() override;

private:
    std::shared_ptr<CWebBrowserBase> m_browser;
    std::wstring m_pageUrl;
    HWND m_host;
};

}  // namespace VelaUI
