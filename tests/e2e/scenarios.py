"""The end-to-end scenarios: the real program against the stand-in desktop
in another process, watched on the screen and through the program's record
of its presentations. Each is a function taking a harness.Session; the
driver runs one by name (scripts/driver e2e NAME).

Timing bounds are generous (they only stop a hung run); what the screen
shows, what the program presented, the exit codes and the order of the
animation steps are strict.
"""

import itertools
import time

from harness import (ALPHA_WOBBLE, APPEAR_LIMIT, BUBBLE_CLASS, FADE_IN, FADE_OUT, OPAQUE, TARGET_ICON, WINDOW_TITLE,
                     Geometry, ScenarioFailure, View, bubble_look, check, presentations)
from processes import Skipped

# The stand-in desktop's icons (left, top, right, bottom in screen pixels).
HOME = (20, 100, 95, 170)                  # the bubble stands at (85, 100), right side
SAME_SIDE = (220, 260, 295, 330)           # the bubble at (285, 260), right side
FAR_RIGHT = (700, 300, 775, 370)           # no room on the right: (503, 300), left side
BACK_LEFT = (20, 400, 95, 470)             # room again: (85, 400), right side
OTHER_ICONS = [("Recycle Bin", (20, 10, 95, 80)), ("Documents", (20, 190, 95, 260))]

# A program must end this soon after its last visible step.
EXIT_LIMIT = 20.0
# How long a bubble that must stay is watched for a fade-out that must not
# come: more than two tracking periods (700 ms) and a whole fade (450 ms).
STAYS_FOR = 2.0
# How long the bubble is watched, frame by frame, after each press or release.
STEADY_WATCH = 0.6

# Points on the bubble, in its pixels at 96 DPI (on_bubble scales them): the
# middle of the dismiss button on each side, points inside the button of one
# side only (the left-side button covers x 116..181, the right-side one x
# 125..190), and a point on the body away from the button.
BUTTON_MIDDLE = {side: ((r[0] + r[2]) // 2, (r[1] + r[3]) // 2) for side, r in Geometry().buttons.items()}
BUTTON_ONLY = {"right": (188, 47), "left": (118, 47)}
BODY_POINT = (40, 20)


def on_bubble(session, place, point):
    return place[0] + session.geometry.scale(point[0]), place[1] + session.geometry.scale(point[1])


# ---------------------------------------------------------------------------
# Steps shared by the scenarios.

def start_desktop(session, extra_layouts=()):
    """The stand-in desktop with the target icon at HOME and two others;
    returns it and the bare desktop's screenshots: {None or icon: image} for
    HOME and every icon place in extra_layouts (None: icon removed)."""
    standin = session.start_standin(OTHER_ICONS + [(TARGET_ICON, HOME)])
    baselines = {}
    for index, icon in enumerate(extra_layouts):
        if icon is None:
            standin.remove(TARGET_ICON)
        else:
            standin.move(TARGET_ICON, icon)
        baselines[icon] = session.settled("desktop-%d" % (index + 2))
    if extra_layouts:
        if extra_layouts[-1] is None:
            standin.add(TARGET_ICON, HOME)
        else:
            standin.move(TARGET_ICON, HOME)
    baselines[HOME] = session.settled("desktop-1")
    return standin, baselines


def frame_gap(records):
    """Median seconds between the frames of a film."""
    gaps = sorted(later - earlier for (earlier, _), (later, _) in zip(records, records[1:]))
    return gaps[len(gaps) // 2] if gaps else float("inf")


def recorded(product, since, enough):
    """The program's presentations from the `since`-th on, once enough(them)
    holds (the record reaches the driver a moment after the screen)."""
    began = time.monotonic()
    while not enough(presentations(product, since)) and time.monotonic() - began < APPEAR_LIMIT:
        time.sleep(0.05)
    return presentations(product, since)


def distinct(values):
    """`values` without the repeats next to each other (a repaint presents again what it showed)."""
    return [value for index, value in enumerate(values) if index == 0 or values[index - 1] != value]


def check_film(records, steps, same, what, blank=None, unreadable=False):
    """Every filmed frame shows one of `steps` (what the program presented,
    in order), the frames in that order: same(value, step) tells a match.
    Once the film has moved on from the first step, a run of frames showing
    `blank` (the bare desktop) or a step already passed is passed over, at
    most one run per step: under Wine 10 the window can show empty, or what
    it showed before, for a moment between two presentations (Wine asks for
    a repaint; the program's repaint is the presentation recorded again).
    So is, when `unreadable`, a run of frames that show no step at all (None)."""
    at = runs = 0
    stale = False
    for seconds, value in records:
        ahead = [index for index in range(at, len(steps)) if value is not None and same(value, steps[index])]
        if ahead:
            at, stale = ahead[0], False
            continue
        passed = (value is None and unreadable) or (at and value is not None and (
            value == blank or any(same(value, step) for step in steps[:at])))
        if not passed:   # the message reads the whole film: built only when it is needed
            raise ScenarioFailure("%s: the frame at %.2f s showed %s, not one of %s, presented in that order; the "
                                  "film saw %s" % (what, seconds, value, steps[at:],
                                                   distinct([value for _, value in records])[:40]))
        runs += not stale
        stale = True
    check(runs <= len(steps), "%s: %d runs of frames showed the window empty, behind or unreadable" % (what, runs))


def check_fade(product, since, records, fading_in, what):
    """The fade as the program presented it and as the screen showed it:
    every step of the fade presented, in order, and every filmed frame the
    bubble at one of those alphas (the desktop at 0), in that order."""
    steps = FADE_IN if fading_in else FADE_OUT
    if fading_in:
        alphas = distinct([p.alpha for p in recorded(product, since, lambda got: OPAQUE in [p.alpha for p in got])])
        alphas = alphas[:alphas.index(OPAQUE) + 1] if OPAQUE in alphas else alphas
    else:   # the program has ended: what it presented after its last look at full alpha
        alphas = list(itertools.dropwhile(lambda alpha: alpha == OPAQUE,
                                          distinct([p.alpha for p in presentations(product, since)])))
    check(alphas == steps, "%s: the program presented the alphas %s, not %s" % (what, alphas, steps))
    levels = [0] + steps if fading_in else [OPAQUE] + steps + [0]
    check_film(records, levels, lambda alpha, step: abs(alpha - step) <= ALPHA_WOBBLE, what, blank=0)


def expect_exit(program, what):
    """`program` ends within EXIT_LIMIT with exit code 0."""
    code = program.wait(EXIT_LIMIT)
    check(code is not None, "%s: still running after %.0f s" % (what, EXIT_LIMIT))
    check(code == 0, "%s: exit code %d" % (what, code))


def show_bubble(session, baseline, icon, label="found"):
    """Starts the program, films the fade-in and waits for the whole screen
    to be the desktop plus the bubble beside `icon`, in a window of its own;
    returns the program and the bubble's place (x, y, side)."""
    place = session.geometry.place(icon)
    product = session.start_product()
    records = session.film_fade(baseline, place, fading_in=True, label="fade-in")
    check_fade(product, 0, records, True, "fade-in")
    session.note("fade-in: %d frames, one every %.0f ms" % (len(records), frame_gap(records) * 1000))
    session.wait_for_screen("the bubble at (%d, %d), %s side" % place, baseline, place, label=label)
    check(product.running(), "the program ended while showing the bubble")
    session.check_bubble_window(place)
    return product, place


def point_at(session, baseline, place, point, state, label):
    """Moves the pointer to `point` on the bubble and waits for the button to look `state`."""
    session.move_pointer(*on_bubble(session, place, point))
    session.wait_for_screen("the bubble with the %s button" % state, baseline, place, state, label=label)


def press_button(session, baseline, place, point, label):
    """Moves the pointer onto the button at `point` (hover look) and presses (pressed look)."""
    point_at(session, baseline, place, point, "hover", label + "-hover")
    session.press()
    session.wait_for_screen("the bubble with the pressed button", baseline, place, "pressed", label=label + "-pressed")


def fade_out_and_end(session, product, since, baseline, place, what, label):
    """Films the bubble at `place` fading out to the bare desktop; the
    program then ends with 0 and the desktop stays bare; what it presented
    from its `since`-th presentation on is the whole fade-out."""
    records = session.film_fade(baseline, place, fading_in=False, label=label + "-fade-out")
    expect_exit(product, "the program after the " + what)
    check_fade(product, since, records, False, what)
    session.note("%s: %d frames, one every %.0f ms" % (what, len(records), frame_gap(records) * 1000))
    session.park_pointer()
    session.wait_for_screen("the bare desktop after the program ended", baseline, label=label + "-gone")


def click_and_end(session, product, baseline, place, point=None, label="dismissed"):
    """A complete click on the dismiss button (hover, press, release, with
    the look of each checked), then the fade-out and exit code 0."""
    press_button(session, baseline, place, point or BUTTON_MIDDLE[place[2]], label)
    since = len(presentations(product))
    session.release()
    fade_out_and_end(session, product, since, baseline, place, "fade-out after the click", label)


def stays(session, product, baseline, place, state, what):
    """The program keeps running and keeps showing the whole bubble."""
    session.watch("after " + what, lambda image: View(image, baseline, session.pictures, place, state),
                  STAYS_FOR, alive=[product])


def follow(session, standin, product, before, baseline, icon, label):
    """Moves the icon: the program presents the bubble at the new place at
    nothing, then every step of the grow from the picture's top-left corner,
    in order, to the whole bubble (a repaint may present the whole bubble
    between two steps: Wine 10 sends WM_PAINT during the grow); every frame
    filmed there shows the desktop (`baseline`, or `before` the move until
    the stand-in has repainted) or one of those presentations, in that
    order. Returns the new place."""
    place, whole = session.geometry.place(icon), session.geometry.size
    since, sizes = len(presentations(product)), session.geometry.grow_sizes()
    standin.move(TARGET_ICON, icon)
    records = session.film_grow([baseline, before], place, label + "-grow")
    grow = recorded(product, since, lambda got: len([p for p in got if (p.width, p.height) != whole]) >= len(sizes) - 1
                    and (got[-1].width, got[-1].height) == whole)
    check([(p.x, p.y, p.source_x, p.source_y) for p in grow] == [place[:2] + (0, 0)] * len(grow),
          "%s: the grow was presented at %s, not at %s from the picture's top-left corner"
          % (label, [(p.x, p.y, p.source_x, p.source_y) for p in grow], place[:2]))
    shown = [(p.width, p.height) for p in grow]
    check([size for size in shown if size != whole] + shown[-1:] == sizes,
          "%s: the program presented the sizes %s, not %s" % (label, shown, sizes))
    # A read made while the window is being resized can catch the new size
    # with the old picture (seen under Wine 10): such frames show no step.
    check_film(records, distinct(shown), lambda a, b: a == b, label, blank=(0, 0), unreadable=True)
    values = [size for _, size in records]
    session.note("%s: the grow filmed in %d frames, one every %.0f ms, %d steps seen"
                 % (label, len(records), frame_gap(records) * 1000, len(set(v for v in values if v))))
    session.wait_for_screen("the bubble at (%d, %d), %s side" % place, baseline, place, label=label)
    session.check_bubble_window(place)
    return place


# ---------------------------------------------------------------------------
# The scenarios.

def typical_run(session):
    """Found at (20,100,95,170): bubble at (85,100) with the right-side
    picture, fading in; hover shows the hover picture and a hand cursor;
    press shows pressed; release inside fades it out; exit code 0."""
    _, baselines = start_desktop(session)
    baseline = baselines[HOME]
    arrow = session.cursor()   # the pointer rests on the stand-in desktop
    product, place = show_bubble(session, baseline, HOME)
    point_at(session, baseline, place, BUTTON_MIDDLE["right"], "hover", "hover")
    over_button = session.cursor()
    check(not over_button.same_as(arrow),
          "the cursor over the button is the desktop's arrow (%s)" % over_button)
    point_at(session, baseline, place, BODY_POINT, "normal", "off-button")
    over_body = session.cursor()
    check(over_body.same_as(arrow), "the cursor over the bubble's body is %s, not the arrow %s"
          % (over_body, arrow))
    click_and_end(session, product, baseline, place)


def icon_absent(session):
    """No icon named exactly "marrowtune": the program ends with 0 and the
    screen never shows anything of it."""
    session.start_standin(OTHER_ICONS + [("Marrowtune", HOME), ("marrowtune 2", FAR_RIGHT)])
    baseline = session.settled("desktop")
    began = time.monotonic()
    product = session.start_product()

    def bare_desktop(image):
        check(not session.screen.geometries(WINDOW_TITLE), "a window titled like the bubble is shown")
        return View(image, baseline, session.pictures)

    frames = session.watch("while the program ran", bare_desktop, EXIT_LIMIT, until=lambda: not product.running())
    expect_exit(product, "the program")
    session.note("icon absent: the program ended with 0 after %.2f s; %d frames read, all the bare desktop"
                 % (time.monotonic() - began, frames))
    session.wait_for_screen("the bare desktop", baseline, label="after")


def second_copy(session):
    """A second copy exits with 0 at once; the first keeps its bubble and
    still ends by a click."""
    _, baselines = start_desktop(session)
    baseline = baselines[HOME]
    first, place = show_bubble(session, baseline, HOME)
    began = time.monotonic()
    second = session.start_product()
    session.watch("while the second copy ran", lambda image: View(image, baseline, session.pictures, place),
                  EXIT_LIMIT, until=lambda: not second.running())
    expect_exit(second, "the second copy")
    session.note("second copy ended with 0 after %.2f s" % (time.monotonic() - began))
    stays(session, first, baseline, place, "normal", "the second copy")
    session.check_bubble_window(place)
    click_and_end(session, first, baseline, place)


def moved_same_side(session):
    """The icon moves where there is room on the right: the bubble follows,
    grows there from its top-left corner, and the button works there."""
    standin, baselines = start_desktop(session, [SAME_SIDE])
    product, _ = show_bubble(session, baselines[HOME], HOME)
    place = follow(session, standin, product, baselines[HOME], baselines[SAME_SIDE], SAME_SIDE, "moved")
    click_and_end(session, product, baselines[SAME_SIDE], place)


def moved_across(session):
    """The icon moves to (700,300,775,370): the bubble flips to the left at
    (503,300) with the left-side picture and its button moves 9 pixels left;
    moved back where there is room, it flips to the right again. A click on
    a point that only the current side's button covers ends it."""
    standin, baselines = start_desktop(session, [FAR_RIGHT, BACK_LEFT])
    product, _ = show_bubble(session, baselines[HOME], HOME)
    place = follow(session, standin, product, baselines[HOME], baselines[FAR_RIGHT], FAR_RIGHT, "flipped")
    point_at(session, baselines[FAR_RIGHT], place, BUTTON_ONLY["left"], "hover", "flipped-hover")
    point_at(session, baselines[FAR_RIGHT], place, BODY_POINT, "normal", "flipped-off-button")
    place = follow(session, standin, product, baselines[FAR_RIGHT], baselines[BACK_LEFT], BACK_LEFT, "flipped-back")
    click_and_end(session, product, baselines[BACK_LEFT], place, BUTTON_ONLY["right"])


def icon_removed(session):
    """The icon disappears: the bubble fades out (nine 70 ms ticks) and the
    program ends with 0."""
    standin, baselines = start_desktop(session, [None])
    product, place = show_bubble(session, baselines[HOME], HOME)
    since = len(presentations(product))
    standin.remove(TARGET_ICON)
    fade_out_and_end(session, product, since, baselines[None], place, "fade-out after the icon vanished", "removed")


def release_outside(session):
    """Press inside the button, move off it, release: the program goes on.
    Once on the bubble's body (the button turns normal), once off the bubble
    altogether. A later complete click ends it."""
    _, baselines = start_desktop(session)
    baseline = baselines[HOME]
    product, place = show_bubble(session, baseline, HOME)
    button = BUTTON_MIDDLE[place[2]]

    press_button(session, baseline, place, button, "first")
    point_at(session, baseline, place, BODY_POINT, "normal", "pressed-moved-to-body")
    session.release()
    stays(session, product, baseline, place, "normal", "release on the body")

    press_button(session, baseline, place, button, "again")
    session.park_pointer()
    session.release()
    # The bubble sees the pointer only while it is over the bubble: leaving
    # straight from the pressed button, it hears nothing more, and the
    # button keeps its pressed look until the pointer moves over the body.
    stays(session, product, baseline, place, "pressed", "release off the bubble")
    point_at(session, baseline, place, BODY_POINT, "normal", "back-on-body")
    click_and_end(session, product, baseline, place)


def steady_under_clicks(session):
    """Pressing and releasing the mouse button on the bubble, on its body or
    on the button, never takes the bubble off the screen: every frame read
    shows the whole bubble, and only the button's look changes. The bubble
    never becomes the foreground window."""
    standin, baselines = start_desktop(session)
    baseline = baselines[HOME]
    product, place = show_bubble(session, baseline, HOME)
    box = session.geometry.box(place)
    under = baseline.crop(box)

    def watch(action, allowed, settles_on, what):
        action()
        began = time.monotonic()
        looks = []
        # Watched for STEADY_WATCH at least, and on until the button shows
        # the state it settles on: a busy machine may take longer to get
        # the input to the program.
        while time.monotonic() - began < STEADY_WATCH or looks[-1] != settles_on:
            check(time.monotonic() - began < APPEAR_LIMIT,
                  "%s: the button ends %s, not %s" % (what, looks[-1] if looks else None, settles_on))
            region = session.grab(box)
            looks.append(bubble_look(region, under, session.pictures, place[2]))
            if looks[-1] not in allowed:
                session.keep("unsteady-" + what.replace(" ", "-"), region)
                raise ScenarioFailure("%s: %.0f ms later the bubble's place shows %s (frames before: %s)"
                                      % (what, (time.monotonic() - began) * 1000, looks[-1],
                                         sorted(set(looks[:-1]))))
        foreground = standin.command("foreground")
        check(foreground != BUBBLE_CLASS, "%s: the bubble became the foreground window" % what)
        session.note("%s: %d frames, all the whole bubble; foreground: %r" % (what, len(looks), foreground))

    point_at(session, baseline, place, BODY_POINT, "normal", "on-body")
    watch(session.press, {"normal"}, "normal", "press on the body")
    watch(session.release, {"normal"}, "normal", "release on the body")
    point_at(session, baseline, place, BUTTON_MIDDLE[place[2]], "hover", "on-button")
    watch(session.press, {"hover", "pressed"}, "pressed", "press on the button")
    watch(lambda: session.move_pointer(*on_bubble(session, place, BODY_POINT)), {"pressed", "normal"}, "normal",
          "pressed pointer moved to the body")
    watch(session.release, {"normal"}, "normal", "release on the body after the press")
    click_and_end(session, product, baseline, place)


# Notepad's window, placed by its own settings so that it covers the bubble
# beside HOME and beside COVERED_MOVE with room to spare.
NOTEPAD_KEY = r"HKCU\Software\Microsoft\Notepad"
NOTEPAD_PLACE = {"iWindowPosX": 40, "iWindowPosY": 60, "iWindowPosDX": 360, "iWindowPosDY": 240}
COVERED_MOVE = (40, 120, 115, 190)         # the bubble at (105, 120), right side


def close_notepad(session, notepad):
    """Closes notepad as a user would (taskkill without /f sends its window
    WM_CLOSE) and waits for it to end. Killing it instead leaves Wine with a
    dead foreground window, which swallows the next mouse press anywhere."""
    expect_exit(session.start_program("taskkill", ["taskkill", "/im", "notepad.exe"]), "taskkill closing notepad")
    expect_exit(notepad, "notepad, closed")


def covered_by_application(session):
    """An ordinary application window (Wine's notepad) opened over the bubble
    covers it; tracking ticks and a move of the icon, which present the
    bubble again and send it to the bottom, leave it beneath the window; the
    bubble keeps running and shows again when the application has gone."""
    for name, value in NOTEPAD_PLACE.items():
        expect_exit(session.start_program("reg", ["reg", "add", NOTEPAD_KEY, "/v", name, "/t", "REG_DWORD",
                                                  "/d", str(value), "/f"]), "writing notepad's setting " + name)
    standin, baselines = start_desktop(session, [COVERED_MOVE])
    baseline = baselines[HOME]

    # The application alone over the desktop: what a covered bubble's place shows.
    notepad = session.start_program("notepad", ["notepad"])
    session.wait_for("notepad's window", lambda image: not View(image, baseline, session.pictures).matches)
    reference = session.settled("notepad-alone")
    close_notepad(session, notepad)
    session.wait_for_screen("the bare desktop after notepad", baseline)

    product, place = show_bubble(session, baseline, HOME)
    moved = session.geometry.place(COVERED_MOVE)
    boxes = [session.geometry.box(place), session.geometry.box(moved)]

    def covered(image):
        """What the first of the bubble's places that differs from notepad
        alone shows (the last place when none differs)."""
        views = [View(image.crop(box), reference.crop(box), session.pictures) for box in boxes]
        return next((view for view in views if not view.matches), views[-1])

    notepad = session.start_program("notepad", ["notepad"])
    session.wait_for("notepad over the bubble", lambda image: covered(image).matches)
    session.watch("beneath notepad during tracking", covered, STAYS_FOR, alive=[product, notepad])
    standin.move(TARGET_ICON, COVERED_MOVE)
    session.watch("beneath notepad after the icon moved", covered, STAYS_FOR, alive=[product, notepad])
    close_notepad(session, notepad)
    session.wait_for_screen("the bubble at (%d, %d) after notepad closed" % moved[:2],
                            baselines[COVERED_MOVE], moved, label="notepad-gone")
    click_and_end(session, product, baselines[COVERED_MOVE], moved)


def scaled_display(dpi):
    """The scenario on a display scaled to `dpi`."""
    def scenario(session):
        with session.display_dpi(dpi):
            standin, baselines = start_desktop(session, [FAR_RIGHT])
            seen, width = map(int, standin.command("dpi").split())
            check(seen == dpi, "the display is at %d DPI, not %d: the scale did not take effect" % (seen, dpi))
            unaware = session.programs.start("unaware", [session.programs.path("tests", "desktop-standin.exe"),
                                                         "--unaware-dpi"])
            check(unaware.wait() == 0, "the DPI-unaware stand-in failed")
            if unaware.lines[-1:] == ["ok %d %d" % (seen, width)]:
                raise Skipped("a program unaware of DPI sees the screen at %d DPI, %d pixels wide, as an aware one"
                              " does: this Wine never scales a program, so a scaled display cannot be tested"
                              % (seen, width))
            session.use_dpi(dpi)
            product, _ = show_bubble(session, baselines[HOME], HOME)
            place = follow(session, standin, product, baselines[HOME], baselines[FAR_RIGHT], FAR_RIGHT, "flipped")
            point_at(session, baselines[FAR_RIGHT], place, BODY_POINT, "normal", "flipped-off-button")
            click_and_end(session, product, baselines[FAR_RIGHT], place, BUTTON_ONLY["left"])
    scenario.__name__ = "scaled_%d" % dpi
    scenario.__doc__ = """On a display scaled to %d DPI (the shell, like the stand-in, is
    aware of it and reports physical pixels): the bubble is drawn at the
    display's scale, its size and offsets scaled from 96 DPI and its
    pictures those drawn for that scale, beside the icon on the right and
    flipped to the left, where the pointer meets its button and a click
    ends it with 0. Skipped where the platform never scales a program.""" % dpi
    return scenario


def two_monitors(session):
    """Two monitors side by side, the second (1024 x 768) right of the
    primary: near the second monitor's left edge the bubble has room on the
    right; at its right edge it goes left; on the primary, as ever. Every
    place is read from the bubble's window. Skipped where the platform
    reports no second monitor beside the first."""
    with session.two_monitors() as screen:
        standin = session.start_standin(OTHER_ICONS + [(TARGET_ICON, (810, 100, 885, 170))])
        monitors = standin.command("monitors").split()
        if monitors != ["0,0,800,600", "800,0,1824,768"]:
            raise Skipped("this Wine reports the monitors %s, not two side by side" % monitors)
        product = session.start_product()
        for what, icon, place in (("near the second monitor's left edge", None, (875, 100)),
                                  ("at the second monitor's right edge", (1740, 100, 1815, 170), (1543, 100)),
                                  ("far right on the primary", FAR_RIGHT, (503, 300)),
                                  ("on the primary", HOME, (85, 100))):
            if icon:
                standin.move(TARGET_ICON, icon)
            session.check_bubble_window(place, screen, what)
            session.note("%s: the bubble at %s" % (what, place))
        standin.remove(TARGET_ICON)
        expect_exit(product, "the program after the icon went")


def raised_desktop(session):
    """The icons' window stands above a full-screen wallpaper window, and
    only Progman keeps the bottom of the z-order: the bubble stands above
    the icons and the wallpaper (as the window list tells: the screen does
    not show Wine's z-order faithfully), when it appears and a second later."""
    standin = session.start_standin(OTHER_ICONS + [(TARGET_ICON, HOME)], ["--raised"])
    baseline = session.settled("desktop")
    product, place = show_bubble(session, baseline, HOME)
    for moment in ("when it appeared", "a second later"):
        order = standin.command("zorder").split()
        check(BUBBLE_CLASS in order and order.index(BUBBLE_CLASS) < order.index("icons") < order.index("wallpaper"),
              "%s the windows stood, from the top: %s" % (moment, order))
        session.note("%s: %s" % (moment, " ".join(order)))
        time.sleep(1.0)
    click_and_end(session, product, baseline, place)


def without_animations(session):
    """The user turned animations off: the bubble appears whole at full
    opacity at once, jumps to the icon's new place at full size, and ends
    at once when its button is clicked, with 0; never a partial step."""
    standin, baselines = start_desktop(session, [SAME_SIDE])
    standin.command("animations off")
    try:
        product = session.start_product()
        session.wait_for_screen("the whole bubble", baselines[HOME], session.geometry.place(HOME), label="found")
        standin.move(TARGET_ICON, SAME_SIDE)
        place = session.geometry.place(SAME_SIDE)
        session.wait_for_screen("the whole bubble at the new place", baselines[SAME_SIDE], place, label="moved")
        press_button(session, baselines[SAME_SIDE], place, BUTTON_MIDDLE[place[2]], "dismissed")
        session.release()
        expect_exit(product, "the program after the click")
    finally:
        standin.command("animations on")
    partial = [p for p in presentations(product)
               if p.alpha != OPAQUE or (p.width, p.height) != session.geometry.size]
    check(not partial, "presented without animations: %s" % partial)
    session.park_pointer()
    session.wait_for_screen("the bare desktop", baselines[SAME_SIDE], label="gone")


# In the order they are written: ctest numbers them so.
SCENARIOS = {scenario.__name__: scenario for scenario in (
    typical_run, icon_absent, second_copy, moved_same_side, moved_across, icon_removed, release_outside,
    steady_under_clicks, covered_by_application, scaled_display(120), scaled_display(144), scaled_display(192),
    two_monitors, raised_desktop, without_animations)}
