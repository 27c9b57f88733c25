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
            print("screen reader heard:", readings[0].group(0))
            return 0
    print("\n".join(problems), file=sys.stderr)
    if nodes:
        for name, role, focusable, editable in nodes:
            print(f"  {role:16} {'F' if focusable else ' '}{'E' if editable else ' '} {name!r}", file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
