#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# readable_names.sh CTEST BUILD_DIR: fails when a test name holds a printed
# row (bytes, an address: both change from build to build) or any character
# but letters, digits, '_', '.' and '/', so that `ctest -R NAME` picks a row.
names=$("$1" --test-dir "$2" -N | sed -n 's/^ *Test *#[0-9]*: //p') || exit 1
echo "$names" | grep -q '^[A-Za-z0-9_]*/[A-Za-z0-9_]*\.[A-Za-z0-9_]*/' ||
    { echo "no parameterised row listed in $2" >&2; exit 1; }
bad=$(echo "$names" | grep -E 'byte object|0x[0-9a-fA-F]{6,}|[^A-Za-z0-9_./]')
[ -z "$bad" ] && exit 0
echo "$bad" >&2
echo "these test names do not name their rows (a name generator for the table?)" >&2
exit 1
