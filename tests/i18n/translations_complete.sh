#!/usr/bin/env bash
# Refreshes copies of the .ts files from the sources and lists every text that is missing or
# unfinished in them. Usage: translations_complete.sh LUPDATE
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cp "$root"/resources/translations/*.ts "$tmp/"
"$root/scripts/update-translations.sh" "$1" "$tmp"
status=0
for ts in "$tmp"/*.ts; do
    if ! cmp -s "$ts" "$root/resources/translations/$(basename "$ts")"; then
        echo "$(basename "$ts") is out of date with the sources: run scripts/update-translations.sh" >&2
        status=1
    fi
    # The source of each message whose translation is unfinished.
    unfinished=$(awk '/<source>/ { s = $0 } /type="unfinished"/ { print s }' "$ts" | sed 's/^ *<source>//; s/<\/source>$//')
    if [ -n "$unfinished" ]; then
        echo "$(basename "$ts"): untranslated:" >&2
        printf '    %s\n' "$unfinished" >&2
        status=1
    fi
done
exit $status
