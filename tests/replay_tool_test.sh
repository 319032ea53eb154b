#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# kavernix-tool replay on damaged copies of a good replay: a changed byte, a cut file, another format
# version, a missing file. Each is refused with exit status 2 and one line naming the file and why;
# the good replay checks with status 0, and so does its copy with a hall entry's name, which it names.
# Usage: replay_tool_test.sh TOOL REPLAY
set -u
tool=$1
good=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
size=$(wc -c < "$good")
# The copies: a byte in the middle changed, the last 10 bytes cut, the format version 7.
python3 - "$good" "$work" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
w = sys.argv[2]
changed = bytearray(data); changed[len(data) // 2] ^= 0x20
open(w + '/changed.kxr', 'wb').write(changed)
open(w + '/cut.kxr', 'wb').write(data[:-10])
other = bytearray(data); other[8] = 7; other[9] = 0
open(w + '/other.kxr', 'wb').write(other)
# The same run as a hall entry keeps it: the name typed (Latin-1) after the end, format version 2.
import struct, zlib
payload = zlib.decompress(data[18:-4]) + b'\x44\x03Zo\xeb'
packed = zlib.compress(payload, 9)
named = b'KXREPLAY' + struct.pack('<HII', 2, len(payload), len(packed)) + packed
open(w + '/named.kxr', 'wb').write(named + struct.pack('<I', zlib.crc32(named)))
PY
# file, status, line on standard error
check() {
    "$tool" replay "$work/$1" > "$work/out" 2> "$work/err"
    status=$?
    lines=$(wc -l < "$work/err")
    if [ "$status" != 2 ] || [ "$lines" != 1 ] || ! grep -qF "$work/$1 $2" "$work/err"; then
        echo "replay_tool_test: $1: status $status, $lines lines: $(cat "$work/err")"
        fail=1
    fi
}
check changed.kxr "was changed or damaged (its checksum differs)"
check cut.kxr "is cut short"
check other.kxr "is a replay of format version 7; this game reads format versions 1 to 2"
check missing.kxr "does not exist"
if ! "$tool" replay "$good" > "$work/out" 2>&1; then
    echo "replay_tool_test: $good ($size bytes) does not check: $(cat "$work/out")"
    fail=1
fi
if ! "$tool" replay "$work/named.kxr" > "$work/out" 2>&1 || ! grep -qx "name: Zoë" "$work/out"; then
    echo "replay_tool_test: the named copy does not check or lacks its name: $(cat "$work/out")"
    fail=1
fi
exit $fail
