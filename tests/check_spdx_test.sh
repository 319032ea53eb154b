#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# tools/check-spdx on a small repository of its own: it names the source, header, CMake and script
# files without the licence line (a shebang script too) and no others, and passes once they have it.
#   check_spdx_test.sh SOURCE_DIR
set -eu
checker=$1/tools/check-spdx
fail() {
    echo "check-spdx test: $*" >&2
    exit 1
}
command -v git >/dev/null || fail "git is needed (make deps installs it)"
work=$(mktemp -d /tmp/kx_spdx_XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
git init -q .
mkdir -p src data tests/fuzz/corpus/x tools
line='SPDX-License-Identifier: GPL-3.0-or-later'
printf '// %s\nint a;\n' "$line" >src/good.cpp
printf '#!/bin/sh\n# %s\n' "$line" >tools/good-script
printf '// only a comment\n' >src/bad.h
printf 'project(x)\n' >CMakeLists.txt
printf 'all:\n' >Makefile
printf '#!/bin/sh\necho\n' >tools/bad-script
printf '\n\n\n\n\n// %s\n' "$line" >src/late.cpp # too far down
printf 'no comments here\n' >data/model.brepdef.txt
printf '#!binary seed' >tests/fuzz/corpus/x/seed
git add -A
status=0
"$checker" "$work" >"$work/out.txt" 2>"$work/err.txt" || status=$?
[ "$status" = 1 ] || fail "status $status, not 1: $(cat "$work/out.txt" "$work/err.txt")"
expected='CMakeLists.txt: no SPDX-License-Identifier: GPL-3.0-or-later line
Makefile: no SPDX-License-Identifier: GPL-3.0-or-later line
src/bad.h: no SPDX-License-Identifier: GPL-3.0-or-later line
src/late.cpp: no SPDX-License-Identifier: GPL-3.0-or-later line
tools/bad-script: no SPDX-License-Identifier: GPL-3.0-or-later line'
[ "$(sort "$work/out.txt")" = "$expected" ] || fail "named: $(cat "$work/out.txt")"
grep -qx 'check-spdx: 5 of 7 files lack the licence line' "$work/err.txt" || fail "$(cat "$work/err.txt")"

# --add mends them in their own comment syntax, after a "#!" line, and leaves the others alone.
cp src/good.cpp "$work/good.before"
"$checker" --add "$work" >"$work/out.txt" 2>&1 || fail "--add failed: $(cat "$work/out.txt")"
grep -qx 'check-spdx: the line added to 5 of 7 files' "$work/out.txt" || fail "$(cat "$work/out.txt")"
[ "$(head -n 1 src/bad.h)" = "// $line" ] || fail "src/bad.h: $(head -n 1 src/bad.h)"
[ "$(head -n 1 CMakeLists.txt)" = "# $line" ] || fail "CMakeLists.txt: $(head -n 1 CMakeLists.txt)"
[ "$(tr '\n' '|' <tools/bad-script)" = "#!/bin/sh|# $line|echo|" ] ||
    fail "tools/bad-script: $(cat tools/bad-script)"
cmp -s src/good.cpp "$work/good.before" || fail "src/good.cpp was changed"
[ "$(cat data/model.brepdef.txt)" = "no comments here" ] || fail "a data file was changed"
"$checker" "$work" >"$work/out.txt" 2>&1 || fail "still refused: $(cat "$work/out.txt")"
