// A canvas that cannot be made, because the process has no GDI handle left
// for its device context: the bubble cannot be seen, but it still follows
// the icon, takes a click, fades out and ends with exit code 0, so the
// hidden process never holds the single-instance mutex for good.
#include "kit/bubble_fixture.h"

#include <memory>
#include <vector>

namespace {

// Far more than any platform hands one process (Windows: 10,000 by default,
// Wine: 65,536), so the loop ends because creation fails.
constexpr size_t GDI_HANDLE_CEILING = 1 << 20;

// Takes every GDI handle the process can still get, so that the next device
// context cannot be created; gives them back when it goes.
class GdiHandlesTaken {
public:
    GdiHandlesTaken()
    {
        while (held.size() < GDI_HANDLE_CEILING) {
            const HDC dc = CreateCompatibleDC(nullptr);
            if (dc == nullptr) break;
            held.push_back(dc);
        }
    }
    ~GdiHandlesTaken()
    {
        for (const HDC dc : held) DeleteDC(dc);
    }
    GdiHandlesTaken(const GdiHandlesTaken&) = delete;
    GdiHandlesTaken& operator=(const GdiHandlesTaken&) = delete;

    bool Exhausted() const
    {
        const HDC spare = CreateCompatibleDC(nullptr);
        if (spare == nullptr) return true;
        DeleteDC(spare);
        return false;
    }

private:
    std::vector<HDC> held;
};

}  // namespace

class FailedCanvasTest : public BubbleTest {
protected:
    // Creates the bubble beside the icon while no GDI handle is left.
    void CreateWithoutHandles()
    {
        desktop = std::make_unique<standin::Desktop>();
        iconIndex = desktop->Add(standin::MakeItem(std::string("marrowtune"), TYPICAL_ICON));
        taken = std::make_unique<GdiHandlesTaken>();
        ASSERT_TRUE(taken->Exhausted());
        window = CreateBubbleWindowForTest();
        ASSERT_NE(nullptr, window);
        ASSERT_EQ(nullptr, bubbleState.canvasDC) << "the canvas should have failed";
        ASSERT_TRUE(BubbleBuilt());
    }

    // A move of the icon is followed, a click on the button starts the
    // fade-out and its ticks end in the quit message with exit code 0.
    void ExpectTracksAndEndsWithZero()
    {
        const RECT newIcon = {220, 260, 295, 330};
        MoveIcon(newIcon);
        Tick(TIMER_TRACK);
        EXPECT_EQ(XY(newIcon.right - RIGHT_SIDE_OVERLAP, newIcon.top), PlacedAt()) << "the icon is no longer followed";
        EXPECT_EQ(GROW_MS, RunningPeriod(window, TIMER_GROW));

        const RECT& button = bubbleState.dismissButton->rect;
        SendClick(window, MAKELPARAM(button.left + 1, button.top + 1));
        ASSERT_EQ(1, bubbleState.dismissing) << "the click was ignored";

        EXPECT_EQ(0, FadeOutUntilQuit()) << "the fade-out did not end the process with 0";
    }

    std::unique_ptr<GdiHandlesTaken> taken;
};

TEST_F(FailedCanvasTest, ABubbleCreatedWithoutACanvasStillTracksAndEnds)
{
    CreateWithoutHandles();
    taken.reset();

    Tick(TIMER_FADE_IN);
    EXPECT_EQ(FADE_STEP, bubbleState.alpha) << "the fade-in stopped";
    ExpectTracksAndEndsWithZero();
}

TEST_F(FailedCanvasTest, ASideSwitchWithoutHandlesKeepsWorkingAndALaterOneBuildsTheCanvas)
{
    CreateWithoutHandles();
    const RECT farRight = IconWithRoom(-30, 100);
    MoveIcon(farRight);
    Tick(TIMER_TRACK);
    ASSERT_EQ(0, bubbleState.bubbleOnRight);
    EXPECT_EQ(nullptr, bubbleState.canvasDC) << "the canvas should have failed again";
    EXPECT_EQ(farRight.left - LEFT_SIDE_OFFSET, bubbleState.lastPlacedX);
    taken.reset();

    // Back to the right, with handles to spare: the switch builds the canvas.
    // (The pictures, decoded while no handle was left, stay empty.)
    MoveIcon(TYPICAL_ICON);
    Tick(TIMER_TRACK);
    EXPECT_EQ(1, bubbleState.bubbleOnRight);
    EXPECT_NE(nullptr, bubbleState.canvasDC);
    EXPECT_NE(nullptr, bubbleState.canvasBitmap);

    ExpectTracksAndEndsWithZero();
}
