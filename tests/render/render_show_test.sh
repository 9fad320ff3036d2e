#!/usr/bin/env bash
# avrel-render show plays the show on the virtual clock and writes
# screenshots of the whole window, a timeline of the operations and a
# contact sheet; bad arguments fail with a message.
# Usage: render_show_test.sh AVREL_RENDER WORK_DIR
set -u
render=$1 work=$2
rm -rf "$work"
mkdir -p "$work"
failed=0 passed=0

check() {  # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        echo "FAIL: $what"
        failed=$((failed + 1))
    fi
}

# Width and height from a PNG's header, as "WxH".
png_size() {
    local w h
    w=$(od -An -tu1 -j16 -N4 "$1" | awk '{print $1*16777216 + $2*65536 + $3*256 + $4}')
    h=$(od -An -tu1 -j20 -N4 "$1" | awk '{print $1*16777216 + $2*65536 + $3*256 + $4}')
    echo "${w}x${h}"
}

out=$work/run
if ! "$render" show --out "$out" --size 800x600 --at 60000,0,1000,30000,20000 --to 60000 \
        2>"$work/stderr"; then
    echo "FAIL: the show run failed: $(cat "$work/stderr")"
    exit 1
fi
for ms in 000000 001000 020000 030000 060000; do
    check "screenshot at $ms ms" test -s "$out/screen-$ms.png"
    [ -s "$out/screen-$ms.png" ] &&
        check "screenshot at $ms ms is the whole 800 x 600 window" \
            test "$(png_size "$out/screen-$ms.png")" = 800x600
done
check "no screenshot beyond the asked-for ones" test "$(ls "$out"/screen-*.png | wc -l)" -eq 5
check "contact sheet" test -s "$out/contact-sheet.png"
check "timeline" test -s "$out/timeline.jsonl"
check "the timeline starts with step 1 at 0 ms" \
    grep -qx '{"pass": 1, "step": 1, "name": "ShowPicture", "arguments": \[1000, 0, 0\], "start": 0, "end": 900}' \
    <(head -1 "$out/timeline.jsonl")
check "chapter 2 opens with its logo zooming in at 14,965 ms" \
    grep -q '"name": "ZoomLogoIn", "arguments": \[6001\], "start": 14965, "end": 16330, "partOf": "OpenChapter"' \
    "$out/timeline.jsonl"
check "the timeline stops at 60,000 ms" \
    test "$(tail -1 "$out/timeline.jsonl" | sed 's/.*"start": \([0-9]*\).*/\1/')" -le 60000

every=$work/every
if "$render" show --out "$every" --from 10000 --every 20000 --to 70000 2>"$work/stderr"; then
    check "--every from 10,000 to 70,000 ms" \
        test "$(cd "$every" && echo screen-*.png)" = \
        "screen-010000.png screen-030000.png screen-050000.png screen-070000.png"
    check "default size 1024 x 768" test "$(png_size "$every/screen-010000.png")" = 1024x768
else
    echo "FAIL: the --every run failed: $(cat "$work/stderr")"
    failed=$((failed + 1))
fi

. "$(dirname "$0")/expect_failure.sh"
command=("$render" show)
expect_failure "no --out"
expect_failure "an unknown option" --out "$work/x" --speed 2
expect_failure "an option without its value" --out "$work/x" --every
expect_failure "a size without height" --out "$work/x" --size 800
expect_failure "a zero size" --out "$work/x" --size 0x600
expect_failure "a negative time" --out "$work/x" --from -5
expect_failure "a period of 0" --out "$work/x" --every 0
expect_failure "a bad list" --out "$work/x" --at 100,,200
expect_failure "both --every and --at" --out "$work/x" --every 100 --at 5
expect_failure "--to before --from" --out "$work/x" --from 500 --to 100
expect_failure "an output folder that cannot be made" --out /proc/avrel/x
# A --from after the first pass without --to would capture nothing.
expect_failure "--from after the first pass without --to" --out "$work/late" --from 90000
check "the refused run wrote no timeline" test ! -e "$work/late/timeline.jsonl"
expect_failure "--from after the first pass with --every and no --to" --out "$work/late" \
    --from 90000 --every 1000
check "the refused run wrote no screenshot" test -z "$(ls "$work/late")"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
