#!/usr/bin/env bash
# Installing: the files make install puts into a staging DESTDIR (a path with a space in it),
# the menu entry and icons, the installed launcher started from another folder (with no
# display, and on a virtual X display where it opens the demo's window and a key ends it with
# status 0), uninstalling, and the Debian package's files and dependencies.
#
#   tests/install_test.sh SOURCE_DIR BUILD_DIR
#
# Every process started here is ended on every way out.
set -uo pipefail

source_dir=$1
build_dir=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/deluge-install.XXXXXX")
stage="$work/stage root"
prefix=/usr/local
title="The DELUGE v1.42 by QAX"
xvfb_pid="" deluge_pid=""

parent_death=()
if setpriv --pdeathsig TERM true 2>/dev/null; then parent_death=(setpriv --pdeathsig TERM); fi

alive() { [ -n "$1" ] && [ -e "/proc/$1" ] && ! grep -q '^State:.*Z' "/proc/$1/status" 2>/dev/null; }

stop() {
  alive "$1" || return 0
  kill -TERM "$1" 2>/dev/null
  for _ in $(seq 20); do alive "$1" || break; sleep 0.1; done
  kill -KILL "$1" 2>/dev/null
  wait "$1" 2>/dev/null
}

cleanup() {
  trap - EXIT INT TERM
  stop "$deluge_pid"
  stop "$xvfb_pid"
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
  echo "install test: FAIL: $*" >&2
  local file
  for file in deluge.err xvfb.log install.log; do
    [ -s "$work/$file" ] && { echo "--- $file" >&2; tail -n 20 "$work/$file" >&2; }
  done
  exit 1
}

# The files, not folders, below a root, one relative path a line.
files_below() { (cd "$1" && find . ! -type d | sed 's|^\./||' | sort); }

expected_files() {
  local size
  printf '%s\n' "$1/bin/deluge" "$1/lib/deluge/deluge" "$1/lib/deluge/fmod.dll" "$1/lib/deluge/kv-deluge.it" \
    "$1/share/applications/deluge-demo.desktop"
  for size in 48 128 256; do echo "$1/share/icons/hicolor/${size}x$size/apps/deluge-demo.png"; done
}

# ---- make install into DESTDIR -----------------------------------------------------------

DESTDIR=$stage cmake --install "$build_dir" --prefix "$prefix" >"$work/install.log" 2>&1 || fail "cmake --install failed"
root="$stage$prefix"
diff <(expected_files "${prefix#/}" | sort) <(files_below "$stage") >"$work/diff" ||
  fail "installed files differ from the expected ones:$(echo; cat "$work/diff")"
[ -x "$root/bin/deluge" ] && [ -x "$root/lib/deluge/deluge" ] || fail "the launcher or the demo is not executable"

desktop=$root/share/applications/deluge-demo.desktop
desktop-file-validate "$desktop" >"$work/validate" 2>&1 || fail "desktop-file-validate: $(cat "$work/validate")"
grep -qx 'Exec=deluge' "$desktop" && grep -qx 'Icon=deluge-demo' "$desktop" ||
  fail "the menu entry does not start bin/deluge with the icon deluge-demo"
for size in 48 128 256; do
  # The PNG signature, then width and height in the IHDR chunk.
  header=$(od -An -tx1 -N24 "$root/share/icons/hicolor/${size}x$size/apps/deluge-demo.png" | tr -d ' \n')
  printf -v want '89504e470d0a1a0a0000000d49484452%08x%08x' "$size" "$size"
  [ "$header" = "$want" ] || fail "the ${size}x$size icon is not a ${size}x$size PNG"
done

# ---- the launcher without a display ------------------------------------------------------

mkdir "$work/elsewhere" "$work/elsewhere/bin" "$work/xdg" && chmod 700 "$work/xdg"
no_display() {
  (
    cd "$work/elsewhere" || exit 127
    unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER
    export XDG_RUNTIME_DIR="$work/xdg" SDL_AUDIODRIVER=dummy
    exec timeout -k 2 10 "$@"
  ) >/dev/null 2>"$work/deluge.err"
}
no_display "$root/bin/deluge"
status=$?
[ "$status" -eq 0 ] || fail "the launcher without a display ended with status $status (expected 0)"
! grep -q 'Cannot find fmod.dll!' "$work/deluge.err" || fail "the demo did not find fmod.dll in its folder"
grep -q 'no display could be opened' "$work/deluge.err" || fail "the demo did not run without a display"

# A launcher away from its installation says so and fails.
cp "$root/bin/deluge" "$work/elsewhere/stray-launcher"
no_display "$work/elsewhere/stray-launcher"
status=$?
[ "$status" -ne 0 ] && grep -q 'deluge: the demo is not installed in' "$work/deluge.err" ||
  fail "a launcher without the demo's folder ended with status $status: $(cat "$work/deluge.err")"

# ---- the launcher on a virtual display -------------------------------------------------

# The newest window with exactly this name. The whole tree is searched: xdotool cannot see
# SDL's message boxes.
window_id() {
  xwininfo -root -tree 2>/dev/null | awk -v name="\"$1\":" 'index($0, " " name " ") {id = $1} END {print id}'
}

# Xvfb picks a free display number itself and writes it to fd 9.
"${parent_death[@]}" Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp -noreset \
  9>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
deadline=$((SECONDS + 10))
until [ -s "$work/display" ]; do
  [ $SECONDS -lt $deadline ] && alive "$xvfb_pid" || fail "Xvfb did not start"
  sleep 0.05
done
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY

# Started through PATH, as a menu would, by a symbolic link in another folder, in that folder.
ln -s "$root/bin/deluge" "$work/elsewhere/bin/deluge"
(
  cd "$work/elsewhere" || exit 127
  unset WAYLAND_DISPLAY SDL_VIDEODRIVER
  export PATH="$work/elsewhere/bin:$PATH" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/audio.raw"
  exec env --default-signal=INT,TERM "${parent_death[@]}" deluge
) >/dev/null 2>"$work/deluge.err" &
deluge_pid=$!

deadline=$((SECONDS + 15))
while question=$(window_id Question) && [ -z "$question" ]; do
  [ -z "$(window_id ERROR)" ] || fail "the demo showed an error box instead of its question (no fmod.dll?)"
  alive "$deluge_pid" || fail "the demo ended before its question"
  [ $SECONDS -lt $deadline ] || fail "no question box within 15 s"
  sleep 0.05
done
xdotool key --window "$question" Escape 2>/dev/null

deadline=$((SECONDS + 10))
until window=$(window_id "$title") && [ -n "$window" ] &&
  xwininfo -id "$window" 2>/dev/null | grep -q 'Map State: IsViewable'; do
  alive "$deluge_pid" || fail "the demo ended before its window opened"
  [ $SECONDS -lt $deadline ] || fail "no window \"$title\" within 10 s"
  sleep 0.05
done
# Let the music play for a while: the demo finds its module in its working folder.
sleep 2
xdotool key --window "$(window_id "$title")" q 2>/dev/null
deadline=$((SECONDS + 5))
while alive "$deluge_pid"; do
  [ $SECONDS -lt $deadline ] || fail "the demo still runs 5 s after the key q"
  sleep 0.05
done
status=0
wait "$deluge_pid" || status=$?
deluge_pid=""
[ "$status" -eq 0 ] || fail "the demo ended with status $status after the key q (expected 0)"
[ -n "$(tr -d '\0' 2>/dev/null <"$work/audio.raw" | head -c 1)" ] ||
  fail "no sound was played: the sound library or the module was not found"
stop "$xvfb_pid"
xvfb_pid=""

# ---- make uninstall ----------------------------------------------------------------------

DESTDIR=$stage cmake -DPREFIX="$prefix" -P "$source_dir/scripts/uninstall.cmake" >>"$work/install.log" 2>&1 ||
  fail "uninstalling failed"
left=$(files_below "$stage")
[ -z "$left" ] || fail "uninstalling left files behind: $left"
[ ! -e "$root/lib/deluge" ] || fail "uninstalling left the folder lib/deluge behind"

# ---- the Debian package ------------------------------------------------------------------

cpack --config "$build_dir/CPackConfig.cmake" -B "$work/package" >>"$work/install.log" 2>&1 || fail "cpack failed"
deb=$(ls "$work"/package/deluge-demo_*.deb 2>/dev/null)
[ -n "$deb" ] || fail "cpack made no deluge-demo package"
dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {sub(/^\.\//, "", $NF); print $NF}' | sort >"$work/contents"
diff <(expected_files usr | sort) "$work/contents" >"$work/diff" ||
  fail "the package's files differ from the expected ones:$(echo; cat "$work/diff")"

depends=$(dpkg-deb --field "$deb" Depends)
packages=" $(sed 's/ *([^)]*)//g; s/,/ /g' <<<"$depends" | tr -s ' ') "
for package in libsdl2-2.0-0 libfreetype6 libfontconfig1 libspng0 libopenmpt0 fonts-liberation \
  fonts-ipafont-mincho; do
  [[ $packages == *" $package "* ]] || fail "Depends lacks $package: $depends"
done
# Every library that the demo or its sound library links comes from a package in Depends.
mkdir "$work/unpacked" && dpkg-deb -x "$deb" "$work/unpacked" || fail "cannot unpack $deb"
for binary in "$work/unpacked/usr/lib/deluge/deluge" "$work/unpacked/usr/lib/deluge/fmod.dll"; do
  for library in $(readelf -d "$binary" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    path=$(ldd "$binary" | awk -v lib="$library" '$1 == lib {print $3}')
    owner=$(dpkg -S "$path" 2>/dev/null || dpkg -S "/usr$path" 2>/dev/null)
    owner=${owner%%:*}
    [ -n "$owner" ] && [[ $packages == *" $owner "* ]] ||
      fail "$(basename "$binary") links $library (${owner:-no package}), which Depends lacks: $depends"
  done
done
echo "install test: ok"
