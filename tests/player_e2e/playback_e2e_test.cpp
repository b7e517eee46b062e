// Playback of the real VelaMusic.exe against the stand-in, driven from outside: a seeded default
// playlist, double-clicks on its rows, the play buttons and play modes, the sliders and mute.
// Which track played is told by the stand-in's log of play-URL requests and by the tones that
// the wave-out device played (audio_capture.h; the stand-in's tracks are pure tones).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <set>

#include "audio_capture.h"
#include "main_messages.h"
#include "player_driver.h"
#include "standin_client.h"
#include "test_files.h"

using namespace e2e;

namespace {

const WORD kMainLayout = 205;
const DWORD kExitMs = 30000;
const std::vector<LayoutChange> kMyMusicShown = {{L"VLMyMusic", L"visible", L"true"}};

// The tones of the stand-in's tracks.
const double kHz1001 = 440, kHz1002 = 660, kHz1003 = 880, kHz1005a = 523, kHz1005b = 784;

std::wstring DataFile(const wchar_t* name) { return testfiles::PlayerDataFolder() + L"\\" + name; }
std::wstring CapturePath() { return testfiles::Widen(VELA_CAPTURE); }

void SeedDefaultPlayList(const std::vector<std::string>& ids) {
    ASSERT_TRUE(WritePlayListFile(DataFile(L"PLDefault"), ids));
}

std::vector<std::string> PlayedIds() { return PlayUrlRequests(); }

// Seconds of the tone in the capture file of the n-th opening of the device.
double ToneSeconds(size_t file, double hz) {
    const std::vector<std::wstring> files = audiocapture::Files(CapturePath());
    if (file >= files.size()) return 0;
    return audiocapture::SecondsOf(audiocapture::TonesOfFile(files[file]), hz);
}

// Seconds of the tone over every capture file.
double TotalToneSeconds(double hz) {
    double seconds = 0;
    for (const std::wstring& file : audiocapture::Files(CapturePath())) {
        seconds += audiocapture::SecondsOf(audiocapture::TonesOfFile(file), hz);
    }
    return seconds;
}

size_t CaptureFileCount() { return audiocapture::Files(CapturePath()).size(); }

// The capture file of the n-th opening of the device ("" when there is none yet).
std::wstring CaptureFile(size_t file) {
    const std::vector<std::wstring> files = audiocapture::Files(CapturePath());
    return file < files.size() ? files[file] : std::wstring();
}

// The tones of a capture file as text, for failure messages: "523 Hz 4.0 s, 784 Hz 4.0 s".
std::string Describe(size_t file) {
    const std::vector<std::wstring> files = audiocapture::Files(CapturePath());
    if (file >= files.size()) return "no file " + std::to_string(file);
    std::string text;
    char part[64] = {};
    for (const audiocapture::Tone& tone : audiocapture::TonesOfFile(files[file])) {
        std::snprintf(part, sizeof part, "%s%.0f Hz %.2f s", text.empty() ? "" : ", ", tone.hz, tone.seconds);
        text += part;
    }
    return text;
}

// Every capture file: its bytes and its tones, one line a file.
std::string DescribeAll() {
    std::string text;
    const std::vector<std::wstring> files = audiocapture::Files(CapturePath());
    for (size_t file = 0; file < files.size(); ++file) {
        text += "file " + std::to_string(file) + ": " + std::to_string(audiocapture::FileBytes(files[file])) +
                " bytes; " + Describe(file) + "\n";
    }
    return text.empty() ? "no capture file" : text;
}

class PlaybackE2ETest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        ::CreateDirectoryW(testfiles::PlayerDataFolder().c_str(), nullptr);
        for (const wchar_t* name : {L"Set.ini", L"PLDefault", L"PLILike"}) ::DeleteFileW(DataFile(name).c_str());
        audiocapture::Clear(CapturePath());
        program = PrepareProgramFolder(L"playback") + L"VelaMusic.exe";
    }

    void TearDown() override {
        if (player.IsRunning()) {
            ::PostMessageW(player.MainWindow(), VelaUI::WM_TRAYMENU_EXIT, 0, 0);
            DWORD code = 1;
            EXPECT_TRUE(player.WaitForExit(kExitMs, &code));
            EXPECT_EQ(code, 0u);
        }
    }

    // Starts the player and shows the default playlist.
    void Start() {
        ASSERT_TRUE(player.Start(program, L"", testfiles::FreshDir(L"cwd")));
        main = player.WaitForMainWindow();
        ASSERT_NE(main, nullptr);
        ::Sleep(300);
        ASSERT_TRUE(ClickControl(program, kMainLayout, main, L"BtnTabMyMusic"));
        ::Sleep(300);
    }

    void DoubleClickRow(int rows, int row) {
        RECT rc = {};
        ASSERT_TRUE(ListRowRect(program, kMainLayout, main, L"ListPlayList", rows, row, rc, kMyMusicShown));
        DoubleClickAt(main, (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    }

    void Press(const wchar_t* button) { ASSERT_TRUE(ClickControl(program, kMainLayout, main, button, kMyMusicShown)); }

    // Clicks a horizontal slider where its value is the fraction of its range.
    void ClickSlider(const wchar_t* slider, double fraction) {
        RECT rc = {};
        ASSERT_TRUE(ControlRect(program, kMainLayout, main, slider, rc, kMyMusicShown));
        const int thumb = 12;
        const int x = rc.left + thumb / 2 + static_cast<int>((rc.right - rc.left - thumb) * fraction + 0.5);
        ClickAt(main, x, (rc.top + rc.bottom) / 2);
    }

    // Waits until n play URLs were requested; the ids so far.
    std::vector<std::string> WaitForPlays(size_t n, DWORD timeoutMs = 15000) {
        WaitFor([&] { return PlayedIds().size() >= n; }, timeoutMs);
        return PlayedIds();
    }

    // Waits until the n-th opening of the device has played the tone for the seconds.
    bool WaitForTone(size_t file, double hz, double seconds, DWORD timeoutMs = 15000) {
        return WaitFor([&] { return ToneSeconds(file, hz) >= seconds; }, timeoutMs);
    }

    // Waits until the newest opening of the device has played the tone for the seconds.
    bool WaitForNewestTone(double hz, double seconds, DWORD timeoutMs = 15000) {
        return WaitFor(
            [&] {
                const size_t count = CaptureFileCount();
                return count > 0 && ToneSeconds(count - 1, hz) >= seconds;
            },
            timeoutMs);
    }

    // Waits until some opening of the device has played the tone for the seconds.
    bool WaitForToneInAnyFile(double hz, double seconds, DWORD timeoutMs = 15000) {
        return WaitFor(
            [&] {
                for (size_t file = 0; file < CaptureFileCount(); ++file) {
                    if (ToneSeconds(file, hz) >= seconds) return true;
                }
                return false;
            },
            timeoutMs);
    }

    // Nothing more is requested for a while: playback has stopped.
    bool StaysAt(size_t plays, DWORD ms) {
        ::Sleep(ms);
        return PlayedIds().size() == plays;
    }

    std::wstring program;
    PlayerProcess player;
    HWND main = nullptr;
};

TEST_F(PlaybackE2ETest, DoubleClickPlaysTheRowAndSerialModeStopsAtBothEnds) {
    SeedDefaultPlayList({"1002", "1003", "1001"});
    Start();
    DoubleClickRow(3, 2);
    EXPECT_EQ(WaitForPlays(1), (std::vector<std::string>{"1001"}));
    // The whole 4 s of its tone, then the end of the serial list: playback stops at index 0.
    EXPECT_TRUE(WaitForTone(0, kHz1001, 3.7, 12000));
    EXPECT_TRUE(StaysAt(1, 2000));
    // Without a break in it, and as long as the track.
    const audiocapture::SoundSpan span = audiocapture::SoundSpanOfFile(CaptureFile(0));
    EXPECT_TRUE(span.silences.empty()) << audiocapture::Describe(span);
    EXPECT_NEAR(span.Seconds(), 4.0, 4.0 * 0.02) << audiocapture::Describe(span);
    Press(L"BtnPlay");
    EXPECT_EQ(WaitForPlays(2).back(), "1002");
    EXPECT_TRUE(WaitForNewestTone(kHz1002, 0.5));
    Press(L"BtnPlayNext");
    EXPECT_EQ(WaitForPlays(3).back(), "1003");
    EXPECT_TRUE(WaitForNewestTone(kHz1003, 0.5));
    Press(L"BtnPlayPre");
    EXPECT_EQ(WaitForPlays(4).back(), "1002");
    Press(L"BtnPlayPre");  // before the first track: stops at index 0
    EXPECT_TRUE(StaysAt(4, 1500));
    Press(L"BtnPlay");
    EXPECT_EQ(WaitForPlays(5).back(), "1002");
    // A double-click on the playing row starts it again.
    const double before = TotalToneSeconds(kHz1002);
    DoubleClickRow(3, 0);
    EXPECT_EQ(WaitForPlays(6).back(), "1002");
    EXPECT_TRUE(WaitFor([&] { return TotalToneSeconds(kHz1002) >= before + 0.5; }, 15000))
        << Describe(CaptureFileCount() - 1);
}

TEST_F(PlaybackE2ETest, CircularWrapsAndSingleRepeatPlaysTheFinishedTrackAgain) {
    SeedDefaultPlayList({"1001", "1002", "1003"});
    Start();
    Press(L"BtnPlayCircular");
    DoubleClickRow(3, 0);
    EXPECT_EQ(WaitForPlays(1).back(), "1001");
    Press(L"BtnPlayPre");  // from the first to the last
    EXPECT_EQ(WaitForPlays(2).back(), "1003");
    Press(L"BtnPlayNext");  // and round again
    EXPECT_EQ(WaitForPlays(3).back(), "1001");
    Press(L"BtnPlayCircularSingle");  // circular -> single repeat
    ::Sleep(200);
    Press(L"BtnPlayNext");  // pressed: on to the next, as circular
    EXPECT_EQ(WaitForPlays(4).back(), "1002");
    Press(L"BtnPlayPre");
    EXPECT_EQ(WaitForPlays(5).back(), "1001");
    // 1001 plays to its end and then again from its start.
    EXPECT_EQ(WaitForPlays(6, 12000), (std::vector<std::string>{"1001", "1003", "1001", "1002", "1001", "1001"}));
    EXPECT_TRUE(WaitForToneInAnyFile(kHz1001, 3.7, 1000));  // the whole of it, before the repeat
    EXPECT_TRUE(WaitForNewestTone(kHz1001, 0.5)) << Describe(CaptureFileCount() - 1);
}

TEST_F(PlaybackE2ETest, RandomModesPlayEveryTrackOnceAroundTheOrder) {
    SeedDefaultPlayList({"1001", "1002", "1003"});
    Start();
    Press(L"BtnPlayRandom");  // random: the order is drawn now, its position at the first entry
    ::Sleep(200);
    Press(L"BtnPlayNext");
    WaitForPlays(1);
    Press(L"BtnPlayNext");
    const std::vector<std::string> two = WaitForPlays(2);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_NE(two[0], two[1]);
    Press(L"BtnPlayNext");  // past the last entry: stops
    EXPECT_TRUE(StaysAt(2, 1500));
    Press(L"BtnPlayCircular");  // random circular: round the order from its first entry
    ::Sleep(200);
    for (size_t n = 3; n <= 5; ++n) {
        Press(L"BtnPlayNext");
        WaitForPlays(n);
    }
    const std::vector<std::string> ids = PlayedIds();
    ASSERT_EQ(ids.size(), 5u);
    EXPECT_EQ(std::set<std::string>(ids.begin() + 2, ids.end()), (std::set<std::string>{"1001", "1002", "1003"}));
    // The order's second and third entries are the ones random mode played.
    EXPECT_EQ(ids[3], ids[0]);
    EXPECT_EQ(ids[4], ids[1]);
}

TEST_F(PlaybackE2ETest, PauseHoldsThePositionAndResumeGoesOn) {
    SeedDefaultPlayList({"1005", "1004"});  // 1004: 240 s of 330 Hz, then 990 Hz
    Start();
    DoubleClickRow(2, 0);
    ASSERT_TRUE(WaitForTone(0, kHz1005a, 1.0));
    Press(L"BtnPlay");  // pause
    ::Sleep(600);
    const double before = ToneSeconds(0, kHz1005a);
    ::Sleep(2000);
    EXPECT_LT(ToneSeconds(0, kHz1005a) - before, 0.05);
    Press(L"BtnPlay");  // resume: the rest of the track, nothing of it lost, nothing twice
    EXPECT_EQ(WaitForPlays(2, 15000).back(), "1004");  // the end of 1005 moves on
    EXPECT_NEAR(ToneSeconds(0, kHz1005a), 4.0, 4.0 * 0.02) << Describe(0);
    EXPECT_NEAR(ToneSeconds(0, kHz1005b), 4.0, 4.0 * 0.02) << Describe(0);
    // No break in the sound but the pause (where the paused device may write silence).
    const audiocapture::SoundSpan span = audiocapture::SoundSpanOfFile(CaptureFile(0));
    EXPECT_LE(span.silences.size(), 1u) << audiocapture::Describe(span);
    EXPECT_NEAR(span.Seconds() - span.SilentSeconds(), 8.0, 8.0 * 0.02) << audiocapture::Describe(span);
}

TEST_F(PlaybackE2ETest, ASeekAtThreeQuartersSoundsAtOnceFromThere) {
    SeedDefaultPlayList({"1005"});  // 523 Hz for 4 s, then 784 Hz for 4 s
    Start();
    DoubleClickRow(1, 0);
    ASSERT_TRUE(WaitForTone(0, kHz1005a, 0.5));
    const std::wstring capture = CaptureFile(0);
    const size_t from = audiocapture::FileBytes(capture);
    const auto clicked = std::chrono::steady_clock::now();
    ClickSlider(L"SliderPlayProgress", 0.75);
    // The second tone from 6 s on sounds at once (tools/bench/audio_bench.sh reports the time).
    ASSERT_TRUE(WaitFor([&] { return audiocapture::SecondsUntilTone(capture, from, kHz1005b) >= 0; }, 5000))
        << Describe(0);
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - clicked).count();
    RecordProperty("seek_to_sound_ms", static_cast<int>(waited * 1000));
    EXPECT_LT(waited, 1.0);
    EXPECT_TRUE(StaysAt(1, 3000));  // its end stops the serial list
    // After the click: what the device still held of the first tone, then the last 2 s of the
    // second one, whole.
    std::vector<audiocapture::Tone> after = audiocapture::TonesOfFile(capture, from);
    ASSERT_FALSE(after.empty()) << Describe(0);
    if (audiocapture::Near(after.front().hz, kHz1005a)) {
        EXPECT_LT(after.front().seconds, 0.4) << Describe(0);
        after.erase(after.begin());
    }
    ASSERT_EQ(after.size(), 1u) << Describe(0);
    EXPECT_TRUE(audiocapture::Near(after[0].hz, kHz1005b)) << Describe(0);
    // Whole from 20 ms into it on (the device starts again after a short silence where the
    // seek emptied it).
    const double secondTone = audiocapture::SecondsUntilTone(capture, from, kHz1005b) + 0.02;
    const audiocapture::SoundSpan span =
        audiocapture::SoundSpanOfFile(capture, from + static_cast<size_t>(secondTone * 44100) * 4);
    EXPECT_TRUE(span.silences.empty()) << audiocapture::Describe(span);
    EXPECT_NEAR(span.Seconds(), 1.98, 0.15) << audiocapture::Describe(span);
}

TEST_F(PlaybackE2ETest, VolumeHalfAndMuteReachTheDevice) {
    SeedDefaultPlayList({"1003", "1002"});
    Start();
    DoubleClickRow(2, 0);
    ASSERT_TRUE(WaitForTone(0, kHz1003, 0.5));
    ClickSlider(L"SliderVol", 0.5);
    ::Sleep(300);
    Press(L"BtnPlayNext");  // the next item's device gets the chosen volume too
    ASSERT_TRUE(WaitForTone(1, kHz1002, 1.0));
    std::vector<audiocapture::Tone> tones = audiocapture::TonesOfFile(audiocapture::Files(CapturePath())[1]);
    ASSERT_FALSE(tones.empty());
    // Half of full scale at 32767 of 65535 on both channels.
    EXPECT_NEAR(tones[0].leftPeak, 8192, 500);
    EXPECT_NEAR(tones[0].rightPeak, 8192, 500);
    Press(L"BtnSound");  // mute
    ::Sleep(500);
    const double muted = ToneSeconds(1, kHz1002);
    ::Sleep(1500);
    EXPECT_LT(ToneSeconds(1, kHz1002) - muted, 0.3);
    Press(L"BtnSound");  // unmute: back to the same level
    EXPECT_TRUE(WaitForTone(1, kHz1002, muted + 0.5, 5000));
    tones = audiocapture::TonesOfFile(audiocapture::Files(CapturePath())[1]);
    ASSERT_FALSE(tones.empty());
    EXPECT_NEAR(tones.back().leftPeak, 8192, 500);
}

TEST_F(PlaybackE2ETest, AnUnplayableTrackMovesOnAndNextsWhileOpeningRunOnce) {
    SeedDefaultPlayList({"1099", "1001", "1002", "1003"});
    // The stream of 1002 answers only after 2 s.
    standin::Request("POST", "/_ctl/behave?prefix=/files/1002.mp3&b=delay%3D2000&count=1");
    Start();
    DoubleClickRow(4, 0);
    EXPECT_EQ(WaitForPlays(2), (std::vector<std::string>{"1099", "1001"}));
    EXPECT_TRUE(WaitForTone(0, kHz1001, 0.5));
    Press(L"BtnPlayNext");
    WaitForPlays(3);
    ::Sleep(300);
    for (int i = 0; i < 5; ++i) {
        Press(L"BtnPlayNext");
        ::Sleep(100);
    }
    EXPECT_EQ(WaitForPlays(4), (std::vector<std::string>{"1099", "1001", "1002", "1003"}));
    EXPECT_TRUE(StaysAt(4, 2500));
    EXPECT_TRUE(WaitForToneInAnyFile(kHz1003, 0.5)) << DescribeAll();
}

}  // namespace
