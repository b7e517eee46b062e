#include "ui_base.h"

#include <shlwapi.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <new>

namespace UIToolkit {

namespace {

int TextLength(const wchar_t* text) {
    return text == nullptr ? 0 : static_cast<int>(wcslen(text));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CUIString

CUIString::CUIString() : m_text(m_inline) {
    m_inline[0] = L'\0';
}

CUIString::CUIString(wchar_t ch) : m_text(m_inline) {
    m_inline[0] = ch;
    m_inline[1] = L'\0';
}

CUIString::CUIString(const wchar_t* text, int length) : m_text(m_inline) {
    m_inline[0] = L'\0';
    Assign(text, length);
}

CUIString::CUIString(const CUIString& src) : m_text(m_inline) {
    m_inline[0] = L'\0';
    Assign(src.m_text, src.GetLength());
}

CUIString::CUIString(CUIString&& src) noexcept : m_text(m_inline) {
    m_inline[0] = L'\0';
    if (src.IsInline()) {
        wmemcpy(m_inline, src.m_inline, kInlineUnits);
    } else {
        m_text = src.m_text;
        src.m_text = src.m_inline;
        src.m_inline[0] = L'\0';
    }
}

CUIString::~CUIString() {
    if (!IsInline()) delete[] m_text;
}

int CUIString::GetLength() const {
    return static_cast<int>(wcslen(m_text));
}

void CUIString::Empty() {
    if (!IsInline()) delete[] m_text;
    m_text = m_inline;
    m_inline[0] = L'\0';
}

void CUIString::Assign(const wchar_t* text, int length) {
    if (text == nullptr) text = L"";
    if (length < 0) length = TextLength(text);
    // The source may lie inside this string's own block; never free or move that block before
    // the copy is made.
    if (length > kMaxInlineLength) {
        if (IsInline() || GetLength() < length) {
            wchar_t* block = new wchar_t[static_cast<size_t>(length) + 1];
            wmemcpy(block, text, length);
            block[length] = L'\0';
            if (!IsInline()) delete[] m_text;
            m_text = block;
            return;
        }
        wmemmove(m_text, text, length);
        m_text[length] = L'\0';
        return;
    }
    if (IsInline()) {
        wmemmove(m_inline, text, length);
        m_inline[length] = L'\0';
        return;
    }
    wchar_t* old = m_text;
    wmemcpy(m_inline, text, length);
    m_inline[length] = L'\0';
    m_text = m_inline;
    delete[] old;
}

void CUIString::Append(const wchar_t* text) {
    if (text == nullptr || text[0] == L'\0') return;
    const int oldLength = GetLength();
    const int addLength = TextLength(text);
    const int newLength = oldLength + addLength;
    if (newLength <= kMaxInlineLength && IsInline()) {
        wmemmove(m_inline + oldLength, text, addLength);
        m_inline[newLength] = L'\0';
        return;
    }
    // A fresh block is always taken, so a source inside the old block stays readable until the
    // copy is done.
    wchar_t* block = new wchar_t[static_cast<size_t>(newLength) + 1];
    wmemcpy(block, m_text, oldLength);
    wmemcpy(block + oldLength, text, addLength);
    block[newLength] = L'\0';
    if (!IsInline()) delete[] m_text;
    m_text = block;
}

CUIString& CUIString::operator=(const CUIString& src) {
    if (this != &src) Assign(src.m_text, src.GetLength());
    return *this;
}

CUIString& CUIString::operator=(CUIString&& src) noexcept {
    if (this == &src) return *this;
    if (!IsInline()) delete[] m_text;
    m_text = m_inline;
    if (src.IsInline()) {
        wmemcpy(m_inline, src.m_inline, kInlineUnits);
    } else {
        m_text = src.m_text;
        src.m_text = src.m_inline;
    }
    src.m_inline[0] = L'\0';
    return *this;
}

CUIString& CUIString::operator=(const wchar_t* text) {
    Assign(text, -1);
    return *this;
}

CUIString& CUIString::operator+=(const CUIString& src) {
    Append(src.m_text);
    return *this;
}

CUIString& CUIString::operator+=(const wchar_t* text) {
    Append(text);
    return *this;
}

CUIString& CUIString::operator+=(wchar_t ch) {
    const wchar_t text[2] = {ch, L'\0'};
    Append(text);
    return *this;
}

CUIString CUIString::operator+(const CUIString& src) const {
    CUIString result(*this);
    result.Append(src.m_text);
    return result;
}

CUIString CUIString::operator+(const wchar_t* text) const {
    CUIString result(*this);
    result.Append(text);
    return result;
}

int CUIString::Compare(const wchar_t* text) const {
    if (text == nullptr) text = L"";
    const wchar_t* a = m_text;
    const wchar_t* b = text;
    while (*a != L'\0' && *a == *b) {
        ++a;
        ++b;
    }
    const unsigned int ua = static_cast<unsigned short>(*a);
    const unsigned int ub = static_cast<unsigned short>(*b);
    if (ua < ub) return -1;
    if (ua > ub) return 1;
    return 0;
}

void CUIString::MakeLower() {
    for (wchar_t* p = m_text; *p != L'\0'; ++p) *p = static_cast<wchar_t>(towlower(*p));
}

CUIString CUIString::Left(int n) const {
    const int length = GetLength();
    if (n < 0) n = 0;
    if (n > length) n = length;
    return CUIString(m_text, n);
}

int CUIString::Find(const wchar_t* text, int start) const {
    const int length = GetLength();
    if (start < 0 || start > length) return -1;
    if (text == nullptr) return -1;
    const int needle = TextLength(text);
    for (int i = start; i + needle <= length; ++i) {
        if (wmemcmp(m_text + i, text, needle) == 0) return i;
    }
    return -1;
}

int CUIString::ReverseFind(wchar_t ch) const {
    const wchar_t* hit = wcsrchr(m_text, ch);
    return hit == nullptr ? -1 : static_cast<int>(hit - m_text);
}

int CUIString::Format(const wchar_t* format, ...) {
    wchar_t buffer[kInlineUnits] = {};
    va_list args;
    va_start(args, format);
    wvnsprintfW(buffer, kInlineUnits, format, args);
    va_end(args);
    buffer[kInlineUnits - 1] = L'\0';
    Assign(buffer, -1);
    return GetLength();
}

// ---------------------------------------------------------------------------------------------
// CUIPtrArray

CUIPtrArray::CUIPtrArray(int reserve) : m_items(nullptr), m_count(0), m_capacity(0) {
    if (reserve > 0) {
        m_items = static_cast<void**>(calloc(static_cast<size_t>(reserve), sizeof(void*)));
        if (m_items != nullptr) m_capacity = reserve;
    }
}

CUIPtrArray::~CUIPtrArray() {
    free(m_items);
}

void CUIPtrArray::Empty() {
    free(m_items);
    m_items = nullptr;
    m_count = 0;
    m_capacity = 0;
}

void CUIPtrArray::Resize(int n) {
    Empty();
    if (n <= 0) return;
    m_items = static_cast<void**>(calloc(static_cast<size_t>(n), sizeof(void*)));
    if (m_items == nullptr) return;
    m_count = n;
    m_capacity = n;
}

// Raises the count by one, growing the buffer when the new count reaches the capacity.
bool CUIPtrArray::Grow() {
    ++m_count;
    if (m_count >= m_capacity) {
        const int capacity = m_capacity == 0 ? 11 : m_capacity * 2;
        void** items = static_cast<void**>(realloc(m_items, static_cast<size_t>(capacity) * sizeof(void*)));
        if (items == nullptr) {
            --m_count;
            return false;
        }
        m_items = items;
        m_capacity = capacity;
    }
    return true;
}

bool CUIPtrArray::Add(void* p) {
    if (!Grow()) return false;
    m_items[m_count - 1] = p;
    return true;
}

bool CUIPtrArray::InsertAt(int index, void* p) {
    if (index == m_count) return Add(p);
    if (index < 0 || index > m_count) return false;
    if (!Grow()) return false;
    memmove(&m_items[index + 1], &m_items[index], static_cast<size_t>(m_count - index - 1) * sizeof(void*));
    m_items[index] = p;
    return true;
}

bool CUIPtrArray::Remove(int index) {
    if (index < 0 || index >= m_count) return false;
    --m_count;
    if (index < m_count) {
        memmove(&m_items[index], &m_items[index + 1], static_cast<size_t>(m_count - index) * sizeof(void*));
    }
    return true;
}

int CUIPtrArray::Find(void* p) const {
    for (int i = 0; i < m_count; ++i) {
        if (m_items[i] == p) return i;
    }
    return -1;
}

void* CUIPtrArray::GetAt(int index) const {
    if (index < 0 || index >= m_count) return nullptr;
    return m_items[index];
}

// ---------------------------------------------------------------------------------------------
// CUIValueArray

CUIValueArray::CUIValueArray(int elementSize, int reserve)
    : m_data(nullptr), m_elementSize(elementSize > 0 ? elementSize : 1), m_count(0), m_capacity(0) {
    if (reserve > 0) {
        m_data = new (std::nothrow) unsigned char[static_cast<size_t>(reserve) * m_elementSize];
        if (m_data != nullptr) m_capacity = reserve;
    }
}

CUIValueArray::~CUIValueArray() {
    delete[] m_data;
}

void CUIValueArray::Empty() {
    delete[] m_data;
    m_data = nullptr;
    m_count = 0;
    m_capacity = 0;
}

bool CUIValueArray::Add(const void* element) {
    const size_t size = static_cast<size_t>(m_elementSize);
    if (m_count + 1 >= m_capacity) {
        const int capacity = m_capacity == 0 ? 11 : m_capacity * 2;
        unsigned char* data = new (std::nothrow) unsigned char[static_cast<size_t>(capacity) * size];
        if (data == nullptr) return false;
        if (m_count > 0) memcpy(data, m_data, static_cast<size_t>(m_count) * size);
        // The element may be one of this array's own: it is copied while the old block still
        // holds it, and the old block goes only afterwards.
        memcpy(data + static_cast<size_t>(m_count) * size, element, size);
        delete[] m_data;
        m_data = data;
        m_capacity = capacity;
    } else {
        memcpy(m_data + static_cast<size_t>(m_count) * size, element, size);
    }
    ++m_count;
    return true;
}

// ---------------------------------------------------------------------------------------------
// CUIStringMap

CUIStringMap::CUIStringMap(int buckets) : m_buckets(nullptr), m_bucketCount(0) {
    Resize(buckets < 16 ? 16 : buckets);
}

CUIStringMap::~CUIStringMap() {
    FreeItems();
}

void CUIStringMap::FreeItems() {
    for (int i = 0; i < m_bucketCount; ++i) {
        UIStringMapItem* item = m_buckets[i];
        while (item != nullptr) {
            UIStringMapItem* next = item->next;
            delete item;
            item = next;
        }
    }
    delete[] m_buckets;
    m_buckets = nullptr;
    m_bucketCount = 0;
}

void CUIStringMap::Resize(int buckets) {
    FreeItems();
    if (buckets <= 0) return;
    m_buckets = new UIStringMapItem*[buckets]();
    m_bucketCount = buckets;
}

unsigned int CUIStringMap::HashKey(const wchar_t* key) {
    unsigned int h = 0;
    if (key == nullptr) return h;
    for (int i = TextLength(key) - 1; i >= 0; --i) {
        h = h * 33u + static_cast<unsigned short>(key[i]);
    }
    return h;
}

int CUIStringMap::BucketOf(const wchar_t* key) const {
    return static_cast<int>(HashKey(key) % static_cast<unsigned int>(m_bucketCount));
}

void* CUIStringMap::Find(const wchar_t* key) const {
    if (m_bucketCount == 0 || key == nullptr) return nullptr;
    for (UIStringMapItem* item = m_buckets[BucketOf(key)]; item != nullptr; item = item->next) {
        if (item->key == key) return item->data;
    }
    return nullptr;
}

bool CUIStringMap::Insert(const wchar_t* key, void* data) {
    if (m_bucketCount == 0 || key == nullptr) return false;
    const int bucket = BucketOf(key);
    for (UIStringMapItem* item = m_buckets[bucket]; item != nullptr; item = item->next) {
        if (item->key == key) return false;
    }
    UIStringMapItem* item = new UIStringMapItem{CUIString(key), data, m_buckets[bucket]};
    m_buckets[bucket] = item;
    return true;
}

void* CUIStringMap::Set(const wchar_t* key, void* data) {
    if (m_bucketCount == 0 || key == nullptr) return data;
    for (UIStringMapItem* item = m_buckets[BucketOf(key)]; item != nullptr; item = item->next) {
        if (item->key == key) {
            void* previous = item->data;
            item->data = data;
            return previous;
        }
    }
    Insert(key, data);
    return nullptr;
}

bool CUIStringMap::Remove(const wchar_t* key) {
    if (m_bucketCount == 0 || key == nullptr) return false;
    UIStringMapItem** link = &m_buckets[BucketOf(key)];
    while (*link != nullptr) {
        UIStringMapItem* item = *link;
        if (item->key == key) {
            *link = item->next;
            delete item;
            return true;
        }
        link = &item->next;
    }
    return false;
}

int CUIStringMap::GetSize() const {
    int count = 0;
    for (int i = 0; i < m_bucketCount; ++i) {
        for (UIStringMapItem* item = m_buckets[i]; item != nullptr; item = item->next) ++count;
    }
    return count;
}

const wchar_t* CUIStringMap::GetKeyAt(int n) const {
    if (n < 0) return nullptr;
    int index = 0;
    for (int i = m_bucketCount - 1; i >= 0; --i) {
        for (UIStringMapItem* item = m_buckets[i]; item != nullptr; item = item->next) {
            if (index == n) return item->key.GetData();
            ++index;
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// CUIRect

void CUIRect::Join(const RECT& rc) {
    if (rc.left < left) left = rc.left;
    if (rc.top < top) top = rc.top;
    if (rc.right > right) right = rc.right;
    if (rc.bottom > bottom) bottom = rc.bottom;
}

}  // namespace UIToolkit
