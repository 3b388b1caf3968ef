#!/usr/bin/env bash
# Records a scripted two-minute brawl headless, replays the recording
# headless and checks that every fighter and the frames are the same at
# several points; damaged recordings are refused with the line at fault.
#   replay_test.sh CAPTURE DATA_ROOT SCRIPT [FRAMES]
set -euo pipefail
capture=$1
root=$2
script=$3
length=${4:-7200}  # two minutes
every=$((length / 4))
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null

"$capture" --root "$root" --mode fixed --size 160x120 --frames "$length" --every "$every" --trace \
  --input "$script" --record "$work/brawl.rec" "$work/a" > "$work/a.log"
"$capture" --root "$root" --every "$every" --trace --replay "$work/brawl.rec" "$work/b" > "$work/b.log"

# The traces (camera, player, every fighter's position and death) agree
# line for line, apart from the file names.
grep -q dead "$work/a.log" || { echo "nobody fell: the brawl proves little"; exit 1; }
diff <(grep -v '\.rec$' "$work/a.log" | sed "s|$work/a_||") <(sed "s|$work/b_||" "$work/b.log")
for f in $(seq "$every" "$every" "$length"); do cmp "$work/a_$(printf %04d "$f").png" "$work/b_$(printf %04d "$f").png"; done

# Damaged recordings: exit status 2 and the line at fault, before any frame.
refused() {  # NAME EXPECTED_MESSAGE
  local status=0
  "$capture" --root "$root" --replay "$work/$1" "$work/c" > "$work/c.log" 2>&1 || status=$?
  if [ "$status" -ne 2 ] || ! grep -q -- "$2" "$work/c.log"; then
    echo "$1: exit status $status"; cat "$work/c.log"; exit 1
  fi
}
head -n -1 "$work/brawl.rec" > "$work/cut.rec"
refused cut.rec "the end line is missing"
sed 's/^version .*/version 0.0.1/' "$work/brawl.rec" > "$work/old.rec"
refused old.rec "line 3: recorded by version 0.0.1"
sed '12s/.*/12 pad 1 axis leftx many/' "$work/brawl.rec" > "$work/nonsense.rec"
refused nonsense.rec "line 12: axis value"
echo "replayed $(grep -c '' "$work/brawl.rec") lines identically"
