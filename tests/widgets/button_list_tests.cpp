// The host's list of buttons: insert positions, invariants and painting order.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "bubble/bubble.h"
#include "tests/support/test_pictures.h"
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

// Buttons without pictures, owned by the test.
struct Buttons {
    ImageButton* Make(RECT rect = RECT{0, 0, 4, 4})
    {
        owned.push_back(std::make_unique<ImageButton>(rect, COMMAND));
        return owned.back().get();
    }
    template <size_t N>
    std::array<ImageButton*, N> Several()
    {
        std::array<ImageButton*, N> buttons{};
        for (ImageButton*& button : buttons) button = Make();
        return buttons;
    }
    std::vector<std::unique_ptr<ImageButton>> owned;
};

}  // namespace

TEST(ButtonList, PositionZeroAppends)
{
    Buttons make;
    ButtonHost host;
    const auto [a, b, c] = make.Several<3>();
    host.AddButton(0, a);
    EXPECT_EQ(CheckedButtons(host), (std::vector<ImageButton*>{a}));
    host.AddButton(0, b);
    host.AddButton(0, c);
    EXPECT_EQ(CheckedButtons(host), (std::vector<ImageButton*>{a, b, c}));
}

TEST(ButtonList, PositionOneAndNegativePositionsPrepend)
{
    Buttons make;
    ButtonHost host;
    const auto [a, b, c, d] = make.Several<4>();
    host.AddButton(1, a);
    EXPECT_EQ(CheckedButtons(host), (std::vector<ImageButton*>{a})) << "into an empty list";
    host.AddButton(1, b);
    host.AddButton(-1, c);
    host.AddButton(-1000, d);
    EXPECT_EQ(CheckedButtons(host), (std::vector<ImageButton*>{d, c, b, a}));
    EXPECT_EQ(host.lastNode->button, a) << "inserting before existing buttons keeps the tail";
}

TEST(ButtonList, PositionKMakesTheButtonTheKthOrTheLast)
{
    Buttons make;
    ButtonHost host;
    const auto [a, b, c, d, e, f] = make.Several<6>();
    host.AddButton(2, a);
    EXPECT_EQ(CheckedButtons(host), (std::vector<ImageButton*>{a})) << "k beyond an empty list";
    host.AddButton(0, b);
    host.AddButton(0, c);
    host.AddButton(2, d);
    EXPECT_EQ(CheckedButtons(host), (std::vector<ImageButton*>{a, d, b, c}));
    host.AddButton(4, e);
    EXPECT_EQ(CheckedButtons(host), (std::vector<ImageButton*>{a, d, b, e, c}));
    EXPECT_EQ(host.lastNode->button, c);
    host.AddButton(100, f);
    EXPECT_EQ(CheckedButtons(host), (std::vector<ImageButton*>{a, d, b, e, c, f}));
    EXPECT_EQ(host.lastNode->button, f);
}

TEST(ButtonList, PositionJustPastTheEndAppends)
{
    Buttons make;
    ButtonHost host;
    const auto [a, b, c] = make.Several<3>();
    host.AddButton(0, a);
    host.AddButton(0, b);
    host.AddButton(3, c);  // the third of three
    EXPECT_EQ(CheckedButtons(host), (std::vector<ImageButton*>{a, b, c}));
    EXPECT_EQ(host.lastNode->button, c);
}

TEST(ButtonList, AddButtonHandsOverTheTargetDCAndRendersNormal)
{
    PngImage* normal = SolidPicture(4, 4, Rgba{10, 200, 30, 255});
    PngImage* hover = SolidPicture(4, 4, Rgba{250, 20, 30, 255});
    ImageButton button(RECT{0, 0, 4, 4}, COMMAND);
    button.SetImage(Normal, normal);
    button.SetImage(Hover, hover);
    button.state = Hover;
    ButtonHost host;
    Canvas canvas(8, -8);
    host.targetDC = canvas.dc;

    host.AddButton(0, &button);
    EXPECT_EQ(button.targetDC, canvas.dc);
    EXPECT_EQ(CheckArea(DibPixels(button.surface->bitmap), RECT{}, 0, Premultiplied(Rgba{10, 200, 30, 255})), "")
        << "the surface shows the Normal picture";
    EXPECT_EQ(CheckArea(canvas.Pixels(), RECT{}, 0, 0), "") << "nothing is drawn on the target yet";
    delete normal;
    delete hover;
}

TEST(ButtonList, PaintButtonsCopiesEverySurfaceFirstToLast)
{
    const Rgba red{255, 0, 0, 255};
    const Rgba blue{0, 0, 255, 128};
    PngImage* redPicture = SolidPicture(10, 10, red);
    PngImage* bluePicture = SolidPicture(10, 10, blue);
    ImageButton first(RECT{0, 0, 10, 10}, COMMAND);
    ImageButton second(RECT{5, 5, 15, 15}, COMMAND);
    first.SetImage(Normal, redPicture);
    second.SetImage(Normal, bluePicture);
    ButtonHost host;
    host.AddButton(0, &first);
    host.AddButton(0, &second);

    constexpr uint32_t BACKGROUND = Bgra(9, 9, 9, 9);
    Canvas canvas(20, -20);
    canvas.Pixels().Fill(BACKGROUND);
    host.PaintButtons(canvas.dc);
    const DibPixels pixels = canvas.Pixels();
    EXPECT_EQ(pixels.At(0, 0), Premultiplied(red));
    EXPECT_EQ(pixels.At(9, 4), Premultiplied(red));
    EXPECT_EQ(pixels.At(5, 5), Premultiplied(blue)) << "the later button covers the earlier";
    EXPECT_EQ(pixels.At(14, 14), Premultiplied(blue)) << "copied opaquely, translucent alpha included";
    EXPECT_EQ(pixels.At(15, 15), BACKGROUND);
    EXPECT_EQ(pixels.At(12, 2), BACKGROUND);
    delete redPicture;
    delete bluePicture;
}

TEST(ButtonList, MovedRectPaintsTheUnchangedSurfaceAtTheNewCorner)
{
    constexpr int SIDE_SHIFT = 9;  // how far the bubble moves its button on a side switch
    const Rgba green{0, 255, 0, 255};
    PngImage* picture = SolidPicture(66, 24, green);
    ImageButton button(DISMISS_RECT_RIGHT_SIDE, COMMAND);
    button.SetImage(Normal, picture);
    ButtonHost host;
    host.AddButton(0, &button);

    button.rect.left -= SIDE_SHIFT;
    button.rect.right -= SIDE_SHIFT;
    constexpr uint32_t BACKGROUND = Bgra(0, 0, 0, 0);
    Canvas canvas(207, -75);
    host.PaintButtons(canvas.dc);
    EXPECT_EQ(button.surface->width, 66);
    EXPECT_EQ(button.surface->height, 24);
    EXPECT_EQ(CheckArea(canvas.Pixels(), DISMISS_RECT_LEFT_SIDE, Premultiplied(green), BACKGROUND), "");
    delete picture;
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
