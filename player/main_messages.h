// Every window message number of the main window, in one place. The numbers are part of the
// program's contract: the dialogs, menus, the audio engine and the embedded page post or send
// them, and outside programs (tests, a second instance) may post them too.
#pragma once

#include <windows.h>

namespace VelaUI {

// The download list's popup menu (its items answer with this message).
const UINT WM_DOWNLOAD_MENU = 500;
// Sent by nobody; kept handled so that it never reaches the manager.
const UINT WM_MAIN_RESERVED_1075 = 1075;
// The tray icon's callback; lParam is the mouse message.
const UINT WM_TRAYICON = 1076;
// The close-behaviour dialog: cancelled, or confirmed (wParam 1: hide to the tray, 0: exit).
const UINT WM_CLOSESET_CANCEL = 1077;
const UINT WM_CLOSESET_OK = 1078;
// The options dialog: cancelled, or saved (the option group of "Set.ini" is read again).
const UINT WM_OPTION_CANCEL = 1079;
const UINT WM_OPTION_SAVED = 1080;
// The tray menu: item k posts 1080 + k.
const UINT WM_TRAYMENU_FIRST = 1080;
const UINT WM_TRAYMENU_LOGIN = 1081;
const UINT WM_TRAYMENU_OPTIONS = 1082;
const UINT WM_TRAYMENU_TOPMOST = 1083;
const UINT WM_TRAYMENU_UPDATE = 1084;
const UINT WM_TRAYMENU_HOMEPAGE = 1085;
const UINT WM_TRAYMENU_ABOUT = 1086;
const UINT WM_TRAYMENU_EXIT = 1087;
// The login dialog and the automatic login.
const UINT WM_LOGIN_CLOSED = 1088;
const UINT WM_LOGIN_OK = 1089;
// 1090 to 1096 are not the main window's: they reach its manager unhandled (the push dialog
// uses some of them for itself).
const UINT WM_MAIN_UNHANDLED_FIRST = 1090;
const UINT WM_MAIN_UNHANDLED_LAST = 1096;
const UINT WM_LOAD_ONLINE_PLAYLISTS = 1097;
// The audio engine: state changes (posted) and progress (sent from its threads).
const UINT WM_PLAYER_STATE = 2024;
const UINT WM_PLAYER_PROGRESS = 2025;
// The embedded web page's bridge.
const UINT WM_WEB_AUDITION = 3024;
const UINT WM_WEB_ADD_TRACKS = 3025;
const UINT WM_WEB_DOWNLOAD = 3026;
const UINT WM_WEB_STOP = 3027;
const UINT WM_WEB_AUDITION_AGAIN = 3028;
const UINT WM_WEB_ADD_ALL = 3029;
const UINT WM_WEB_ADD_ALL_2 = 3030;
const UINT WM_WEB_ADD_ALL_3 = 3031;
const UINT WM_WEB_SHOW_AUDITION = 3032;

// The form's own hand-over from worker threads: control changes queued by a worker run on the
// UI thread when this message arrives (see VelaMainForm::RunOnUiThread).
const UINT WM_RUN_UI_TASKS = WM_APP + 0x100;

// The window timer that the main window keeps (it has no effect).
const UINT kMainTimerId = 400;
const UINT kMainTimerElapse = 50000;

}  // namespace VelaUI
