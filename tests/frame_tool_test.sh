#!/usr/bin/env bash
# The frame tool: frames, atlas and picture files, the same bytes on every run, and exit 2 with
# a usage line on a bad argument.
set -euo pipefail
tool="$1/deluge-frames"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "frame tool test: $*" >&2; exit 1; }

mkdir "$work/a" "$work/b" "$work/c"
"$tool" --out "$work/a" --frames 40 --every 20 --atlas "$work/a/atlas.png" --picture "$work/a/picture.png"
"$tool" --out "$work/b" --frames 40 --every 20 --atlas "$work/b/atlas.png" --picture "$work/b/picture.png"
for f in frame-00020.png frame-00040.png atlas.png picture.png; do
  [ -s "$work/a/$f" ] || fail "no $f"
  cmp -s "$work/a/$f" "$work/b/$f" || fail "$f differs between two runs"
done
[ "$(ls "$work/a" | grep -c '^frame-')" -eq 2 ] || fail "expected exactly frames 20 and 40"

# Full screen on a 1366 × 768 desktop: the window's content at the desktop size.
"$tool" --out "$work/c" --frames 3 --desktop 1366x768
file_size=$(od -An -tu1 -j16 -N8 "$work/c/frame-00003.png" | tr -s ' ')
[ "$file_size" = " 0 0 5 86 0 0 3 0" ] || fail "full-screen frame is not 1366x768 ($file_size)"

for bad in "" "--out $work" "--out $work --frames 0" "--out $work --frames x" "--out $work --frames 2 --every" \
           "--out $work --frames 2 --desktop 100" "--out $work --frames 2 --bogus 1" "--frames 2" \
           "--frames 2 --rss-every 0"; do
  set +e
  # shellcheck disable=SC2086
  message=$("$tool" $bad 2>&1 >/dev/null)
  status=$?
  set -e
  [ "$status" -eq 2 ] || fail "'$bad' exited $status, not 2"
  [[ "$message" == usage:* ]] || fail "'$bad' printed no usage line"
done
echo "frame tool test: ok"
