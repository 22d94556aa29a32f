// The host's list of buttons: insert positions, invariants and painting order.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "bubble/bubble.h"
#include "kit/test_pictures.h"
#include "widgets/widgets.h"

using namespace testpictures;

namespace {

constexpr UINT COMMAND = 2000;

// Checks the list's invariants and returns its buttons first to last.
std::vector<ImageButton*> CheckedButtons(const ButtonHost& host)
{
    EXPECT_NE(host.head, nullptr);
    if (!host.head) return {};
    EXPECT_EQ(host.head->button, nullptr) << "the sentinel holds no button";
    EXPECT_EQ(host.head->prev, nullptr);
    std::vector<ImageButton*> forward;
    ButtonNode* tail = nullptr;
    for (ButtonNode* node = host.head->next; node; node = node->next) {
        EXPECT_NE(node->button, nullptr);
        EXPECT_NE(node->prev, nullptr);
        if (node->prev) {
            EXPECT_EQ(node->prev->next, node);
        }
        forward.push_back(node->button);
        tail = node;
    }
    EXPECT_EQ(host.lastNode, tail) << "lastNode is the tail, null while empty";
    std::vector<ImageButton*> backward;
    for (ButtonNode* node = host.lastNode; node && node != host.head; node = node->prev) {
        backward.push_back(node->button);
    }
    std::reverse(backward.begin(), backward.end());
    EXPECT_EQ(forward, backward) << "both walks visit the same buttons";
    return forward;
}

}  // namespace

TEST(ButtonList, EachPositionPutsTheButtonInItsPlace)
{
    struct Case {
        const char* what;
        std::vector<int> positions;  // given to AddButton for buttons 0, 1, 2... in turn
        std::vector<size_t> order;   // the buttons first to last afterwards
    };
    const Case cases[] = {
        {"0 appends", {0, 0, 0}, {0, 1, 2}},
        {"1 into an empty list", {1}, {0}},
        {"1 and negative positions prepend", {1, 1, -1, -1000}, {3, 2, 1, 0}},
        {"k beyond an empty list", {2}, {0}},
        {"k makes the button the kth or the last", {2, 0, 0, 2, 4, 100}, {0, 3, 1, 4, 2, 5}},
        {"the position just past the end appends", {0, 0, 3}, {0, 1, 2}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        std::vector<std::unique_ptr<ImageButton>> buttons;
        ButtonHost host;
        for (const int position : test.positions) {
            buttons.push_back(std::make_unique<ImageButton>(RECT{0, 0, 4, 4}, COMMAND));
            host.AddButton(position, buttons.back().get());
            CheckedButtons(host);
        }
        std::vector<ImageButton*> expected;
        for (const size_t index : test.order) expected.push_back(buttons[index].get());
        EXPECT_EQ(CheckedButtons(host), expected);
    }
}

TEST(ButtonList, AddButtonHandsOverTheTargetDCAndRendersNormal)
{
    const OwnedPicture normal(SolidPicture(4, 4, Rgba{10, 200, 30, 255}));
    const OwnedPicture hover(SolidPicture(4, 4, Rgba{250, 20, 30, 255}));
    ImageButton button(RECT{0, 0, 4, 4}, COMMAND);
    button.SetImage(Normal, normal.get());
    button.SetImage(Hover, hover.get());
    button.state = Hover;
    ButtonHost host;
    Canvas canvas(8, -8);
    host.targetDC = canvas.dc;

    host.AddButton(0, &button);
    EXPECT_EQ(button.targetDC, canvas.dc);
    EXPECT_EQ(CheckArea(DibPixels(button.surface->bitmap), RECT{}, 0, Premultiplied(Rgba{10, 200, 30, 255})), "")
        << "the surface shows the Normal picture";
    EXPECT_EQ(CheckArea(canvas.Pixels(), RECT{}, 0, 0), "") << "nothing is drawn on the target yet";
}

TEST(ButtonList, PaintButtonsCopiesEverySurfaceFirstToLast)
{
    const Rgba blue{0, 0, 255, 128};
    const OwnedPicture redPicture(SolidPicture(10, 10, RED));
    const OwnedPicture bluePicture(SolidPicture(10, 10, blue));
    ImageButton first(RECT{0, 0, 10, 10}, COMMAND);
    ImageButton second(RECT{5, 5, 15, 15}, COMMAND);
    first.SetImage(Normal, redPicture.get());
    second.SetImage(Normal, bluePicture.get());
    ButtonHost host;
    host.AddButton(0, &first);
    host.AddButton(0, &second);

    constexpr uint32_t BACKGROUND = Bgra(9, 9, 9, 9);
    Canvas canvas(20, -20);
    canvas.Pixels().Fill(BACKGROUND);
    host.PaintButtons(canvas.dc);
    const DibPixels pixels = canvas.Pixels();
    EXPECT_EQ(pixels.At(0, 0), Premultiplied(RED));
    EXPECT_EQ(pixels.At(9, 4), Premultiplied(RED));
    EXPECT_EQ(pixels.At(5, 5), Premultiplied(blue)) << "the later button covers the earlier";
    EXPECT_EQ(pixels.At(14, 14), Premultiplied(blue)) << "copied opaquely, translucent alpha included";
    EXPECT_EQ(pixels.At(15, 15), BACKGROUND);
    EXPECT_EQ(pixels.At(12, 2), BACKGROUND);
}

TEST(ButtonList, MovedRectPaintsTheUnchangedSurfaceAtTheNewCorner)
{
    constexpr int SIDE_SHIFT = 9;  // how far the bubble moves its button on a side switch
    const OwnedPicture picture(SolidPicture(66, 24, GREEN));
    ImageButton button(DISMISS_RECT_RIGHT_SIDE, COMMAND);
    button.SetImage(Normal, picture.get());
    ButtonHost host;
    host.AddButton(0, &button);

    button.rect.left -= SIDE_SHIFT;
    button.rect.right -= SIDE_SHIFT;
    constexpr uint32_t BACKGROUND = Bgra(0, 0, 0, 0);
    Canvas canvas(207, -75);
    host.PaintButtons(canvas.dc);
    EXPECT_EQ(button.surface->width, 66);
    EXPECT_EQ(button.surface->height, 24);
    EXPECT_EQ(CheckArea(canvas.Pixels(), DISMISS_RECT_LEFT_SIDE, Premultiplied(GREEN), BACKGROUND), "");
}

TEST(ButtonList, ANewHostHoldsNoButtonAndPaintsNothing)
{
    ButtonHost host;
    EXPECT_EQ(CheckedButtons(host), std::vector<ImageButton*>{});
    constexpr uint32_t BACKGROUND = Bgra(1, 2, 3, 4);
    Canvas canvas(8, -8);
    canvas.Pixels().Fill(BACKGROUND);
    host.PaintButtons(canvas.dc);
    EXPECT_EQ(CheckArea(canvas.Pixels(), RECT{}, 0, BACKGROUND), "");
}
