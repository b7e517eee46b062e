// Every control of the UI framework and the layout builder in one include (with the core).
#pragma once

#include "ui_core.h"
#include "layouts.h"

#include "layout_xml.h"
#include "dialog_builder.h"

#include "label.h"
#include "text.h"
#include "button.h"
#include "progress.h"
#include "edit.h"
#include "rich_edit.h"
#include "text_host.h"
#include "list.h"
#include "list_header.h"
#include "list_elements.h"
#include "combo.h"
#include "play_list_tree.h"
#include "popup_menu.h"
#include "activex.h"
