// LocateDesktopIcon against thousands of generated desktops, each checked
// against a small model of the lookup rules: the first item that arrives as a
// simple element, whose name comes back with a success code and equals the
// wanted name exactly, wins; its rectangle is what accLocation reported (zeros
// when accLocation failed); anything thrown during the walk means "not found".
// Every accessible object the walk obtains must be released again.
//
// The generator is seeded; the seed is printed, and setting
// MARROWTUNE_MODEL_SEED to it replays the same desktops.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "locator/locator.h"
#include "tests/locator/locator_test_support.h"
#include "kit/standin_desktop.h"
#include "kit/seed.h"

using standin::Item;
using standin::ItemFault;

namespace {

constexpr const char* TARGET = "marrowtune";
constexpr std::uint32_t DEFAULT_SEED = 20240917;
constexpr const char* SEED_VARIABLE = "MARROWTUNE_MODEL_SEED";
constexpr int DESKTOPS = 4000;
constexpr size_t MAX_ITEMS = 300;
constexpr size_t LONG_NAME_UNITS = 64 * 1024;   // UTF-16 units of a very long name
constexpr int MAX_REPORTED_FAILURES = 5;
constexpr IconRect UNTOUCHED{-7, -7, -7, -7};
constexpr const char* ONE_CHINESE_CHARACTER = "\xE9\xAA\xA8";   // one UTF-16 unit

// Names that differ from the wanted one, some only just.
const char* const NEAR_MISSES[] = {
    "Marrowtune", "MARROWTUNE", "marrowtune ", " marrowtune", "marrowtun", "marrowtunee",
    "marrow tune", "marrowtune.lnk", "marrowtune - Shortcut", "arrowtune",
};

// Non-ASCII names, as UTF-8 bytes. None of them has an ANSI form equal to
// the wanted name: Chinese text becomes other bytes or question marks, the
// accented, emoji and trade-mark forms keep an extra character, and
// look-alike letters are not mapped to the plain ones (best-fit conversion to
// code page 1252 would turn the first two into the wanted name).
const char* const NON_ASCII_NAMES[] = {
    "\xEF\xBD\x8D\xEF\xBD\x81\xEF\xBD\x92\xEF\xBD\x92\xEF\xBD\x8F"
    "\xEF\xBD\x97\xEF\xBD\x94\xEF\xBD\x95\xEF\xBD\x8E\xEF\xBD\x85",     // in full-width Latin letters
    "m\xD0\xB0rrowtune",                                         // with a Cyrillic letter a
    "\xE9\xAA\xA8\xE9\xAB\x93\xE8\xB0\x83",                    // three Chinese characters
    "marrowtune\xE6\xA1\x8C\xE9\x9D\xA2",                      // the name followed by Chinese text
    "marrowtun\xC3\xA9",                                         // a final e with an acute accent
    "marrowtune\xE2\x84\xA2",                                    // a trade-mark sign
    "\xF0\x9F\x8E\xB5marrowtune",                                // a musical note outside the BMP
    "\xC3\x9F\xC3\xA4\xC3\xB6\xC3\xBC",                          // German letters
    "\xD0\xBC\xD0\xB0\xD1\x80\xD1\x80\xD0\xBE\xD1\x83",          // Cyrillic letters
};

const char* const PLAIN_NAMES[] = {
    "Recycle Bin", "Documents", "This PC", "Network", "Control Panel", "notes.txt",
    "Photos", "Setup", "readme", "Music",
};

enum class NameKind { Target, Plain, NearMiss, NonAscii, Empty, Null, LongAscii, LongChinese };

// What the model expects of one lookup: found or not, the rectangle, and the
// item that decided it (the match, or the item whose call throws).
struct Expectation {
    bool found = false;
    IconRect rect{};
    std::optional<size_t> decidedAt;   // the item that decided the outcome
};

LONG FarEdge(LONG origin, LONG extent)
{
    const long long edge = static_cast<long long>(origin) + extent;
    return static_cast<LONG>(std::clamp<long long>(edge, std::numeric_limits<LONG>::min(),
                                                   std::numeric_limits<LONG>::max()));
}

// One generated desktop: its items and the list's behaviour.
struct GeneratedDesktop {
    std::vector<Item> items;
    bool offerEnumerator = false;
    bool childCountFails = false;
    bool listViewHidden = false;
};

Expectation Model(const GeneratedDesktop& desktop)
{
    Expectation expected;
    if (desktop.listViewHidden || desktop.childCountFails) return expected;
    for (size_t index = 0; index < desktop.items.size(); ++index) {
        const Item& item = desktop.items[index];
        // How the item arrives: through the list's enumerator when it offers
        // one, otherwise as a child id (an object when it has one of its own).
        if (desktop.offerEnumerator
            && (item.fault == ItemFault::ChildFails || item.fault == ItemFault::ChildEmpty)) {
            continue;
        }
        if (item.asDispatch) continue;
        if (item.fault == ItemFault::NameThrows) {
            expected.decidedAt = index;
            return expected;
        }
        if (!item.name || item.fault == ItemFault::NameFails || *item.name != TARGET) continue;
        expected.decidedAt = index;
        if (item.fault == ItemFault::LocationThrows) return expected;
        expected.found = true;
        expected.rect = item.fault == ItemFault::LocationFails
            ? IconRect{0, 0, 0, 0}
            : IconRect{item.left, item.top, FarEdge(item.left, item.width), FarEdge(item.top, item.height)};
        return expected;
    }
    return expected;
}

class Generator {
public:
    explicit Generator(std::uint32_t seed) : random(seed) {}

    GeneratedDesktop Desktop()
    {
        GeneratedDesktop desktop;
        desktop.offerEnumerator = Chance(50);
        desktop.childCountFails = Chance(3);
        desktop.listViewHidden = Chance(2);
        const size_t count = ItemCount();
        desktop.items.reserve(count);
        for (size_t index = 0; index < count; ++index) desktop.items.push_back(NewItem(index));
        return desktop;
    }

private:
    // Per cent, 0..100.
    bool Chance(int percent) { return Below(100) < percent; }

    int Below(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(random); }

    template <size_t N>
    const char* Pick(const char* const (&list)[N]) { return list[Below(static_cast<int>(N))]; }

    size_t ItemCount()
    {
        const int band = Below(100);
        if (band < 5) return 0;
        if (band < 40) return static_cast<size_t>(1 + Below(10));
        if (band < 80) return static_cast<size_t>(11 + Below(90));
        return static_cast<size_t>(101 + Below(static_cast<int>(MAX_ITEMS) - 100));
    }

    // Per mille: 6 % the wanted name, 10 % near misses, 10 % non-ASCII,
    // 3 % empty, 5 % unnamed, 1 % very long, the rest plain names.
    NameKind NameKindOf()
    {
        return PerMille<NameKind>({{60, NameKind::Target}, {160, NameKind::NearMiss}, {260, NameKind::NonAscii},
                                   {290, NameKind::Empty}, {340, NameKind::Null}, {345, NameKind::LongAscii},
                                   {350, NameKind::LongChinese}},
                                  NameKind::Plain);
    }

    // One roll below 1000: the value of the first bound above it, else `rest`.
    template <typename T>
    T PerMille(std::initializer_list<std::pair<int, T>> bounds, T rest)
    {
        const int roll = Below(1000);
        for (const auto& [bound, value] : bounds) {
            if (roll < bound) return value;
        }
        return rest;
    }

    std::optional<std::string> Name(NameKind kind, size_t index)
    {
        switch (kind) {
        case NameKind::Target: return std::string(TARGET);
        case NameKind::NearMiss: return std::string(Pick(NEAR_MISSES));
        case NameKind::NonAscii: return std::string(Pick(NON_ASCII_NAMES));
        case NameKind::Empty: return std::string();
        case NameKind::Null: return std::nullopt;
        case NameKind::LongAscii:
            // Begins with the wanted name, so only the full comparison tells.
            return std::string(TARGET) + std::string(LONG_NAME_UNITS - std::string(TARGET).size(), 'x');
        case NameKind::LongChinese: {
            std::string name;
            name.reserve(LONG_NAME_UNITS * std::strlen(ONE_CHINESE_CHARACTER));
            for (size_t unit = 0; unit < LONG_NAME_UNITS; ++unit) name += ONE_CHINESE_CHARACTER;
            return name;
        }
        case NameKind::Plain: break;
        }
        return std::string(Pick(PLAIN_NAMES)) + " " + std::to_string(index);
    }

    // Mostly ordinary screen coordinates; one in ten an end of the range.
    LONG Coordinate()
    {
        switch (Below(20)) {
        case 0: return std::numeric_limits<LONG>::min();
        case 1: return std::numeric_limits<LONG>::max();
        case 2: return -Below(5000);
        default: return Below(2000);
        }
    }

    // Per mille: one item in five misbehaves in one of the ways below.
    ItemFault Fault()
    {
        return PerMille<ItemFault>({{40, ItemFault::NameFails}, {70, ItemFault::NameIsFalse},
                                    {110, ItemFault::LocationFails}, {150, ItemFault::ChildFails},
                                    {190, ItemFault::ChildEmpty}, {195, ItemFault::NameThrows},
                                    {200, ItemFault::LocationThrows}},
                                   ItemFault::None);
    }

    Item NewItem(size_t index)
    {
        Item item;
        const NameKind kind = NameKindOf();
        item.name = Name(kind, index);
        item.left = Coordinate();
        item.top = Coordinate();
        item.width = Coordinate();
        item.height = Coordinate();
        // Objects of their own copy the item; very long names stay simple
        // elements so that the copies stay small.
        const bool longName = kind == NameKind::LongAscii || kind == NameKind::LongChinese;
        item.asDispatch = !longName && Chance(7);
        item.fault = Fault();
        return item;
    }

    std::mt19937 random;
};

const char* FaultName(ItemFault fault)
{
    switch (fault) {
    case ItemFault::None: return "";
    case ItemFault::NameFails: return " name-fails";
    case ItemFault::NameIsFalse: return " name-S_FALSE";
    case ItemFault::NameThrows: return " name-throws";
    case ItemFault::LocationFails: return " location-fails";
    case ItemFault::LocationThrows: return " location-throws";
    case ItemFault::ChildFails: return " child-fails";
    case ItemFault::ChildEmpty: return " child-empty";
    }
    return " ?";
}

// The desktop up to `last` (or its first items), one line per item.
std::string Describe(const GeneratedDesktop& desktop, size_t last)
{
    std::ostringstream text;
    text << desktop.items.size() << " items, enumerator " << (desktop.offerEnumerator ? "on" : "off")
         << (desktop.childCountFails ? ", child count fails" : "")
         << (desktop.listViewHidden ? ", list view hidden" : "") << "\n";
    const size_t shown = std::min(desktop.items.size(), last + 1);
    for (size_t index = 0; index < shown; ++index) {
        const Item& item = desktop.items[index];
        text << "  [" << index << "] ";
        if (!item.name) {
            text << "(no name)";
        } else if (item.name->size() > 40) {
            text << '"' << item.name->substr(0, 20) << "...\" (" << item.name->size() << " bytes)";
        } else {
            text << '"' << *item.name << '"';
        }
        text << (item.asDispatch ? " dispatch" : "") << FaultName(item.fault) << " at " << item.left
             << "," << item.top << " " << item.width << "x" << item.height << "\n";
    }
    return text.str();
}

// Makes the one stand-in desktop serve `generated`, reusing its windows: an
// item list is far cheaper to change than a desktop to create.
void Serve(standin::Desktop& desktop, const GeneratedDesktop& generated)
{
    while (desktop.Count() > generated.items.size()) desktop.Remove(desktop.Count() - 1);
    for (size_t index = 0; index < generated.items.size(); ++index) {
        if (index < desktop.Count()) {
            desktop.At(index) = generated.items[index];
        } else {
            desktop.Add(generated.items[index]);
        }
    }
    desktop.SetOfferEnumerator(generated.offerEnumerator);
    desktop.SetChildCountFails(generated.childCountFails);
    desktop.SetListViewVisible(!generated.listViewHidden);
}

}  // namespace

TEST(LocatorModel, GeneratedDesktopsAgreeWithTheModel)
{
    ASSERT_EQ(standin::DescribeForeignShellWindows(), "");
    const std::uint32_t seed = ChosenSeed(SEED_VARIABLE, DEFAULT_SEED);

    standin::Desktop desktop(standin::Layout::Progman);
    Generator generator(seed);
    int failures = 0;
    for (int number = 0; number < DESKTOPS && failures < MAX_REPORTED_FAILURES; ++number) {
        const GeneratedDesktop generated = generator.Desktop();
        Serve(desktop, generated);
        const Expectation expected = Model(generated);

        IconRect rect = UNTOUCHED;
        const bool result = LocateDesktopIcon(TARGET, rect);
        const bool agrees = result == expected.found && rect == (expected.found ? expected.rect : UNTOUCHED);
        const long references = desktop.OutstandingReferences();
        if (!agrees || references != 0) {
            ++failures;
            const size_t last = expected.decidedAt.value_or(generated.items.empty() ? 0 : generated.items.size() - 1);
            ADD_FAILURE() << "desktop " << number << " of seed " << seed << ": expected "
                          << (expected.found ? "found" : "not found") << " " << testing::PrintToString(expected.rect)
                          << ", got " << (result ? "found" : "not found") << " " << testing::PrintToString(rect)
                          << ", outstanding references " << references << "\n"
                          << Describe(generated, std::min<size_t>(last, 40));
        }
    }
}
