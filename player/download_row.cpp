#include "download_row.h"

#include <cwchar>
#include <new>
#include <string>

#include "container.h"
#include "label.h"

namespace VelaUI {

using UIToolkit::CControlUI;
using UIToolkit::CLabelUI;
using UIToolkit::CLabelUIEx;
using UIToolkit::CListContainerElementUI;

namespace {

const wchar_t kMarkerImage[] = L"file='xz.png' source='0,0,10,25'";
const wchar_t kDeleteImage[] = L"file='xz_gb.png' source='0,0,18,25'";

// The row's children in order: "pos" and whether it is a hand-cursor label. The columns follow
// the header of "ListDownloadManage" in layout 205 ("歌名" 232, "歌手" 120, "完成进度", "大小" and
// "速度/码率" 80 each, "操" and "作" 25 each): a row is 642 wide, so that at the window's
// default size it fits the list beside the vertical bar, its icons under "操作".
struct RowChildSpec {
    const wchar_t* pos;
    bool handCursor;
};

const RowChildSpec kRowChildren[kRowChildCount] = {
    {L"10, 0, 20, 25", false},   {L"22, 0, 232, 25", false},  {L"232, 0, 352, 25", false},
    {L"352, 0, 432, 25", false}, {L"432, 0, 512, 25", false}, {L"512, 0, 592, 25", false},
    {L"596, 0, 614, 20", true},  {L"620, 0, 638, 25", true},
};

CControlUI* RowChild(CControlUI* row, int index) {
    auto* container = row != nullptr ? static_cast<UIToolkit::IContainerUI*>(row->GetInterface(L"IContainer")) : nullptr;
    return container != nullptr ? container->GetItemAt(index) : nullptr;
}

void SetChildText(CControlUI* row, int index, const std::wstring& text) {
    if (CControlUI* child = RowChild(row, index)) child->SetText(text.c_str());
}

}  // namespace

const wchar_t* DownloadRowColor(size_t itemCount) { return itemCount % 2 == 1 ? L"#FF858687" : L"#FF636464"; }

CListContainerElementUI* MakeDownloadRow(const DownloadItem& item, size_t itemCount, CControlUI* list) {
    CListContainerElementUI* row = new (std::nothrow) CListContainerElementUI();
    if (row == nullptr) return nullptr;
    try {
        row->SetName((L"MenuElement_" + std::to_wstring(itemCount > 0 ? itemCount - 1 : 0)).c_str());
        row->SetOwner(list);
        row->SetAttribute(L"height", L"25");
        row->SetAttribute(L"inset", L"25,0,0,0");
        row->SetAttribute(L"mousechild", L"true");
        const std::wstring* texts[kRowChildCount] = {nullptr,        &item.TrackName, &item.ArtistName, &item.Progress,
                                                     &item.FileSize, &item.Speed,     nullptr,          nullptr};
        for (int i = 0; i < kRowChildCount; ++i) {
            CLabelUI* child = kRowChildren[i].handCursor ? new CLabelUIEx() : new CLabelUI();
            child->SetAttribute(L"float", L"true");
            child->SetAttribute(L"pos", kRowChildren[i].pos);
            if (texts[i] != nullptr) child->SetText(texts[i]->c_str());
            if (i == kRowMarker) child->SetBkImage(kMarkerImage);
            if (i == kRowStatusIcon) child->SetBkImage(DownloadStatusIcon(item.Status));
            if (i == kRowDeleteIcon) child->SetBkImage(kDeleteImage);
            row->AddAt(child, i);
        }
        row->SetAttribute(L"bkcolor", DownloadRowColor(itemCount));
    } catch (const std::bad_alloc&) {
        // The row as far as it was built.
    }
    return row;
}

void SetDownloadRowStatusIcon(CControlUI* row, const std::wstring& status) {
    if (status == DownloadStatus::Complete) return;  // a complete row keeps the icon it had
    CControlUI* icon = RowChild(row, kRowStatusIcon);
    if (icon == nullptr) return;
    const wchar_t* wanted = DownloadStatusIcon(status);
    const wchar_t* shown = icon->GetBkImage();
    if (shown == nullptr || std::wcscmp(shown, wanted) != 0) icon->SetBkImage(wanted);
}

void ShowDownloadProgress(CControlUI* row, const DownloadItem& item) {
    const bool complete = item.Status == DownloadStatus::Complete;
    SetChildText(row, kRowProgress, complete ? std::wstring(kDownloadProgressDone) : item.Progress);
    SetChildText(row, kRowFileSize, item.FileSize);
    SetChildText(row, kRowSpeed, complete ? std::wstring() : item.Speed);
}

}  // namespace VelaUI
