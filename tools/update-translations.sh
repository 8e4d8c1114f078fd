#!/usr/bin/env bash
# Refreshes the translation sources from the program's tr() texts (and the words
# of the button faces the bitmap generator draws): the Chinese
# file gets every text, the English one only the texts with plural forms
# (English needs a translation just for "1 change" / "3 changes").
# Edit the translations with Qt Linguist (linguist resources/translations/quenda_zh_CN.ts).
set -euo pipefail
cd "$(dirname "$0")/.."

lupdate=$(command -v lupdate || true)
[ -n "$lupdate" ] || lupdate=/usr/lib/qt6/bin/lupdate
[ -x "$lupdate" ] || { echo "lupdate not found: run tools/install-deps.sh" >&2; exit 1; }

options=(-locations none -no-obsolete -no-ui-lines -extensions cpp,h -I .)
"$lupdate" "${options[@]}" ui tools/bitmaps -ts resources/translations/quenda_zh_CN.ts
"$lupdate" "${options[@]}" -pluralonly ui -ts resources/translations/quenda_en.ts
