// The numbers through which the embedded page reaches the player: the dispatch ids of the
// methods that window.external offers the page's script, and the messages that the bridge posts
// to the main window. The main window's message header names the same messages; until the two
// meet, these are the ones the bridge uses.
#pragma once

#include <windows.h>

namespace VelaUI {

// window.external of the client page.
const DISPID kDispIdClientCall = 9000;        // "clientcall"
const DISPID kDispIdTrackSelect = 9001;       // "TrackSelect"
const DISPID kDispIdPlayAuditionJobs = 9002;  // "PlayAuditionJobs"

// Posted to the main window; wParam and lParam 0 unless said otherwise.
const UINT WM_WEB_AUDITION = 3024;        // play the first track of WebTrackList ("playurl" requested)
const UINT WM_WEB_ADD_TRACKS = 3025;      // append WebTrackList to the default playlist
const UINT WM_WEB_DOWNLOAD = 3026;        // download the first track of WebDownloadList
// wParam: a std::wstring* with the id text, owned by the receiver (TakeWebAddAllText);
// lParam: the list kind the page gave.
const UINT WM_WEB_ADD_ALL = 3029;
const UINT WM_WEB_SHOW_AUDITION = 3032;   // show the audition list

}  // namespace VelaUI
