#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix: wine-run.sh PREFIX
# PROGRAM [ARGS...]. The prefix is created on first use (under a lock, so
# parallel tests share one), and a persistent wineserver is kept for it, so
# each program starts in well under a second instead of about three.
set -u
prefix=$1
shift

export WINEPREFIX=$prefix
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers, no desktop menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

mkdir -p "$(dirname "$prefix")"
(
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
        wineboot -i </dev/null >/dev/null 2>&1
        wineserver -w
    fi
    # -p keeps the server alive between programs; its output must not hold
    # the caller's pipes open.
    wineserver -p </dev/null >/dev/null 2>&1 || true
) 9>"$prefix.lock"

exec wine "$@"
