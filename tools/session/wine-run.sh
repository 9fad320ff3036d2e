#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix:
#   wine-run.sh PREFIX win32|win64 PROGRAM [ARGS...]
# The prefix is created on first use (under a lock, so parallel tests share
# one), and a persistent wineserver is kept for it, so each program starts in
# well under a second instead of about three.
set -u
prefix=$1 arch=$2
shift 2

# Wine's servers and services outlive this program. Any descriptor they
# inherit beyond stdin, stdout and stderr (a test runner's pipes, the lock
# below) would be held open for ever, and the runner would wait for it.
for fd in /proc/$$/fd/*; do
    fd=${fd##*/}
    if [ "$fd" -gt 2 ]; then eval "exec $fd>&-" 2>/dev/null; fi
done

export WINEPREFIX=$prefix
. "$(dirname "$0")/wine-env.sh"

mkdir -p "$(dirname "$prefix")"
(
    flock 9
    "$(dirname "$0")/new-prefix.sh" "$prefix" "$arch" 9>&-
    # -p keeps the server alive between programs; its output must not hold
    # the caller's pipes open, nor may it inherit the lock (9), or every later
    # program waits for the lock as long as the server lives.
    if "$server" -p </dev/null >/dev/null 2>&1 9>&-; then
        # A new server: start Wine's services and desktop now, detached.
        # Started later by the program itself, they would inherit its
        # standard output and error and hold the caller's pipes for minutes.
        "$loader" wineboot </dev/null >/dev/null 2>&1 9>&-
        "$loader" rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1 9>&-
    fi
) 9>"$prefix.lock"

exec "$loader" "$@"
