// "Dmanage", the download list kept from one run of the player to the next: an XML document
// with one top-level "Track" element per item (no root element), each holding ten elements in
// the player's three-byte text form. Every item is written "waiting", so nothing starts by
// itself after a restart.
#pragma once

#include <string>
#include <vector>

#include "download_item.h"

namespace VelaUI {

// The file's name in the per-user data folder.
constexpr wchar_t kDownloadListFileName[] = L"Dmanage";

// The text of the file for these items.
std::string DownloadListText(const std::vector<DownloadItem>& items);

// Writes the items to path: the new text goes to a temporary file that then replaces the old
// file in one step, so a failed write leaves the old list whole. With no items the file is
// deleted. False when the file could not be written (or, with no items, not deleted).
bool SaveDownloadItems(const std::wstring& path, const std::vector<DownloadItem>& items);

// Reads the items of path into items (emptied first). True with no items when there is no
// file; false when the file cannot be read, is not XML or holds no element. Every top-level
// element is an item, whatever its name; within it the elements from its first "TrackID" on
// set the fields of their names.
bool LoadDownloadItems(const std::wstring& path, std::vector<DownloadItem>& items);

}  // namespace VelaUI
