// Playback of the real VelaMusic.exe against the stand-in, driven from outside: a seeded default
// playlist, double-clicks on its rows, the play buttons and play modes, the sliders and mute.
// Which track played is told by the stand-in's log of play-URL requests and by the tones that
// the wave-out device played (audio_capture.h; the stand-in's tracks are pure tones); how the
// buttons look, by the pixels that the screen shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>

#include "audio_capture.h"
#include "local_helpers.h"
#include "main_messages.h"
#include "player_driver.h"
#include "standin_client.h"
#include "test_files.h"

using namespace e2e;

namespace {

const WORD kMainLayout = 205;
const DWORD kExitMs = 30000;
const std::vector<LayoutChange> kMyMusicShown = {{L"VLMyMusic", L"visible", L"true"}};
// The player hides the push button: the buttons beside the title sit further right.
const std::vector<LayoutChange> kPushHidden = {{L"BtnPush", L"visible", L"false"}};

// The tones of the stand-in's tracks.
const double kHz1001 = 440, kHz1002 = 660, kHz1003 = 880, kHz1004 = 330, kHz1005a = 523, kHz1005b = 784;

// The width of the position and volume sliders' thumb.
const int kSliderThumb = 12;

std::wstring DataFile(const wchar_t* name) { return testfiles::PlayerDataFolder() + L"\\" + name; }
std::wstring ResultFile(const wchar_t* name) { return testfiles::FromUnixPath(VELA_RESULTS_DIR) + L"\\" + name; }
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

// The pixels of a picture that are not its background (the colour of its top-left corner).
size_t DrawnPixels(const std::vector<DWORD>& pixels) {
    size_t drawn = 0;
    for (DWORD pixel : pixels) drawn += pixel != pixels.front() ? 1 : 0;
    return drawn;
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

// The stand-in's requests for track files, a line each: the request line and its range.
std::string DescribeTrackRequests() {
    std::string text;
    for (const std::string& request : standin::RequestsMatching("/files/")) {
        text += request.substr(0, request.find('\r'));
        const size_t range = request.find("Range:");
        if (range != std::string::npos) text += " " + request.substr(range, request.find('\r', range) - range);
        text += "\n";
    }
    return text.empty() ? "no track requests" : text;
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

    // What the screen shows of a control of the main window.
    std::vector<DWORD> Look(const wchar_t* control, const std::vector<LayoutChange>& changes = kMyMusicShown) {
        RECT rc = {};
        if (!ControlRect(program, kMainLayout, main, control, rc, changes)) return {};
        return ClientPixels(main, rc);
    }

    // Moves the pointer off the buttons (a click leaves it over the button, which then shows hot),
    // onto the status line at the window's foot.
    void PointerAway() {
        RECT client = {};
        ::GetClientRect(main, &client);
        ::PostMessageW(main, WM_MOUSEMOVE, 0, MAKELPARAM(client.right / 2, client.bottom - 12));
    }

    // Clicks a horizontal slider where its value is the fraction of its range.
    void ClickSlider(const wchar_t* slider, double fraction) {
        RECT rc = {};
        ASSERT_TRUE(ControlRect(program, kMainLayout, main, slider, rc, kMyMusicShown));
        const int x =
            rc.left + kSliderThumb / 2 + static_cast<int>((rc.right - rc.left - kSliderThumb) * fraction + 0.5);
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

    // Seconds of the tone that the n-th opening of the device plays over the next moment (after a
    // pause: none).
    double ToneGrowth(size_t file, double hz, DWORD ms) {
        const double before = ToneSeconds(file, hz);
        ::Sleep(ms);
        return ToneSeconds(file, hz) - before;
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

    // Where the thumb of the position slider stands, as a fraction of its range (-1 when it is
    // not seen): the thumb is what is not the slider's background colour.
    double SliderFraction() {
        if (sliderRect.right == sliderRect.left &&
            !ControlRect(program, kMainLayout, main, L"SliderPlayProgress", sliderRect, kMyMusicShown))
            return -1;
        const int width = sliderRect.right - sliderRect.left;
        const std::vector<DWORD> pixels = ClientPixels(main, sliderRect);
        int first = width, last = -1;
        for (size_t i = 0; i < pixels.size(); ++i) {
            if (pixels[i] == 0xCCD5E0) continue;
            const int x = static_cast<int>(i % static_cast<size_t>(width));
            first = std::min(first, x);
            last = std::max(last, x);
        }
        if (last < 0 || width <= kSliderThumb) return -1;
        return ((first + last) / 2.0 - (kSliderThumb - 1) / 2.0) / (width - kSliderThumb);
    }

    std::wstring program;
    PlayerProcess player;
    RECT sliderRect = {};
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

TEST_F(PlaybackE2ETest, RandomModesPlayEveryTrackOnceARound) {
    SeedDefaultPlayList({"1001", "1002", "1003"});
    const std::set<std::string> all = {"1001", "1002", "1003"};
    Start();
    Press(L"BtnPlayRandom");  // nothing plays yet: the round begins with the first Next
    ::Sleep(200);
    for (size_t n = 1; n <= 3; ++n) {
        Press(L"BtnPlayNext");
        ASSERT_EQ(WaitForPlays(n).size(), n);
    }
    std::vector<std::string> ids = PlayedIds();
    EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()), all);
    Press(L"BtnPlayNext");  // every track has played: random mode stops
    EXPECT_TRUE(StaysAt(3, 1500));

    // From a track chosen by hand, random circular plays the two others, then a new round of all
    // three that does not begin with the track that ended the last one.
    DoubleClickRow(3, 0);
    EXPECT_EQ(WaitForPlays(4).back(), "1001");
    Press(L"BtnPlayCircular");
    ::Sleep(200);
    for (size_t n = 5; n <= 9; ++n) {
        Press(L"BtnPlayNext");
        ASSERT_EQ(WaitForPlays(n).size(), n);
    }
    ids = PlayedIds();
    EXPECT_EQ(std::set<std::string>(ids.begin() + 3, ids.begin() + 6), all);
    EXPECT_EQ(std::set<std::string>(ids.begin() + 6, ids.end()), all);
    EXPECT_NE(ids[6], ids[5]);
}

// The engine reports the end of the track that played just as the user moves on: the report was
// on its way before the command, and moves nothing on a second time.
TEST_F(PlaybackE2ETest, ALateEndReportAfterNextOrADoubleClickSkipsNothing) {
    SeedDefaultPlayList({"1001", "1002", "1003"});
    Start();
    DoubleClickRow(3, 0);
    ASSERT_TRUE(WaitForTone(0, kHz1001, 0.3));
    Press(L"BtnPlayNext");
    ::PostMessageW(main, VelaUI::WM_PLAYER_STATE, 12, 12);
    EXPECT_EQ(WaitForPlays(2).back(), "1002");
    EXPECT_TRUE(WaitForNewestTone(kHz1002, 0.3));
    DoubleClickRow(3, 0);
    ::PostMessageW(main, VelaUI::WM_PLAYER_STATE, 12, 12);
    EXPECT_EQ(WaitForPlays(3).back(), "1001");
    EXPECT_TRUE(WaitForNewestTone(kHz1001, 0.3));
    EXPECT_TRUE(StaysAt(3, 500)) << testing::PrintToString(PlayedIds());
    // The track plays in the playing state: the play button pauses it.
    Press(L"BtnPlay");
    ::Sleep(600);
    const size_t file = CaptureFileCount() - 1;
    EXPECT_LT(ToneGrowth(file, kHz1001, 1000), 0.2) << Describe(file);
}

// A play URL of the service that names no web address (a tampered reply) is never opened; a
// list whose every track fails is tried once round, also in circular mode.
TEST_F(PlaybackE2ETest, OnlyTheServicesWebAddressesAreOpenedAndARoundOfFailuresStops) {
    // The play URL of 2001 names a file on this computer: the stand-in's own 1001.mp3 (440 Hz).
    const std::string file = testfiles::Narrow(testfiles::FromUnixPath(VELA_BIN_DIR "/../standin/files/1001.mp3"));
    standin::Control("track", "TrackID=2001&TrackName=local&play=" + standin::Escape(file));
    SeedDefaultPlayList({"2001", "1099", "1002"});
    Start();
    DoubleClickRow(3, 0);
    EXPECT_EQ(WaitForPlays(3), (std::vector<std::string>{"2001", "1099", "1002"}));
    EXPECT_TRUE(WaitForToneInAnyFile(kHz1002, 0.5));
    EXPECT_EQ(TotalToneSeconds(kHz1001), 0.0);

    // Every track's file gone: in circular mode each track fails once, then playback stops.
    standin::Control("track", "TrackID=2001&TrackName=local&play=/files/missing-2001.mp3");
    standin::Request("POST", "/_ctl/behave?prefix=/files/1002.mp3&b=status%3D404");
    Press(L"BtnPlayCircular");
    ::Sleep(200);
    DoubleClickRow(3, 1);
    EXPECT_EQ(WaitForPlays(6), (std::vector<std::string>{"2001", "1099", "1002", "1099", "1002", "2001"}));
    EXPECT_TRUE(StaysAt(6, 2500)) << testing::PrintToString(PlayedIds());
    EXPECT_EQ(TotalToneSeconds(kHz1001), 0.0);
}

// The mode buttons show which mode is on, the sound button shows mute, and "收藏" before anything
// has played adds nothing. Screenshots of each state go to the test results.
TEST_F(PlaybackE2ETest, ModeButtonsShowTheModeMuteShowsItsIconAndNothingPlayedIsNoFavourite) {
    SeedDefaultPlayList({"1001"});
    Start();
    const wchar_t* const modes[3] = {L"BtnPlayCircular", L"BtnPlayCircularSingle", L"BtnPlayRandom"};
    std::vector<DWORD> released[3], pressed[3];
    for (int i = 0; i < 3; ++i) {
        released[i] = Look(modes[i]);
        ASSERT_FALSE(released[i].empty());
    }
    struct Step {
        const wchar_t* press;
        bool on[3];  // circular, single repeat, random look pressed
        const wchar_t* screenshot;
    };
    const Step steps[] = {
        {L"BtnPlayCircular", {true, false, false}, L"mode-circular.bmp"},
        {L"BtnPlayRandom", {true, false, true}, L"mode-random-circular.bmp"},
        {L"BtnPlayCircularSingle", {false, true, false}, L"mode-single.bmp"},
        {L"BtnPlayRandom", {false, false, true}, L"mode-random.bmp"},
        {L"BtnPlayRandom", {false, false, false}, L"mode-serial.bmp"},
    };
    for (const Step& step : steps) {
        Press(step.press);
        PointerAway();
        const bool shown = WaitFor(
            [&] {
                for (int i = 0; i < 3; ++i) {
                    const std::vector<DWORD> now = Look(modes[i]);
                    if (!step.on[i] && now != released[i]) return false;
                    if (step.on[i] && (now == released[i] || (!pressed[i].empty() && now != pressed[i]))) return false;
                }
                return true;
            },
            3000);
        EXPECT_TRUE(shown) << "after " << testfiles::Narrow(step.press) << " to " << testfiles::Narrow(step.screenshot);
        SaveScreenshot(ResultFile(step.screenshot));
        for (int i = 0; i < 3; ++i) {
            if (step.on[i] && pressed[i].empty()) pressed[i] = Look(modes[i]);
        }
    }

    const std::vector<DWORD> sound = Look(L"BtnSound");
    EXPECT_GT(DrawnPixels(sound), 20u);
    Press(L"BtnSound");  // mute: the muted icon, not an empty place
    PointerAway();
    EXPECT_TRUE(WaitFor(
        [&] {
            const std::vector<DWORD> now = Look(L"BtnSound");
            return now != sound && DrawnPixels(now) > 20;
        },
        3000));
    SaveScreenshot(ResultFile(L"sound-muted.bmp"));
    Press(L"BtnSound");
    PointerAway();
    EXPECT_TRUE(WaitFor([&] { return Look(L"BtnSound") == sound; }, 3000));

    const std::vector<DWORD> like = Look(L"BtnILike", kPushHidden);
    ASSERT_TRUE(ClickControl(program, kMainLayout, main, L"BtnILike", kPushHidden));
    PointerAway();
    EXPECT_TRUE(WaitFor([&] { return Look(L"BtnILike", kPushHidden) != like; }, 3000));  // done with: disabled
    ::PostMessageW(main, VelaUI::WM_TRAYMENU_EXIT, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(player.WaitForExit(kExitMs, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(testfiles::Exists(DataFile(L"PLILike")));
    EXPECT_TRUE(testfiles::Exists(DataFile(L"PLDefault")));
}

TEST_F(PlaybackE2ETest, PauseHoldsThePositionAndResumeGoesOn) {
    SeedDefaultPlayList({"1005", "1004"});  // 1004: 240 s of 330 Hz, then 990 Hz
    Start();
    DoubleClickRow(2, 0);
    ASSERT_TRUE(WaitForTone(0, kHz1005a, 1.0));
    Press(L"BtnPlay");  // pause
    ::Sleep(600);
    EXPECT_LT(ToneGrowth(0, kHz1005a, 2000), 0.05) << Describe(0);
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

// A user dragging the slider: forward, back and forward again, quickly, on a stream of the
// service and then on a file of this computer. After the last seek only its own position sounds
// (beside what the device still held), without a break, to the end.
TEST_F(PlaybackE2ETest, QuickSeeksInARowSoundOnlyFromTheLastPosition) {
    // 523 Hz for 4 s, then 784 Hz for 4 s: over HTTP, then the same file kept on this computer.
    std::string folder;
    ASSERT_TRUE(WideToUtf8Fixed3(folder, testfiles::FromUnixPath(VELA_BIN_DIR "/../standin/files")));
    ASSERT_TRUE(testfiles::WriteAll(
        DataFile(L"PLDefault"),
        "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n"
        "<Track><TrackID>1005</TrackID><TrackName>stream</TrackName><IsLocalFile>false</IsLocalFile></Track>\n"
        "<Track><TrackID>1005</TrackID><TrackName>file</TrackName><FilePath>" + folder +
            "</FilePath><FileName>1005.mp3</FileName><IsLocalFile>true</IsLocalFile></Track>\n"));
    Start();
    DoubleClickRow(2, 0);
    for (size_t file = 0; file < 2; ++file) {  // the stream's end moves on to the file
        SCOPED_TRACE(file == 0 ? "stream" : "file");
        ASSERT_TRUE(WaitForTone(file, kHz1005a, 0.5, 20000)) << DescribeAll();
        const std::wstring capture = CaptureFile(file);
        ClickSlider(L"SliderPlayProgress", 0.75);  // 6 s: 784 Hz
        ::Sleep(150);
        ClickSlider(L"SliderPlayProgress", 0.25);  // 2 s: 523 Hz
        ::Sleep(150);
        const size_t from = audiocapture::FileBytes(capture);
        ClickSlider(L"SliderPlayProgress", 0.55);  // 4.4 s: 784 Hz to the end
        ASSERT_TRUE(WaitFor([&] { return audiocapture::SecondsUntilTone(capture, from, kHz1005b) >= 0; }, 5000))
            << Describe(file);
        // Played to its end (3.6 s of the second tone); the device's last blocks come with it.
        EXPECT_TRUE(WaitFor(
            [&] { return audiocapture::SecondsOf(audiocapture::TonesOfFile(capture, from), kHz1005b) >= 3.5; }, 6000))
            << Describe(file);
        ::Sleep(300);
        std::vector<audiocapture::Tone> after = audiocapture::TonesOfFile(capture, from);
        ASSERT_FALSE(after.empty()) << Describe(file);
        if (audiocapture::Near(after.front().hz, kHz1005a)) {
            EXPECT_LT(after.front().seconds, 0.4) << Describe(file);
            after.erase(after.begin());
        }
        ASSERT_EQ(after.size(), 1u) << Describe(file);
        EXPECT_TRUE(audiocapture::Near(after[0].hz, kHz1005b)) << Describe(file);
        EXPECT_NEAR(after[0].seconds, 3.6, 0.15) << Describe(file);
        const double secondTone = audiocapture::SecondsUntilTone(capture, from, kHz1005b) + 0.02;
        const audiocapture::SoundSpan span =
            audiocapture::SoundSpanOfFile(capture, from + static_cast<size_t>(secondTone * 44100) * 4);
        EXPECT_TRUE(span.silences.empty()) << audiocapture::Describe(span);
    }
    SaveScreenshot(ResultFile(L"quick-seeks-ended.bmp"));
    EXPECT_EQ(PlayedIds(), (std::vector<std::string>{"1005"}));  // the file was not asked of the service
}

// The position slider shows where the sound is while it plays, holds still through a pause and
// goes on from a seek, never back to the old place. A seek while paused starts the new position:
// it sounds at once, the play button shows that it plays, and pressing it pauses again.
TEST_F(PlaybackE2ETest, TheSliderFollowsTheSoundAndASeekWhilePausedPlaysFromThere) {
    SeedDefaultPlayList({"1005"});  // 8 s: 523 Hz, then 784 Hz from 4 s on
    const double kTrackMs = 8000, kNearMs = 200;
    Start();
    DoubleClickRow(1, 0);
    ASSERT_TRUE(WaitForTone(0, kHz1005a, 0.2));
    const std::wstring capture = CaptureFile(0);
    PointerAway();
    for (int i = 0; i < 8; ++i) {
        const double slider = SliderFraction() * kTrackMs;
        const audiocapture::SoundSpan span = audiocapture::SoundSpanOfFile(capture);
        const double heard = (audiocapture::FileBytes(capture) / 176400.0 - span.first) * 1000;
        EXPECT_NEAR(slider, heard, kNearMs) << "while playing";
        ::Sleep(100);
    }
    const std::vector<DWORD> playingLook = Look(L"BtnPlay");
    Press(L"BtnPlay");  // pause
    PointerAway();
    ::Sleep(600);
    EXPECT_NE(Look(L"BtnPlay"), playingLook);
    const double pausedAt = SliderFraction();
    ::Sleep(400);
    EXPECT_EQ(SliderFraction(), pausedAt);

    const size_t from = audiocapture::FileBytes(capture);
    ClickSlider(L"SliderPlayProgress", 0.75);  // 6 s: 784 Hz
    PointerAway();
    ASSERT_TRUE(WaitFor([&] { return SliderFraction() * kTrackMs > 6000 - kNearMs; }, 1000));
    ASSERT_TRUE(WaitFor(
        [&] {
            EXPECT_GT(SliderFraction() * kTrackMs, 6000 - kNearMs) << "after the seek";
            return audiocapture::SecondsUntilTone(capture, from, kHz1005b) >= 0;
        },
        3000))
        << Describe(0);
    EXPECT_TRUE(WaitFor([&] { return Look(L"BtnPlay") == playingLook; }, 2000));
    for (int i = 0; i < 6; ++i) {
        const double slider = SliderFraction() * kTrackMs;
        const double tone = audiocapture::SecondsUntilTone(capture, from, kHz1005b);
        const double heard = 6000 + ((audiocapture::FileBytes(capture) - from) / 176400.0 - tone) * 1000;
        EXPECT_NEAR(slider, heard, kNearMs) << "after the seek";
        ::Sleep(100);
    }
    Press(L"BtnPlay");  // pause
    ::Sleep(600);
    EXPECT_LT(ToneGrowth(0, kHz1005b, 800), 0.1) << Describe(0);
}

// A seek just before the end, and one to the very end: the next track follows as the play mode
// says, also while the window is minimised.
TEST_F(PlaybackE2ETest, ASeekNearTheEndMovesOnToTheNextTrack) {
    SeedDefaultPlayList({"1005", "1001", "1002"});
    Start();
    DoubleClickRow(3, 0);
    ASSERT_TRUE(WaitForTone(0, kHz1005a, 0.5));
    ClickSlider(L"SliderPlayProgress", 0.96);
    ::ShowWindow(main, SW_MINIMIZE);
    EXPECT_EQ(WaitForPlays(2, 5000).back(), "1001");
    EXPECT_TRUE(WaitForNewestTone(kHz1001, 0.5)) << DescribeAll();
    ::ShowWindow(main, SW_RESTORE);
    ::Sleep(300);
    ClickSlider(L"SliderPlayProgress", 1.0);
    EXPECT_EQ(WaitForPlays(3, 5000).back(), "1002");
    EXPECT_TRUE(WaitForNewestTone(kHz1002, 0.5)) << DescribeAll();
    EXPECT_LT(TotalToneSeconds(kHz1001), 1.5) << DescribeAll();
}

// Next while paused plays the next track; Stop ends the sound, a click on the slider then seeks
// nothing, and Play starts the list again.
TEST_F(PlaybackE2ETest, NextWhilePausedPlaysAndStopThenPlayStartsAgain) {
    SeedDefaultPlayList({"1001", "1002"});
    Start();
    DoubleClickRow(2, 0);
    ASSERT_TRUE(WaitForTone(0, kHz1001, 0.5));
    Press(L"BtnPlay");  // pause
    ::Sleep(300);
    Press(L"BtnPlayNext");
    EXPECT_EQ(WaitForPlays(2).back(), "1002");
    EXPECT_TRUE(WaitForNewestTone(kHz1002, 0.5)) << DescribeAll();
    Press(L"BtnPlay");  // it plays: the button pauses it
    ::Sleep(600);
    const size_t file = CaptureFileCount() - 1;
    EXPECT_LT(ToneGrowth(file, kHz1002, 800), 0.1) << DescribeAll();
    const double paused = ToneSeconds(file, kHz1002);
    Press(L"BtnPlay");  // on again
    EXPECT_TRUE(WaitForTone(file, kHz1002, paused + 0.3, 3000)) << DescribeAll();
    Press(L"BtnPlayStop");
    ::Sleep(600);
    const double stopped = TotalToneSeconds(kHz1002);
    ::Sleep(800);
    EXPECT_LT(TotalToneSeconds(kHz1002) - stopped, 0.05) << DescribeAll();
    // A click on the position slider of the stopped player has nothing to seek in.
    const size_t files = CaptureFileCount();
    ClickSlider(L"SliderPlayProgress", 0.5);
    ::Sleep(500);
    EXPECT_EQ(CaptureFileCount(), files) << DescribeAll();
    Press(L"BtnPlay");  // from the first track of the list
    EXPECT_EQ(WaitForPlays(3).back(), "1001");
    EXPECT_TRUE(WaitForNewestTone(kHz1001, 0.5)) << DescribeAll();
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
    EXPECT_LT(ToneGrowth(1, kHz1002, 1500), 0.3) << Describe(1);
    const double muted = ToneSeconds(1, kHz1002);
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
    const std::vector<DWORD> playingLook = Look(L"BtnPlay");  // a track plays: the pause picture
    Press(L"BtnPlayNext");
    WaitForPlays(3);
    ::Sleep(300);
    for (int i = 0; i < 5; ++i) {
        Press(L"BtnPlayNext");
        ::Sleep(100);
    }
    EXPECT_EQ(WaitForPlays(4), (std::vector<std::string>{"1099", "1001", "1002", "1003"}));
    EXPECT_TRUE(StaysAt(4, 2500));
    EXPECT_TRUE(WaitForToneInAnyFile(kHz1003, 0.5))
        << DescribeAll() << DescribeTrackRequests() << "the play button shows "
        << (Look(L"BtnPlay") == playingLook ? "a track playing" : "no track playing");
}

// Hidden to the tray while a track plays and shown again by the tray icon: the sound goes on
// meanwhile, and the window comes back as the user left it: its place and size, the tab shown
// and how far its list was scrolled.
TEST_F(PlaybackE2ETest, HiddenToTheTrayTheTrackPlaysOnAndTheWindowComesBackAsItWas) {
    std::vector<std::string> ids = {"1004"};  // 240 s of 330 Hz
    for (int i = 0; i < 40; ++i) ids.push_back(std::to_string(5000 + i));
    SeedDefaultPlayList(ids);
    Start();
    ::SetWindowPos(main, nullptr, 40, 30, 960, 680, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitFor(
        [&] {
            RECT rc = {};
            ::GetWindowRect(main, &rc);
            return rc.left == 40 && rc.right - rc.left == 960;
        },
        5000));
    DoubleClickRow(static_cast<int>(ids.size()), 0);
    ASSERT_TRUE(WaitForTone(0, kHz1004, 0.5));
    RECT list = {};
    ASSERT_TRUE(ControlRect(program, kMainLayout, main, L"ListPlayList", list, kMyMusicShown));
    WheelAt(main, (list.left + list.right) / 2, (list.top + list.bottom) / 2, -3);
    PointerAway();
    ::Sleep(500);
    RECT shown = {};
    ::GetWindowRect(main, &shown);
    const std::vector<DWORD> listPixels = ClientPixels(main, list);
    ASSERT_FALSE(listPixels.empty());

    ::PostMessageW(main, VelaUI::WM_CLOSESET_OK, 1, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(main); }, 5000));
    const double hiddenAt = ToneSeconds(0, kHz1004);
    EXPECT_TRUE(WaitForTone(0, kHz1004, hiddenAt + 1.5, 5000)) << DescribeAll();

    ::PostMessageW(main, VelaUI::WM_TRAYICON, 0, WM_LBUTTONDOWN);
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(main) != FALSE; }, 5000));
    ::Sleep(500);  // painted
    SaveScreenshot(ResultFile(L"playback-back-from-tray.bmp"));
    RECT back = {};
    ::GetWindowRect(main, &back);
    EXPECT_TRUE(::EqualRect(&back, &shown));
    EXPECT_TRUE(ClientPixels(main, list) == listPixels) << "the list or its scroll position changed";
    const double shownAt = ToneSeconds(0, kHz1004);
    EXPECT_TRUE(WaitForTone(0, kHz1004, shownAt + 1.0, 5000)) << DescribeAll();
    EXPECT_EQ(CaptureFileCount(), 1u);  // one opening of the device: nothing started again
    EXPECT_EQ(PlayedIds(), std::vector<std::string>{"1004"});
}

}  // namespace
