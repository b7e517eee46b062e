// Tagged text: an inline mark-up of fonts, colours, links, inline images, paragraphs and raw
// text, laid out line by line. In drawing mode every line is measured first and then drawn, so
// that runs of different heights share one bottom line.
#include "render_engine.h"

#include <wchar.h>

#include <algorithm>
#include <vector>

#include "gdi_owners.h"
#include "window_manager.h"

namespace UIToolkit {

namespace {

bool IsTagLetter(wchar_t ch) { return ch >= L'a' && ch <= L'z'; }
bool IsOpenBracket(wchar_t ch) { return ch == L'<' || ch == L'{'; }
bool IsCloseBracket(wchar_t ch) { return ch == L'>' || ch == L'}'; }

// End of a tag's arguments: the next closing bracket, or the end of the text.
const wchar_t* FindTagEnd(const wchar_t* p) {
    while (*p && !IsCloseBracket(*p)) ++p;
    return p;
}

// Offsets, line heights and spacings from mark-up are held far inside the int range, so that
// positions built from them cannot overflow and wrap back into view.
const long kMarkupLimit = 1L << 28;

int MarkupNumber(const wchar_t* text) {
    const long value = wcstol(text, nullptr, 10);
    return static_cast<int>(std::max(-kMarkupLimit, std::min(kMarkupLimit, value)));
}

int AddLimited(int position, int step) {
    const long long value = static_cast<long long>(position) + step;
    return static_cast<int>(std::max<long long>(-kMarkupLimit, std::min<long long>(kMarkupLimit, value)));
}

const wchar_t* SkipBlanks(const wchar_t* p) {
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

class TaggedTextLayout {
public:
    TaggedTextLayout(HDC hDC, CWindowManagerUI* manager, const RECT& rc, DWORD color,
                     RECT* links, CUIString* linkTexts, int capacity, UINT style)
        : m_dc(hDC), m_manager(manager), m_rc(rc), m_baseColor(color), m_links(links),
          m_linkTexts(linkTexts), m_capacity(capacity), m_style(style),
          m_drawMode((style & DT_CALCRECT) == 0) {}

    // Lays out (and in drawing mode draws) the text; returns the number of links found.
    int Run(const wchar_t* text);
    int WidestX() const { return m_maxX; }
    int LowestBottom() const { return std::max(m_maxImageBottom, m_y + m_lineHeight); }
    void SetHoverLink(const CUIString& target) {
        m_hover = target;
        m_hasHover = true;
    }

private:
    struct LineStart {
        const wchar_t* p;
        std::vector<UIFontInfo*> fonts;
        std::vector<DWORD> colors;
        std::vector<int> paragraphs;
        bool inLink, inRaw, selected;
        int linkIndex;
    };

    LineStart Save() const {
        return LineStart{m_p, m_fonts, m_colors, m_paragraphs, m_inLink, m_inRaw, m_selected, m_linkIndex};
    }
    void Restore(const LineStart& s) {
        m_p = s.p;
        m_fonts = s.fonts;
        m_colors = s.colors;
        m_paragraphs = s.paragraphs;
        m_inLink = s.inLink;
        m_inRaw = s.inRaw;
        m_selected = s.selected;
        m_linkIndex = s.linkIndex;
        SelectCurrentFont();
        ApplyColor();
        ApplyBkMode();
    }

    UIFontInfo* CurrentFont() const { return m_fonts.empty() ? m_defaultFont : m_fonts.back(); }
    int ParagraphTop() const { return m_paragraphs.empty() ? 0 : m_paragraphs.back(); }
    int FontLineHeight() const { return m_tm.tmHeight + m_tm.tmExternalLeading + ParagraphTop(); }
    bool Measuring() const { return m_measurePass; }

    void SelectCurrentFont() {
        UIFontInfo* font = CurrentFont();
        if (font && font->hFont) ::SelectObject(m_dc, font->hFont);
        ::GetTextMetricsW(m_dc, &m_tm);
    }
    void ApplyColor() {
        const DWORD color = m_colors.empty() ? m_baseColor : m_colors.back();
        ::SetTextColor(m_dc, CUIRenderer::ToColorRef(color));
    }
    void ApplyBkMode() {
        if (m_drawMode && !m_measurePass) ::SetBkMode(m_dc, m_selected ? OPAQUE : TRANSPARENT);
    }

    void PushFont(UIFontInfo* font);
    void PushVariant(bool bold, bool underline, bool italic);
    void PopFont();
    void PushColor(DWORD color);
    void PopColor();
    void PushParagraph(int spacing);
    void PopParagraph();

    void RunLine();
    void OpeningTag(wchar_t tag, const wchar_t* args, const wchar_t* argsEnd, const wchar_t* tagStart);
    void ClosingTag(wchar_t tag);
    void InlineImage(const CUIString& args, const wchar_t* tagStart);
    void TextRun(const wchar_t* text, int available);
    void CloseLinkRect(int bottom);

    HDC m_dc;
    CWindowManagerUI* m_manager;
    RECT m_rc;
    DWORD m_baseColor;
    RECT* m_links;
    CUIString* m_linkTexts;
    int m_capacity;
    UINT m_style;
    bool m_drawMode;

    UIFontInfo* m_defaultFont = nullptr;
    TEXTMETRICW m_tm = {};
    const wchar_t* m_p = nullptr;
    int m_x = 0, m_y = 0;
    int m_lineHeight = 0;
    int m_measuredLineHeight = 0;
    bool m_measurePass = true;
    bool m_lineEnded = false;
    std::vector<UIFontInfo*> m_fonts;
    std::vector<DWORD> m_colors;
    std::vector<int> m_paragraphs;
    bool m_inLink = false, m_inRaw = false, m_selected = false;
    int m_linkIndex = 0;
    int m_lineStartLinkIndex = 0;
    POINT m_linkStart = {0, 0};
    int m_maxX = 0;
    int m_maxImageBottom = 0;
    CUIString m_hover;
    bool m_hasHover = false;
};

void TaggedTextLayout::PushFont(UIFontInfo* font) {
    if (!font) return;
    m_fonts.push_back(font);
    SelectCurrentFont();
    m_lineHeight = std::max(m_lineHeight, FontLineHeight());
}

void TaggedTextLayout::PushVariant(bool bold, bool underline, bool italic) {
    UIFontInfo* current = CurrentFont();
    if (!current) return;
    if ((bold && current->bold) || (underline && current->underline) || (italic && current->italic))
        return;
    const bool b = current->bold || bold, u = current->underline || underline,
               i = current->italic || italic;
    HFONT font = m_manager->FindFont(current->faceName, current->size, b, u, i);
    if (!font) font = m_manager->AddFont(current->faceName, current->size, b, u, i);
    if (!font) return;
    PushFont(m_manager->GetFontInfoByHandle(font));
}

void TaggedTextLayout::PopFont() {
    if (m_fonts.empty()) return;  // closing tags are matched by count only
    const bool wasItalic = m_tm.tmItalic != 0;
    m_fonts.pop_back();
    SelectCurrentFont();
    if (wasItalic && !m_tm.tmItalic) {
        ABC abc;
        if (::GetCharABCWidthsW(m_dc, L' ', L' ', &abc)) m_x += static_cast<int>(abc.abcC) / 2;
    }
}

void TaggedTextLayout::PushColor(DWORD color) {
    m_colors.push_back(color);
    ApplyColor();
}

void TaggedTextLayout::PopColor() {
    if (!m_colors.empty()) m_colors.pop_back();
    ApplyColor();
}

void TaggedTextLayout::PushParagraph(int spacing) {
    m_paragraphs.push_back(spacing);
    m_lineHeight = std::max(m_lineHeight, FontLineHeight());
}

void TaggedTextLayout::PopParagraph() {
    if (!m_paragraphs.empty()) m_paragraphs.pop_back();
    m_lineHeight = std::max(m_lineHeight, FontLineHeight());
}

void TaggedTextLayout::CloseLinkRect(int bottom) {
    if (m_links && m_linkIndex < m_capacity) {
        RECT& link = m_links[m_linkIndex];
        link.left = m_linkStart.x;
        link.top = m_linkStart.y;
        link.right = std::min<LONG>(m_x, m_rc.right);
        link.bottom = bottom;
    }
}

void TaggedTextLayout::InlineImage(const CUIString& args, const wchar_t* tagStart) {
    // "name [count [index]]", or image-string pairs for file, res and restype followed by the
    // optional numbers.
    CUIString name;
    CUIString type;
    const wchar_t* numbers;
    if (args.Find(L"file='") >= 0 || args.Find(L"res='") >= 0) {
        const int lastQuote = args.ReverseFind(L'\'');
        CUIString pairs = args.Left(lastQuote + 1);
        std::vector<UIImageAttributes> draws;
        const RECT none = {0, 0, 0, 0};
        CUIRenderer::ParseImageString(pairs, nullptr, none, draws);
        name = draws.back().name;
        type = draws.back().resType;
        numbers = args.GetData() + lastQuote + 1;
    } else {
        const wchar_t* p = args.GetData();
        const wchar_t* start = p;
        while (*p && *p != L' ') ++p;
        name.Assign(start, static_cast<int>(p - start));
        numbers = p;
    }
    wchar_t* end = nullptr;
    long count = wcstol(numbers, &end, 10);
    if (end == numbers) count = 1;
    long index = wcstol(end, nullptr, 10);
    if (count < 1) count = 1;
    if (index < 0 || index >= count) index = 0;

    UIImageInfo* image = m_manager->GetImageEx(name, type.IsEmpty() ? nullptr : type.GetData());
    if (!image) return;
    const int width = count > 1 ? image->width / static_cast<int>(count) : image->width;
    const int height = image->height;
    if (m_x + width > m_rc.right && m_x > m_rc.left && !(m_style & DT_SINGLELINE)) {
        m_p = tagStart;  // read again at the start of the next line
        m_lineEnded = true;
        return;
    }
    if (m_drawMode && !m_measurePass) {
        const int lineHeight = m_measuredLineHeight;
        RECT dest = {m_x, m_y + lineHeight - height, m_x + width, m_y + lineHeight};
        if (height < lineHeight) ::OffsetRect(&dest, 0, -(lineHeight - height) / 2);
        const RECT source = {static_cast<LONG>(index) * width, 0, static_cast<LONG>(index + 1) * width, height};
        const RECT corners = {0, 0, 0, 0};
        CUIRenderer::DrawImage(m_dc, image->bitmap, dest, dest, source, corners, image->hasAlpha, 255);
    }
    m_lineHeight = std::max(m_lineHeight, height);
    m_x += width;
    m_maxImageBottom = std::max(m_maxImageBottom, m_y + height);
    m_maxX = std::max(m_maxX, m_x);
}

void TaggedTextLayout::OpeningTag(wchar_t tag, const wchar_t* args, const wchar_t* argsEnd,
                                  const wchar_t* tagStart) {
    args = SkipBlanks(args);
    if (args > argsEnd) args = argsEnd;
    CUIString value(args, static_cast<int>(argsEnd - args));
    switch (tag) {
        case L'a': {
            if (Measuring() && m_linkTexts && m_linkIndex < m_capacity)
                m_linkTexts[m_linkIndex] = value;
            const bool hovered = m_hasHover && m_hover == value.GetData();
            PushColor(hovered ? m_manager->GetDefaultLinkHoverFontColor()
                              : m_manager->GetDefaultLinkFontColor());
            PushVariant(false, true, false);
            m_inLink = true;
            m_linkStart.x = m_x;
            m_linkStart.y = m_y;
            break;
        }
        case L'b':
            PushVariant(true, false, false);
            break;
        case L'c': {
            const wchar_t* v = value.GetData();
            if (*v == L'#') ++v;
            const long number = wcstol(v, nullptr, 16);  // saturates at 0x7FFFFFFF
            PushColor(static_cast<DWORD>(number) & 0x00FFFFFF);
            break;
        }
        case L'f': {
            const wchar_t* v = value.GetData();
            if (*v >= L'0' && *v <= L'9') {
                PushFont(m_manager->GetFontInfo(static_cast<int>(wcstol(v, nullptr, 10))));
                break;
            }
            const wchar_t* faceEnd = v;
            while (*faceEnd && *faceEnd != L' ') ++faceEnd;
            CUIString face(v, static_cast<int>(faceEnd - v));
            const wchar_t* rest = SkipBlanks(faceEnd);
            int size = 10;
            if (*rest >= L'0' && *rest <= L'9') {
                wchar_t* after = nullptr;
                size = static_cast<int>(wcstol(rest, &after, 10));
                rest = after;
            }
            CUIString words(rest);
            words.MakeLower();
            const bool bold = words.Find(L"bold") >= 0;
            const bool underline = words.Find(L"underline") >= 0;
            const bool italic = words.Find(L"italic") >= 0;
            HFONT font = m_manager->FindFont(face, size, bold, underline, italic);
            if (!font) font = m_manager->AddFont(face, size, bold, underline, italic);
            if (font) PushFont(m_manager->GetFontInfoByHandle(font));
            break;
        }
        case L'i':
            if (value.IsEmpty()) {
                PushVariant(false, false, true);
            } else {
                InlineImage(value, tagStart);
            }
            break;
        case L'n':
            if (!(m_style & DT_SINGLELINE)) m_lineEnded = true;
            break;
        case L'p':
            if (m_x > m_rc.left) m_lineEnded = true;
            PushParagraph(MarkupNumber(value));
            break;
        case L'r':
            m_inRaw = true;
            break;
        case L's':
            m_selected = !m_selected;
            ApplyBkMode();
            break;
        case L'u':
            PushVariant(false, true, false);
            break;
        case L'x':
            m_x = AddLimited(m_x, MarkupNumber(value));
            m_maxX = std::max(m_maxX, m_x);
            break;
        case L'y':
            m_lineHeight = MarkupNumber(value);
            break;
        default:
            break;
    }
}

void TaggedTextLayout::ClosingTag(wchar_t tag) {
    switch (tag) {
        case L'a':
            if (Measuring()) CloseLinkRect(m_y + m_tm.tmHeight + m_tm.tmExternalLeading);
            ++m_linkIndex;
            m_inLink = false;
            PopColor();
            PopFont();
            break;
        case L'b':
        case L'f':
        case L'i':
        case L'u':
            PopFont();
            break;
        case L'c':
            PopColor();
            break;
        case L'p':
            if (m_x > m_rc.left) m_lineEnded = true;
            PopParagraph();
            break;
        case L'r':
            m_inRaw = false;
            break;
        case L's':
            m_selected = !m_selected;
            ApplyBkMode();
            break;
        default:
            break;
    }
}

void TaggedTextLayout::TextRun(const wchar_t* text, int available) {
    int count = 0;
    int breakCount = 0;
    bool ellipsis = false;
    SIZE size = {0, 0};
    while (count < available) {
        const wchar_t ch = text[count];
        ++count;
        int width = 0;
        if (m_x + count * m_tm.tmMaxCharWidth >= m_rc.right) {
            ::GetTextExtentPoint32W(m_dc, text, count, &size);
            width = size.cx;
        }
        if (m_x + width > m_rc.right) {
            // A run that starts at the left edge keeps the character that crosses the right
            // edge: every line then holds at least one character, and a line is never a
            // character shorter than the room it has.
            if (m_x > m_rc.left) --count;
            if ((m_style & DT_WORDBREAK) && breakCount > 0) count = breakCount;
            if ((m_style & DT_END_ELLIPSIS) && count > 0) {
                count -= std::min(count - 1, 2);
                ellipsis = true;
            }
            m_lineEnded = true;
            break;
        }
        const bool letter = (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z');
        if (!letter || ch == L' ') breakCount = count;
    }
    if (count > 0) {
        ::GetTextExtentPoint32W(m_dc, text, count, &size);
        if (m_drawMode && !m_measurePass) {
            const int y = m_y + m_measuredLineHeight - m_tm.tmHeight - m_tm.tmExternalLeading;
            ::TextOutW(m_dc, m_x, y, text, count);
            if (ellipsis) ::TextOutW(m_dc, m_x + size.cx, m_y, L"...", 3);
        }
        m_x += size.cx;
        m_maxX = std::max(m_maxX, m_x);
    }
    if (ellipsis) m_x = std::max<int>(m_x, m_rc.right);
    m_p = text + count;
}

void TaggedTextLayout::RunLine() {
    m_lineEnded = false;
    while (*m_p && !m_lineEnded) {
        const wchar_t* p = m_p;
        if (!m_inRaw && IsOpenBracket(p[0]) && IsTagLetter(p[1]) &&
            (p[2] == L' ' || IsCloseBracket(p[2]))) {
            const wchar_t* end = FindTagEnd(p + 2);
            m_p = *end ? end + 1 : end;
            OpeningTag(p[1], p + 2, end, p);
        } else if (IsOpenBracket(p[0]) && p[1] == L'/' && IsTagLetter(p[2]) &&
                   (!m_inRaw || p[2] == L'r')) {
            const wchar_t* end = FindTagEnd(p + 3);
            m_p = *end ? end + 1 : end;
            ClosingTag(p[2]);
        } else if (!m_inRaw && ((p[0] == L'<' && (p[1] == L'{' || p[1] == L'}') && p[2] == L'>') ||
                                (p[0] == L'{' && (p[1] == L'<' || p[1] == L'>') && p[2] == L'}'))) {
            // An escaped bracket: drawn as one character, or read again on the next line.
            TextRun(p + 1, 1);
            m_p = (m_p == p + 2) ? p + 3 : p;
        } else if (p[0] == L'\n') {
            m_p = p + 1;
            m_lineEnded = true;
        } else if (p[0] == L' ') {
            TextRun(p, 1);
        } else {
            int n = 1;  // a bracket that starts no mark-up is text
            while (p[n] && !IsOpenBracket(p[n]) && p[n] != L'\n') ++n;
            TextRun(p, n);
        }
        if (m_x >= m_rc.right) m_lineEnded = true;
    }
}

int TaggedTextLayout::Run(const wchar_t* text) {
    m_defaultFont = m_manager->GetDefaultFontInfo();
    m_p = text;
    m_x = m_rc.left;
    m_y = m_rc.top;
    m_maxX = m_rc.left;
    SelectCurrentFont();
    ApplyColor();
    m_lineHeight = FontLineHeight();
    m_linkStart.x = m_x;
    m_linkStart.y = m_y;
    m_measurePass = true;
    LineStart lineStart = Save();
    m_lineStartLinkIndex = m_linkIndex;

    for (;;) {
        RunLine();
        if (m_measurePass) {
            if (m_inLink) {
                CloseLinkRect(m_y + m_lineHeight);
                if (m_linkTexts && m_linkIndex + 1 < m_capacity)
                    m_linkTexts[m_linkIndex + 1] = m_linkTexts[m_linkIndex];
            }
            if (m_links) {
                for (int i = m_lineStartLinkIndex; i <= m_linkIndex && i < m_capacity; ++i) {
                    if (i < m_linkIndex || m_inLink) m_links[i].bottom = m_y + m_lineHeight;
                }
            }
            m_measuredLineHeight = m_lineHeight;
            if (m_drawMode) {
                // Draw the same line again with everything as it was at its start.
                Restore(lineStart);
                m_measurePass = false;
                ApplyBkMode();
                m_x = m_rc.left;
                m_lineHeight = FontLineHeight();
                continue;
            }
        }
        if (m_inLink) ++m_linkIndex;
        m_measurePass = true;
        if (m_drawMode) ::SetBkMode(m_dc, TRANSPARENT);
        lineStart = Save();
        m_lineStartLinkIndex = m_linkIndex;
        if ((m_style & DT_SINGLELINE) || *m_p == L'\0') break;
        m_x = m_rc.left;
        m_y = AddLimited(m_y, m_measuredLineHeight);
        if (m_drawMode && m_y > m_rc.bottom) break;
        m_linkStart.x = m_x;
        m_linkStart.y = m_y;
        m_lineHeight = FontLineHeight();
        if (m_x >= m_rc.right) break;
    }
    m_lineHeight = m_measuredLineHeight;
    return std::min(m_linkIndex, m_capacity);
}

}  // namespace

void CUIRenderer::DrawTaggedText(HDC hDC, CWindowManagerUI* manager, RECT& rc, const wchar_t* text,
                                 DWORD color, RECT* links, CUIString* linkTexts, int& linkCount,
                                 UINT style) {
    const int capacity = std::max(0, linkCount);
    if (!hDC || !text || !manager || ::IsRectEmpty(&rc)) {
        linkCount = 0;
        return;
    }
    const bool drawMode = (style & DT_CALCRECT) == 0;
    RECT area = rc;

    CUIClip clip;
    if (drawMode) CUIClip::Create(hDC, rc, clip);
    CSelectObject font(hDC, manager->GetDefaultFontInfo()->hFont);
    const int oldBkMode = ::SetBkMode(hDC, TRANSPARENT);
    const COLORREF oldBkColor = ::SetBkColor(hDC, ToColorRef(manager->GetDefaultSelectedBkColor()));
    const COLORREF oldTextColor = ::SetTextColor(hDC, ToColorRef(color));

    if ((style & DT_SINGLELINE) && drawMode && (style & (DT_VCENTER | DT_CENTER | DT_RIGHT))) {
        RECT measure = {0, 0, 9999, 100};
        int none = 0;
        DrawTaggedText(hDC, manager, measure, text, color, nullptr, nullptr, none, style | DT_CALCRECT);
        const int textWidth = measure.right - measure.left;
        const int textHeight = measure.bottom - measure.top;
        if (style & DT_VCENTER) {
            area.top += (area.bottom - area.top) / 2 - textHeight / 2;
            area.bottom = area.top + textHeight;
        }
        if (style & DT_CENTER) {
            area.left += (area.right - area.left) / 2 - textWidth / 2;
            area.right = area.left + textWidth;
        } else if (style & DT_RIGHT) {
            area.left = area.right - textWidth;
        }
    }

    TaggedTextLayout layout(hDC, manager, area, color, links, linkTexts, capacity, style);
    // The link under the mouse, from the rectangles the caller kept from the last call.
    if (links && linkTexts) {
        const POINT mouse = manager->GetMousePos();
        for (int i = 0; i < capacity; ++i) {
            if (::PtInRect(&links[i], mouse)) {
                layout.SetHoverLink(linkTexts[i]);
                break;
            }
        }
    }
    const int found = layout.Run(text);
    // Slots not filled this time are emptied, so that no later hover test meets a stale link.
    for (int i = found; i < capacity; ++i) {
        if (links) ::SetRectEmpty(&links[i]);
        if (linkTexts) linkTexts[i].Empty();
    }
    linkCount = found;

    if (!drawMode) {
        rc.bottom = layout.LowestBottom();
        rc.right = std::min<LONG>(rc.right, layout.WidestX());
    }
    ::SetTextColor(hDC, oldTextColor);
    ::SetBkColor(hDC, oldBkColor);
    ::SetBkMode(hDC, oldBkMode);
}

}  // namespace UIToolkit
