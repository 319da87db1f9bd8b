#!/usr/bin/env python3
"""The editor's window as a screen reader meets it, over the real AT-SPI bus: every control a
page shows has a name and a fitting role; a controller value set through the bus is announced
and sends its Control Change, which the Monitor page then lists; a transfer announces its
progress. Run by tests/support/atspi_session.sh."""
import re
import sys
import time

import pyatspi
from gi.repository import GLib

LIMIT_S = 30  # for anything the editor or the bus must do first; a busy machine is slow

# The custom controls each page must show, by name, with the role a screen reader announces.
EXPECTED = [  # (page, name pattern, role, how many)
    ("Config", r"Output \d+ controller", pyatspi.ROLE_COMBO_BOX, 32),
    ("Config", r"Master MIDI channel", pyatspi.ROLE_SPIN_BUTTON, 1),
    ("Config", r"(Load|Save) Parameters File|Send Parameters to MIDI|Write to Flash|"
     r"MIDI Channel Change|Preset \d", pyatspi.ROLE_PUSH_BUTTON, 9),
    ("MIDI", r"Output \d+ controller value", pyatspi.ROLE_SPIN_BUTTON, 32),
    ("MIDI", r"Kessel input", pyatspi.ROLE_SPIN_BUTTON, 1),
    ("MIDI", r"Send Kessel setup to MIDI|(Send|Reset) All CC", pyatspi.ROLE_PUSH_BUTTON, 3),
    ("MIDI", r"MIDI (input|output) device", pyatspi.ROLE_COMBO_BOX, 2),
    ("About...", r"Quillmont emblem", pyatspi.ROLE_IMAGE, 1),
    ("Simulator", r"Output levels", pyatspi.ROLE_CHART, 1),
    ("Monitor", r"Messages", pyatspi.ROLE_TREE, 1),
]
# What a user operates or reads: each of these must have a name.
CONTROL_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_PROGRESS_BAR,
    pyatspi.ROLE_CHART, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_PAGE_TAB,
    pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TABLE, pyatspi.ROLE_IMAGE,
    pyatspi.ROLE_SLIDER,
}


def fits(node, role):
    """An editable combo box is named after its text by Qt; the name given to it is read on
    its edit field, which has the focus when the combo box has it."""
    if role == pyatspi.ROLE_COMBO_BOX and node.getRole() == pyatspi.ROLE_TEXT:
        return node.parent.getRole() == role
    return node.getRole() == role


def wait_for(what, probe):
    """Polls probe until it gives something, for at most LIMIT_S."""
    deadline = time.monotonic() + LIMIT_S
    while time.monotonic() < deadline:
        try:
            found = probe()
        except Exception:  # the bus may not know the object yet
            found = None
        if found:
            return found
        # Events from the bus arrive through GLib's main loop: let it run between the polls.
        while GLib.MainContext.default().iteration(False):
            pass
        time.sleep(0.2)
    sys.exit(f"FAIL: {what} within {LIMIT_S} s")


def showing(node):
    """node and every showing descendant, depth first."""
    yield node
    for child in node:
        if child is not None and child.getState().contains(pyatspi.STATE_SHOWING):
            yield from showing(child)


def editor_window():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and "torvane" in (app.name or "").lower():
            for window in app:
                if window is not None and window.name.startswith("Torvane"):
                    return window
    return None


def show_page(window, caption):
    tab = next(n for n in showing(window)
               if n.getRole() == pyatspi.ROLE_PAGE_TAB and n.name == caption)
    actions = tab.queryAction()
    actions.doAction(next(i for i in range(actions.nActions) if actions.getName(i) == "Press"))
    # Qt names the tab list after the page it shows.
    wait_for(f"page {caption} shown", lambda: tab.parent.name == caption)


def check_page(window, caption):
    """Every showing control of the page named, the expected ones in their roles. Returns the
    number of problems, each printed."""
    show_page(window, caption)
    nodes = list(showing(window))
    controls = [n for n in nodes if n.getRole() in CONTROL_ROLES]
    unnamed = [n for n in controls if not n.name]
    problems = len(unnamed)
    for n in unnamed:
        print(f"  {caption}: unnamed {n.getRoleName()} in {n.parent.getRoleName()} "
              f"'{n.parent.name}'")
    for page, pattern, role, count in EXPECTED:
        if page != caption:
            continue
        named = [n for n in nodes if re.fullmatch(pattern, n.name or "")]
        fitting = [n for n in named if fits(n, role)]
        if len(fitting) != count:
            problems += 1
            print(f"  {caption}: {len(fitting)} of {count} '{pattern}' as "
                  f"{pyatspi.Role(role)}; roles seen: {[n.getRoleName() for n in named]}")
    print(f"{caption}: {len(controls)} controls, {len(unnamed)} without a name")
    return problems


HEARD = []  # (name, value) of every value change announced


def on_value_changed(event):
    HEARD.append((event.source.name, event.source.queryValue().currentValue))


def set_value_and_see_it_sent(window):
    """Output 1's value set to 64 through the bus goes out as B0 4A 40 (controller 74)."""
    show_page(window, "MIDI")
    value = next(n for n in showing(window) if n.name == "Output 1 controller value")
    value.queryValue().currentValue = 64
    wait_for("the value 64 announced",
             lambda: ("Output 1 controller value", 64) in HEARD)
    show_page(window, "Monitor")
    lines = next(n for n in showing(window) if n.name == "Messages")
    wait_for("B0 4A 40 listed as sent",
             lambda: any(cell.name == "B0 4A 40" for cell in lines))
    print("Output 1 controller value set to 64 over AT-SPI: announced, B0 4A 40 listed")


def send_and_hear_the_progress(window):
    """The preset sent from the Config page: its 32 messages step the gauge to 32 of 34."""
    show_page(window, "Config")
    send = next(n for n in showing(window) if n.name == "Send Parameters to MIDI")
    send.queryAction().doAction(0)
    progress = lambda: [v for name, v in HEARD if name == "Transfer progress"]
    wait_for("the transfer's progress announced up to 32", lambda: 32 in progress())
    print(f"transfer progress announced {len(progress())} times, last at {progress()[-1]:.0f}")


def main():
    pyatspi.Registry.registerEventListener(on_value_changed,
                                           "object:property-change:accessible-value")
    window = wait_for("the editor's window on the accessibility bus", editor_window)
    problems = sum(check_page(window, page)
                   for page in ["MIDI", "Config", "About...", "Simulator", "Monitor"])
    set_value_and_see_it_sent(window)
    send_and_hear_the_progress(window)
    if problems:
        sys.exit(f"FAIL: {problems} problems")
    print("PASS")


if __name__ == "__main__":
    main()
