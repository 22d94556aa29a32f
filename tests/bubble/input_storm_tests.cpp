// A storm of random mouse and cursor messages at the bubble, then one
// complete click on the dismiss button. After every message the button must
// show exactly the picture of the state it is in; after the storm the click
// must still end the bubble through the fade-out, with exit code 0.
//
// The generator is seeded; the seed is printed, and setting
// MARROWTUNE_STORM_SEED to it replays the same storm.
#include "kit/bubble_fixture.h"
#include "kit/seed.h"
#include "kit/test_pictures.h"

#include <array>
#include <cstdint>
#include <iterator>
#include <random>
#include <vector>

namespace {

constexpr std::uint32_t DEFAULT_SEED = 7019;
constexpr const char* SEED_VARIABLE = "MARROWTUNE_STORM_SEED";
constexpr int STORM_MESSAGES = 10000;
constexpr LONG NEAR_MARGIN = 30;    // how far around the bubble most positions fall
constexpr LONG EDGE_MARGIN = 3;     // around the button's edges

struct Kind { UINT message; int weight; };

// Mouse and cursor messages a window can receive, with how often each comes.
// Non-client button presses are left out: their default handling starts the
// system's modal move loop, which would wait for a real button release.
const Kind KINDS[] = {
    {WM_MOUSEMOVE, 35},   {WM_LBUTTONDOWN, 12}, {WM_LBUTTONUP, 12},  {WM_SETCURSOR, 15},
    {WM_LBUTTONDBLCLK, 3}, {WM_RBUTTONDOWN, 3}, {WM_RBUTTONUP, 3},   {WM_MBUTTONDOWN, 2},
    {WM_MBUTTONUP, 2},    {WM_MOUSEWHEEL, 3},   {WM_MOUSEHWHEEL, 1}, {WM_XBUTTONDOWN, 1},
    {WM_XBUTTONUP, 1},    {WM_MOUSEHOVER, 3},   {WM_MOUSELEAVE, 3},  {WM_NCMOUSEMOVE, 1},
};

const WORD HIT_TEST_CODES[] = {HTCLIENT, HTNOWHERE, static_cast<WORD>(HTERROR), HTCAPTION,
                               static_cast<WORD>(HTTRANSPARENT), HTBORDER};

}  // namespace

class InputStormTest : public BubbleTest {
protected:
    void SetUp() override
    {
        StartWithIcon(TYPICAL_ICON);
        FadeInFully();
        // What the button must look like in each state: that state's picture,
        // read pixel by pixel from the decoded picture. The button pictures
        // are opaque and as large as the button, so drawing changes nothing.
        for (const int state : {Normal, Hover, Pressed}) {
            looks[state] = testpictures::PicturePixels(bubbleState.dismissButton->images[state]);
            ASSERT_EQ(testpictures::DibPixels(bubbleState.dismissButton->surface->bitmap).All().size(),
                      looks[state].size());
        }
        // Otherwise a wrong look could pass for the right one.
        ASSERT_NE(looks[Normal], looks[Hover]);
        ASSERT_NE(looks[Hover], looks[Pressed]);
        ASSERT_NE(looks[Normal], looks[Pressed]);
        seed = ChosenSeed(SEED_VARIABLE, DEFAULT_SEED);
        random.seed(seed);
    }

    int Below(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(random); }
    LONG Between(LONG low, LONG high) { return std::uniform_int_distribution<LONG>(low, high)(random); }

    const Kind& RandomKind()
    {
        int total = 0;
        for (const Kind& kind : KINDS) total += kind.weight;
        int roll = Below(total);
        for (const Kind& kind : KINDS) {
            if (roll < kind.weight) return kind;
            roll -= kind.weight;
        }
        return KINDS[0];
    }

    // Mostly on or around the bubble, often at the button's edges, sometimes
    // any 32-bit value at all.
    LPARAM RandomPosition()
    {
        const RECT button = bubbleState.dismissButton->rect;
        const int roll = Below(10);
        if (roll < 2) return static_cast<LPARAM>(static_cast<std::uint32_t>(random()));
        if (roll < 5) {
            return MAKELPARAM(Between(button.left - EDGE_MARGIN, button.right + EDGE_MARGIN),
                              Between(button.top - EDGE_MARGIN, button.bottom + EDGE_MARGIN));
        }
        return MAKELPARAM(Between(-NEAR_MARGIN, BUBBLE_WIDTH + NEAR_MARGIN),
                          Between(-NEAR_MARGIN, BUBBLE_HEIGHT + NEAR_MARGIN));
    }

    bool InsideButton(LPARAM lParam) const
    {
        const POINT point = {LOWORD(lParam), HIWORD(lParam)};
        return PtInRect(&bubbleState.dismissButton->rect, point) != FALSE;
    }

    // Sends one random message; presses on the button are replaced by
    // presses elsewhere when `pressesOnButton` is false.
    void SendRandomMessage(bool pressesOnButton)
    {
        const UINT message = RandomKind().message;
        if (message == WM_SETCURSOR) {
            const WPARAM target = Below(4) == 0 ? static_cast<WPARAM>(random()) : reinterpret_cast<WPARAM>(window);
            const WORD hitTest = HIT_TEST_CODES[Below(static_cast<int>(std::size(HIT_TEST_CODES)))];
            const WORD mouseMessage = static_cast<WORD>(RandomKind().message);
            SendMessageA(window, WM_SETCURSOR, target, MAKELPARAM(hitTest, mouseMessage));
            const HCURSOR cursor = bubbleState.buttonHost->cursor;
            EXPECT_TRUE(cursor == Hand() || cursor == Arrow());
            EXPECT_EQ(cursor, GetCursor()) << "the host's cursor is the one shown";
            return;
        }
        LPARAM position = RandomPosition();
        while (message == WM_LBUTTONDOWN && !pressesOnButton && InsideButton(position)) position = RandomPosition();
        const WPARAM keys = Below(3) == 0 ? static_cast<WPARAM>(random()) : static_cast<WPARAM>(Below(0x80));
        SendMessageA(window, message, keys, position);
    }

    // The button shows the picture of the state it is in.
    ::testing::AssertionResult LookMatchesState(int sent)
    {
        const int state = bubbleState.dismissButton->state;
        if (state != Normal && state != Hover && state != Pressed) {
            return ::testing::AssertionFailure() << "state " << state << " after message " << sent;
        }
        if (testpictures::DibPixels(bubbleState.dismissButton->surface->bitmap).All() != looks[state]) {
            return ::testing::AssertionFailure()
                   << "the button's picture is not that of state " << state << " after message " << sent;
        }
        return ::testing::AssertionSuccess();
    }

    // Runs the storm, checking the button after every message. The index of
    // the message after which the fade-out had begun, or -1.
    int Storm(bool pressesOnButton)
    {
        int dismissedAt = -1;
        for (int sent = 1; sent <= STORM_MESSAGES; ++sent) {
            SendRandomMessage(pressesOnButton);
            const ::testing::AssertionResult look = LookMatchesState(sent);
            if (!look) {
                ADD_FAILURE() << look.message() << " (seed " << seed << ")";
                break;
            }
            if (dismissedAt < 0 && bubbleState.dismissing) dismissedAt = sent;
        }
        return dismissedAt;
    }

    // The canvas shows the button's surface once the bubble has repainted,
    // and every presentation of the storm reached the window.
    void ExpectCanvasShowsTheButton()
    {
        UpdateWindow(window);
        EXPECT_TRUE(LastPresentationShown());
        EXPECT_EQ(0, shellCounters.failedPresentations);
        const RECT r = bubbleState.dismissButton->rect;
        const testpictures::DibPixels surface(bubbleState.dismissButton->surface->bitmap);
        for (int y = 0; y < r.bottom - r.top; ++y) {
            for (int x = 0; x < r.right - r.left; ++x) {
                if (CanvasPixel(r.left + x, r.top + y) != surface.At(x, y)) {
                    ADD_FAILURE() << "canvas and button differ at " << x << "," << y;
                    return;
                }
            }
        }
    }

    // A complete click on the button, then fade-out ticks until the quit
    // message; its exit code, or NO_QUIT when none came.
    int ClickAndFadeOut()
    {
        SendClick(window, ON_BUTTON);
        EXPECT_EQ(Hover, bubbleState.dismissButton->state);
        EXPECT_TRUE(LookMatchesState(STORM_MESSAGES + 3));
        EXPECT_EQ(1, bubbleState.dismissing);
        EXPECT_EQ(0u, RunningPeriod(window, TIMER_TRACK));
        EXPECT_EQ(CLICK_FADE_OUT_MS, RunningPeriod(window, TIMER_FADE_OUT));
        const int exitCode = FadeOutUntilQuit();
        EXPECT_EQ(1, gdiplusShutdowns);
        return exitCode;
    }

    std::uint32_t seed = 0;
    std::mt19937 random;
    std::array<std::vector<std::uint32_t>, Pressed + 1> looks;
};

TEST_F(InputStormTest, AnyMessagesKeepTheButtonConsistentAndAClickStillEndsTheBubble)
{
    Storm(true);
    ExpectCanvasShowsTheButton();
    EXPECT_EQ(0, ClickAndFadeOut());
}

TEST_F(InputStormTest, WithoutAPressOnTheButtonTheStormNeverDismissesButTheClickDoes)
{
    EXPECT_EQ(-1, Storm(false));
    EXPECT_EQ(0, bubbleState.dismissing);
    EXPECT_EQ(TRACKING_MS, RunningPeriod(window, TIMER_TRACK));
    ExpectCanvasShowsTheButton();
    EXPECT_EQ(0, ClickAndFadeOut());
}
