// The numbers through which the embedded page reaches the player: the dispatch ids of the
// methods that window.external offers the page's script; the messages that the bridge posts.
#pragma once

#include <windows.h>

#include "main_messages.h"

namespace VelaUI {

// window.external of the client page.
const DISPID kDispIdClientCall = 9000;        // "clientcall"
const DISPID kDispIdTrackSelect = 9001;       // "TrackSelect"
const DISPID kDispIdPlayAuditionJobs = 9002;  // "PlayAuditionJobs"

// The messages the bridge posts to the main window are the main window's (main_messages.h):
// WM_WEB_AUDITION, WM_WEB_ADD_TRACKS, WM_WEB_DOWNLOAD, WM_WEB_ADD_ALL (wParam 0, lParam the list
// kind; the id text and the kind wait in the bridge, see CWebBrowserBase::TakeAddAllRequest) and
// WM_WEB_SHOW_AUDITION.

}  // namespace VelaUI
