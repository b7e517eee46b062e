// The service's client page in the main window: the browser host and the one-shot thread that
// has it placed and navigated, showing and hiding it with the music tabs, the page's search
// function, and letting go of the browser before the window goes.
#include "vela_main_form.h"

#include "client_thread.h"
#include "web_browser.h"

namespace VelaUI {

void VelaMainForm::CreateWebPage() {
    m_clientThread = std::make_shared<CClientThread>(m_pageUrl, m_hWnd);
    m_browser = std::make_shared<CWebBrowserBase>(m_hWnd);
    // The thread hands the placing and the first navigation back to this thread, whose
    // apartment the browser belongs to; they run once the window dispatches messages.
    m_clientThread->Start(m_browser);
}

void VelaMainForm::ShowWebPage(bool show) {
    if (!m_browser) return;
    if (show) PlaceWebPage();
    m_browser->SetVisible(show);
}

void VelaMainForm::PlaceWebPage() {
    if (m_browser) m_browser->SetRect(ClientPageRect(m_hWnd));
}

void VelaMainForm::CallPageSearch(const std::wstring& text) {
    IDispatch* script = m_browser ? m_browser->GetScript() : nullptr;
    if (script == nullptr) return;
    // "searchlist" takes the search text three times.
    VARIANT args[3];
    for (VARIANT& arg : args) {
        ::VariantInit(&arg);
        arg.vt = VT_BSTR;
        arg.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    }
    DISPPARAMS params = {args, nullptr, 3, 0};
    VARIANT result;
    ::VariantInit(&result);
    if (args[0].bstrVal != nullptr && args[1].bstrVal != nullptr && args[2].bstrVal != nullptr) {
        m_browser->CallScript(script, L"searchlist", &result, &params);
    }
    ::VariantClear(&result);
    for (VARIANT& arg : args) ::VariantClear(&arg);
}

void VelaMainForm::StopWebPage() {
    if (m_clientThread) {
        m_clientThread->Stop();
        m_clientThread.reset();
    }
    // The browser stops calling this host (events, window.external) while the window exists.
    if (m_browser) {
        m_browser->Close();
        m_browser.reset();
    }
}

}  // namespace VelaUI
