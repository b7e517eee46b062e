// The player's tree of playlists: a list whose one-line label rows stand for the nodes of a tree
// kept beside the rows. Rows lie in depth-first order; indentation and the expand icon are tagged
// text in each row's own text; a collapsed node hides its descendants' rows. The mouse wheel
// scrolls with a short decelerating glide.
#pragma once

#include <cstddef>
#include <memory>
#include <unordered_set>
#include <vector>

#include "list.h"
#include "list_elements.h"

namespace UIToolkit {

struct PlayListNodeData {
    int level = -1;                          // -1 root, 0 top level, parent's + 1 below
    bool expanded = false;
    CUIString text;                          // the caption as given, without the tags
    CListLabelElementUI* row = nullptr;      // owned by the list's body; null for the root
};

// One node of the tree; owns its children and, optionally, one extra object of the caller's (the
// player keeps a node's playlist there), which goes with the node.
class PlayListNode {
public:
    PlayListNode() = default;
    PlayListNode(const PlayListNode&) = delete;
    PlayListNode& operator=(const PlayListNode&) = delete;
    // Deletes the whole subtree (without recursion, so deep trees cannot exhaust the stack).
    ~PlayListNode();

    PlayListNodeData& GetData() { return m_data; }
    const PlayListNodeData& GetData() const { return m_data; }
    PlayListNode* GetParent() const { return m_parent; }
    int GetChildCount() const { return static_cast<int>(m_children.size()); }
    bool HasChildren() const { return !m_children.empty(); }
    // Null for an index outside the children.
    PlayListNode* GetChild(int index) const;
    // Makes this node the child's parent and appends it.
    void AddChild(PlayListNode* child);
    // Takes the first entry equal to the child out; the child is not deleted.
    void RemoveChild(PlayListNode* child);
    // The last child's last descendant; the node itself without children.
    PlayListNode* GetLastDescendant();

    // Hands the node an object to own (deleted with the node, or when another one replaces it);
    // null drops the current one.
    template <typename T>
    void SetExtra(T* object) {
        if (object == m_extra.get() && object) return;
        m_extra = ExtraPtr(object, object ? &DeleteExtra<T> : nullptr);
    }
    void SetExtra(std::nullptr_t) { m_extra.reset(); }
    // The owned object as the type it was given as; null when the node holds none.
    template <typename T>
    T* GetExtra() const {
        return static_cast<T*>(m_extra.get());
    }
    bool HasExtra() const { return m_extra != nullptr; }

private:
    using ExtraPtr = std::unique_ptr<void, void (*)(void*)>;
    template <typename T>
    static void DeleteExtra(void* object) {
        delete static_cast<T*>(object);
    }

    ExtraPtr m_extra{nullptr, nullptr};
    std::vector<PlayListNode*> m_children;
    PlayListNode* m_parent = nullptr;
    PlayListNodeData m_data;
};

class CPlayListUI : public CListUI {
public:
    enum { kGlideTimerId = 10, kGlideTimerElapse = 50, kMaxWheelSpeed = 100 };

    CPlayListUI();
    ~CPlayListUI() override;

    // Adds a node with its row under the parent (null: the root), after the parent's existing
    // subtree. Null when the row cannot be inserted or the parent is not a node of this tree.
    PlayListNode* AddNode(const wchar_t* text, const wchar_t* toolTip = nullptr,
                          PlayListNode* parent = nullptr);
    // Removes the node, its descendants and their rows. False for null, the root, or a node that
    // does not belong to this tree.
    bool RemoveNode(PlayListNode* node);
    // Opens or closes a node: its icon changes and its descendants' rows show or hide.
    void ExpandNode(PlayListNode* node, bool expand);
    PlayListNode* GetRoot() const { return m_root; }
    // True when the node belongs to this control's tree (the root included). Safe for any pointer,
    // also one to a node that has been removed already.
    bool ContainsNode(const PlayListNode* node) const;
    // The row text of a node: indentation, expand icon (levels 0 to 2) and caption. Brackets in the
    // caption are written as escapes, so a caption always shows as it was given.
    static CUIString MakeRowText(const PlayListNodeData& data);

    void SetVisible(bool visible = true) override;
    void SetInternalVisible(bool visible = true) override;
    void HandleEvent(UIEvent& event) override;

    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    bool RemoveAt(int index) override;
    void RemoveAll() override;

    int GetWheelSpeed() const { return m_wheelSpeed; }
    UINT GetGlideTotalSteps() const { return m_totalSteps; }
    UINT GetGlideRemainingSteps() const { return m_remainingSteps; }

private:
    static bool IsTreeRow(CControlUI* control);
    // The node a row of this tree stands for, or null for a plain row.
    PlayListNode* NodeOfRow(CControlUI* control) const;
    int RowIndexOf(const PlayListNode* node) const;
    // The velocity of the glide under way (0 at rest).
    int CurrentGlideStep() const;
    void OnGlideTick();
    void OnWheel(WPARAM wParam);
    void StopGlide();
    void MakeRoot();

    PlayListNode* m_root = nullptr;
    // Every node of the tree, the root included: lets a node pointer (or a row's tag) be checked
    // without reading through it.
    std::unordered_set<const PlayListNode*> m_nodes;
    int m_wheelSpeed = 0;
    UINT m_totalSteps = 0;
    UINT m_remainingSteps = 0;
};

}  // namespace UIToolkit
