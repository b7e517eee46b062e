// The rows of the downloads view ("ListDownloadManage"): one list container element per
// download item, with eight floating children: a marker, the track's name, the artist, the
// progress, the size and the speed, the status icon and the delete icon.
#pragma once

#include <cstddef>

#include "download_item.h"
#include "list_elements.h"

namespace VelaUI {

// Children of a row, by position.
enum DownloadRowChild {
    kRowMarker = 0,
    kRowTrackName = 1,
    kRowArtist = 2,
    kRowProgress = 3,
    kRowFileSize = 4,
    kRowSpeed = 5,
    kRowStatusIcon = 6,  // wParam of the row's "itemclick" when the icon was clicked
    kRowDeleteIcon = 7,
    kRowChildCount = 8
};

// The row's background: "#FF858687" when the number of items (the new one counted) is odd,
// "#FF636464" when it is even.
const wchar_t* DownloadRowColor(size_t itemCount);

// Builds the row of the item that was just appended as item number itemCount (so named
// "MenuElement_<itemCount - 1>"), owned by list, coloured by itemCount. The caller adds it to
// the list. When building fails part-way the row comes back as far as it was built; null when
// the row itself could not be made.
UIToolkit::CListContainerElementUI* MakeDownloadRow(const DownloadItem& item, size_t itemCount,
                                                    UIToolkit::CControlUI* list);

// Shows the status icon of a row (child 6) for the status; a "complete" row keeps the icon it
// had. An icon that shows already is left alone (no repaint).
void SetDownloadRowStatusIcon(UIToolkit::CControlUI* row, const std::wstring& status);

// Shows what the monitor learnt: progress, size and speed of a running item; "已完成", the last
// size and no speed for a complete one.
void ShowDownloadProgress(UIToolkit::CControlUI* row, const DownloadItem& item);

}  // namespace VelaUI
