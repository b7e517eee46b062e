#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_files.h"
#include "ui_zip.h"

using namespace UIToolkit;

namespace {

std::wstring Fixture(const wchar_t* name) {
    std::wstring folder = testfiles::Env(L"VELA_UICORE_FIXTURES");
    return folder + L"\\" + name;
}

// An archive opened by file name, closed at the end of the scope.
class OpenZip {
public:
    explicit OpenZip(const wchar_t* name) : m_path(Fixture(name)) {
        m_handle = ZipOpen(const_cast<wchar_t*>(m_path.c_str()), 0, ZIP_FILENAME);
    }
    ~OpenZip() {
        if (m_handle != nullptr) ZipClose(m_handle);
    }
    ZipHandle* get() const { return m_handle; }

private:
    std::wstring m_path;
    ZipHandle* m_handle;
};

int Find(ZipHandle* zip, const wchar_t* name, bool ignoreCase = true, ZipItemInfo* info = nullptr) {
    int index = -2;
    ZipItemInfo local = {};
    ZipFindItem(zip, name, ignoreCase, &index, info != nullptr ? info : &local);
    return index;
}

unsigned long long Ticks(const FILETIME& ft) {
    return (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

// The file time of a calendar moment, taken as it stands.
unsigned long long CalendarTicks(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME time = {};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    FILETIME result = {};
    return SystemTimeToFileTime(&time, &result) ? Ticks(result) : 0;
}

// The file time of a calendar moment given in UTC, as the local time the archive reader reports.
unsigned long long LocalTicks(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    const unsigned long long utc = CalendarTicks(year, month, day, hour, minute, second);
    FILETIME utcTime = {static_cast<DWORD>(utc & 0xFFFFFFFF), static_cast<DWORD>(utc >> 32)};
    FILETIME local = {};
    if (utc == 0 || !FileTimeToLocalFileTime(&utcTime, &local)) return 0;
    return Ticks(local);
}

TEST(Zip, OpensFromFileHandleAndMemoryAndRefusesOthers) {
    OpenZip byName(L"basic.zip");
    ASSERT_NE(nullptr, byName.get());

    const std::string bytes = testfiles::ReadAll(Fixture(L"basic.zip"));
    ASSERT_FALSE(bytes.empty());
    ZipHandle* inMemory = ZipOpen(const_cast<char*>(bytes.data()), static_cast<DWORD>(bytes.size()), ZIP_MEMORY);
    ASSERT_NE(nullptr, inMemory);
    EXPECT_EQ(0, Find(inMemory, L"left.png"));
    ZipClose(inMemory);

    HANDLE file = CreateFileW(Fixture(L"basic.zip").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    ZipHandle* byHandle = ZipOpen(file, 0, ZIP_HANDLE);
    CloseHandle(file);   // the reader keeps its own duplicate
    ASSERT_NE(nullptr, byHandle);
    EXPECT_EQ(2, Find(byHandle, L"sub/inner/file.txt"));
    ZipClose(byHandle);

    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
    EXPECT_EQ(nullptr, ZipOpen(readEnd, 0, ZIP_HANDLE));
    EXPECT_EQ(static_cast<DWORD>(ZR_SEEK), ZipLastResult());
    CloseHandle(readEnd);
    CloseHandle(writeEnd);

    std::wstring missing = Fixture(L"missing.zip");
    EXPECT_EQ(nullptr, ZipOpen(const_cast<wchar_t*>(missing.c_str()), 0, ZIP_FILENAME));
    EXPECT_EQ(static_cast<DWORD>(ZR_NOFILE), ZipLastResult());
    std::wstring garbage = Fixture(L"notazip.zip");
    EXPECT_EQ(nullptr, ZipOpen(const_cast<wchar_t*>(garbage.c_str()), 0, ZIP_FILENAME));
    EXPECT_NE(static_cast<DWORD>(ZR_OK), ZipLastResult());
    EXPECT_EQ(nullptr, ZipOpen(nullptr, 0, 9));

    CZipReader reader;
    std::wstring path = Fixture(L"basic.zip");
    EXPECT_EQ(static_cast<DWORD>(ZR_OK), reader.Open(const_cast<wchar_t*>(path.c_str()), 0, ZIP_FILENAME));
    EXPECT_EQ(static_cast<DWORD>(ZR_ZOPEN), reader.Open(const_cast<wchar_t*>(path.c_str()), 0, ZIP_FILENAME));
}

TEST(Zip, FindsByNameWithCaseRule) {
    OpenZip zip(L"basic.zip");
    ASSERT_NE(nullptr, zip.get());
    ZipItemInfo info = {};
    EXPECT_EQ(0, Find(zip.get(), L"LEFT.PNG", true, &info));
    EXPECT_STREQ(L"left.png", info.name);
    EXPECT_EQ(1000u, info.unpackedSize);
    int index = 7;
    EXPECT_EQ(static_cast<DWORD>(ZR_NOTFOUND), ZipFindItem(zip.get(), L"LEFT.PNG", false, &index, &info));
    EXPECT_EQ(-1, index);
    EXPECT_EQ(-1, info.index);
    EXPECT_EQ(-1, Find(zip.get(), L"sub\\inner\\file.txt"));   // separators are not translated
    EXPECT_EQ(-1, Find(zip.get(), std::wstring(256, L'a').c_str()));

    EXPECT_EQ(static_cast<DWORD>(ZR_ARGS), ZipFindItem(nullptr, L"x", true, &index, &info));
    ZipHandle wrongKind = {2, nullptr};
    EXPECT_EQ(static_cast<DWORD>(ZR_NOTMMAP), ZipFindItem(&wrongKind, L"x", true, &index, &info));
    EXPECT_EQ(static_cast<DWORD>(ZR_NOTMMAP), ZipUnzipItem(&wrongKind, 0, nullptr, 0, ZIP_MEMORY));
}

TEST(Zip, DescribesEntriesAttributesAndTimes) {
    CZipReader reader;
    std::wstring path = Fixture(L"basic.zip");
    ASSERT_EQ(static_cast<DWORD>(ZR_OK), reader.Open(const_cast<wchar_t*>(path.c_str()), 0, ZIP_FILENAME));
    ZipItemInfoA info = {};
    ASSERT_EQ(static_cast<DWORD>(ZR_OK), reader.GetItem(-1, &info));
    EXPECT_EQ(11, info.index);
    EXPECT_EQ(static_cast<DWORD>(ZR_ARGS), reader.GetItem(-2, &info));
    EXPECT_EQ(static_cast<DWORD>(ZR_ARGS), reader.GetItem(11, &info));

    struct AttrCase { int index; DWORD set; DWORD clear; };
    const AttrCase cases[] = {
        {1, FILE_ATTRIBUTE_DIRECTORY, 0},
        {3, 0, FILE_ATTRIBUTE_READONLY},                          // Unix mode with owner write
        {4, FILE_ATTRIBUTE_READONLY, 0},                          // Unix mode without it
        {5, FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_READONLY},     // DOS attributes only
        {6, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, 0},
    };
    for (const AttrCase& c : cases) {
        ASSERT_EQ(static_cast<DWORD>(ZR_OK), reader.GetItem(c.index, &info)) << c.index;
        EXPECT_EQ(c.set, info.attributes & c.set) << c.index;
        EXPECT_EQ(0u, info.attributes & c.clear) << c.index;
    }

    // "UT" with the modification time only: the DOS time stays for access and creation.
    // Expected times come from the calendar: 1600000000 s after 1970 is 2020-09-13 12:26:40 UTC,
    // 1000000000 s 2001-09-09 01:46:40, 1100000000 s 2004-11-09 11:33:20, 1200000000 s
    // 2008-01-10 21:20:00, and -400 days 1968-11-27 00:00:00.
    ASSERT_EQ(static_cast<DWORD>(ZR_OK), reader.GetItem(0, &info));
    EXPECT_EQ(LocalTicks(2020, 9, 13, 12, 26, 40), Ticks(info.modifyTime));
    // The fixture's DOS date and time, 2020-05-06 07:08:10, stand for access and creation.
    EXPECT_EQ(CalendarTicks(2020, 5, 6, 7, 8, 10), Ticks(info.accessTime));
    EXPECT_EQ(Ticks(info.accessTime), Ticks(info.creationTime));

    ASSERT_EQ(static_cast<DWORD>(ZR_OK), reader.GetItem(7, &info));
    EXPECT_EQ(LocalTicks(2001, 9, 9, 1, 46, 40), Ticks(info.modifyTime));
    EXPECT_EQ(LocalTicks(2004, 11, 9, 11, 33, 20), Ticks(info.accessTime));
    EXPECT_EQ(LocalTicks(2008, 1, 10, 21, 20, 0), Ticks(info.creationTime));

    // Times before 1970, and blocks that announce more than they hold, are read safely.
    ASSERT_EQ(static_cast<DWORD>(ZR_OK), reader.GetItem(8, &info));
    EXPECT_EQ(LocalTicks(1968, 11, 27, 0, 0, 0), Ticks(info.modifyTime));
    ZipItemInfoA dosOnly = {};
    ASSERT_EQ(static_cast<DWORD>(ZR_OK), reader.GetItem(9, &dosOnly));
    EXPECT_EQ(Ticks(dosOnly.accessTime), Ticks(dosOnly.modifyTime));
    ASSERT_EQ(static_cast<DWORD>(ZR_OK), reader.GetItem(10, &dosOnly));
}

TEST(Zip, LongEntryNameIsTerminated) {
    CZipReader reader;
    std::wstring path = Fixture(L"longname.zip");
    ASSERT_EQ(static_cast<DWORD>(ZR_OK), reader.Open(const_cast<wchar_t*>(path.c_str()), 0, ZIP_FILENAME));
    ZipItemInfoA info = {};
    memset(info.name, 'X', sizeof(info.name));
    ASSERT_EQ(static_cast<DWORD>(ZR_OK), reader.GetItem(0, &info));
    const size_t length = strnlen(info.name, sizeof(info.name));
    EXPECT_LT(length, sizeof(info.name));
    EXPECT_EQ(std::string(length, 'n'), std::string(info.name));
}

TEST(Zip, UnzipsToMemoryInPieces) {
    OpenZip zip(L"basic.zip");
    ASSERT_NE(nullptr, zip.get());
    std::vector<unsigned char> buffer(1000);
    DWORD written = 0;
    EXPECT_EQ(static_cast<DWORD>(ZR_MORE), ZipUnzipItem(zip.get(), 0, buffer.data(), 1000, ZIP_MEMORY, &written));
    EXPECT_EQ(1000u, written);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ((i * 7) % 251, buffer[static_cast<size_t>(i)]) << i;
    EXPECT_EQ(static_cast<DWORD>(ZR_OK), ZipUnzipItem(zip.get(), 0, buffer.data(), 1000, ZIP_MEMORY, &written));
    EXPECT_EQ(0u, written);

    // Pieces continue where the last call stopped.
    std::vector<unsigned char> piece(400);
    std::vector<unsigned char> whole;
    DWORD result = ZR_MORE;
    while (result == ZR_MORE) {
        result = ZipUnzipItem(zip.get(), 0, piece.data(), 400, ZIP_MEMORY, &written);
        whole.insert(whole.end(), piece.begin(), piece.begin() + written);
    }
    EXPECT_EQ(static_cast<DWORD>(ZR_OK), result);
    ASSERT_EQ(1000u, whole.size());
    EXPECT_EQ(buffer, whole);

    std::vector<char> text(64);
    EXPECT_EQ(static_cast<DWORD>(ZR_MORE), ZipUnzipItem(zip.get(), 2, text.data(), 64, ZIP_MEMORY, &written));
    EXPECT_EQ(std::string("inner text"), std::string(text.data(), written));

    EXPECT_EQ(static_cast<DWORD>(ZR_ARGS), ZipUnzipItem(zip.get(), -1, buffer.data(), 10, ZIP_MEMORY));
    EXPECT_EQ(static_cast<DWORD>(ZR_ARGS), ZipUnzipItem(zip.get(), 11, buffer.data(), 10, ZIP_MEMORY));
    EXPECT_EQ(static_cast<DWORD>(ZR_ARGS), ZipUnzipItem(zip.get(), 0, buffer.data(), 10, 7));
    EXPECT_EQ(static_cast<DWORD>(ZR_ARGS), ZipUnzipItem(zip.get(), 0, nullptr, 10, ZIP_MEMORY));   // no buffer
}

TEST(Zip, FindingAnEntryAgainStartsItsReadFromTheBeginning) {
    OpenZip zip(L"basic.zip");
    ASSERT_NE(nullptr, zip.get());
    int index = -1;
    ZipItemInfo info = {};
    std::vector<unsigned char> buffer(1000);
    DWORD written = 0;
    ASSERT_EQ(static_cast<DWORD>(ZR_OK), ZipFindItem(zip.get(), L"sub/inner/file.txt", true, &index, &info));
    // A reader that gave up after a short piece ...
    EXPECT_EQ(static_cast<DWORD>(ZR_MORE), ZipUnzipItem(zip.get(), index, buffer.data(), 5, ZIP_MEMORY, &written));
    EXPECT_EQ(std::string("inner"), std::string(buffer.begin(), buffer.begin() + written));
    // ... leaves nothing half-read for the next reader that looks the entry up.
    ASSERT_EQ(static_cast<DWORD>(ZR_OK), ZipFindItem(zip.get(), L"sub/inner/file.txt", true, &index, &info));
    EXPECT_EQ(static_cast<DWORD>(ZR_MORE), ZipUnzipItem(zip.get(), index, buffer.data(), 10, ZIP_MEMORY, &written));
    EXPECT_EQ(std::string("inner text"), std::string(buffer.begin(), buffer.begin() + written));
}

TEST(Zip, DamagedEntriesAreErrors) {
    struct Case { const wchar_t* archive; DWORD size; };
    const Case cases[] = {{L"badcrc.zip", 180}, {L"short.zip", 650}, {L"badflate.zip", 64}};
    for (const Case& c : cases) {
        OpenZip zip(c.archive);
        ASSERT_NE(nullptr, zip.get()) << c.archive;
        // The caller's usual way: one call into a buffer of the stated size, then the rest.
        std::vector<unsigned char> buffer(c.size + 1);
        DWORD result = ZipUnzipItem(zip.get(), 0, buffer.data(), static_cast<DWORD>(buffer.size()), ZIP_MEMORY);
        if (result == ZR_MORE) result = ZipUnzipItem(zip.get(), 0, buffer.data(), static_cast<DWORD>(buffer.size()), ZIP_MEMORY);
        EXPECT_EQ(static_cast<DWORD>(ZR_FLATE), result) << c.archive;

        std::wstring folder = testfiles::FreshDir(L"zipbad");
        std::wstring target = folder + L"\\out.bin";
        EXPECT_EQ(static_cast<DWORD>(ZR_WRITE),
                  ZipUnzipItem(zip.get(), 0, const_cast<wchar_t*>(target.c_str()), 0, ZIP_FILENAME))
            << c.archive;
    }
}

TEST(Zip, UnzipsToFilesInsideTheRootOnly) {
    const std::wstring folder = testfiles::FreshDir(L"zipout");
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
    {
        OpenZip zip(L"basic.zip");
        ASSERT_NE(nullptr, zip.get());
        EXPECT_EQ(static_cast<DWORD>(ZR_OK),
                  ZipUnzipItem(zip.get(), 2, const_cast<wchar_t*>(L"a/b/file.txt"), 0, ZIP_FILENAME));
        EXPECT_EQ("inner text", testfiles::ReadAll(folder + L"\\a\\b\\file.txt"));
        EXPECT_EQ(static_cast<DWORD>(ZR_OK), ZipUnzipItem(zip.get(), 1, const_cast<wchar_t*>(L"x"), 0, ZIP_FILENAME));
        EXPECT_TRUE(testfiles::Exists(folder + L"\\folder"));
        const std::wstring absolute = folder + L"\\absolute.txt";
        EXPECT_EQ(static_cast<DWORD>(ZR_OK),
                  ZipUnzipItem(zip.get(), 2, const_cast<wchar_t*>(absolute.c_str()), 0, ZIP_FILENAME));
        EXPECT_EQ("inner text", testfiles::ReadAll(absolute));

        const wchar_t* unsafeTargets[] = {L"../escaped.txt", L"..\\escaped.txt", L"a/../../escaped.txt",
                                          L"a\\..\\..\\escaped.txt"};
        for (const wchar_t* target : unsafeTargets) {
            EXPECT_EQ(static_cast<DWORD>(ZR_ARGS),
                      ZipUnzipItem(zip.get(), 2, const_cast<wchar_t*>(target), 0, ZIP_FILENAME))
                << testfiles::Narrow(target);
        }
        const std::wstring parent = folder.substr(0, folder.find_last_of(L'\\'));
        EXPECT_FALSE(testfiles::Exists(parent + L"\\escaped.txt"));
    }
    {
        OpenZip zip(L"unsafe.zip");
        ASSERT_NE(nullptr, zip.get());
        EXPECT_EQ(static_cast<DWORD>(ZR_ARGS), ZipUnzipItem(zip.get(), 3, const_cast<wchar_t*>(L"x"), 0, ZIP_FILENAME));
        const std::wstring parent = folder.substr(0, folder.find_last_of(L'\\'));
        EXPECT_FALSE(testfiles::Exists(parent + L"\\evildir"));
    }
    SetCurrentDirectoryW(previous);

    struct PathCase { const wchar_t* path; bool unsafe; };
    const PathCase paths[] = {{L"a/b.txt", false}, {L"..", true}, {L"a/..", true}, {L"a..b/c", false},
                              {L"a/..b", false}, {L"/x", true}, {L"d:x", true}};
    for (const PathCase& c : paths) EXPECT_EQ(c.unsafe, CZipReader::IsUnsafePath(c.path)) << testfiles::Narrow(c.path);
}

TEST(Zip, CreateDirectoriesOuterFirst) {
    const std::wstring folder = testfiles::FreshDir(L"zipdirs") + L"\\";
    CZipReader::CreateDirectories(folder.c_str(), L"one/two\\three");
    EXPECT_TRUE(testfiles::Exists(folder + L"one\\two\\three"));
}

TEST(Zip, MemorySourceReadsAndSeeks) {
    unsigned char data[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    DWORD result = 1;
    ZipSource* source = ZipSourceOpen(data, sizeof(data), ZIP_MEMORY, &result);
    ASSERT_NE(nullptr, source);
    EXPECT_EQ(0u, result);
    unsigned char out[8] = {};
    EXPECT_EQ(0, ZipSourceSeek(source, -3, 2));
    EXPECT_EQ(7, ZipSourceTell(source));
    EXPECT_EQ(3u, ZipSourceRead(source, out, 1, 8));
    EXPECT_EQ(9, out[2]);
    EXPECT_EQ(0u, ZipSourceRead(source, out, 1, 8));
    EXPECT_EQ(0, ZipSourceSeek(source, 2, 0));
    EXPECT_EQ(2u, ZipSourceRead(source, out, 4, 2));
    EXPECT_EQ(19, ZipSourceSeek(source, 0, 5));
    EXPECT_EQ(0, ZipSourceClose(source));
    EXPECT_EQ(-1, ZipSourceClose(nullptr));
    EXPECT_EQ(nullptr, ZipSourceOpen(data, 1, 4, &result));
    EXPECT_EQ(static_cast<DWORD>(ZR_ARGS), result);
}

}  // namespace
