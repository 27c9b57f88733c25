# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads the tuner's window over AT-SPI as a screen reader does and checks that every
focusable control is named by its caption, that no caption is an editable field, and that
one element tells the note and the cents of the 446 Hz tone (A4, 23 cents sharp)."""
import re
import sys
import time

import pyatspi

CAPTIONED = {"Settings and readings", "A4 reference", "A4 reference stepper", "Temperament",
             "Tonic", "Transposition", "Input", "Input volume"}
CAPTIONS = {"Measured", "Difference", "Ideal", "Input level", "Hz"} | CAPTIONED - {"A4 reference stepper"}
READING = re.compile(r"^A4, (\d+) cents sharp$")
SPOKEN = re.compile(r"^no input$|^[A-G].*, (in tune|\d+ cents? (sharp|flat))$")


def walk(node, depth=0):
    if node is None or depth > 12:
        return
    yield node
    for i in range(node.childCount):
        yield from walk(node.getChildAtIndex(i), depth + 1)


def find_app():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.name.lower().startswith("quaverly"):
            return app
    return None


def snapshot():
    app = find_app()
    if app is None:
        return None
    app.clear_cache()
    nodes = []
    for n in walk(app):
        states = n.getState()
        nodes.append((n.name, n.getRoleName(), states.contains(pyatspi.STATE_FOCUSABLE),
                      states.contains(pyatspi.STATE_EDITABLE)))
    return nodes


def step_and_listen(app, steps, seconds):
    """Lowers the reference by the stepper's own action, as a screen reader user would, and
    returns the names the reading took meanwhile: what a screen reader resting on it says."""
    from gi.repository import GLib
    heard = []

    def on_name(event):
        # Qt's bridge sends no text with the event: ask the element itself.
        event.source.clear_cache()
        if SPOKEN.match(event.source.name):
            heard.append(event.source.name)

    stepper = next(n for n in walk(app) if n.name == "A4 reference stepper").queryAction()
    decrease = next(i for i in range(stepper.nActions) if stepper.getName(i).lower() == "decrease")

    def press():
        for _ in range(steps):
            stepper.doAction(decrease)
        return False

    pyatspi.Registry.registerEventListener(on_name, "object:property-change:accessible-name")
    GLib.timeout_add(300, press)
    GLib.timeout_add(int(seconds * 1000), lambda: pyatspi.Registry.stop())
    pyatspi.Registry.start()
    return heard


def main():
    deadline = time.monotonic() + 40
    nodes, problems = None, ["the window never appeared on the accessibility bus"]
    while time.monotonic() < deadline:
        time.sleep(0.5)
        try:
            nodes = snapshot()
        except Exception as error:  # the tree changes while it is walked
            problems = [f"reading the tree failed: {error}"]
            continue
        if not nodes:
            continue
        names = {name for name, _, focusable, _ in nodes if focusable}
        problems = [f"focusable {role} has no name" for name, role, focusable, _ in nodes
                    if focusable and not name and role not in ("frame", "menu bar")]
        problems += [f"no focusable control named {c!r}" for c in sorted(CAPTIONED - names)]
        editable = [f"{name!r} ({role})" for name, role, _, e in nodes if e]
        if editable != ["'A4 reference' (text)"]:
            problems.append(f"only the reference field may be editable, found {editable}")
        problems += [f"caption {name!r} is a {role}" for name, role, _, _ in nodes
                     if name in CAPTIONS and role not in ("label",) and name not in CAPTIONED]
        readings = [m for m in (READING.match(name) for name, *_ in nodes) if m]
        if len(readings) != 1 or not 22 <= int(readings[0].group(1)) <= 24:
            heard = [name for name, *_ in nodes if name.startswith("A") or name == "no input"]
            problems.append(f"no one element tells A4 and about 23 cents sharp; heard {heard}")
        if not problems:
            # 446 Hz against 439.0 Hz is 27.4 cents sharp: told once settled, not per block.
            heard = step_and_listen(find_app(), 10, 4.0)
            told = READING.match(heard[-1]) if heard else None
            if not told or not 25 <= int(told.group(1)) <= 29 or len(heard) > 4:
                print(f"after lowering the reference to 439.0 Hz the reading said {heard}", file=sys.stderr)
                return 1
            print("screen reader heard:", readings[0].group(0), "then", heard)
            return 0
    print("\n".join(problems), file=sys.stderr)
    if nodes:
        for name, role, focusable, editable in nodes:
            print(f"  {role:16} {'F' if focusable else ' '}{'E' if editable else ' '} {name!r}", file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
