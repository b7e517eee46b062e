// Base value types of the UI framework: string, arrays, string map, point, size, rectangle.
// None of them is thread-safe; they are used on the UI thread.
#pragma once

#include <windows.h>

namespace UIToolkit {

// UTF-16 text with a small inline buffer; always terminated by a 0 unit.
class CUIString {
public:
    enum { kInlineUnits = 64, kMaxInlineLength = 62 };

    CUIString();
    CUIString(wchar_t ch);
    CUIString(const wchar_t* text, int length = -1);
    CUIString(const CUIString& src);
    CUIString(CUIString&& src) noexcept;
    ~CUIString();

    int GetLength() const;
    bool IsEmpty() const { return m_text[0] == L'\0'; }
    void Empty();
    const wchar_t* GetData() const { return m_text; }
    wchar_t GetAt(int index) const { return m_text[index]; }
    operator const wchar_t*() const { return m_text; }

    void Assign(const wchar_t* text, int length = -1);
    void Append(const wchar_t* text);

    CUIString& operator=(const CUIString& src);
    CUIString& operator=(CUIString&& src) noexcept;
    CUIString& operator=(const wchar_t* text);
    CUIString& operator+=(const CUIString& src);
    CUIString& operator+=(const wchar_t* text);
    CUIString& operator+=(wchar_t ch);
    CUIString operator+(const CUIString& src) const;
    CUIString operator+(const wchar_t* text) const;

    bool operator==(const wchar_t* text) const { return Compare(text) == 0; }
    bool operator!=(const wchar_t* text) const { return Compare(text) != 0; }
    int Compare(const wchar_t* text) const;

    void MakeLower();
    CUIString Left(int n) const;
    int Find(const wchar_t* text, int start = 0) const;
    int ReverseFind(wchar_t ch) const;

    // Formats with the wvsprintfW rules; the result holds at most 63 characters (longer results
    // are cut). Returns the number of characters stored.
    int Format(const wchar_t* format, ...);

    bool IsInline() const { return m_text == m_inline; }

private:
    wchar_t* m_text;
    wchar_t m_inline[kInlineUnits];
};

// Growable array of untyped pointers; never owns what they point to.
class CUIPtrArray {
public:
    explicit CUIPtrArray(int reserve = 0);
    CUIPtrArray(const CUIPtrArray&) = delete;
    CUIPtrArray& operator=(const CUIPtrArray&) = delete;
    ~CUIPtrArray();

    int GetSize() const { return m_count; }
    int GetCapacity() const { return m_capacity; }
    bool IsEmpty() const { return m_count == 0; }
    void Empty();
    void Resize(int n);
    bool Add(void* p);
    bool InsertAt(int index, void* p);
    bool Remove(int index);
    int Find(void* p) const;
    void* GetAt(int index) const;
    void* operator[](int index) const { return m_items[index]; }

private:
    bool Grow();

    void** m_items;
    int m_count;
    int m_capacity;
};

// Growable array of fixed-size records copied in by value.
class CUIValueArray {
public:
    explicit CUIValueArray(int elementSize, int reserve = 0);
    CUIValueArray(const CUIValueArray&) = delete;
    CUIValueArray& operator=(const CUIValueArray&) = delete;
    ~CUIValueArray();

    int GetSize() const { return m_count; }
    bool IsEmpty() const { return m_count == 0; }
    void Empty();
    bool Add(const void* element);
    void* GetAt(int index) const { return m_data + static_cast<size_t>(index) * m_elementSize; }

private:
    unsigned char* m_data;
    int m_elementSize;
    int m_count;
    int m_capacity;
};

struct UIStringMapItem {
    CUIString key;
    void* data;
    UIStringMapItem* next;
};

// Hash map from text key to untyped pointer with chained buckets. Owns its items, never the data.
class CUIStringMap {
public:
    explicit CUIStringMap(int buckets = 83);
    CUIStringMap(const CUIStringMap&) = delete;
    CUIStringMap& operator=(const CUIStringMap&) = delete;
    ~CUIStringMap();

    void Resize(int buckets);
    void* Find(const wchar_t* key) const;
    bool Insert(const wchar_t* key, void* data);
    void* Set(const wchar_t* key, void* data);
    bool Remove(const wchar_t* key);
    int GetSize() const;
    const wchar_t* GetKeyAt(int n) const;
    int GetBucketCount() const { return m_bucketCount; }

    static unsigned int HashKey(const wchar_t* key);

private:
    void FreeItems();
    int BucketOf(const wchar_t* key) const;

    UIStringMapItem** m_buckets;
    int m_bucketCount;
};

class CUIPoint : public tagPOINT {
public:
    CUIPoint() { x = 0; y = 0; }
    CUIPoint(const POINT& src) { x = src.x; y = src.y; }
    CUIPoint(int px, int py) { x = px; y = py; }
};

class CUISize : public tagSIZE {
public:
    CUISize() { cx = 0; cy = 0; }
    CUISize(const SIZE& src) { cx = src.cx; cy = src.cy; }
    CUISize(int w, int h) { cx = w; cy = h; }
};

class CUIRect : public tagRECT {
public:
    CUIRect() { left = top = right = bottom = 0; }
    CUIRect(const RECT& src) { left = src.left; top = src.top; right = src.right; bottom = src.bottom; }
    CUIRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }

    int GetWidth() const { return right - left; }
    int GetHeight() const { return bottom - top; }
    bool IsEmptyArea() const { return ::IsRectEmpty(this) != FALSE; }
    void Join(const RECT& rc);
    void MoveToOrigin() { ::OffsetRect(this, -left, -top); }
    void Offset(int dx, int dy) { ::OffsetRect(this, dx, dy); }
};

}  // namespace UIToolkit
