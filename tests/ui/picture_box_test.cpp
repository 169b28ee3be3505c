// The picture box: where a picture is drawn (centred, scaled down to fit, never enlarged), and an
// animated GIF made by an outside encoder playing in it: each frame is drawn after the one before
// has been disposed of as it asks, the timer asks for each frame's own delay, the rounds end as
// the file says, and playing stops when the picture is replaced or the box goes. A still picture,
// or a box with animation off, asks for no timer.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <vector>

#include "framework/form.h"
#include "support/picture_fixtures.h"
#include "support/system_calls_scope.h"
#include "support/ui_test_support.h"
#include "ui/picture_box.h"
#include "ui/picture_viewer_window.h"
#include "ui/ui_system_calls.h"

namespace {

// ---- Layout

TEST(PictureBoxLayout, SmallPicturesAreCentredLargeOnesScaledDownKeepingTheirShape)
{
    struct Case {
        int pw, ph;
        PictureRect expected;
    };
    const Case cases[] = {
        {100, 50, {150, 125, 100, 50}},
        {800, 600, {0, 0, 400, 300}},
        {800, 200, {0, 100, 400, 100}},
        {400, 300, {0, 0, 400, 300}},   // exactly fitting: own size
        {300, 900, {150, 0, 100, 300}},
        {0, 0, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        PictureRect r = CentredPictureRect(400, 300, c.pw, c.ph);
        EXPECT_EQ(r.left, c.expected.left) << c.pw << "x" << c.ph;
        EXPECT_EQ(r.top, c.expected.top) << c.pw << "x" << c.ph;
        EXPECT_EQ(r.width, c.expected.width) << c.pw << "x" << c.ph;
        EXPECT_EQ(r.height, c.expected.height) << c.pw << "x" << c.ph;
    }
}

TEST(PictureBoxLayout, TheBoxKeepsTheBytesAndDrawsTheDecodedPictureCentred)
{
    CoInitialize(nullptr);
    FormTemplate layout = PictureViewerTemplate();
    layout.startMaximized = false;
    Form form(layout);
    PictureBox box(form, {0, 0, 648, 480});
    ASSERT_TRUE(form.Load());
    box.Move(0, 0, 400, 300);
    ByteSet picture = BmpFile(800, 200);
    box.SetPicture(picture);
    EXPECT_EQ(box.GetPicture(), picture);
    PictureRect drawn = box.DrawnRect();
    EXPECT_EQ(drawn.top, 100);
    EXPECT_EQ(drawn.width, 400);
    EXPECT_EQ(drawn.height, 100);
    UpdateWindow(box.GetHandle());

    ByteSet junk = ByteSet::FromText("not a picture");
    box.SetPicture(junk);
    EXPECT_EQ(box.GetPicture(), junk);
    EXPECT_EQ(box.PictureSize().cx, 0);
    UpdateWindow(box.GetHandle());  // paints an empty box
    CoUninitialize();
}

// ---- Animation

// The timer calls the box made: a running timer's delay, or 0 once it was killed.
struct TimerLog {
    std::vector<UINT> delays;
    int kills = 0;
    bool running = false;
};
TimerLog g_timers;

UINT_PTR WINAPI RecordSetTimer(HWND, UINT_PTR id, UINT milliseconds, TIMERPROC)
{
    g_timers.delays.push_back(milliseconds);
    g_timers.running = true;
    return id;
}

BOOL WINAPI RecordKillTimer(HWND, UINT_PTR)
{
    ++g_timers.kills;
    g_timers.running = false;
    return TRUE;
}

constexpr std::uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kGreen = 0x00FF00, kYellow = 0xFFFF00, kWhite = 0xFFFFFF;

struct Probe {
    int x, y;
    std::uint32_t colour;
};

class PictureBoxAnimation : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitialize(nullptr);
        g_uiSystemCalls.SetTimer = RecordSetTimer;
        g_uiSystemCalls.KillTimer = RecordKillTimer;
        layout_.startMaximized = false;
        ASSERT_NO_FATAL_FAILURE(MakeBox());
        animated_ = ReadPictureFixture("animated.gif");
        ASSERT_FALSE(animated_.Empty()) << "fixture missing";
    }
    // A new form with a box that plays animations, in place of any earlier one.
    void MakeBox()
    {
        box_.reset();
        form_.reset();
        g_timers = {};
        form_ = std::make_unique<Form>(layout_);
        box_ = std::make_unique<PictureBox>(*form_, PictureRect{0, 0, 400, 300});
        box_->SetAnimation(true);
        ASSERT_TRUE(form_->Load());
    }
    void TearDown() override
    {
        box_.reset();
        form_.reset();
        CoUninitialize();
    }

    // What the timer would do when the shown frame's time is up.
    void Tick() { SendMessageA(box_->GetHandle(), WM_TIMER, kPictureBoxAnimationTimer, 0); }

    void ExpectShown(const std::vector<Probe>& probes)
    {
        const Pixels shown = BitmapPixels(box_->ShownBitmap());
        ASSERT_EQ(shown.width, 40);
        ASSERT_EQ(shown.height, 30);
        for (const Probe& p : probes)
            EXPECT_EQ(shown.At(p.x, p.y), p.colour) << std::hex << "at " << std::dec << p.x << "," << p.y;
    }

    // First, so that it is the last to go: a box that outlives TearDown still stops its timer here.
    ScopedSystemCalls<UiSystemCalls> uiCalls_{g_uiSystemCalls};
    FormTemplate layout_ = PictureViewerTemplate();
    std::unique_ptr<Form> form_;
    std::unique_ptr<PictureBox> box_;
    ByteSet animated_;
};

// The file: 40 x 30, two rounds. Frame 0 red all over for 200 ms, kept; frame 1 a blue square at
// (5,5) for 300 ms, then cleared; frame 2 a green square at (20,10) for 400 ms, then undone;
// frame 3 a yellow square at (25,15) with a transparent pixel at (30,20), for 500 ms.
struct Step {
    UINT delay;  // asked for while the frame shows
    std::vector<Probe> probes;
};
const std::vector<Step> kRound = {
    {200, {{1, 1, kRed}, {7, 7, kRed}, {22, 12, kRed}}},
    {300, {{7, 7, kBlue}, {1, 1, kRed}, {22, 12, kRed}}},
    {400, {{7, 7, kWhite}, {22, 12, kGreen}, {15, 5, kRed}}},
    {500, {{7, 7, kWhite}, {22, 12, kRed}, {27, 17, kYellow}, {30, 20, kRed}, {1, 1, kRed}}},
};

TEST_F(PictureBoxAnimation, FramesFollowWithTheirDelaysAndDisposalsForTheRoundsTheFileAsks)
{
    box_->SetPicture(animated_);
    for (int round = 0; round < 2; ++round) {
        for (std::size_t frame = 0; frame < kRound.size(); ++frame) {
            SCOPED_TRACE(testing::Message() << "round " << round << ", frame " << frame);
            if (round + frame > 0)
                Tick();
            ASSERT_TRUE(box_->Animating());
            ASSERT_FALSE(g_timers.delays.empty());
            EXPECT_EQ(g_timers.delays.back(), kRound[frame].delay);
            ExpectShown(kRound[frame].probes);
        }
    }
    EXPECT_EQ(g_timers.delays.size(), 8u);
    Tick();  // the second round is over: the last frame stays
    EXPECT_FALSE(box_->Animating());
    EXPECT_FALSE(g_timers.running);
    EXPECT_EQ(g_timers.delays.size(), 8u);
    ExpectShown(kRound.back().probes);
    EXPECT_EQ(box_->GetPicture(), animated_);
    EXPECT_EQ(box_->PictureSize().cx, 40);
}

// However the shown animation ends, its timer stops, its frames are freed, and a tick that was
// already queued asks for no further frame.
TEST_F(PictureBoxAnimation, ReplacingThePictureOrDestroyingTheBoxStopsItAndFreesItsFrames)
{
    const ByteSet still = BmpFile(20, 10);
    const struct {
        const char* how;
        std::function<void()> end;
    } endings[] = {
        {"picture replaced", [&] { box_->SetPicture(still); }},
        {"form's window destroyed", [&] { DestroyWindow(form_->GetHandle()); }},
        {"box destroyed", [&] { box_.reset(); }},
    };
    for (const auto& ending : endings) {
        SCOPED_TRACE(ending.how);
        ASSERT_NO_FATAL_FAILURE(MakeBox());
        box_->SetPicture(animated_);
        Tick();
        ASSERT_TRUE(g_timers.running);
        const HWND window = box_->GetHandle();
        const HBITMAP canvas = box_->ShownBitmap();
        ASSERT_EQ(GetObjectType(canvas), static_cast<DWORD>(OBJ_BITMAP));

        ending.end();
        EXPECT_FALSE(g_timers.running) << "the timer of the ended animation still runs";
        EXPECT_EQ(GetObjectType(canvas), 0u) << "the ended animation's frames are kept";
        const std::size_t asked = g_timers.delays.size();
        SendMessageA(window, WM_TIMER, kPictureBoxAnimationTimer, 0);
        EXPECT_EQ(g_timers.delays.size(), asked) << "a late tick started the animation again";
        if (box_) {
            EXPECT_FALSE(box_->Animating());
        }
    }
    // A still picture that replaces an animation is drawn in its place.
    ASSERT_NO_FATAL_FAILURE(MakeBox());
    box_->SetPicture(animated_);
    box_->SetPicture(still);
    EXPECT_EQ(BitmapPixels(box_->ShownBitmap()).width, 20);
}

TEST_F(PictureBoxAnimation, StillPicturesAndABoxWithAnimationOffAskForNoTimer)
{
    const ByteSet still[] = {ReadPictureFixture("still.gif"), ReadPictureFixture("png24.png"), BmpFile(30, 20)};
    for (const ByteSet& picture : still) {
        box_->SetPicture(picture);
        EXPECT_NE(box_->PictureSize().cx, 0);
        EXPECT_FALSE(box_->Animating());
    }
    box_->SetAnimation(false);
    box_->SetPicture(animated_);
    EXPECT_FALSE(box_->Animating());
    ExpectShown(kRound[0].probes);
    EXPECT_TRUE(g_timers.delays.empty());
}

// An animated GIF cut short anywhere plays what can be read of it, if anything, and stops.
TEST_F(PictureBoxAnimation, ACutAnimationPlaysWhatCanBeReadAndStops)
{
    for (std::size_t eighths = 1; eighths < 8; ++eighths) {
        const ByteSet cut(animated_.Data(), animated_.Size() * eighths / 8);
        SCOPED_TRACE(testing::Message() << cut.Size() << " of " << animated_.Size() << " bytes");
        box_->SetPicture(cut);
        for (int tick = 0; tick < 16 && box_->Animating(); ++tick)
            Tick();
        EXPECT_FALSE(box_->Animating()) << "more frames than the whole file has";
        EXPECT_EQ(box_->GetPicture(), cut);
    }
}

// With the system's own timer: the two rounds take at least their 2.8 s of delays, and end.
TEST_F(PictureBoxAnimation, TheRealTimerPlaysBothRoundsAtTheirPace)
{
    g_uiSystemCalls.SetTimer = ::SetTimer;
    g_uiSystemCalls.KillTimer = ::KillTimer;
    box_->SetPicture(animated_);
    ASSERT_TRUE(box_->Animating());
    const DWORD start = GetTickCount();
    std::vector<std::uint32_t> seen;  // the colour at (7,7) each time it changed
    while (box_->Animating() && GetTickCount() - start < 30000) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        PumpMessages();
        const std::uint32_t now = BitmapPixels(box_->ShownBitmap()).At(7, 7);
        if (seen.empty() || seen.back() != now)
            seen.push_back(now);
    }
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_FALSE(box_->Animating()) << "still playing after 30 s";
    EXPECT_GE(elapsed, 2700u) << "frames shown faster than their delays";
    // red, blue, white, then the second round: red, blue, white
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{kRed, kBlue, kWhite, kRed, kBlue, kWhite}));
}

} // namespace
