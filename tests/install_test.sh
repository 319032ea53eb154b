#!/bin/sh
# The installed game as a player and a packager get it.
#   install_test.sh tree BUILD: installs with DESTDIR into a staging folder, moves the tree elsewhere
#     (it finds its library and its data relative to itself), makes the data read-only, and plays a
#     short timedemo from / with a fresh HOME under the test's X server (as the user nobody when run
#     as root, for whom read-only would mean nothing). Nothing may be written outside
#     ~/.cache/kavernix, ~/.config/kavernix, ~/.local/share/kavernix (the mines' records) and
#     ~/.local/state/kavernix (a saved run), and the timedemo saves no run. The desktop entry and
#     the metainfo pass their validators.
#   install_test.sh package BUILD: makes the Debian package and lists it; checks its files, its
#     dependencies and that it has no maintainer scripts (so dpkg -r leaves nothing behind).
set -eu
mode=$1
build=$2
fail() {
    echo "install test: $*" >&2
    exit 1
}
need() {
    for tool in "$@"; do command -v "$tool" >/dev/null || fail "$tool is needed (make deps installs it)"; done
}
work=$(mktemp -d /tmp/kx_install_XXXXXX)
cleanup() {
    chmod -R u+w "$work"
    rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"

# The files every installed tree holds, relative to its prefix.
expected="bin/kavernix bin/kavernix-tool share/kavernix/poster.tga share/kavernix/fontmaze.tga
share/kavernix/arrow.brepdef.txt share/kavernix/step.wav share/kavernix/PFERD.003.brep.txt share/kavernix/PFERD.003.brep.bin
share/applications/org.kavernix.kavernix.desktop share/metainfo/org.kavernix.kavernix.metainfo.xml
share/man/man6/kavernix.6.gz share/man/man1/kavernix-tool.1.gz"
for size in 16 24 32 48 64 128 256; do expected="$expected share/icons/hicolor/${size}x$size/apps/kavernix.png"; done
check_files() { # $1: the list of installed files, one "./path" a line
    for f in $expected; do grep -qx "\./$f" "$1" || fail "$f is not installed"; done
    grep -q '^\./lib/.*kavernix/libgrolksetup\.so$' "$1" || fail "the settings library is not installed"
    grep -q '^\./lib/.*kavernix/libgrolksetup-dialog\.so$' "$1" || fail "the settings dialog is not installed"
    ! grep -q 'fonttest\|-[0-9]\{6\}-[0-9]\{6\}\.tga\|\.ini$' "$1" || fail "files of a game run are installed"
}

if [ "$mode" = package ]; then
    need cpack dpkg-deb
    (cd "$build" && cpack -B "$work" >"$work/cpack.txt" 2>&1) || fail "cpack failed: $(tail -5 "$work/cpack.txt")"
    deb=$(ls "$work"/kavernix_*.deb)
    dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./usr/|./|' >"$work/files"
    cat "$work/files"
    check_files "$work/files"
    depends=$(dpkg-deb -f "$deb" Depends)
    for lib in libglut3.12 libgtk-3-0 libgl1 libopenal1 libsndfile1; do
        echo "$depends" | grep -q "$lib" || fail "Depends lacks $lib: $depends"
    done
    dpkg-deb -e "$deb" "$work/control"
    [ "$(ls "$work/control" | sort | tr '\n' ' ')" = "control md5sums " ] ||
        fail "maintainer scripts in the package: $(ls "$work/control")"
    exit 0
fi

need desktop-file-validate appstreamcli
[ -n "${DISPLAY:-}" ] || fail "no X display (make test runs the tests under xvfb-run)"
DESTDIR="$work/stage" cmake --install "$build" --prefix /opt/kavernix >"$work/install.txt"
tree=$work/game
mv "$work/stage/opt/kavernix" "$tree"
(cd "$tree" && find . -type f | sort) >"$work/files"
check_files "$work/files"
desktop-file-validate "$tree/share/applications/org.kavernix.kavernix.desktop"
appstreamcli validate --no-net "$tree/share/metainfo/org.kavernix.kavernix.metainfo.xml" >"$work/appstream.txt" ||
    fail "appstreamcli: $(cat "$work/appstream.txt")"
"$tree/bin/kavernix-tool" maze 4 0 >/dev/null || fail "the installed kavernix-tool does not run"

chmod -R a-w "$tree/share/kavernix"
(cd "$tree" && find . -printf '%p %s %m %T@\n' | sort) >"$work/tree.before"
ls -A / >"$work/root.before"

home=$work/home
mkdir -p "$home/.config/kavernix"
printf 'showDialog = 0\nwindowWidth = 640\nwindowHeight = 480\nfullScreen = 0\nskipStory = 1\nrunning = 1\n%s\n' \
    'pictureCache = 1
modelSource = 0' >"$home/.config/kavernix/settings.ini"
runas=
xauth=${XAUTHORITY:-}
if [ "$(id -u)" = 0 ]; then
    need setpriv
    if [ -n "$xauth" ]; then cp "$xauth" "$home/.Xauthority" && xauth=$home/.Xauthority; fi
    chown -R 65534:65534 "$home"
    runas="setpriv --reuid=65534 --regid=65534 --clear-groups"
fi
status=0
# A sanitizer build keeps its options (leak checking stays off, as in the rest of the suite).
(cd / && exec env -i HOME="$home" DISPLAY="$DISPLAY" XAUTHORITY="$xauth" PATH=/usr/bin:/bin \
    ${ASAN_OPTIONS:+"ASAN_OPTIONS=$ASAN_OPTIONS"} ${UBSAN_OPTIONS:+"UBSAN_OPTIONS=$UBSAN_OPTIONS"} \
    timeout 120 $runas "$tree/bin/kavernix" --timedemo 60 >"$work/out.txt" 2>&1) || status=$?
[ "$status" = 0 ] || fail "the game ended with status $status: $(tail -5 "$work/out.txt")"
grep -q '^startup_ms=.* frames=60 ' "$work/out.txt" || fail "no timedemo figures: $(tail -5 "$work/out.txt")"
! grep -q 'no game data' "$work/out.txt" || fail "$(grep 'no game data' "$work/out.txt")"
cache=$home/.cache/kavernix
for f in fonttest.tga stencil-000640-000480.tga PFERD.003.brep.txt; do
    [ -f "$cache/$f" ] || fail "$f was not written to the cache folder"
done
(cd "$tree" && find . -printf '%p %s %m %T@\n' | sort) >"$work/tree.after"
cmp -s "$work/tree.before" "$work/tree.after" || fail "the installed tree changed: $(diff "$work/tree.before" "$work/tree.after")"
ls -A / >"$work/root.after"
cmp -s "$work/root.before" "$work/root.after" || fail "written into /: $(diff "$work/root.before" "$work/root.after")"
[ ! -e "$home/.local/state/kavernix/run.ini" ] || fail "the timedemo saved a run"
outside=$(cd "$home" && find . -type f ! -path './.cache/kavernix/*' ! -path './.config/kavernix/*' \
    ! -path './.local/share/kavernix/*' ! -path './.local/state/kavernix/*' ! -name .Xauthority)
[ -z "$outside" ] || fail "written outside the cache, config, data and state folders: $outside"
