#include "client_thread.h"

#include <utility>

namespace VelaUI {

CClientThread::CClientThread(const std::wstring& pageUrl, HWND host) : m_pageUrl(pageUrl), m_host(host) {}

// Run uses the members: the thread ends before they go.
CClientThread::~CClientThread() { Stop(); }

bool CClientThread::Start(std::shared_ptr<CWebBrowserBase> browser) {
    if (IsRunning()) return false;
    m_browser = std::move(browser);
    return CVelaThread::Start();
}

unsigned CClientThread::Run() {
    if (m_browser) m_browser->PostShowClientPage(m_pageUrl);
    return 0;
}

}  // namespace VelaUI
