#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Every catalogue po/LL.po: well formed with matching format arguments (msgfmt -c --check-format),
# a translation for every text the code marks (extracted with xgettext, the keywords of `make pot`),
# and the texts drawn with the game's Latin-1 font representable in Latin-1.
# Usage: po_test.sh SOURCE_DIR
set -u
src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
# The keywords of `make pot`, from the Makefile's XGETTEXT_KEYWORDS and its continuation line.
keywords=$(sed -n '/^XGETTEXT_KEYWORDS/,/[^\\]$/p' "$src/Makefile" | sed 's/^XGETTEXT_KEYWORDS := *//' | tr -d '\\')
case "$keywords" in
*langText*) ;;
*) echo "po_test: no xgettext keywords found in the Makefile"; exit 1 ;;
esac
cd "$src" || exit 1
sources=$(find src -name '*.cpp' -o -name '*.h' | sort)
# shellcheck disable=SC2086
xgettext --language=C++ --from-code=UTF-8 $keywords -o "$work/all.pot" $sources || exit 1
# The font's texts: the game's lookups for drawing and the table markers.
# shellcheck disable=SC2086
xgettext --language=C++ --from-code=UTF-8 -k --keyword=langText --keyword=LANG_ID -o "$work/font.pot" \
  $sources || exit 1
count=0
for po in po/*.po; do
  count=$((count + 1))
  msgfmt -c --check-format -o /dev/null "$po" || { echo "$po: msgfmt -c --check-format refuses it"; fail=1; }
  msgcmp -N "$po" "$work/all.pot" || { echo "$po: lacks texts the code uses (above)"; fail=1; }
  msgmerge -q -N -o "$work/font.po" "$po" "$work/font.pot" 2>/dev/null &&
    msgattrib --translated --no-obsolete "$work/font.po" | msgconv -t ISO-8859-1 -o /dev/null ||
    { echo "$po: a text drawn with the game's font has a character outside Latin-1"; fail=1; }
done
[ "$count" -gt 0 ] || { echo "po_test: no catalogue in po/"; exit 1; }
exit $fail
