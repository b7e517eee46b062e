// The play modes and their buttons, the steps through a playlist, the random order and its
// rounds, the current track of a playlist, the addresses that are opened as streams, and the
// volume, seek and time arithmetic.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>

#include "playback_rules.h"
#include "playlist_info.h"

using namespace VelaUI;

namespace {

struct ModeCase {
    int mode;
    int button;
    PlayModeChange expected;
};

TEST(PlayModes, EachButtonMovesAndTogglesAsTheTableSays) {
    const ModeCase cases[] = {
        {0, 1, {1, true, false, false}},  {0, 2, {2, false, true, false}},  {0, 4, {4, false, false, true}},
        {0, 0, {0, false, false, false}}, {1, 1, {0, true, false, false}},  {1, 2, {2, true, true, false}},
        {1, 4, {5, false, false, true}},  {1, 0, {1, false, false, false}}, {2, 1, {1, true, true, false}},
        {2, 2, {0, false, true, false}},  {2, 4, {4, false, true, true}},   {2, 0, {2, false, false, false}},
        {4, 1, {5, true, false, false}},  {4, 2, {2, false, true, true}},   {4, 4, {0, false, false, true}},
        {4, 0, {4, false, false, false}}, {5, 1, {4, true, false, false}},  {5, 2, {2, true, true, true}},
        {5, 4, {1, false, false, true}},  {5, 0, {5, false, false, false}},
    };
    for (const ModeCase& c : cases) {
        const PlayModeChange got = ChangePlayMode(c.mode, c.button);
        EXPECT_EQ(got.mode, c.expected.mode) << c.mode << " " << c.button;
        EXPECT_EQ(got.toggleCircular, c.expected.toggleCircular) << c.mode << " " << c.button;
        EXPECT_EQ(got.toggleSingle, c.expected.toggleSingle) << c.mode << " " << c.button;
        EXPECT_EQ(got.toggleRandom, c.expected.toggleRandom) << c.mode << " " << c.button;
    }
}

TEST(PlayModes, TheButtonsPressedLookAlwaysMatchesTheMode) {
    // Whatever the presses, a mode button looks pressed exactly when its mode is on: circular in
    // 1 and 5, single repeat in 2, random in 4 and 5.
    bool circular = false, single = false, random = false;
    int mode = 0;
    const int presses[] = {1, 4, 2, 4, 1, 1, 2, 2, 4, 1, 2, 1, 4, 4, 2, 1, 4, 2, 0, 1};
    for (int button : presses) {
        const PlayModeChange change = ChangePlayMode(mode, button);
        circular ^= change.toggleCircular;
        single ^= change.toggleSingle;
        random ^= change.toggleRandom;
        mode = change.mode;
        EXPECT_EQ(circular, mode == 1 || mode == 5) << "after " << button << " mode " << mode;
        EXPECT_EQ(single, mode == 2) << "after " << button << " mode " << mode;
        EXPECT_EQ(random, mode == 4 || mode == 5) << "after " << button << " mode " << mode;
    }
}

TEST(PlayListSteps, SerialStopsAtTheEndsAndCircularGoesRound) {
    struct Case {
        int index, count, direction;
        bool wrap;
        int expected;
    };
    const Case cases[] = {
        {-1, 3, +1, false, 0},  // nothing played yet: the first track
        {0, 3, +1, false, 1},  {2, 3, +1, false, -1}, {0, 3, -1, false, -1}, {2, 3, -1, false, 1},
        {2, 3, +1, true, 0},   {0, 3, -1, true, 2},   {-1, 3, -1, true, 2},   {7, 3, +1, true, 0},
        {7, 3, -1, false, 2},  // tracks removed under the index: from the end
        {0, 1, +1, true, 0},   {0, 0, +1, true, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StepTrackIndex(c.index, c.count, c.direction, c.wrap), c.expected)
            << c.index << " of " << c.count << " step " << c.direction << (c.wrap ? " wrapping" : "");
    }
}

TEST(RandomOrder, HoldsEveryTrackOnce) {
    std::set<std::vector<int>> orders;
    for (int count = 0; count <= 12; ++count) {
        for (unsigned seed : {1u, 7u, 1700000000u, 1700000001u}) {
            std::mt19937 draw(seed);
            std::vector<int> order = MakeRandomOrder(count, draw);
            if (count == 12) orders.insert(order);
            std::sort(order.begin(), order.end());
            std::vector<int> all(static_cast<size_t>(count));
            std::iota(all.begin(), all.end(), 0);
            EXPECT_EQ(order, all) << count << " tracks, seed " << seed;
        }
    }
    EXPECT_GT(orders.size(), 1u);  // the seed changes the order
}

std::vector<std::wstring> Ids(int count) {
    std::vector<std::wstring> ids;
    for (int i = 0; i < count; ++i) ids.push_back(std::to_wstring(1001 + i));
    return ids;
}

// Steps of the round as a player takes them: every step's track sets out to play.
std::vector<int> Nexts(RandomRound& round, const std::vector<std::wstring>& list, int& playing, int steps, bool wrap) {
    std::vector<int> played;
    for (int i = 0; i < steps; ++i) {
        playing = round.Step(list, playing, +1, wrap);
        played.push_back(playing);
        if (playing >= 0) round.Take(list, playing);
    }
    return played;
}

std::set<int> Distinct(const std::vector<int>& indexes) { return std::set<int>(indexes.begin(), indexes.end()); }

TEST(RandomRound, NextPlaysEveryOtherTrackOnceFromThePlayingOneThenStops) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        for (int first : {-1, 0, 2}) {
            RandomRound round(seed);
            const std::vector<std::wstring> list = Ids(3);
            int playing = first;  // -1: nothing plays when random mode is chosen
            const std::vector<int> played = Nexts(round, list, playing, first < 0 ? 3 : 2, false);
            std::set<int> all = Distinct(played);
            if (first >= 0) all.insert(first);
            EXPECT_EQ(all, (std::set<int>{0, 1, 2})) << "seed " << seed << " from " << first;
            EXPECT_EQ(Distinct(played).size(), played.size()) << "seed " << seed << " from " << first;
            EXPECT_EQ(round.Step(list, playing, +1, false), -1) << "seed " << seed;  // the round is over
            // The following step begins a new round: any track of the list.
            const int again = round.Step(list, -1, +1, false);
            EXPECT_TRUE(again >= 0 && again < 3);
        }
    }
}

TEST(RandomRound, CircularBeginsANewRoundOfEveryTrackThatDoesNotRepeatTheLast) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        RandomRound round(seed);
        const std::vector<std::wstring> list = Ids(5);
        int playing = 3;
        round.Take(list, playing);
        std::vector<int> played = Nexts(round, list, playing, 4, true);
        played.insert(played.begin(), 3);
        EXPECT_EQ(Distinct(played).size(), 5u) << "seed " << seed;
        for (int r = 0; r < 3; ++r) {
            const int last = played.back();
            played = Nexts(round, list, playing, 5, true);
            EXPECT_EQ(Distinct(played).size(), 5u) << "seed " << seed << " round " << r;
            EXPECT_NE(played.front(), last) << "seed " << seed << " round " << r;
        }
    }
}

TEST(RandomRound, ATrackChosenByHandIsNotPlayedAgainInTheRound) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        RandomRound round(seed);
        const std::vector<std::wstring> list = Ids(4);
        int playing = 0;
        round.Take(list, playing);
        std::vector<int> played = Nexts(round, list, playing, 1, false);
        // A double-click on a track of the list that has not played yet.
        int chosen = 0;
        while (chosen == 0 || chosen == played[0]) ++chosen;
        playing = chosen;
        round.Take(list, chosen);
        const std::vector<int> rest = Nexts(round, list, playing, 1, false);
        std::set<int> all = {0, played[0], chosen, rest[0]};
        EXPECT_EQ(all.size(), 4u) << "seed " << seed;
        // A track chosen by hand once every track played begins a new round with it.
        playing = played[0];
        round.Take(list, playing);
        const std::vector<int> next = Nexts(round, list, playing, 3, false);
        all = Distinct(next);
        all.insert(played[0]);
        EXPECT_EQ(all.size(), 4u) << "seed " << seed;
        EXPECT_EQ(round.Step(list, playing, +1, false), -1) << "seed " << seed;
    }
}

TEST(RandomRound, PreviousGoesBackThroughTheRoundAndAChangedListGetsANewOrder) {
    RandomRound round(11);
    std::vector<std::wstring> list = Ids(4);
    int playing = -1;
    const std::vector<int> played = Nexts(round, list, playing, 3, false);
    EXPECT_EQ(round.Step(list, playing, -1, false), played[1]);
    EXPECT_EQ(round.Step(list, played[1], -1, false), played[0]);
    EXPECT_EQ(round.Step(list, played[0], -1, false), -1);  // before the first: stop
    EXPECT_EQ(round.Step(list, played[0], +1, false), played[1]);
    // Random circular wraps from the first to the round's last track.
    RandomRound wraps(12);
    playing = 2;
    wraps.Take(list, playing);
    const int last = wraps.Step(list, playing, -1, true);
    EXPECT_TRUE(last >= 0 && last < 4 && last != 2);

    // Tracks added to the list: a new round from the one that plays, over every track.
    list = Ids(6);
    playing = played[1];
    const std::vector<int> after = Nexts(round, list, playing, 5, false);
    std::set<int> all = Distinct(after);
    all.insert(played[1]);
    EXPECT_EQ(all.size(), 6u);
    // An emptied list plays nothing.
    EXPECT_EQ(round.Step({}, -1, +1, true), -1);
}

TEST(StreamAddress, OnlyHttpAndHttpsAddressesAreOpened) {
    const struct {
        const wchar_t* url;
        bool stream;
    } cases[] = {
        {L"http://127.0.0.1:18080/files/1001.mp3", true},
        {L"HTTPS://music.example.com/a.mp3", true},
        {L"Http://x", true},
        {L"", false},
        {L"http://", false},
        {L"C:\\Windows\\win.ini", false},
        {L"\\\\host\\share\\a.mp3", false},
        {L"//host/share/a.mp3", false},
        {L"file:///C:/a.mp3", false},
        {L"mms://host/a", false},
        {L" http://x", false},
        {L"httpx://x", false},
        {L"a.mp3", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsStreamAddress(c.url), c.stream) << testing::PrintToString(std::wstring(c.url));
}

TEST(CurrentTrack, AnIndexOutsideTheListBecomesTheFirstTrack) {
    PlayListInfo playlist;
    EXPECT_EQ(playlist.CurrentTrack(), nullptr);
    playlist.tracks.resize(3);
    playlist.tracks[0].TrackID = L"1001";
    playlist.tracks[2].TrackID = L"1003";
    for (int index : {-1, 3, 40}) {
        playlist.currentIndex = index;
        ASSERT_NE(playlist.CurrentTrack(), nullptr);
        EXPECT_EQ(playlist.CurrentTrack()->TrackID, L"1001");
        EXPECT_EQ(playlist.currentIndex, 0);
    }
    playlist.currentIndex = 2;
    EXPECT_EQ(playlist.CurrentTrack()->TrackID, L"1003");
}

TEST(VolumeAndSeek, SliderValuesBecomeDeviceVolumesAndStartTimes) {
    EXPECT_EQ(VolumeForSlider(50), 0x7FFF7FFFu);  // 32767 on each channel
    EXPECT_EQ(VolumeForSlider(100), 0xFFFFFFFFu);
    EXPECT_EQ(VolumeForSlider(0), 0u);
    EXPECT_EQ(VolumeForSlider(1), 0x028F028Fu);  // 655
    // Milliseconds to 100-ns units: past 3 min 34 s the product no longer fits 32 bits.
    EXPECT_EQ(SeekStartTime(120000), 1200000000ull);
    EXPECT_EQ(SeekStartTime(215000), 2150000000ull);
    EXPECT_EQ(SeekStartTime(240000), 2400000000ull);
    EXPECT_EQ(SeekStartTime(3600000), 36000000000ull);
    EXPECT_EQ(SliderMaximumFor(2400000000ull), 240000);
    EXPECT_EQ(SliderMaximumFor(0), 0);
    EXPECT_EQ(SliderMaximumFor(~0ull), 2147483647);
}

TEST(SeekTime, ShowsPositionAndDurationAndNeverDividesByZero) {
    struct Case {
        unsigned long long duration;  // 100-ns units
        int value, maximum;
        const wchar_t* text;
    };
    const unsigned long long second = 10000000ull;
    const Case cases[] = {
        {240 * second, 120000, 240000, L"02:00 / 04:00"},
        {240 * second, 0, 240000, L"00:00 / 04:00"},
        {240 * second, 240000, 240000, L"04:00 / 04:00"},
        {8 * second, 3000, 8000, L"00:03 / 00:08"},
        {7200 * second, 3600000, 7200000, L"1:00:00 / 2:00:00"},
        {3725 * second, 3725000, 3725000, L"1:02:05 / 1:02:05"},
        {8 * second, 4000, 0, L"00:00"},  // a seekable item of no known length
        // A hundred hours: the product of duration and value does not fit 64 bits in one piece.
        {360000 * second, 359999000, 360000000, L"99:59:59 / 100:00:00"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SeekTimeText(c.duration, c.value, c.maximum), c.text) << testing::PrintToString(c.value);
    }
}

}  // namespace
