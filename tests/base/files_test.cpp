// Whole-file reading and writing, module paths and code-page text.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "test_files.h"
#include "win_files.h"
#include "win_owners.h"
#include "win_text.h"

namespace {

class WholeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = testfiles::FreshDir(L"wholefile");
        path_ = dir_ + L"\\file.bin";
    }
    void TearDown() override { testfiles::RemoveTree(dir_); }

    std::wstring dir_;
    std::wstring path_;
};

TEST_F(WholeFileTest, ResultsByWhatTheFileIs) {
    struct Case {
        const char* content;  // null: no file
        unsigned long long limit;
        FileReadResult result;
        const char* bytes;
    };
    const Case cases[] = {
        {nullptr, 100, FileReadResult::CannotOpen, ""},
        {"", 100, FileReadResult::Ok, ""},
        {"twelve bytes", 12, FileReadResult::Ok, "twelve bytes"},
        {"twelve bytes", 11, FileReadResult::TooLarge, ""},
    };
    for (const Case& c : cases) {
        DeleteFileW(path_.c_str());
        if (c.content) {
            ASSERT_TRUE(testfiles::WriteAll(path_, c.content));
        }
        std::string bytes = "old";
        EXPECT_EQ(ReadWholeFile(path_, bytes, c.limit), c.result) << (c.content ? c.content : "(none)");
        EXPECT_EQ(bytes, c.bytes);
    }
}

TEST_F(WholeFileTest, AFileAnotherProgramWritesCanBeRead) {
    CScopedHandle writer(CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(writer.IsValid());
    ASSERT_TRUE(WriteAllBytes(writer.Get(), "abc", 3));
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(path_, bytes));
    EXPECT_EQ(bytes, "abc");
}

TEST_F(WholeFileTest, WritingAFileThatCannotBeMadeFails) {
    EXPECT_TRUE(WriteWholeFile(path_, std::string("a\0b", 3)));
    EXPECT_EQ(testfiles::ReadAll(path_), std::string("a\0b", 3));
    EXPECT_FALSE(WriteWholeFile(dir_ + L"\\missing\\file", "x"));
    EXPECT_FALSE(WriteWholeFile(dir_, "x"));  // a folder
}

// ---- Replacing a file through another ----------------------------------------------------------

// Puts a function of the test in the place of a system function that this program imports by
// name, for every call that goes through the program's import table, until it ends.
class ImportPatch {
public:
    ImportPatch(const char* dll, const char* function, const void* replacement) {
        auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name != 0;
             ++d) {
            if (::lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
            const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
            for (; names->u1.AddressOfData != 0; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
                const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
                m_slots.push_back({&slots->u1.Function, slots->u1.Function});
                Write(&slots->u1.Function, reinterpret_cast<ULONG_PTR>(replacement));
            }
        }
    }
    ~ImportPatch() {
        for (const auto& slot : m_slots) Write(slot.first, slot.second);
    }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool Patched() const { return !m_slots.empty(); }
    template <typename Function>
    Function Original() const {
        return reinterpret_cast<Function>(m_slots.front().second);
    }

private:
    template <typename Slot>
    static void Write(Slot* slot, ULONG_PTR value) {
        DWORD old = 0;
        ::VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
        *slot = static_cast<Slot>(value);
        ::VirtualProtect(slot, sizeof *slot, old, &old);
    }

    std::vector<std::pair<decltype(IMAGE_THUNK_DATA().u1.Function)*, ULONG_PTR>> m_slots;
};

// A file as the system knows it, whatever its name: the rename keeps it.
unsigned long long FileId(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!::GetFileInformationByHandle(file, &info)) return 0;
    return (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

unsigned long long FileId(const std::wstring& path) {
    CScopedHandle file(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    return file.IsValid() ? FileId(file.Get()) : 0;
}

// What reached the system, in order: 'f' a flush, 'm' a rename, each with the file it was about.
std::vector<std::pair<char, unsigned long long>> g_fileEvents;
const ImportPatch* g_flushPatch = nullptr;
const ImportPatch* g_movePatch = nullptr;

BOOL WINAPI RecordingFlush(HANDLE file) {
    g_fileEvents.push_back({'f', FileId(file)});
    return g_flushPatch->Original<BOOL(WINAPI*)(HANDLE)>()(file);
}

BOOL WINAPI RecordingMove(LPCWSTR from, LPCWSTR to, DWORD flags) {
    g_fileEvents.push_back({'m', FileId(from)});
    return g_movePatch->Original<BOOL(WINAPI*)(LPCWSTR, LPCWSTR, DWORD)>()(from, to, flags);
}

// A new file takes the place of the old only after its bytes were flushed to the disk: else a
// power cut can leave the renamed file empty.
TEST_F(WholeFileTest, ANewFileIsFlushedBeforeItTakesTheOldOnesPlace) {
    const ImportPatch flush("kernel32.dll", "FlushFileBuffers", reinterpret_cast<const void*>(&RecordingFlush));
    const ImportPatch move("kernel32.dll", "MoveFileExW", reinterpret_cast<const void*>(&RecordingMove));
    ASSERT_TRUE(move.Patched());
    g_flushPatch = flush.Patched() ? &flush : nullptr;
    g_movePatch = &move;
    const struct {
        const char* what;
        std::function<bool()> replace;
    } cases[] = {
        {"whole file", [&] { return ReplaceWholeFile(path_, "new bytes"); }},
        {"finished download",
         [&] {
             return testfiles::WriteAll(dir_ + L"\\part", "new bytes") && MoveFileIntoPlace(dir_ + L"\\part", path_);
         }},
        {"across volumes",
         [&] {
             return testfiles::WriteAll(dir_ + L"\\part", "new bytes") &&
                    MoveFileIntoPlace(dir_ + L"\\part", path_, true);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(testfiles::WriteAll(path_, "old bytes"));
        g_fileEvents.clear();
        ASSERT_TRUE(c.replace());
        EXPECT_EQ(testfiles::ReadAll(path_), "new bytes");
        const unsigned long long id = FileId(path_);
        ASSERT_NE(id, 0u);
        const std::vector<std::pair<char, unsigned long long>> flushedThenMoved = {{'f', id}, {'m', id}};
        EXPECT_EQ(g_fileEvents, flushedThenMoved);
    }
    g_flushPatch = g_movePatch = nullptr;
    EXPECT_FALSE(testfiles::Exists(path_ + L".tmp"));
}

TEST_F(WholeFileTest, AFileThatCannotTakeThePlaceLeavesBothAsTheyWere) {
    ASSERT_TRUE(testfiles::WriteAll(path_, "old bytes"));
    // The target is a folder: no temporary file stays behind.
    EXPECT_FALSE(ReplaceWholeFile(dir_, "new"));
    EXPECT_FALSE(testfiles::Exists(dir_ + L".tmp"));
    // A source that is missing, or held open by a writer that shares nothing.
    EXPECT_FALSE(MoveFileIntoPlace(dir_ + L"\\missing", path_));
    const std::wstring held = dir_ + L"\\held";
    ASSERT_TRUE(testfiles::WriteAll(held, "new bytes"));
    {
        CScopedHandle writer(::CreateFileW(held.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(writer.IsValid());
        EXPECT_FALSE(MoveFileIntoPlace(held, path_));
    }
    EXPECT_EQ(testfiles::ReadAll(path_), "old bytes");
    EXPECT_EQ(testfiles::ReadAll(held), "new bytes");
}

TEST(ModulePath, NamesTheProgramAndItsModules) {
    const std::wstring program = ModuleFilePath();
    ASSERT_GT(program.size(), 4u);
    EXPECT_EQ(_wcsicmp(program.substr(program.size() - 4).c_str(), L".exe"), 0);
    const std::wstring kernel = ModuleFilePath(GetModuleHandleW(L"kernel32.dll"));
    EXPECT_NE(kernel.find(L"\\"), std::wstring::npos);
}

TEST(CodePageText, StrictUtf8RefusesBrokenBytes) {
    std::wstring text = L"old";
    EXPECT_TRUE(Utf8ToWide("", text));
    EXPECT_EQ(text, L"");
    EXPECT_TRUE(Utf8ToWide("A\xE4\xB8\xAD", text));
    EXPECT_EQ(text, L"A\x4E2D");
    EXPECT_FALSE(Utf8ToWide("A\xE4\xB8", text));  // a character cut short
    EXPECT_EQ(text, L"");
    EXPECT_EQ(WideToUtf8(L"A\x4E2D"), "A\xE4\xB8\xAD");
    EXPECT_EQ(AnsiToWide(WideToAnsi(L"plain")), L"plain");
}

}  // namespace
