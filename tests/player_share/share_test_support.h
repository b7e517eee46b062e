// Shared set-up of the share dialog tests: an owner window, a fresh stand-in, and the browser's
// path pointing at a recorder program that writes its command line.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browser_key.h"
#include "player_forms_util.h"
#include "track_info.h"

namespace sharetest {

class ShareFormTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The command lines the browser was started with so far (waits up to 10 s for count).
    std::vector<std::wstring> BrowserStarts(size_t count);

    HWND owner = nullptr;
    std::wstring browserProgram;  // the recorder, in a folder whose name has a blank

private:
    testfiles::ScopedBrowserPath m_browserKey;
    std::wstring m_dir;
};

// The request lines ("GET <target> HTTP/1.1") the stand-in received under a path.
std::vector<std::string> RequestLines(const std::string& pathPrefix);

// A track whose names hold characters that break unencoded addresses and command lines.
TrackInfo AwkwardTrack();

}  // namespace sharetest
