// Everything of the UI framework core in one include.
#pragma once

#include "ui_base.h"
#include "ui_zip.h"
#include "window_wnd.h"
#include "window_manager.h"
#include "control.h"
#include "render_engine.h"
#include "scroll_bar.h"
#include "container.h"
#include "layouts.h"
