#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""help_transpositions.py MAINWINDOW_UI HELP_HTML: each instrument of the help's
transposition table has the setting of the transposition pop-up item naming it
("B♭: clarinet, trumpet" names the B♭ clarinet and the B♭ trumpet; "A: A clarinet"
the A clarinet). Fails when a setting differs or fewer than 8 instruments match."""
import html.parser
import re
import sys
import xml.etree.ElementTree as ET


def add(table, key, names, setting):
    for name in names.split(", "):
        table[(name if not key or name.startswith(key + " ") else key + " " + name).lower()] = \
            int(setting.replace("\u2212", "-"))


class Rows(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.rows, self.cell = [], None

    def handle_starttag(self, tag, attrs):
        if tag == "tr":
            self.rows.append([])
        elif tag == "td":
            self.cell = ""

    def handle_endtag(self, tag):
        if tag == "td" and self.cell is not None:
            self.rows[-1].append(self.cell.strip())
            self.cell = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell += data


item = re.compile(r"^([\u2212+]?\d+) \(([A-G][♭♯]?): (.*)\)$")
popup = {}
for widget in ET.parse(sys.argv[1]).iter("widget"):
    if widget.get("name") == "mTransposePopUpButton":
        for text in widget.iter("string"):
            if m := item.match(text.text or ""):
                add(popup, m.group(2), m.group(3), m.group(1))
helped = {}
parser = Rows()
with open(sys.argv[2], encoding="utf-8") as f:
    parser.feed(f.read())
for cells in parser.rows:
    if len(cells) >= 2 and re.fullmatch(r"[-+]?\d+", cells[1]):
        m = re.match(r"^(([A-G][♭♯]?) )?(.+)$", " ".join(cells[0].split()))
        add(helped, m.group(2) or "", m.group(3), cells[1])
checked = [name for name in helped if name in popup]
wrong = [f"{name}: help {helped[name]}, pop-up {popup[name]}" for name in checked if helped[name] != popup[name]]
print("\n".join(wrong), file=sys.stderr)
if len(checked) < 8:
    print(f"only {len(checked)} instruments of the help's table are in the pop-up", file=sys.stderr)
sys.exit(1 if wrong or len(checked) < 8 else 0)
