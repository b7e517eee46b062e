#include "share_test_support.h"

#include "standin_client.h"
#include "test_files.h"

namespace sharetest {

namespace {

std::wstring TestProgramFolder() {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.rfind(L'\\'));
}

}  // namespace

void ShareFormTest::SetUp() {
    formtest::UseOwnResources();
    formtest::ParkPointer();
    owner = formtest::MakeOwnerWindow();
    ASSERT_NE(owner, nullptr);
    standin::Reset();
    m_dir = testfiles::FreshDir(L"share");
    const std::wstring folder = m_dir + L"\\Web Browser";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    browserProgram = folder + L"\\browser.exe";
    ASSERT_TRUE(::CopyFileW((TestProgramFolder() + L"\\vela_update_recorder.exe").c_str(), browserProgram.c_str(),
                            FALSE));
    ASSERT_TRUE(m_browserKey.Set(browserProgram));
}

void ShareFormTest::TearDown() {
    formtest::DestroyDialogWindows();
    if (::IsWindow(owner)) ::DestroyWindow(owner);
    testfiles::RemoveTree(m_dir);
}

std::vector<std::wstring> ShareFormTest::BrowserStarts(size_t count) {
    std::vector<std::wstring> lines;
    for (int wait = 0; wait < 200; ++wait) {
        lines.clear();
        const std::string log = testfiles::ReadAll(browserProgram + L".log");
        size_t start = 0;
        for (size_t end; (end = log.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(testfiles::Widen(log.substr(start, end - start)));
        if (lines.size() >= count) break;
        ::Sleep(50);
    }
    return lines;
}

std::vector<std::string> RequestLines(const std::string& pathPrefix) {
    std::vector<std::string> lines;
    for (const std::string& entry : standin::RequestsMatching("GET " + pathPrefix))
        lines.push_back(entry.substr(0, entry.find("\r\n")));
    return lines;
}

TrackInfo AwkwardTrack() {
    TrackInfo track;
    track.ArtistNameList = L"A&B \"C\"";
    track.TrackName = L"\x6674\x5929 #1";  // 晴天 #1
    track.TrackID = L"9&1";
    track.AlbumID = L"77";
    return track;
}

}  // namespace sharetest
