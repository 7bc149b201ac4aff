#!/bin/sh
# Creates a fresh throw-away Wine prefix for the tests run under Wine:
#   make_wine_prefix.sh PREFIX
# Whatever was at PREFIX is removed first, so every test run starts from the
# same freshly booted Windows. The caller sets WINEDEBUG and WINEDLLOVERRIDES
# (no Mono or Gecko installer prompts).
set -eu

if [ "$#" -ne 1 ] || [ -z "$1" ]; then
    echo "usage: $0 PREFIX" >&2
    exit 2
fi
prefix=$1

export WINEPREFIX="$prefix"
# A server still running on the old prefix would keep serving its registry.
if [ -d "$prefix" ]; then
    wineserver -k 2>/dev/null || true
    rm -rf "$prefix"
fi

wineboot --init
# wineboot returns before the server has written the registry to disk.
wineserver -w

test -d "$prefix/drive_c/windows/system32"
