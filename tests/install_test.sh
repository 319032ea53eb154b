#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The installed game as a player and a packager get it, in both layouts.
#   install_test.sh tree BUILD: installs with DESTDIR into a staging folder (bin/ and share/kavernix
#     under the prefix), moves the tree elsewhere (it finds its library and its data relative to
#     itself) and plays it (below).
#   install_test.sh package BUILD: makes the Debian package and checks it: its files (programs in
#     /usr/games, data in /usr/share/games/kavernix; otherwise the files of a source install), the
#     machine-readable copyright file and the changelog, section and dependencies, no maintainer
#     scripts (so dpkg -r leaves nothing behind), no lintian errors or warnings; then unpacks it,
#     moves the tree elsewhere and plays it.
# Playing: the data made read-only, a short timedemo from / with a fresh HOME under the test's X server
# (as the user nobody when run as root, for whom read-only would mean nothing). Nothing may be
# written outside ~/.cache/kavernix, ~/.config/kavernix, ~/.local/share/kavernix (the mines' records)
# and ~/.local/state/kavernix (a saved run), and the timedemo saves no run; a German desktop reads
# German. The desktop entry and the metainfo pass their validators.
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

# The files every installed tree holds, relative to its prefix; BIN and DATA stand for the layout's
# program and data folders.
expected="BIN/kavernix BIN/kavernix-tool DATA/poster.tga DATA/fontmaze.tga
DATA/arrow.brepdef.txt DATA/step.wav DATA/PFERD.003.brep.txt DATA/PFERD.003.brep.bin
share/applications/org.kavernix.kavernix.desktop share/metainfo/org.kavernix.kavernix.metainfo.xml
share/man/man6/kavernix.6.gz share/man/man1/kavernix-tool.1.gz
share/doc/kavernix/copyright share/doc/kavernix/changelog.gz
share/locale/de/LC_MESSAGES/kavernix.mo share/locale/de/LC_MESSAGES/kavernix-font.mo"
for size in 16 24 32 48 64 128 256; do expected="$expected share/icons/hicolor/${size}x$size/apps/kavernix.png"; done
check_files() { # $1: the list of installed files, one "./path" a line; $2, $3: the layout's BIN and DATA
    for f in $expected; do
        f=$(echo "$f" | sed "s|^BIN/|$2/|; s|^DATA/|$3/|")
        grep -qx "\./$f" "$1" || fail "$f is not installed"
    done
    grep -q '^\./lib/.*kavernix/libgrolksetup\.so$' "$1" || fail "the settings library is not installed"
    grep -q '^\./lib/.*kavernix/libgrolksetup-dialog\.so$' "$1" || fail "the settings dialog is not installed"
    ! grep -q 'fonttest\|-[0-9]\{6\}-[0-9]\{6\}\.tga\|\.ini$' "$1" || fail "files of a game run are installed"
    # Nothing in the other layout's folders.
    if [ "$2" = bin ]; then wrong='^\./games/\|^\./share/games/'; else wrong='^\./bin/\|^\./share/kavernix/'; fi
    ! grep -q "$wrong" "$1" || fail "installed outside the layout's folders: $(grep "$wrong" "$1" | head -3)"
}
# The desktop entry, and the metainfo without errors or warnings even when pedantic.
validate() { # $1: the tree
    desktop-file-validate "$1/share/applications/org.kavernix.kavernix.desktop" || fail "desktop-file-validate"
    status=0
    appstreamcli validate --pedantic --no-net "$1/share/metainfo/org.kavernix.kavernix.metainfo.xml" \
        >"$work/appstream.txt" 2>&1 || status=$?
    cat "$work/appstream.txt"
    [ "$status" = 0 ] && ! grep -q '^[EW]:' "$work/appstream.txt" || fail "appstreamcli: $(cat "$work/appstream.txt")"
}

# Plays the moved tree $1 with its programs in $1/$2 and its data in $1/$3.
play() {
    tree=$1
    [ -n "${DISPLAY:-}" ] || fail "no X display (make test runs the tests under xvfb-run)"
    "$tree/$2/kavernix-tool" maze 4 0 >/dev/null || fail "the installed kavernix-tool does not run"
    # It finds its catalogues: a German desktop without a generated German locale reads German.
    (cd / && env -i HOME="$work" LANG=de_DE.UTF-8 PATH=/usr/bin:/bin "$tree/$2/kavernix" --help >"$work/help.txt" 2>&1) ||
        fail "kavernix --help failed: $(cat "$work/help.txt")"
    grep -q '^Aufruf: kavernix' "$work/help.txt" || fail "--help is not German: $(head -2 "$work/help.txt")"
    chmod -R a-w "$tree/$3"
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
        timeout 120 $runas "$tree/$2/kavernix" --timedemo 60 >"$work/out.txt" 2>&1) || status=$?
    [ "$status" = 0 ] || fail "the game ended with status $status: $(tail -5 "$work/out.txt")"
    grep -q '^startup_ms=.* frames=60 ' "$work/out.txt" || fail "no timedemo figures: $(tail -5 "$work/out.txt")"
    ! grep -q 'no game data' "$work/out.txt" || fail "$(grep 'no game data' "$work/out.txt")"
    cache=$home/.cache/kavernix
    for f in fonttest.tga stencil-000640-000480.tga PFERD.003.brep.txt; do
        [ -f "$cache/$f" ] || fail "$f was not written to the cache folder"
    done
    (cd "$tree" && find . -printf '%p %s %m %T@\n' | sort) >"$work/tree.after"
    cmp -s "$work/tree.before" "$work/tree.after" ||
        fail "the installed tree changed: $(diff "$work/tree.before" "$work/tree.after")"
    ls -A / >"$work/root.after"
    cmp -s "$work/root.before" "$work/root.after" || fail "written into /: $(diff "$work/root.before" "$work/root.after")"
    [ ! -e "$home/.local/state/kavernix/run.ini" ] || fail "the timedemo saved a run"
    outside=$(cd "$home" && find . -type f ! -path './.cache/kavernix/*' ! -path './.config/kavernix/*' \
        ! -path './.local/share/kavernix/*' ! -path './.local/state/kavernix/*' ! -name .Xauthority)
    [ -z "$outside" ] || fail "written outside the cache, config, data and state folders: $outside"
}

need desktop-file-validate appstreamcli
if [ "$mode" = tree ]; then
    DESTDIR="$work/stage" cmake --install "$build" --prefix /opt/kavernix >"$work/install.txt"
    mv "$work/stage/opt/kavernix" "$work/game"
    (cd "$work/game" && find . -type f | sort) >"$work/files"
    check_files "$work/files" bin share/kavernix
    validate "$work/game"
    play "$work/game" bin share/kavernix
    exit 0
fi

need cpack dpkg-deb lintian gzip
(cd "$build" && cpack -B "$work" >"$work/cpack.txt" 2>&1) || fail "cpack failed: $(tail -5 "$work/cpack.txt")"
deb=$(ls "$work"/kavernix_*.deb)
dpkg-deb -c "$deb" | awk '/^-/ {print $6}' | sed 's|^\./usr/|./|' | sort >"$work/files"
cat "$work/files"
check_files "$work/files" games share/games/kavernix
# A source install holds the same files, with the programs in bin/ and the data in share/kavernix.
DESTDIR="$work/stage" cmake --install "$build" --prefix /usr >"$work/install.txt"
(cd "$work/stage/usr" && find . -type f | sort) >"$work/source-files"
sed 's|^\./games/|./bin/|; s|^\./share/games/kavernix/|./share/kavernix/|' "$work/files" | sort >"$work/mapped"
cmp -s "$work/mapped" "$work/source-files" ||
    fail "the package and a source install differ: $(diff "$work/mapped" "$work/source-files")"

[ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "section $(dpkg-deb -f "$deb" Section), not games"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libglut3.12 libgtk-3-0 libgl1 libopenal1 libsndfile1 libsdl2-2.0-0; do
    echo "$depends" | grep -q "$lib" || fail "Depends lacks $lib: $depends"
done
dpkg-deb -e "$deb" "$work/control"
[ "$(ls "$work/control" | sort | tr '\n' ' ')" = "control md5sums " ] ||
    fail "maintainer scripts in the package: $(ls "$work/control")"

dpkg-deb -x "$deb" "$work/root"
doc=$work/root/usr/share/doc/kavernix
# The copyright file in Debian's machine-readable format: the game's own licence for every file,
# the fonts drawn into its pictures with theirs, each short name with its licence text.
copyright=$doc/copyright
head -1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "copyright: not the machine-readable format: $(head -1 "$copyright")"
for line in 'Files: \*' 'Copyright: 2026 The Kavernix developers' 'License: GPL-3+' 'License: OFL-1.1' \
    'License: bitstream-vera' 'License: GPL-3+ and OFL-1.1 and bitstream-vera' 'Source: http.*'; do
    grep -qx "$line" "$copyright" || fail "copyright: no line '$line'"
done
grep -q '/usr/share/common-licenses/GPL-3' "$copyright" || fail "copyright: no pointer to the GPL-3 text"
for lib in freeglut libsndfile 'OpenAL Soft' 'GTK 3' GLU; do
    grep -q "$lib" "$copyright" || fail "copyright: the library $lib is not named"
done
# The changelog of a native version, its newest entry the package's version.
gzip -dc "$doc/changelog.gz" | head -1 | grep -q "^kavernix ($(dpkg-deb -f "$deb" Version)) " ||
    fail "changelog: $(gzip -dc "$doc/changelog.gz" | head -1)"

# Lintian: no errors and no warnings (overrides in the package count; none is needed today).
lintian --fail-on error,warning "$deb" >"$work/lintian.txt" 2>&1 || fail "lintian: $(cat "$work/lintian.txt")"
cat "$work/lintian.txt"

mv "$work/root/usr" "$work/game"
validate "$work/game"
play "$work/game" games share/games/kavernix
