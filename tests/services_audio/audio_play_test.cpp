// The audio engine under Wine's media reader: real playback of tone files (local and over HTTP
// from the stand-in), with what the device played captured through ALSA's file sink, and the
// state and progress messages received by a hidden window.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <psapi.h>

#include "audio_capture.h"
#include "audio_http_stream.h"
#include "audio_play.h"
#include "message_pump.h"
#include "paced_reader.h"
#include "standin_client.h"
#include "test_files.h"

namespace {

using testpump::PumpFor;
using testpump::PumpUntil;

const WmReader::QWORD kTicksPerSecond = 10000000;
const double kBytesPerSecond = 44100 * 4;  // of the capture

std::wstring DataFile(const char* name) { return testfiles::Widen(std::string(VELA_AUDIO_DATA_DIR "/") + name); }
std::wstring CapturePath() { return testfiles::Widen(VELA_AUDIO_CAPTURE); }

// What the notify window received.
struct Received {
    std::vector<int> states;
    std::vector<DWORD> positions;  // ms
    std::vector<std::wstring> texts;
};

Received* g_received = nullptr;

LRESULT CALLBACK NotifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_received && message == WM_PLAYER_STATE) {
        g_received->states.push_back(static_cast<int>(wParam));
        return 1;
    }
    if (g_received && message == WM_PLAYER_PROGRESS) {
        if (wParam == 0)
            g_received->positions.push_back(static_cast<DWORD>(lParam));
        else
            g_received->texts.push_back(reinterpret_cast<const wchar_t*>(lParam));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateNotifyWindow() {
    static ATOM atom = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = NotifyProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VelaAudioTestNotify";
        return RegisterClassW(&wc);
    }();
    (void)atom;
    return CreateWindowExW(0, L"VelaAudioTestNotify", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

// The captured PCM (16-bit stereo at 44.1 kHz, as the reader's MP3 output is).
struct Capture {
    std::vector<short> left;
    static const int kRate = 44100;

    static Capture Read() {
        Capture capture;
        std::string bytes = testfiles::ReadAll(CapturePath());
        size_t frames = bytes.size() / 4;
        capture.left.resize(frames);
        for (size_t i = 0; i < frames; ++i) memcpy(&capture.left[i], &bytes[i * 4], sizeof(short));
        return capture;
    }
    static bool Silent(short sample) { return sample > -200 && sample < 200; }

    // Seconds of sound (silence of at least 100 frames left out).
    double SoundSeconds() const { return (left.size() - SilentFrames(100)) / static_cast<double>(kRate); }
    // Frequency of the sound, from the usual distance between two rising zero crossings.
    double Frequency() const {
        std::vector<size_t> periods;
        size_t last = 0;
        for (size_t i = 1; i < left.size(); ++i) {
            if (left[i - 1] < 0 && left[i] >= 0) {
                if (last) periods.push_back(i - last);
                last = i;
            }
        }
        if (periods.empty()) return 0;
        std::nth_element(periods.begin(), periods.begin() + periods.size() / 2, periods.end());
        return static_cast<double>(kRate) / periods[periods.size() / 2];
    }

private:
    size_t SilentFrames(size_t minimumRun) const {
        size_t total = 0, run = 0;
        for (short s : left) {
            if (Silent(s)) {
                ++run;
            } else {
                if (run >= minimumRun) total += run;
                run = 0;
            }
        }
        if (run >= minimumRun) total += run;
        return total;
    }
};

class AudioEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        g_received = &m_received;
        m_window = CreateNotifyWindow();
        ASSERT_NE(m_window, nullptr);
        m_engine = new CAudioPlay();
        ASSERT_EQ(m_engine->Init(), S_OK);
        m_engine->SetNotifyWindow(m_window);
        audiocapture::Clear(CapturePath());
    }

    void TearDown() override {
        EndEngine();
        PumpFor(50);
        if (m_window) DestroyWindow(m_window);
        g_received = nullptr;
    }

    // Ends the engine as the player's closing does.
    void EndEngine() {
        if (!m_engine) return;
        m_engine->SetAbort(TRUE);
        m_engine->Stop();
        m_engine->Close();
        m_engine->SetAbort(FALSE);
        m_engine->ReleaseAll();
        m_engine->Release();
        m_engine = nullptr;
    }

    // A new engine over the given reader, with a new capture.
    void UseReader(WmReader::IWMReader* reader) {
        EndEngine();
        PumpFor(50);
        m_received = Received();
        audiocapture::Clear(CapturePath());
        m_engine = new CAudioPlay();
        ASSERT_EQ(m_engine->Init(reader), S_OK);
        m_engine->SetNotifyWindow(m_window);
    }

    std::wstring ServeOverHttp(const char* file, const std::string& behaviour = "") {
        standin::PutFile(file, testfiles::ReadAll(DataFile(file)));
        std::string url = standin::BaseUrl() + "/files/" + file;
        if (!behaviour.empty()) url += "?_b=" + behaviour;
        return testfiles::Widen(url);
    }

    bool Finished(DWORD timeoutMs) {
        return PumpUntil([&] { return !m_received.states.empty() && m_received.states.back() == kAudioFinished; },
                         timeoutMs);
    }

    // Opens and plays the whole item, then checks the messages and what was played.
    void ExpectWholeTonePlayed(const std::wstring& item) {
        ASSERT_EQ(m_engine->Open(item.c_str()), S_OK);
        double duration = static_cast<double>(m_engine->GetDuration()) / kTicksPerSecond;
        EXPECT_NEAR(duration, 3.0, 0.2);
        // The length is shown before playing starts.
        ASSERT_FALSE(m_received.texts.empty());
        EXPECT_EQ(m_received.texts.front(), L"00:00 / 00:03");
        ASSERT_EQ(m_engine->Start(0), S_OK);
        ASSERT_TRUE(Finished(10000));
        PumpFor(300);

        ASSERT_FALSE(m_received.states.empty());
        EXPECT_EQ(m_received.states.front(), kAudioPlaying);
        EXPECT_EQ(std::count(m_received.states.begin(), m_received.states.end(), kAudioFinished), 1);
        EXPECT_EQ(std::count(m_received.states.begin(), m_received.states.end(), kAudioStopped), 0);
        EXPECT_TRUE(std::is_sorted(m_received.positions.begin(), m_received.positions.end()));
        EXPECT_GE(m_received.positions.back(), 2800u);
        EXPECT_EQ(m_received.texts.back(), L"00:02 / 00:03");

        Capture capture = Capture::Read();
        EXPECT_NEAR(capture.SoundSeconds(), 3.0, 0.2);
        EXPECT_NEAR(capture.Frequency(), 440.0, 5.0);
        // Without a break, and as long as the track.
        const audiocapture::SoundSpan span = audiocapture::SoundSpanOfFile(CapturePath());
        EXPECT_TRUE(span.silences.empty()) << audiocapture::Describe(span);
        EXPECT_NEAR(span.Seconds(), duration, duration * 0.02) << audiocapture::Describe(span);
    }

    // Stops and closes the item: its capture file is then whole (the device's close waits for the
    // sink, which still held the last moment of sound when the device gave the blocks back).
    void CloseItem() {
        m_engine->Stop();
        m_engine->Close();
    }

    // Seconds of sound that the capture holds so far.
    static double CapturedSeconds() { return audiocapture::FileBytes(CapturePath()) / kBytesPerSecond; }
    // Seconds of the tone that the newest capture file holds so far.
    static double ToneSecondsSoFar(double hz) {
        const std::vector<std::wstring> files = audiocapture::Files(CapturePath());
        return files.empty() ? 0 : audiocapture::SecondsOf(audiocapture::TonesOfFile(files.back()), hz);
    }

    Received m_received;
    HWND m_window = nullptr;
    CAudioPlay* m_engine = nullptr;
};

}  // namespace

TEST(AudioProgressText, FormatsPositionAndDuration) {
    struct Case {
        double position, duration;  // seconds
        const wchar_t* text;
    } cases[] = {
        {0, 0, L"00:00 / 00:00"},                    // no duration known
        {65.9, 0, L"01:05 / 00:00"},                 // a broadcast
        {3725, 7200, L"1:02:05 / 2:00:00"},          // hours on both sides
        {59, 3600, L"00:59 / 1:00:00"},
        {360000 + 61, 360000 * 2, L"100:01:01 / 200:00:00"},  // beyond 100 hours still whole
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CAudioPlay::FormatProgressText(static_cast<WmReader::QWORD>(c.position * kTicksPerSecond),
                                                 static_cast<WmReader::QWORD>(c.duration * kTicksPerSecond)),
                  c.text);
    }
    // A bogus duration (all bits set) gives a long but whole text.
    EXPECT_EQ(CAudioPlay::FormatProgressText(0, ~0ull), L"00:00 / 512409557:36:10");
}

TEST_F(AudioEngineTest, PlaysLocalFile) { ExpectWholeTonePlayed(DataFile("tone440.mp3")); }

TEST_F(AudioEngineTest, PlaysTheSameTrackOverHttp) {
    ExpectWholeTonePlayed(ServeOverHttp("tone440.mp3"));
    EXPECT_FALSE(standin::RequestsMatching("/files/tone440.mp3").empty());
}

TEST_F(AudioEngineTest, PlaysAStreamWithoutLengthToItsEnd) {
    ASSERT_EQ(m_engine->Open(ServeOverHttp("tone440.mp3", "nolength").c_str()), S_OK);
    ASSERT_EQ(m_engine->Start(0), S_OK);
    ASSERT_TRUE(Finished(15000));
    PumpFor(300);
    EXPECT_EQ(std::count(m_received.states.begin(), m_received.states.end(), kAudioStopped), 0);
    Capture capture = Capture::Read();
    EXPECT_NEAR(capture.SoundSeconds(), 3.0, 0.2);
    EXPECT_NEAR(capture.Frequency(), 440.0, 5.0);
}

TEST_F(AudioEngineTest, StopAndStartAgainReplaysAfterTheEnd) {
    // The single-repeat play mode: at state 12, Stop and Start at 0 play the item again.
    ASSERT_EQ(m_engine->Open(DataFile("tone440.mp3").c_str()), S_OK);
    ASSERT_EQ(m_engine->Start(0), S_OK);
    ASSERT_TRUE(Finished(10000));
    EXPECT_EQ(m_engine->Stop(), S_OK);
    PumpFor(100);
    m_received = Received();
    ASSERT_EQ(m_engine->Start(0), S_OK);
    ASSERT_TRUE(Finished(10000));
    ASSERT_FALSE(m_received.states.empty());
    EXPECT_EQ(m_received.states.front(), kAudioPlaying);
    EXPECT_EQ(std::count(m_received.states.begin(), m_received.states.end(), kAudioFinished), 1);
    ASSERT_FALSE(m_received.positions.empty());
    EXPECT_LT(m_received.positions.front(), 100u);
    EXPECT_NEAR(Capture::Read().SoundSeconds(), 6.0, 0.3);  // both runs, on the same device
}

TEST_F(AudioEngineTest, PauseHoldsThePositionAndResumeGoesOn) {
    // Locally and over HTTP: the pause holds the sound and the position, the resume plays the
    // rest, and the capture holds the track once, whole, with no break but the pause.
    for (const std::wstring& item : {DataFile("tone440.mp3"), ServeOverHttp("tone440.mp3")}) {
        SCOPED_TRACE(testfiles::Narrow(item));
        m_received = Received();
        audiocapture::Clear(CapturePath());
        ASSERT_EQ(m_engine->Open(item.c_str()), S_OK);
        const double duration = static_cast<double>(m_engine->GetDuration()) / kTicksPerSecond;
        ASSERT_EQ(m_engine->Start(0), S_OK);
        ASSERT_TRUE(PumpUntil([&] { return ToneSecondsSoFar(440) >= 1.0; }, 5000));
        ASSERT_EQ(m_engine->Pause(), S_OK);
        PumpFor(300);  // what the device had taken before the pause comes out yet
        ASSERT_FALSE(m_received.positions.empty());
        const DWORD positionAtPause = m_received.positions.back();
        const double toneAtPause = ToneSecondsSoFar(440);
        PumpFor(1500);
        EXPECT_EQ(m_received.positions.back(), positionAtPause);
        EXPECT_LT(ToneSecondsSoFar(440) - toneAtPause, 0.05);
        EXPECT_LT(positionAtPause, 2000u);
        ASSERT_EQ(m_engine->Resume(), S_OK);
        ASSERT_TRUE(Finished(10000));
        CloseItem();

        const std::vector<std::wstring> files = audiocapture::Files(CapturePath());
        ASSERT_EQ(files.size(), 1u);
        EXPECT_NEAR(audiocapture::SecondsOf(audiocapture::TonesOfFile(files[0]), 440), duration, duration * 0.02);
        // The paused device may write silence, in one run; the sound around it is whole.
        const audiocapture::SoundSpan span = audiocapture::SoundSpanOfFile(files[0]);
        EXPECT_LE(span.silences.size(), 1u) << audiocapture::Describe(span);
        EXPECT_NEAR(span.Seconds() - span.SilentSeconds(), duration, duration * 0.02) << audiocapture::Describe(span);
    }
}

TEST_F(AudioEngineTest, QuickNextsLeaveTheLastItemPlayingWhole) {
    // Next pressed again and again in the player: its command thread interrupts the engine
    // (abort, stop, close), stops and closes it once more, then opens and starts the next item,
    // each time a moment later into the item than before, or at once. The last item then plays
    // from its start to its end, whole, as if nothing had come before it.
    const std::wstring items[] = {ServeOverHttp("tone440_880.mp3"), DataFile("tone440_880.mp3"),
                                  ServeOverHttp("steps.mp3", "delay=200")};
    auto interrupt = [&] {
        m_engine->SetAbort(TRUE);
        m_engine->Stop();
        m_engine->Close();
        m_engine->SetAbort(FALSE);
        m_engine->Stop();
        m_engine->Close();
    };
    for (DWORD round = 0; round < 8; ++round) {
        interrupt();
        ASSERT_EQ(m_engine->Open(items[round % 3].c_str()), S_OK);
        ASSERT_EQ(m_engine->Start(0), S_OK);
        PumpFor(round % 4 * 40);
    }
    interrupt();
    PumpFor(100);  // the states of the items given up
    m_received = Received();
    ASSERT_EQ(m_engine->Open(DataFile("tone440.mp3").c_str()), S_OK);
    ASSERT_EQ(m_engine->Start(0), S_OK);
    ASSERT_TRUE(Finished(10000));
    PumpFor(100);
    EXPECT_EQ(std::count(m_received.states.begin(), m_received.states.end(), kAudioFinished), 1);
    EXPECT_EQ(std::count(m_received.states.begin(), m_received.states.end(), kAudioStopped), 0);
    CloseItem();
    const std::vector<std::wstring> files = audiocapture::Files(CapturePath());
    ASSERT_EQ(files.size(), 9u);  // a device opening per item
    const std::vector<audiocapture::Tone> tones = audiocapture::TonesOfFile(files.back());
    ASSERT_EQ(tones.size(), 1u);
    EXPECT_TRUE(audiocapture::Near(tones[0].hz, 440));
    const audiocapture::SoundSpan span = audiocapture::SoundSpanOfFile(files.back());
    EXPECT_TRUE(span.silences.empty()) << audiocapture::Describe(span);
    EXPECT_NEAR(span.Seconds(), 3.0, 3.0 * 0.02) << audiocapture::Describe(span);
}

TEST_F(AudioEngineTest, StartingAtAPositionSkipsTheStart) {
    // 2 s at 440 Hz, then 2 s at 880 Hz; playing from 2.5 s leaves only the higher tone.
    ASSERT_EQ(m_engine->Open(DataFile("tone440_880.mp3").c_str()), S_OK);
    ASSERT_EQ(m_engine->Start(25 * kTicksPerSecond / 10), S_OK);
    ASSERT_TRUE(Finished(10000));
    ASSERT_GE(m_received.positions.size(), 2u);
    EXPECT_GE(m_received.positions[1], 2400u);  // [0] is the report at open
    Capture capture = Capture::Read();
    EXPECT_NEAR(capture.SoundSeconds(), 1.5, 0.25);
    EXPECT_NEAR(capture.Frequency(), 880.0, 10.0);
}

TEST_F(AudioEngineTest, ProgressFollowsWhatIsHeard) {
    ASSERT_EQ(m_engine->Open(DataFile("tone440.mp3").c_str()), S_OK);
    ASSERT_EQ(m_engine->Start(0), S_OK);
    // Compared while it plays: the last position reported and the sound written so far.
    std::vector<double> differences;
    PumpUntil(
        [&] {
            if (m_received.positions.size() > 1 && m_received.positions.back() >= 300)
                differences.push_back(m_received.positions.back() / 1000.0 - CapturedSeconds());
            return !m_received.states.empty() && m_received.states.back() == kAudioFinished;
        },
        10000);
    // Wine's device counts a block as played once its sound is in the sink's buffers, about 0.1 s
    // before the sink has taken it.
    ASSERT_GT(differences.size(), 10u);
    for (double difference : differences) {
        EXPECT_GT(difference, -0.1);
        EXPECT_LT(difference, 0.4);
    }
}

TEST_F(AudioEngineTest, ASeekSoundsAtOnceFromTheNewPosition) {
    // A tone per second, 300 Hz to 1000 Hz: from 5.5 s on, the second half of 800 Hz comes
    // first, then 900 Hz and 1000 Hz.
    const std::wstring capture = CapturePath();
    ASSERT_EQ(m_engine->Open(DataFile("steps.mp3").c_str()), S_OK);
    ASSERT_EQ(m_engine->Start(0), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return audiocapture::SecondsOf(audiocapture::TonesOfFile(capture), 300) >= 0.5; },
                          5000));
    const size_t from = audiocapture::FileBytes(capture);
    const auto asked = std::chrono::steady_clock::now();
    ASSERT_EQ(m_engine->Start(55 * kTicksPerSecond / 10), S_OK);
    m_received = Received();
    ASSERT_TRUE(PumpUntil([&] { return audiocapture::SecondsUntilTone(capture, from, 800) >= 0; }, 5000));
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count();
    EXPECT_LT(waited, 1.0);
    ASSERT_TRUE(Finished(10000));

    // After what the device's buffers still held of the first second, the new position.
    std::vector<audiocapture::Tone> after = audiocapture::TonesOfFile(capture, from);
    while (!after.empty() && after.front().hz < 750) {
        EXPECT_LT(after.front().seconds, 0.5);
        after.erase(after.begin());
    }
    ASSERT_EQ(after.size(), 3u);
    EXPECT_NEAR(after[0].hz, 800, 24);
    EXPECT_NEAR(after[0].seconds, 0.5, 0.1);
    EXPECT_NEAR(after[1].hz, 900, 27);
    EXPECT_NEAR(after[2].hz, 1000, 30);
    // The new position plays on without a break (from 20 ms into it: the device starts it again
    // after a short silence where the reset emptied it).
    const double newAt = audiocapture::SecondsUntilTone(capture, from, 800) + 0.02;
    const audiocapture::SoundSpan span =
        audiocapture::SoundSpanOfFile(capture, from + static_cast<size_t>(newAt * 44100) * 4);
    EXPECT_TRUE(span.silences.empty()) << audiocapture::Describe(span);
    EXPECT_NEAR(span.Seconds(), 2.45, 0.05) << audiocapture::Describe(span);
    // The slider follows the new position from the first report on.
    ASSERT_FALSE(m_received.positions.empty());
    EXPECT_GE(m_received.positions.front(), 5500u);
    EXPECT_TRUE(std::is_sorted(m_received.positions.begin(), m_received.positions.end()));
    EXPECT_EQ(std::count(m_received.states.begin(), m_received.states.end(), kAudioFinished), 1);
}

TEST_F(AudioEngineTest, FollowsAReaderThatPausesItselfAndKeepsItsOwnTime) {
    // As the Windows runtime's reader does: Pause and Resume work, and a start begins its time at
    // the start position; with and without taking the engine's clock.
    for (bool userClock : {false, true}) {
        SCOPED_TRACE(userClock ? "on the engine's clock" : "on the reader's own clock");
        PacedReader* reader = new PacedReader(440, 3.0, userClock);
        UseReader(reader);
        reader->Release();  // the engine holds it now
        ASSERT_EQ(m_engine->Open(L"paced"), S_OK);
        ASSERT_EQ(m_engine->GetDuration(), 3 * kTicksPerSecond);
        ASSERT_EQ(m_engine->Start(0), S_OK);
        ASSERT_TRUE(PumpUntil([&] { return !m_received.positions.empty() && m_received.positions.back() >= 1000; },
                              5000));

        ASSERT_EQ(m_engine->Pause(), S_OK);
        EXPECT_EQ(reader->PauseCalls(), 1);
        PumpFor(300);
        const DWORD paused = m_received.positions.back();
        const double toneAtPause = audiocapture::SecondsOf(audiocapture::TonesOfFile(CapturePath()), 440);
        PumpFor(1000);
        EXPECT_EQ(m_received.positions.back(), paused);
        EXPECT_LT(audiocapture::SecondsOf(audiocapture::TonesOfFile(CapturePath()), 440) - toneAtPause, 0.1);
        ASSERT_EQ(m_engine->Resume(), S_OK);
        ASSERT_TRUE(PumpUntil([&] { return m_received.positions.back() >= paused + 300; }, 3000));

        // A seek back to 1 s: the rest comes from there on, to the end.
        const double playedBeforeSeek = m_received.positions.back() / 1000.0;
        ASSERT_EQ(m_engine->Start(kTicksPerSecond), S_OK);
        m_received = Received();
        ASSERT_TRUE(Finished(10000));
        ASSERT_FALSE(m_received.positions.empty());
        EXPECT_GE(m_received.positions.front(), 1000u);
        EXPECT_LT(m_received.positions.front(), 1300u);
        EXPECT_EQ(std::count(m_received.states.begin(), m_received.states.end(), kAudioFinished), 1);
        EXPECT_EQ(std::count(m_received.states.begin(), m_received.states.end(), kAudioStopped), 0);
        CloseItem();
        EXPECT_NEAR(audiocapture::SecondsOf(audiocapture::TonesOfFile(CapturePath()), 440), playedBeforeSeek + 2.0,
                    0.3);
        // On its own clock the reader hands each sample over when it is due; the device, which
        // starts once the start's lead is queued, never runs dry all the same: no break but where
        // the seek's new position gathers its lead.
        const audiocapture::SoundSpan span = audiocapture::SoundSpanOfFile(CapturePath());
        EXPECT_LE(span.silences.size(), 1u) << audiocapture::Describe(span);
    }
}

TEST_F(AudioEngineTest, OpenFailuresAreReturnedAndLeaveNothingPlaying) {
    struct Case {
        const char* what;
        std::wstring item;
        HRESULT expected;  // S_OK: any failure
    } cases[] = {
        {"404", ServeOverHttp("tone440.mp3") + L"?_b=status=404", MAKE_HRESULT(SEVERITY_ERROR, 25, 404)},
        {"no server", L"http://127.0.0.1:1/files/tone440.mp3", S_OK},
        {"no audio stream", DataFile("noaudio.avi"), E_UNEXPECTED},
        {"missing file", DataFile("missing.mp3"), S_OK},
    };
    for (const Case& c : cases) {
        HRESULT hr = m_engine->Open(c.item.c_str());
        EXPECT_TRUE(FAILED(hr)) << c.what << " " << std::hex << hr;
        if (c.expected != S_OK) {
            EXPECT_EQ(hr, c.expected) << c.what << " " << std::hex << hr;
        }
        EXPECT_EQ(m_engine->Start(0), E_UNEXPECTED) << c.what;
    }
    EXPECT_EQ(m_engine->Open(nullptr), E_INVALIDARG);
    PumpFor(100);
    EXPECT_TRUE(m_received.states.empty());
    // The engine is still usable.
    EXPECT_EQ(m_engine->Open(DataFile("tone440.mp3").c_str()), S_OK);
}

TEST(AudioEngineWithoutReader, CallsNeedInit) {
    CAudioPlay* engine = new CAudioPlay();
    EXPECT_EQ(engine->Open(L"x.mp3"), E_UNEXPECTED);
    EXPECT_EQ(engine->Start(0), E_UNEXPECTED);
    EXPECT_EQ(engine->Pause(), E_UNEXPECTED);
    EXPECT_EQ(engine->Resume(), E_UNEXPECTED);
    EXPECT_EQ(engine->Stop(), E_UNEXPECTED);
    EXPECT_EQ(engine->Release(), 0u);
}

TEST_F(AudioEngineTest, AbortWhileOpeningReturnsOneAndLeavesTheEngineUsable) {
    std::wstring slowUrl = ServeOverHttp("tone440.mp3", "delay=5000");
    std::thread aborter([&] {
        Sleep(300);
        m_engine->SetAbort(TRUE);
    });
    auto started = std::chrono::steady_clock::now();
    HRESULT hr = m_engine->Open(slowUrl.c_str());
    auto elapsed = std::chrono::steady_clock::now() - started;
    aborter.join();
    EXPECT_EQ(hr, 1);
    EXPECT_LT(elapsed, std::chrono::seconds(3));
    EXPECT_EQ(m_engine->Start(0), E_UNEXPECTED);  // nothing is open
    EXPECT_EQ(m_engine->Open(DataFile("tone440.mp3").c_str()), S_OK);  // the flag was cleared
}

TEST_F(AudioEngineTest, ClosingWhilePlayingReturnsPromptly) {
    // Locally and over a stream that arrives barely faster than it plays, closing alone; over a
    // stream that stops sending in the middle of the track, as the player's command thread does
    // it (abort, stop, close).
    struct Case {
        std::wstring item;
        bool likeThePlayer;
    } cases[] = {
        {DataFile("tone440.mp3"), false},
        {ServeOverHttp("tone440.mp3", "slow=20000"), false},
        {ServeOverHttp("tone440.mp3", "stall=20000"), true},
    };
    for (const Case& c : cases) {
        const std::wstring& item = c.item;
        m_received = Received();
        ASSERT_EQ(m_engine->Open(item.c_str()), S_OK) << testfiles::Narrow(item);
        ASSERT_EQ(m_engine->Start(0), S_OK);
        PumpFor(c.likeThePlayer ? 2500 : 800);
        auto started = std::chrono::steady_clock::now();
        if (c.likeThePlayer) {
            m_engine->SetAbort(TRUE);
            m_engine->Stop();
        }
        EXPECT_EQ(m_engine->Close(), S_OK);
        m_engine->SetAbort(FALSE);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3)) << testfiles::Narrow(item);
        // The closed item is gone: a seek into it neither plays nor opens the device.
        const size_t files = audiocapture::Files(CapturePath()).size();
        EXPECT_FALSE(m_engine->IsSeekable());
        EXPECT_EQ(m_engine->Start(10000000), E_UNEXPECTED);
        PumpFor(300);
        EXPECT_EQ(audiocapture::Files(CapturePath()).size(), files);
        EXPECT_EQ(std::count(m_received.states.begin(), m_received.states.end(), kAudioFinished), 0);
    }
}

TEST_F(AudioEngineTest, EndStatusesPostOneFinalState) {
    // With no block in flight: the end of the item finishes, a failure stops; only the first
    // end counts until the next start.
    struct Case {
        std::vector<WmReader::WMT_STATUS> statuses;
        std::vector<int> states;
    } cases[] = {
        {{WmReader::WMT_EOF}, {kAudioFinished}},
        {{WmReader::WMT_ERROR}, {kAudioStopped}},
        {{WmReader::WMT_MISSING_CODEC, WmReader::WMT_EOF}, {kAudioStopped}},
        {{WmReader::WMT_EOF, WmReader::WMT_STARTED, WmReader::WMT_EOF}, {kAudioFinished, kAudioPlaying, kAudioFinished}},
        {{WmReader::WMT_BUFFERING_START, WmReader::WMT_BUFFERING_STOP}, {kAudioBuffering, kAudioPlaying}},
    };
    for (const Case& c : cases) {
        m_received = Received();
        m_engine->OnStatus(WmReader::WMT_STARTED, S_OK, WmReader::WMT_TYPE_DWORD, nullptr, nullptr);
        for (WmReader::WMT_STATUS status : c.statuses)
            EXPECT_EQ(m_engine->OnStatus(status, E_FAIL, WmReader::WMT_TYPE_DWORD, nullptr, nullptr), S_OK);
        PumpFor(50);
        std::vector<int> expected = c.states;
        expected.insert(expected.begin(), kAudioPlaying);
        EXPECT_EQ(m_received.states, expected) << "first status " << c.statuses.front();
    }
}

// The stream that feeds the reader from our HTTP client.
class AudioHttpStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        m_bytes.resize(300000);
        for (size_t i = 0; i < m_bytes.size(); ++i) m_bytes[i] = static_cast<char>((i * 7919) >> 8);
        standin::PutFile("stream.bin", m_bytes);
    }
    void TearDown() override {
        if (m_stream) m_stream->Release();
    }

    // Opens the stream and waits for its first answer.
    HRESULT Open(const std::string& query = "") {
        std::string url = standin::BaseUrl() + "/files/stream.bin" + query;
        m_stream = CAudioHttpStream::Create(testfiles::Widen(url).c_str());
        if (!m_stream) return E_POINTER;
        WaitForSingleObject(m_stream->ReadyEvent(), 10000);
        return m_stream->OpenResult();
    }

    std::string ReadAt(unsigned long long offset, ULONG size, HRESULT* result = nullptr) {
        LARGE_INTEGER move;
        move.QuadPart = static_cast<LONGLONG>(offset);
        EXPECT_EQ(m_stream->Seek(move, STREAM_SEEK_SET, nullptr), S_OK);
        std::string out(size, '\0');
        ULONG read = 0;
        HRESULT hr = m_stream->Read(&out[0], size, &read);
        if (result) *result = hr;
        out.resize(read);
        return out;
    }

    std::string m_bytes;
    CAudioHttpStream* m_stream = nullptr;
};

TEST_F(AudioHttpStreamTest, ServesReadsAtAnyOffsetWithTheLengthOfTheAnswer) {
    ASSERT_EQ(Open(), S_OK);
    STATSTG stat;
    ASSERT_EQ(m_stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize.QuadPart, m_bytes.size());
    EXPECT_EQ(ReadAt(299900, 100), m_bytes.substr(299900));
    EXPECT_EQ(ReadAt(0, 4096), m_bytes.substr(0, 4096));
    EXPECT_EQ(ReadAt(150001, 3), m_bytes.substr(150001, 3));
    HRESULT hr = S_OK;
    EXPECT_EQ(ReadAt(299990, 100, &hr), m_bytes.substr(299990));  // cut at the end
    EXPECT_EQ(hr, S_FALSE);
    EXPECT_EQ(ReadAt(300000, 10, &hr), "");
    EXPECT_EQ(hr, S_FALSE);
}

TEST_F(AudioHttpStreamTest, AReadFarAheadOfASlowDownloadAsksForItsRange) {
    ASSERT_EQ(Open("?_b=slow=20000"), S_OK);  // the whole body would take 15 s
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadAt(250000, 1000), m_bytes.substr(250000, 1000));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_FALSE(standin::RequestsMatching("stream.bin").empty());
    bool ranged = false;
    for (const std::string& request : standin::RequestsMatching("stream.bin"))
        ranged = ranged || request.find("Range: bytes=250000-") != std::string::npos;
    EXPECT_TRUE(ranged);
}

TEST_F(AudioHttpStreamTest, AServerThatIgnoresRangesIsReadOnToAReadFarAhead) {
    // Every answer is the whole body from its first byte, at a pace that takes 1.5 s for all of it.
    ASSERT_EQ(Open("?_b=" + standin::Escape("norange;slow=200000")), S_OK);
    // A read that never gets its bytes would wait for ever: it is given up after a while.
    CScopedHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(done.IsValid());
    std::thread watchdog([&] {
        if (WaitForSingleObject(done.Get(), 5000) == WAIT_TIMEOUT) m_stream->Cancel();
    });
    EXPECT_EQ(ReadAt(250000, 1000), m_bytes.substr(250000, 1000));
    EXPECT_EQ(ReadAt(1000, 1000), m_bytes.substr(1000, 1000));
    EXPECT_EQ(ReadAt(299000, 1000), m_bytes.substr(299000, 1000));
    SetEvent(done.Get());
    watchdog.join();
}

TEST_F(AudioHttpStreamTest, CancelEndsAWaitingRead) {
    ASSERT_EQ(Open("?_b=stall=1000"), S_OK);  // 1000 bytes, then nothing
    std::thread canceller([&] {
        Sleep(300);
        m_stream->Cancel();
    });
    auto started = std::chrono::steady_clock::now();
    HRESULT hr = S_OK;
    EXPECT_EQ(ReadAt(5000, 100, &hr), "");
    canceller.join();
    EXPECT_EQ(hr, E_ABORT);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_EQ(ReadAt(0, 10, &hr), "");  // and every later read
    EXPECT_EQ(hr, E_ABORT);
}

TEST_F(AudioHttpStreamTest, FailedAnswersFailTheOpen) {
    struct Case {
        std::string url;
        HRESULT expected;
    } cases[] = {
        {standin::BaseUrl() + "/files/stream.bin?_b=status=404", MAKE_HRESULT(SEVERITY_ERROR, 25, 404)},
        {standin::BaseUrl() + "/files/stream.bin?_b=status=500", MAKE_HRESULT(SEVERITY_ERROR, 25, 500)},
        {standin::BaseUrl() + "/files/stream.bin?_b=length=0", HRESULT_FROM_WIN32(ERROR_INVALID_DATA)},
        {standin::BaseUrl() + "/files/stream.bin?_b=" + standin::Escape("nolength;header=Transfer-Encoding:chunked"),
         HRESULT_FROM_WIN32(ERROR_INVALID_DATA)},
        {"http://127.0.0.1:1/files/stream.bin", static_cast<HRESULT>(0xC00D0006)},
    };
    for (const Case& c : cases) {
        CAudioHttpStream* stream = CAudioHttpStream::Create(testfiles::Widen(c.url).c_str());
        ASSERT_NE(stream, nullptr);
        ASSERT_EQ(WaitForSingleObject(stream->ReadyEvent(), 10000), WAIT_OBJECT_0) << c.url;
        EXPECT_EQ(stream->OpenResult(), c.expected) << c.url;
        char byte = 0;
        ULONG read = 1;
        EXPECT_TRUE(FAILED(stream->Read(&byte, 1, &read))) << c.url;
        EXPECT_EQ(read, 0u);
        stream->Release();
    }
    EXPECT_EQ(CAudioHttpStream::Create(L"file:///c:/x.mp3"), nullptr);
}

TEST_F(AudioHttpStreamTest, FollowsAbsoluteAndRelativeRedirects) {
    const std::string alt = standin::AltBaseUrl();
    const char* locations[] = {"redirect-alt",                    // absolute, to the other host
                               "redirect=/files/stream.bin",      // from the host's root
                               "redirect=stream.bin",             // beside the asked item
                               "redirect=?again=1",               // the same item, another query
                               "code=301;redirect=//localhost:" };  // another host, same scheme
    for (std::string location : locations) {
        if (location.back() == ':') location += std::to_string(standin::AltPort()) + "/files/stream.bin";
        standin::Reset();
        standin::PutFile("stream.bin", m_bytes);
        ASSERT_EQ(Open("?_b=" + standin::Escape(location)), S_OK) << location;
        EXPECT_EQ(ReadAt(1000, 1000), m_bytes.substr(1000, 1000)) << location;
        m_stream->Release();
        m_stream = nullptr;
    }
}

TEST_F(AudioHttpStreamTest, ASlowServerIsWaitedForAsLongAsAnyRequestWaits) {
    // Every answer's header comes 1.5 s late, the ranged ones for a read far ahead too.
    standin::Control("behave", "prefix=/files/stream.bin&b=" + standin::Escape("delay=1500;slow=40000"));
    ASSERT_EQ(Open(), S_OK);
    EXPECT_EQ(ReadAt(0, 1000), m_bytes.substr(0, 1000));
    EXPECT_EQ(ReadAt(250000, 1000), m_bytes.substr(250000, 1000));
    EXPECT_GE(standin::RequestsMatching("stream.bin").size(), 2u);
}

TEST_F(AudioHttpStreamTest, AnAnswerWithoutLengthIsReadInOrderToItsEnd) {
    ASSERT_EQ(Open("?_b=" + standin::Escape("nolength;slow=200000")), S_OK);
    // Nothing far ahead can be asked for; the bytes come in order.
    HRESULT hr = S_OK;
    EXPECT_EQ(ReadAt(200000, 100, &hr), "");
    EXPECT_EQ(hr, S_FALSE);
    std::string all;
    for (unsigned long long offset = 0;; offset += 50000) {
        std::string part = ReadAt(offset, 50000, &hr);
        all += part;
        if (hr != S_OK) break;
    }
    EXPECT_EQ(hr, S_FALSE);
    EXPECT_EQ(all, m_bytes);
    STATSTG stat;
    ASSERT_EQ(m_stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize.QuadPart, m_bytes.size());  // known once the server closed
    EXPECT_EQ(ReadAt(299000, 1000), m_bytes.substr(299000));
    // One request only: such a body is never asked for by range.
    EXPECT_EQ(standin::RequestsMatching("stream.bin").size(), 1u);
}

TEST_F(AudioHttpStreamTest, ABogusLengthCommitsNoMemoryUpFront) {
    PROCESS_MEMORY_COUNTERS before = {};
    ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before));
    ASSERT_EQ(Open("?_b=length=4000000000"), S_OK);
    EXPECT_EQ(ReadAt(0, 1000), m_bytes.substr(0, 1000));
    EXPECT_EQ(ReadAt(299000, 1000), m_bytes.substr(299000, 1000));
    PROCESS_MEMORY_COUNTERS after = {};
    ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after));
    EXPECT_LT(after.PagefileUsage, before.PagefileUsage + 64u * 1024 * 1024);
    // Past the real body the server has nothing: the read fails instead of waiting for ever.
    HRESULT hr = S_OK;
    EXPECT_EQ(ReadAt(300000, 1000, &hr), "");
    EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
}
