// A minimal in-process ActiveX control for the host's tests, loaded from its module without
// registration. One object class serves several class ids, each a behaviour the host must cope
// with; the module exports its shared state so that tests can watch and steer the objects.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

namespace axtest {

// Activates windowless; draws itself as a filled rectangle; hit area steerable.
const CLSID kWindowless = {0x6e3f0a10, 0x5c2b, 0x4c8e, {0x9d, 0x41, 0x2f, 0x6a, 0x7b, 0x8c, 0x9d, 0x01}};
// Refuses windowless activation: makes its own window in the site's window.
const CLSID kWindowed = {0x6e3f0a10, 0x5c2b, 0x4c8e, {0x9d, 0x41, 0x2f, 0x6a, 0x7b, 0x8c, 0x9d, 0x02}};
// OLEMISC_INVISIBLEATRUNTIME: must not be activated.
const CLSID kInvisible = {0x6e3f0a10, 0x5c2b, 0x4c8e, {0x9d, 0x41, 0x2f, 0x6a, 0x7b, 0x8c, 0x9d, 0x03}};
// OLEMISC_SETCLIENTSITEFIRST: wants its site before InitNew.
const CLSID kSiteFirst = {0x6e3f0a10, 0x5c2b, 0x4c8e, {0x9d, 0x41, 0x2f, 0x6a, 0x7b, 0x8c, 0x9d, 0x04}};
// InitNew fails.
const CLSID kInitFails = {0x6e3f0a10, 0x5c2b, 0x4c8e, {0x9d, 0x41, 0x2f, 0x6a, 0x7b, 0x8c, 0x9d, 0x05}};

const COLORREF kFillColor = RGB(0x20, 0x80, 0xC0);
const LRESULT kMessageResult = 0x1234;

struct ControlState {
    LONG liveObjects;          // objects made and not yet destroyed
    LONG siteReferences;       // client sites the objects hold now
    int initNewCalls;
    bool siteBeforeInitNew;    // the last InitNew found a client site already set
    int doVerbCalls;
    int closeCalls;
    bool windowless;           // the last activation was windowless
    bool inPlaceActive;
    RECT objectRect;           // last SetObjectRects
    SIZEL extent;              // last SetExtent
    int drawCount;
    HWND window;               // the windowed object's own window
    HWND siteWindow;           // IOleWindow::GetWindow of the site at activation
    HWND frameWindow;          // the frame window of the window context
    wchar_t containerApp[32];  // SetHostNames
    int objectSiteCalls;       // IObjectWithSite::SetSite with a site
    RECT hitArea;              // QueryHitPoint reports a hit inside (form coordinates)
    int messageCount;
    UINT messages[64];
    bool keepSite;             // keep an extra reference to the in-place site (below)
    IOleInPlaceSiteWindowless* keptSite;
    bool askWindowFirst;       // ask the site for its window when the client site is set
    HWND earlyWindow;          // what that early question answered
    bool keepFrame;            // keep the in-place frame of the window context (below)
    IOleInPlaceFrame* keptFrame;
};

typedef ControlState*(WINAPI* StateProc)();
const char kStateProcName[] = "VelaTestControlState";
const wchar_t kModuleName[] = L"vela_axtest.dll";

}  // namespace axtest
