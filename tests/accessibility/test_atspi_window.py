#!/usr/bin/env python3
"""The window as a screen reader meets it over the real AT-SPI bus: every control a page shows
has a name, the custom ones their fitting roles and values; a controller value set through the
bus is announced and sends its Control Change (listed on the Monitor page); a transfer
announces its progress; the names and library windows the toolbar opens name their controls.
Run by tests/support/atspi_session.sh."""
import re
import sys
import time

import pyatspi
from gi.repository import GLib

LIMIT_S = 30  # for anything the editor or the bus must do first; a busy machine is slow
R = pyatspi
EXPECTED = [  # page, name, role (a combo box's name is on its edit field), count
    ("Config", r"Output \d+ controller", R.ROLE_COMBO_BOX, 32),
    ("Config", r"Master MIDI channel", R.ROLE_SPIN_BUTTON, 1),
    ("Config", r"Names|Library", R.ROLE_PUSH_BUTTON, 2),
    ("Names of preset 1", r"Preset name", R.ROLE_TEXT, 1),
    ("Names of preset 1", r"Output labels", R.ROLE_TABLE, 1),
    ("Library", r"Filter", R.ROLE_TEXT, 1),
    ("Library", r"Presets", R.ROLE_TABLE, 1),
    ("Library", r"Load|Compare|Send|Close|Choose folder|Refresh", R.ROLE_PUSH_BUTTON, 6),
    ("Config", r"(Load|Save) Parameters File|Send Parameters to MIDI|Write to Flash|"
     r"MIDI Channel Change|Preset \d|Send changes", R.ROLE_PUSH_BUTTON, 10),
    ("MIDI", r"Output \d+ controller value|Kessel input", R.ROLE_SPIN_BUTTON, 33),
    ("MIDI", r"Send Kessel setup to MIDI|(Send|Reset) All CC", R.ROLE_PUSH_BUTTON, 3),
    ("MIDI", r"MIDI (input|output) device|MIDI system", R.ROLE_COMBO_BOX, 3),
    ("About...", r"Quillmont emblem", R.ROLE_IMAGE, 1),
    ("Simulator", r"Output levels", R.ROLE_CHART, 1),
    ("Monitor", r"Messages", R.ROLE_TREE, 1),
]
CONTROL_ROLES = {R.ROLE_PUSH_BUTTON, R.ROLE_TOGGLE_BUTTON, R.ROLE_CHECK_BOX, R.ROLE_COMBO_BOX,
                 R.ROLE_SPIN_BUTTON, R.ROLE_PROGRESS_BAR, R.ROLE_CHART, R.ROLE_TEXT,
                 R.ROLE_PAGE_TAB, R.ROLE_TREE, R.ROLE_TABLE, R.ROLE_IMAGE}
HEARD = []  # (name, value) of every value change announced


def wait_for(what, probe):
    deadline = time.monotonic() + LIMIT_S
    while time.monotonic() < deadline:
        try:
            found = probe()
        except Exception:  # the bus may not know the object yet
            found = None
        if found:
            return found
        while GLib.MainContext.default().iteration(False):  # delivers the bus's events
            pass
        time.sleep(0.2)
    sys.exit(f"FAIL: {what} within {LIMIT_S} s")


def showing(node):
    yield node
    for child in node:
        if child is not None and child.getState().contains(R.STATE_SHOWING):
            yield from showing(child)


def editor_window():
    apps = [a for a in R.Registry.getDesktop(0) if a and "torvane" in a.name.lower()]
    return next((w for a in apps for w in a if w and w.name.startswith("Torvane")), None)


def named(window, name):
    return next(n for n in showing(window) if n.name == name)


def show_page(window, caption):
    tab = next(n for n in showing(window) if n.getRole() == R.ROLE_PAGE_TAB and n.name == caption)
    tab.queryAction().doAction(0)  # Press
    wait_for(f"page {caption}", lambda: tab.parent.name == caption)  # named after its page


def names(node):
    """The node's name and those of the labels it is labelled by."""
    yield node.name or ""
    for relation in node.getRelationSet():
        if relation.getRelationType() == R.RELATION_LABELLED_BY:
            yield from (relation.getTarget(i).name for i in range(relation.getNTargets()))


def fits(node, role):
    if role == R.ROLE_COMBO_BOX and node.getRole() == R.ROLE_TEXT:
        return node.parent.getRole() == role
    return node.getRole() == role


def check_page(window, caption, shown=show_page):
    """Prints each problem; returns how many."""
    window = shown(window, caption) or window
    nodes = list(showing(window))
    controls = [n for n in nodes if n.getRole() in CONTROL_ROLES]
    problems = [f"unnamed {n.getRoleName()} in '{n.parent.name}'" for n in controls if not n.name]
    for pattern, role, count in [e[1:] for e in EXPECTED if e[0] == caption]:
        fitting = [n for n in nodes
                   if any(re.fullmatch(pattern, name) for name in names(n)) and fits(n, role)]
        if len(fitting) != count:
            problems.append(f"{len(fitting)} of {count} '{pattern}' as {R.Role(role)}")
    print(f"{caption}: {len(controls)} controls, {len(problems)} problems", *problems, sep="\n  ")
    return len(problems)


def opened_by(button):
    """Shows a window of the editor by pressing button on the Config page; returns a function
    that finds it by its title."""
    def shown(window, title):
        show_page(window, "Config")
        named(window, button).queryAction().doAction(0)
        apps = lambda: [a for a in R.Registry.getDesktop(0) if a and "torvane" in a.name.lower()]
        return wait_for(f"the window {title}",
                        lambda: next((w for a in apps() for w in a if w and w.name == title), None))
    return shown


def main():
    window = wait_for("the editor's window on the accessibility bus", editor_window)
    # Only now: Qt's bridge learns of listeners that come after it is up, not of those that
    # came while it started.
    R.Registry.registerEventListener(
        lambda e: HEARD.append((e.source.name, e.source.queryValue().currentValue)),
        "object:property-change:accessible-value")
    problems = sum(check_page(window, p) for p in ["MIDI", "Config", "About...", "Simulator",
                                                   "Monitor"])
    problems += check_page(window, "Names of preset 1", opened_by("Names"))
    problems += check_page(window, "Library", opened_by("Library"))
    problems += window.getRole() != R.ROLE_FRAME
    print(f"the window is a {window.getRoleName()}")
    show_page(window, "Simulator")
    levels = named(window, "Output levels").description.split(", ")
    problems += len(levels) != 32
    show_page(window, "MIDI")
    value = named(window, "Output 1 controller value").queryValue()
    bounds = (value.minimumValue, value.maximumValue, value.minimumIncrement)
    problems += bounds != (0, 127, 1)
    print(f"levels described: {len(levels)}; value bounds and step: {bounds}")
    value.currentValue = 64
    wait_for("the value 64 announced", lambda: ("Output 1 controller value", 64) in HEARD)
    show_page(window, "Monitor")
    wait_for("B0 4A 40 listed", lambda: any(c.name == "B0 4A 40" for c in named(window, "Messages")))
    show_page(window, "Config")
    named(window, "Send Parameters to MIDI").queryAction().doAction(0)
    wait_for("the transfer's progress announced up to 32 of 34",
             lambda: ("Transfer progress", 32) in HEARD)
    print("value set over the bus: announced and sent; transfer progress announced")
    sys.exit(f"FAIL: {problems} problems" if problems else 0)


if __name__ == "__main__":
    main()
