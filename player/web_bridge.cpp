// window.external of the client page, and the browser's events: both reach the host through
// its IDispatch. A script call arrives with 0, 3 or 8 arguments (in reverse order, as IDispatch
// passes them); the browser's events have other counts.
#include "web_browser.h"

#include <exdispid.h>

#include <cmath>
#include <cstdio>
#include <cwchar>
#include <cwctype>

#include "control.h"
#include "rest_request.h"
#include "track_info.h"
#include "vela_deployment.h"
#include "web_messages.h"

namespace VelaUI {

namespace {

struct ScriptMethod {
    const wchar_t* name;
    DISPID id;
};

const ScriptMethod kScriptMethods[] = {
    {L"clientcall", kDispIdClientCall},
    {L"TrackSelect", kDispIdTrackSelect},
    {L"PlayAuditionJobs", kDispIdPlayAuditionJobs},
};

const UINT kMaxScriptArgs = 8;

bool IsScriptCallCount(UINT count) { return count == 0 || count == 3 || count == 8; }

std::wstring Widen(const char* ascii) {
    std::wstring out;
    for (const char* p = ascii; *p != '\0'; ++p) out += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return out;
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

// Splits "host[:port]" (lower case); the port is defaultPort when none is written, -1 when it is
// not a number.
void SplitAuthority(const std::wstring& authority, std::wstring& host, long& port, long defaultPort) {
    size_t colon = authority.rfind(L':');
    if (colon == std::wstring::npos || authority.find(L']', colon) != std::wstring::npos) {
        host = Lower(authority);
        port = defaultPort;
        return;
    }
    host = Lower(authority.substr(0, colon));
    std::wstring digits = authority.substr(colon + 1);
    if (digits.empty()) {
        port = defaultPort;
        return;
    }
    port = 0;
    for (wchar_t c : digits) {
        if (c < L'0' || c > L'9' || port > 65535) {
            port = -1;
            return;
        }
        port = port * 10 + (c - L'0');
    }
}

std::wstring WholeNumberText(long long value) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%lld", value);
    return text;
}

std::wstring UnsignedNumberText(unsigned long long value) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%llu", value);
    return text;
}

std::wstring RealNumberText(double value) {
    wchar_t text[400];
    // A whole number keeps all its digits (ids beyond the 32-bit range arrive as doubles).
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e21) {
        std::swprintf(text, 400, L"%.0f", value);
    } else {
        std::swprintf(text, 400, L"%.15g", value);
    }
    return text;
}

// The script's arguments as texts, in the script's order.
void ReadScriptArgs(const DISPPARAMS& params, std::wstring (&args)[kMaxScriptArgs]) {
    const UINT count = params.cArgs < kMaxScriptArgs ? params.cArgs : kMaxScriptArgs;
    if (params.rgvarg == nullptr) return;
    for (UINT i = 0; i < count; ++i) args[i] = ScriptArgText(params.rgvarg[params.cArgs - 1 - i]);
}

}  // namespace

std::wstring ScriptArgText(const VARIANT& value) {
    switch (value.vt) {
    case VT_I1: return WholeNumberText(value.cVal);
    case VT_I2: return WholeNumberText(value.iVal);
    case VT_I4: return WholeNumberText(value.lVal);
    case VT_INT: return WholeNumberText(value.intVal);
    case VT_I8: return WholeNumberText(value.llVal);
    case VT_UI1: return UnsignedNumberText(value.bVal);
    case VT_UI2: return UnsignedNumberText(value.uiVal);
    case VT_UI4: return UnsignedNumberText(value.ulVal);
    case VT_UINT: return UnsignedNumberText(value.uintVal);
    case VT_UI8: return UnsignedNumberText(value.ullVal);
    case VT_R4: return RealNumberText(value.fltVal);
    case VT_R8: return RealNumberText(value.dblVal);
    case VT_CY:
    case VT_DECIMAL: {
        VARIANT number;
        ::VariantInit(&number);
        if (FAILED(::VariantChangeType(&number, const_cast<VARIANT*>(&value), 0, VT_R8))) return std::wstring();
        return RealNumberText(number.dblVal);
    }
    case VT_BSTR:
        return value.bstrVal != nullptr ? std::wstring(value.bstrVal, ::SysStringLen(value.bstrVal)) : std::wstring();
    case VT_BOOL: return value.boolVal != VARIANT_FALSE ? L"1" : L"0";
    default: return std::wstring();
    }
}

std::wstring ClientPageUrl() { return L"http://" + Widen(VELA_WEB_HOST) + L"/clientweb3/main.html"; }

int ScriptArgInt(const std::wstring& text) { return UIToolkit::CControlUI::ParseInt(text.c_str()); }

bool IsWebHostUrl(const std::wstring& url) {
    std::wstring scheme;
    long defaultPort = 0;
    const std::wstring lowered = Lower(url);
    if (lowered.compare(0, 7, L"http://") == 0) {
        scheme = L"http://";
        defaultPort = 80;
    } else if (lowered.compare(0, 8, L"https://") == 0) {
        scheme = L"https://";
        defaultPort = 443;
    } else {
        return false;
    }
    size_t start = scheme.size();
    size_t end = url.find_first_of(L"/\\?#", start);
    std::wstring authority = url.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    if (authority.empty() || authority.find(L'@') != std::wstring::npos) return false;
    std::wstring host, webHost;
    long port = 0, webPort = 0;
    SplitAuthority(authority, host, port, defaultPort);
    SplitAuthority(Widen(VELA_WEB_HOST), webHost, webPort, defaultPort);
    return port > 0 && host == webHost && port == webPort;
}

namespace {

// The last audition, under WebListsLock.
WebAudition& KeptAudition() {
    static WebAudition audition;
    return audition;
}

}  // namespace

WebAudition LastWebAudition() {
    std::lock_guard<std::recursive_mutex> guard(WebListsLock());
    return KeptAudition();
}

// ---- IDispatch -------------------------------------------------------------------------------

STDMETHODIMP CWebBrowserBase::GetTypeInfoCount(UINT* count) {
    if (count != nullptr) *count = 0;
    return E_NOTIMPL;
}

STDMETHODIMP CWebBrowserBase::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info != nullptr) *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CWebBrowserBase::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    // A page of another host (reached by a link, say) finds no methods here.
    if (names[0] == nullptr || !DocumentMayCallPlayer()) return DISP_E_UNKNOWNNAME;
    for (const ScriptMethod& method : kScriptMethods) {
        if (std::wcscmp(names[0], method.name) == 0) {
            ids[0] = method.id;
            return S_OK;
        }
    }
    return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP CWebBrowserBase::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) {
    if (params == nullptr) return E_INVALIDARG;
    if (!IsScriptCallCount(params->cArgs)) {
        OnBrowserEvent(id, *params);
        // The events answered are the navigation's; none is ever cancelled.
        return id == DISPID_BEFORENAVIGATE2 || id == DISPID_DOCUMENTCOMPLETE ? S_OK : E_NOTIMPL;
    }
    if ((flags & DISPATCH_METHOD) == 0) return S_OK;  // property access: answered without effect
    if (id != kDispIdClientCall && id != kDispIdTrackSelect && id != kDispIdPlayAuditionJobs) {
        return DISP_E_MEMBERNOTFOUND;
    }
    if (!DocumentMayCallPlayer()) return E_ACCESSDENIED;
    std::wstring args[kMaxScriptArgs];
    ReadScriptArgs(*params, args);
    const bool eightArgs = params->cArgs == 8;
    try {
        if (id == kDispIdClientCall) {
            if (eightArgs) {
                OnClientCall(ScriptArgInt(args[0]), 0, args[1]);
            } else {
                OnClientCall(ScriptArgInt(args[0]), ScriptArgInt(args[1]), args[2]);
            }
        } else if (id == kDispIdTrackSelect) {
            if (eightArgs) {
                OnTrackSelect(ScriptArgInt(args[0]), args[1], args[2], args[3], args[4], ScriptArgInt(args[5]),
                              ScriptArgInt(args[6]), ScriptArgInt(args[7]));
            } else {
                OnTrackSelect(ScriptArgInt(args[0]), args[2], std::wstring(), std::wstring(), std::wstring(), 0, 0, 0);
            }
        } else {
            OnPlayAuditionJobs();
        }
    } catch (...) {
        // Out of memory inside a handler: the page's call ends without effect.
    }
    return S_OK;
}

void CWebBrowserBase::OnBrowserEvent(DISPID id, const DISPPARAMS& params) {
    // NavigateComplete2 and DocumentComplete (frame, address): remember the top-level
    // document's address; a new document has a script of its own.
    if ((id != DISPID_NAVIGATECOMPLETE2 && id != DISPID_DOCUMENTCOMPLETE) || params.cArgs != 2 ||
        params.rgvarg == nullptr) {
        return;
    }
    const VARIANT& frame = params.rgvarg[1];
    const VARIANT* address = &params.rgvarg[0];
    if (address->vt == (VT_BYREF | VT_VARIANT) && address->pvarVal != nullptr) address = address->pvarVal;
    IWebBrowser2* browser = GetBrowser();
    if (browser == nullptr || frame.vt != VT_DISPATCH || frame.pdispVal == nullptr) return;
    IUnknown* frameIdentity = nullptr;
    IUnknown* browserIdentity = nullptr;
    frame.pdispVal->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&frameIdentity));
    browser->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&browserIdentity));
    const bool topLevel = frameIdentity != nullptr && frameIdentity == browserIdentity;
    if (frameIdentity != nullptr) frameIdentity->Release();
    if (browserIdentity != nullptr) browserIdentity->Release();
    if (!topLevel) return;
    m_documentUrl = address->vt == VT_BSTR ? ScriptArgText(*address) : std::wstring();
    if (id == DISPID_NAVIGATECOMPLETE2) ReleaseScript();
}

bool CWebBrowserBase::DocumentMayCallPlayer() {
    if (!IsWebHostUrl(m_documentUrl)) return false;
    // The browser's own view of where it is, when it has one, must agree.
    IWebBrowser2* browser = GetBrowser();
    BSTR location = nullptr;
    if (browser == nullptr || FAILED(browser->get_LocationURL(&location)) || location == nullptr) return true;
    std::wstring address(location, ::SysStringLen(location));
    ::SysFreeString(location);
    return address.empty() || IsWebHostUrl(address);
}

void CWebBrowserBase::PostToHost(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_host != nullptr && ::IsWindow(m_host)) ::PostMessageW(m_host, message, wParam, lParam);
}

// ---- The script methods ----------------------------------------------------------------------

void CWebBrowserBase::OnClientCall(int kind, int number, const std::wstring& text) {
    if (text == m_lastCallText && kind == m_lastCallKind && number == m_lastCallNumber) return;
    m_lastCallText = text;
    m_lastCallKind = kind;
    m_lastCallNumber = number;
    if (kind != 2) return;
    // Each request waits here with a copy of its own text (the next call may change the kept
    // text before the host gets to it) until the host takes it.
    if (m_host == nullptr || !::IsWindow(m_host)) return;
    AddAllRequest request;
    request.text = text;
    request.number = number;
    m_addAllRequests.push_back(std::move(request));
    if (!::PostMessageW(m_host, WM_WEB_ADD_ALL, 0, static_cast<LPARAM>(number))) m_addAllRequests.pop_back();
}

bool CWebBrowserBase::TakeAddAllRequest(AddAllRequest& request) {
    if (m_addAllRequests.empty()) return false;
    request = std::move(m_addAllRequests.front());
    m_addAllRequests.pop_front();
    return true;
}

void CWebBrowserBase::OnTrackSelect(int action, const std::wstring& trackId, const std::wstring& trackName,
                                    const std::wstring& artistNames, const std::wstring& albumName, int, int,
                                    int playFlag) {
    TrackInfo track;
    track.TrackID = trackId;
    track.TrackName = trackName;
    track.ArtistNameList = artistNames;
    track.AlbumName = albumName;
    track.Time_Play = TodayDateText();
    track.IsDownloading = false;
    track.IsLocalFile = false;
    switch (action) {
    case 1:
        {
            std::lock_guard<std::recursive_mutex> guard(WebListsLock());
            WebTrackList.assign(1, track);
        }
        PostToHost(WM_WEB_ADD_TRACKS);
        break;
    case 2:
        if (playFlag != 1) break;
        {
            std::lock_guard<std::recursive_mutex> guard(WebListsLock());
            WebTrackList.assign(1, track);
        }
        {
            std::wstring url;
            {
                RestReplyLock hold(RestReply::PlayUrl);
                RestGetByProductId(RestReply::PlayUrl, RestMethod::GetTrackPlayUrl, trackId);
                ParsePlayUrlReply(RestReply::PlayUrl, url);
            }
            std::lock_guard<std::recursive_mutex> guard(WebListsLock());
            KeptAudition().track = track;
            KeptAudition().url = url;
        }
        PostToHost(WM_WEB_AUDITION);
        break;
    case 3:
        {
            std::lock_guard<std::recursive_mutex> guard(WebListsLock());
            WebDownloadList.assign(1, track);
        }
        PostToHost(WM_WEB_DOWNLOAD);
        break;
    default:
        break;
    }
}

void CWebBrowserBase::OnPlayAuditionJobs() { PostToHost(WM_WEB_SHOW_AUDITION); }

}  // namespace VelaUI
