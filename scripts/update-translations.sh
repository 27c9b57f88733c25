#!/usr/bin/env bash
# Refreshes the window's translation sources from the code: every text marked
# for translation (tr(), QCoreApplication::translate, QT_TRANSLATE_NOOP, the
# .ui forms) is added to resources/translations/quaverly_{de,fr}.ts, new ones as
# "unfinished", vanished ones dropped; quaverly_en.ts keeps the English plural
# forms only. Translate what is unfinished (Qt Linguist or any text editor:
# fill <translation> and remove type="unfinished"), then rebuild.
#   scripts/update-translations.sh [LUPDATE [TS_DIR]]
# TS_DIR defaults to the repository's; the translation test passes a copy.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
lupdate=${1:-$(command -v lupdate6 || echo /usr/lib/qt6/bin/lupdate)}
dir=${2:-$root/resources/translations}
sources=("$root/src" "$root/resources/MainWindow.ui" "$root/resources/Help.ui")
"$lupdate" -silent -no-obsolete -locations none -extensions cpp,h,ui "${sources[@]}" \
    -ts "$dir/quaverly_de.ts" "$dir/quaverly_fr.ts"
"$lupdate" -silent -no-obsolete -locations none -pluralonly -extensions cpp,h,ui "${sources[@]}" \
    -ts "$dir/quaverly_en.ts"
