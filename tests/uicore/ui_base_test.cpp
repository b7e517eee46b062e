#include <gtest/gtest.h>

#include <string>

#include "ui_base.h"

using namespace UIToolkit;

namespace {

std::wstring Repeat(wchar_t ch, int n) {
    return std::wstring(static_cast<size_t>(n), ch);
}

TEST(UIString, InlineUpToSixtyTwoThenHeap) {
    CUIString s(Repeat(L'a', 62).c_str());
    EXPECT_TRUE(s.IsInline());
    s += L'b';
    EXPECT_FALSE(s.IsInline());
    EXPECT_EQ(63, s.GetLength());
    EXPECT_EQ(L'b', s.GetAt(62));
    s = Repeat(L'c', 62).c_str();
    EXPECT_TRUE(s.IsInline());
    EXPECT_EQ(Repeat(L'c', 62), std::wstring(s.GetData()));
    CUIString copy(s);
    EXPECT_TRUE(copy.IsInline());
    s.Empty();
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_TRUE(s.IsInline());
}

TEST(UIString, AssignAndAppendFromOwnText) {
    // Sources inside the string's own block, inline and heap, shrinking and growing.
    CUIString heap(Repeat(L'x', 100).c_str());
    heap.Assign(heap.GetData() + 10, 5);
    EXPECT_EQ(L"xxxxx", std::wstring(heap.GetData()));

    CUIString big((Repeat(L'a', 70) + Repeat(L'b', 70)).c_str());
    big.Assign(big.GetData() + 70, -1);
    EXPECT_EQ(Repeat(L'b', 70), std::wstring(big.GetData()));

    CUIString grow(Repeat(L'q', 40).c_str());
    grow.Append(grow.GetData());
    EXPECT_EQ(Repeat(L'q', 80), std::wstring(grow.GetData()));
    grow.Append(grow.GetData());
    EXPECT_EQ(Repeat(L'q', 160), std::wstring(grow.GetData()));
    grow += grow;
    EXPECT_EQ(320, grow.GetLength());

    CUIString nothing;
    nothing.Assign(nullptr, -1);
    EXPECT_TRUE(nothing.IsEmpty());
}

TEST(UIString, CompareFindLeftLower) {
    EXPECT_EQ(-1, CUIString(L"B").Compare(L"a"));   // by unsigned unit values
    EXPECT_EQ(1, CUIString(L"a").Compare(L"B"));
    EXPECT_EQ(0, CUIString(L"abc").Compare(L"abc"));
    EXPECT_EQ(-1, CUIString(L"ab").Compare(L"abc"));
    EXPECT_EQ(1, CUIString(L"\xFF00").Compare(L"a"));
    EXPECT_TRUE(CUIString(L"x") == L"x");

    const CUIString text(L"hello world");
    EXPECT_EQ(L"", std::wstring(text.Left(-5).GetData()));
    EXPECT_EQ(L"hello world", std::wstring(text.Left(text.GetLength() + 10).GetData()));
    EXPECT_EQ(L"hel", std::wstring(text.Left(3).GetData()));

    struct FindCase { const wchar_t* hay; const wchar_t* needle; int start; int expected; };
    const FindCase cases[] = {
        {L"hello world", L"o", 0, 4}, {L"hello world", L"o", 5, 7}, {L"hello world", L"o", -1, -1},
        {L"hello world", L"o", 12, -1}, {L"hello world", L"", 11, 11}, {L"", L"a", 0, -1},
        {L"", L"", 0, 0},
    };
    for (const FindCase& c : cases) {
        EXPECT_EQ(c.expected, CUIString(c.hay).Find(c.needle, c.start)) << c.hay << " / " << c.needle << " @" << c.start;
    }
    EXPECT_EQ(7, CUIString(L"a.b.c.d").Find(L"", 7));
    EXPECT_EQ(4, CUIString(L"a.b.c").ReverseFind(L'c'));
    EXPECT_EQ(-1, CUIString(L"abc").ReverseFind(L'z'));

    CUIString mixed(L"AbC-Z");
    mixed.MakeLower();
    EXPECT_EQ(L"abc-z", std::wstring(mixed.GetData()));
}

TEST(UIString, FormatIsBoundedToSixtyThree) {
    CUIString s;
    EXPECT_EQ(17, s.Format(L"dest='%d,%d,%d,%d'", 1, 22, 333, 4));
    EXPECT_EQ(L"dest='1,22,333,4'", std::wstring(s.GetData()));
    const std::wstring longText = Repeat(L'z', 500);
    const int n = s.Format(L"%s!", longText.c_str());
    EXPECT_LE(n, 63);
    EXPECT_EQ(n, s.GetLength());
    EXPECT_EQ(Repeat(L'z', n), std::wstring(s.GetData()));
}

TEST(UIPtrArray, GrowthInsertRemove) {
    CUIPtrArray a;
    EXPECT_EQ(0, a.GetCapacity());
    int items[30];
    EXPECT_TRUE(a.Add(&items[0]));
    EXPECT_EQ(11, a.GetCapacity());
    for (int i = 1; i < 10; ++i) a.Add(&items[i]);
    EXPECT_EQ(11, a.GetCapacity());
    a.Add(&items[10]);   // the 11th element
    EXPECT_EQ(22, a.GetCapacity());
    EXPECT_EQ(11, a.GetSize());

    EXPECT_TRUE(a.InsertAt(a.GetSize(), &items[11]));
    EXPECT_EQ(&items[11], a.GetAt(11));
    EXPECT_FALSE(a.InsertAt(a.GetSize() + 1, &items[12]));
    EXPECT_FALSE(a.InsertAt(-1, &items[12]));
    EXPECT_TRUE(a.InsertAt(0, &items[12]));
    EXPECT_EQ(&items[12], a[0]);
    EXPECT_EQ(&items[0], a[1]);
    EXPECT_EQ(1, a.Find(&items[0]));
    EXPECT_EQ(-1, a.Find(&items[29]));
    EXPECT_EQ(nullptr, a.GetAt(-1));
    EXPECT_EQ(nullptr, a.GetAt(a.GetSize()));
    EXPECT_FALSE(a.Remove(a.GetSize()));
    EXPECT_TRUE(a.Remove(0));
    EXPECT_EQ(&items[0], a[0]);
    a.Resize(3);
    EXPECT_EQ(3, a.GetSize());
    EXPECT_EQ(nullptr, a[2]);
    a.Empty();
    EXPECT_TRUE(a.IsEmpty());

    CUIPtrArray reserved(4);
    EXPECT_EQ(4, reserved.GetCapacity());
}

TEST(UIValueArray, CopiesRecords) {
    struct Pair { int a; int b; };
    CUIValueArray values(sizeof(Pair));
    for (int i = 0; i < 40; ++i) {
        Pair p = {i, i * i};
        ASSERT_TRUE(values.Add(&p));
    }
    EXPECT_EQ(40, values.GetSize());
    EXPECT_EQ(39 * 39, static_cast<Pair*>(values.GetAt(39))->b);
    EXPECT_EQ(7, static_cast<Pair*>(values.GetAt(7))->a);
}

// Adding one of the array's own records, also at the add that makes the array grow (this
// program's allocator makes a freed block inaccessible, so a read of the old block faults).
TEST(UIValueArray, AddsItsOwnRecordsAcrossGrowth) {
    struct Record { int value; char filler[60]; };
    CUIValueArray values(sizeof(Record));
    Record first = {1, {}};
    ASSERT_TRUE(values.Add(&first));
    for (int i = 1; i < 100; ++i) {
        const Record* source = static_cast<const Record*>(values.GetAt(i % 2 == 0 ? 0 : i - 1));
        const int expected = source->value;
        ASSERT_TRUE(values.Add(source)) << i;
        ASSERT_EQ(expected, static_cast<Record*>(values.GetAt(i))->value) << i;
        static_cast<Record*>(values.GetAt(i))->value = i + 1;
    }
    EXPECT_EQ(100, values.GetSize());
    for (int i = 0; i < 100; ++i) EXPECT_EQ(i + 1, static_cast<Record*>(values.GetAt(i))->value);
}

TEST(UIStringMap, HashBucketsAndOperations) {
    EXPECT_EQ(3331u, CUIStringMap::HashKey(L"ab"));
    EXPECT_EQ(11u, CUIStringMap::HashKey(L"ab") % 83u);
    CUIStringMap small(5);
    EXPECT_EQ(16, small.GetBucketCount());

    CUIStringMap map(83);
    int a = 1, b = 2, c = 3;
    EXPECT_TRUE(map.Insert(L"ab", &a));
    EXPECT_FALSE(map.Insert(L"ab", &b));
    EXPECT_EQ(&a, map.Set(L"ab", &b));
    EXPECT_EQ(&b, map.Find(L"ab"));
    EXPECT_EQ(nullptr, map.Find(L"AB"));   // case-sensitive
    EXPECT_EQ(nullptr, map.Set(L"cd", &c));
    EXPECT_EQ(2, map.GetSize());
    EXPECT_NE(nullptr, map.GetKeyAt(1));
    EXPECT_EQ(nullptr, map.GetKeyAt(2));
    EXPECT_TRUE(map.Remove(L"ab"));
    EXPECT_FALSE(map.Remove(L"ab"));
    EXPECT_EQ(1, map.GetSize());

    // Iteration: buckets from the last to the first, each chain from its newest item.
    CUIStringMap order(16);
    order.Insert(L"a", &a);        // 97 % 16 = 1
    order.Insert(L"q", &b);        // 113 % 16 = 1
    order.Insert(L"o", &c);        // 111 % 16 = 15
    EXPECT_STREQ(L"o", order.GetKeyAt(0));
    EXPECT_STREQ(L"q", order.GetKeyAt(1));
    EXPECT_STREQ(L"a", order.GetKeyAt(2));

    map.Resize(0);
    EXPECT_EQ(nullptr, map.Find(L"cd"));
    EXPECT_FALSE(map.Insert(L"x", &a));
    EXPECT_EQ(&a, map.Set(L"x", &a));
    EXPECT_FALSE(map.Remove(L"x"));
    EXPECT_EQ(0, map.GetSize());
}

TEST(UIRect, JoinMoveOffset) {
    CUIRect r(10, 20, 30, 40);
    EXPECT_EQ(20, r.GetWidth());
    EXPECT_EQ(20, r.GetHeight());
    r.Join(RECT{5, 25, 35, 38});
    EXPECT_EQ(5, r.left);
    EXPECT_EQ(20, r.top);
    EXPECT_EQ(35, r.right);
    EXPECT_EQ(40, r.bottom);
    r.MoveToOrigin();
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(30, r.right);
    r.Offset(3, 4);
    EXPECT_EQ(3, r.left);
    EXPECT_EQ(24, r.bottom);
    CUIPoint p;
    EXPECT_EQ(0, p.x);
    CUISize s(3, 4);
    EXPECT_EQ(4, s.cy);
}

}  // namespace
