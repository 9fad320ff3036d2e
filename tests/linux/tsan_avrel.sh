#!/usr/bin/env bash
# avrel under ThreadSanitizer on a private Xvfb: the presenter and both show
# threads, live, for SECONDS (default 20) at scale 2, then SIGTERM as
# xscreensaver sends it. Fails on any report, or on an exit other than 0.
set -u
program=$1
seconds=${2:-20}
log=$(mktemp)
trap 'rm -f "$log"' EXIT
xvfb-run -a -s "-screen 0 1600x1200x24 -nolisten tcp" bash -c '
    "$1" -geometry 1600x1200 -scale 2 2>"$2" &
    pid=$!
    sleep "$3"
    kill -TERM "$pid"
    wait "$pid"' _ "$program" "$log" "$seconds"
status=$?
cat "$log"
if grep -q "ThreadSanitizer" "$log"; then
    echo "tsan_avrel: ThreadSanitizer reported a race (exit $status)"
    exit 1
fi
if [ "$status" != 0 ]; then
    echo "tsan_avrel: avrel ended with $status"
    exit 1
fi
echo "tsan_avrel: ${seconds} s live, no report"
