#include "play_list_tree.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

namespace UIToolkit {

namespace {

const wchar_t kTreeRowClass[] = L"ListLabelElementUI";
const wchar_t kTopLevelRowImage[] =
    L"file='left.png' source='0,0,109,29' corner='2,1,2,1' fade='100'";
const int kIconLevels = 3;   // levels 0, 1 and 2 show the expand icon

// Nodes of a subtree in depth-first (row) order, the subtree's root first. Iterative, so a deep
// tree cannot exhaust the stack.
std::vector<PlayListNode*> SubtreeInRowOrder(PlayListNode* top) {
    std::vector<PlayListNode*> order;
    std::vector<PlayListNode*> pending{top};
    while (!pending.empty()) {
        PlayListNode* node = pending.back();
        pending.pop_back();
        order.push_back(node);
        for (int i = node->GetChildCount() - 1; i >= 0; --i) pending.push_back(node->GetChild(i));
    }
    return order;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// PlayListNode

PlayListNode::~PlayListNode() {
    // Detach the whole subtree into a flat list first, then free it: no recursion.
    std::vector<PlayListNode*> doomed;
    doomed.swap(m_children);
    while (!doomed.empty()) {
        PlayListNode* node = doomed.back();
        doomed.pop_back();
        doomed.insert(doomed.end(), node->m_children.begin(), node->m_children.end());
        node->m_children.clear();
        delete node;
    }
}

PlayListNode* PlayListNode::GetChild(int index) const {
    if (index < 0 || index >= GetChildCount()) return nullptr;
    return m_children[static_cast<size_t>(index)];
}

void PlayListNode::AddChild(PlayListNode* child) {
    if (!child) return;
    child->m_parent = this;
    m_children.push_back(child);
}

void PlayListNode::RemoveChild(PlayListNode* child) {
    auto it = std::find(m_children.begin(), m_children.end(), child);
    if (it != m_children.end()) m_children.erase(it);
}

PlayListNode* PlayListNode::GetLastDescendant() {
    PlayListNode* node = this;
    while (node->HasChildren()) node = node->m_children.back();
    return node;
}

// ---------------------------------------------------------------------------------------------
// CPlayListUI

CPlayListUI::CPlayListUI() {
    MakeRoot();
    SetItemShowHtml(true);
}

void CPlayListUI::MakeRoot() {
    m_root = new PlayListNode;
    m_root->GetData().level = -1;
    m_root->GetData().expanded = true;
    m_nodes.clear();
    m_nodes.insert(m_root);
}

CPlayListUI::~CPlayListUI() {
    // The rows outlive the nodes (the list deletes them afterwards): they must not keep
    // pointing at freed nodes.
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* row = GetItemAt(i);
        if (NodeOfRow(row)) row->SetTag(0);
    }
    delete m_root;
    m_root = nullptr;
    m_nodes.clear();
}

CUIString CPlayListUI::MakeRowText(const PlayListNodeData& data) {
    CUIString text(L"<x 6>");
    for (int i = 0; i < data.level; ++i) text += L"<x 24>";
    if (data.level >= 0 && data.level < kIconLevels) {
        text += data.expanded ? L"<a><i tree_expand.png 2 1></a>" : L"<a><i tree_expand.png 2 0></a>";
    }
    // Captions come from the user's files and from the service: a bracket in them is text, never
    // the start of a tag.
    for (const wchar_t* p = data.text.GetData(); *p; ++p) {
        switch (*p) {
        case L'<': text += L"{<}"; break;
        case L'>': text += L"{>}"; break;
        case L'{': text += L"<{>"; break;
        case L'}': text += L"<}>"; break;
        default: text += *p; break;
        }
    }
    return text;
}

bool CPlayListUI::IsTreeRow(CControlUI* control) {
    return control && wcscmp(control->GetClassName(), kTreeRowClass) == 0;
}

bool CPlayListUI::ContainsNode(const PlayListNode* node) const {
    return node != nullptr && m_nodes.count(node) != 0;
}

PlayListNode* CPlayListUI::NodeOfRow(CControlUI* control) const {
    if (!IsTreeRow(control)) return nullptr;
    PlayListNode* node = reinterpret_cast<PlayListNode*>(control->GetTag());
    if (!ContainsNode(node) || node->GetData().row != control) return nullptr;
    return node;
}

int CPlayListUI::RowIndexOf(const PlayListNode* node) const {
    if (!node || !node->GetData().row) return -1;
    return GetItemIndex(node->GetData().row);
}

PlayListNode* CPlayListUI::AddNode(const wchar_t* text, const wchar_t* toolTip,
                                   PlayListNode* parent) {
    if (!parent) parent = m_root;
    if (!ContainsNode(parent)) return nullptr;
    const PlayListNodeData& parentData = parent->GetData();

    CListLabelElementUI* row = new CListLabelElementUI;
    PlayListNode* node = new PlayListNode;
    PlayListNodeData& data = node->GetData();
    data.level = parentData.level + 1;
    data.expanded = false;
    data.text = text ? text : L"";
    data.row = row;

    if (parent != m_root &&
        (!parentData.expanded || !parentData.row || !parentData.row->IsVisible())) {
        row->SetInternalVisible(false);
    }
    row->SetText(MakeRowText(data));
    row->SetToolTip(toolTip ? toolTip : L"");
    row->SetTag(reinterpret_cast<UINT_PTR>(node));
    if (data.level == 0) row->SetBkImage(kTopLevelRowImage);

    int index = 0;
    if (parent->HasChildren()) {
        index = RowIndexOf(parent->GetLastDescendant()) + 1;
    } else if (parent != m_root) {
        index = RowIndexOf(parent) + 1;
    }
    if (!CListUI::AddAt(row, index)) {
        delete row;
        delete node;
        return nullptr;
    }
    parent->AddChild(node);
    m_nodes.insert(node);
    return node;
}

bool CPlayListUI::RemoveNode(PlayListNode* node) {
    if (!node || node == m_root || !ContainsNode(node)) return false;

    const std::vector<PlayListNode*> subtree = SubtreeInRowOrder(node);
    const int firstRow = RowIndexOf(node);

    // When the selection lies inside the subtree, it moves once, after all its rows are gone,
    // to the nearest selectable row before them (instead of hopping through rows that are
    // about to go, with a notification for each).
    bool selectionInside = false;
    if (m_curSel >= 0) {
        PlayListNode* selected = NodeOfRow(GetItemAt(m_curSel));
        selectionInside =
            selected && std::find(subtree.begin(), subtree.end(), selected) != subtree.end();
    }
    if (selectionInside) CListUI::SelectItem(-1);

    // Descendants' rows first (reverse row order); each row forgets its node before it goes.
    for (auto it = subtree.rbegin(); it != subtree.rend(); ++it) {
        CListLabelElementUI* row = (*it)->GetData().row;
        (*it)->GetData().row = nullptr;
        m_nodes.erase(*it);
        if (!row) continue;
        row->SetTag(0);
        CListUI::Remove(row);
    }

    if (selectionInside && firstRow >= 0) CListUI::SelectItem(FindSelectableItem(firstRow - 1, false));

    if (PlayListNode* parent = node->GetParent()) parent->RemoveChild(node);
    delete node;
    return true;
}

void CPlayListUI::ExpandNode(PlayListNode* node, bool expand) {
    if (!node || node == m_root || !ContainsNode(node)) return;
    PlayListNodeData& data = node->GetData();
    if (data.expanded == expand) return;
    data.expanded = expand;
    if (data.row) data.row->SetText(MakeRowText(data));

    if (!data.row || !data.row->IsVisible() || !node->HasChildren()) return;
    const int first = RowIndexOf(node->GetChild(0));
    const int last = RowIndexOf(node->GetLastDescendant());
    if (first < 0 || last < first) return;
    for (int i = first; i <= last; ++i) {
        CControlUI* row = GetItemAt(i);
        PlayListNode* rowNode = NodeOfRow(row);
        if (!rowNode) continue;
        PlayListNode* parent = rowNode->GetParent();
        bool show = true;
        if (parent && parent != m_root) {
            show = parent->GetData().expanded && parent->GetData().row &&
                   parent->GetData().row->IsVisible();
        }
        row->SetInternalVisible(show);
    }
    RequestLayout();
}

void CPlayListUI::SetVisible(bool visible) {
    // Only the control itself: the rows' internal visibility carries the collapsed state.
    if (visible != m_visible) CControlUI::SetVisible(visible);
}

void CPlayListUI::SetInternalVisible(bool visible) {
    CControlUI::SetInternalVisible(visible);
}

bool CPlayListUI::Add(CControlUI* control) {
    if (!IsTreeRow(control)) return false;
    return CListUI::Add(control);
}

bool CPlayListUI::AddAt(CControlUI* control, int index) {
    if (!IsTreeRow(control)) return false;
    return CListUI::AddAt(control, index);
}

bool CPlayListUI::Remove(CControlUI* control) {
    if (!IsTreeRow(control)) return false;
    if (PlayListNode* node = NodeOfRow(control)) {
        if (ContainsNode(node)) return RemoveNode(node);
    }
    return CListUI::Remove(control);
}

bool CPlayListUI::RemoveAt(int index) {
    CControlUI* row = GetItemAt(index);
    if (!row) return false;
    return Remove(row);
}

void CPlayListUI::RemoveAll() {
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* row = GetItemAt(i);
        if (NodeOfRow(row)) row->SetTag(0);
    }
    CListUI::RemoveAll();
    delete m_root;
    MakeRoot();
}

// ---------------------------------------------------------------------------------------------
// Smooth wheel

int CPlayListUI::CurrentGlideStep() const {
    if (m_totalSteps == 0) return 0;
    const double ratio = static_cast<double>(m_remainingSteps) / static_cast<double>(m_totalSteps);
    return static_cast<int>(ratio * ratio * m_wheelSpeed);
}

void CPlayListUI::StopGlide() {
    m_wheelSpeed = 0;
    m_totalSteps = 0;
    m_remainingSteps = 0;
    if (m_manager) m_manager->KillTimer(this, kGlideTimerId);
}

void CPlayListUI::OnGlideTick() {
    if (m_remainingSteps > 0) {
        --m_remainingSteps;
        const int step = CurrentGlideStep();
        const SIZE pos = GetScrollPos();
        const SIZE range = GetScrollRange();
        if ((step > 0 && pos.cy != 0) || (step < 0 && pos.cy != range.cy)) {
            SetScrollPos(SIZE{pos.cx, pos.cy - step});
            return;
        }
    }
    StopGlide();
}

void CPlayListUI::OnWheel(WPARAM wParam) {
    const int current = CurrentGlideStep();
    int speed = m_wheelSpeed;
    switch (LOWORD(wParam)) {
    case 0:
        speed = current + (m_wheelSpeed < 0 ? 12 : 8);
        break;
    case 1:
        speed = current - (m_wheelSpeed > 0 ? 12 : 8);
        break;
    default:
        break;
    }
    m_wheelSpeed = std::max(-static_cast<int>(kMaxWheelSpeed),
                            std::min(static_cast<int>(kMaxWheelSpeed), speed));
    m_totalSteps = 5u * static_cast<UINT>(std::floor(std::sqrt(std::abs(m_wheelSpeed))));
    m_remainingSteps = m_totalSteps;
    if (m_manager) m_manager->SetTimer(this, kGlideTimerId, kGlideTimerElapse);
}

void CPlayListUI::HandleEvent(UIEvent& event) {
    if (!IsMouseEnabled() && event.type > UIEVENT__MOUSEBEGIN && event.type < UIEVENT__MOUSEEND) {
        if (m_parent) {
            m_parent->HandleEvent(event);
        } else {
            CVerticalLayoutUI::HandleEvent(event);
        }
        return;
    }
    if (event.type == UIEVENT_TIMER && event.wParam == kGlideTimerId) {
        OnGlideTick();
        return;
    }
    if (event.type == UIEVENT_SCROLLWHEEL) {
        OnWheel(event.wParam);
        return;
    }
    CListUI::HandleEvent(event);
}

}  // namespace UIToolkit
