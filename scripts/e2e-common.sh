# The helpers of the end-to-end tests (scripts/e2e-test, scripts/fault-test), sourced by them
# after they have set case_name, run_dir and out_dir. Makes the case's scratch folder $work and
# ends every X server, window manager and demo process started here on every way out.

title="The DELUGE v1.42 by QAX"
work=$(mktemp -d "${TMPDIR:-/tmp}/deluge-e2e.XXXXXX")
xvfb_pid="" jwm_pid="" deluge_pid="" xvfb_problem=""

# Processes started here get SIGTERM if this script is killed outright (a ctest timeout), so
# that no X server outlives it even when the EXIT trap cannot run.
parent_death=()
if setpriv --pdeathsig TERM true 2>/dev/null; then parent_death=(setpriv --pdeathsig TERM); fi

script_name=$(basename "$0")
log() { echo "$script_name $case_name: $*"; }

# Prints the logs that explain a failure, then fails the case.
fail() {
  echo "$script_name $case_name: FAIL: $*" >&2
  local file status=0
  if [ -n "$deluge_pid" ] && ! alive "$deluge_pid"; then
    wait "$deluge_pid" || status=$?
    deluge_pid=""
    echo "(deluge had ended with status $status)" >&2
  fi
  for file in deluge.err deluge.out xvfb.log jwm.log xdotool.log; do
    if [ -s "$work/$file" ]; then
      echo "--- $file (last lines)" >&2
      tail -n 20 "$work/$file" >&2
    fi
  done
  exit 1
}

# True while the process runs; false once it has ended, even before it is reaped.
alive() {
  local state
  [ -n "$1" ] || return 1
  state=$(sed 's/^.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1) || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}

stop() {
  local pid=$1 _
  alive "$pid" || { wait "$pid" 2>/dev/null; return 0; }
  kill -TERM "$pid" 2>/dev/null
  for _ in $(seq 20); do alive "$pid" || break; sleep 0.1; done
  alive "$pid" && kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  return 0
}

cleanup() {
  trap - EXIT INT TERM
  [ -n "$deluge_pid" ] && stop "$deluge_pid"
  [ -n "$jwm_pid" ] && stop "$jwm_pid"
  [ -n "$xvfb_pid" ] && stop "$xvfb_pid"
  # A case may have made folders read-only.
  chmod -R u+w "$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'fail "interrupted"' INT TERM

need() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || fail "'$tool' is not installed (scripts/install-deps installs it)"
  done
}

# --- the X display -------------------------------------------------------------------------

# Starts Xvfb on the first free display number (the server picks it and reports it on fd 9).
# Another server that is ending on that number at the same moment (other tests on this machine)
# can take the new one's socket away with its own, and a loaded machine can hold a start up:
# then another server is started.
start_xvfb() {
  local screen=$1 attempt
  for attempt in 1 2 3; do
    try_xvfb "$screen" && return 0
    log "Xvfb attempt $attempt: $xvfb_problem"
    stop "$xvfb_pid"
  done
  fail "$xvfb_problem"
}

# Sets xvfb_pid and DISPLAY, or xvfb_problem to what went wrong.
try_xvfb() {
  local screen=$1 deadline=$((SECONDS + 15)) number=""
  "${parent_death[@]}" Xvfb -displayfd 9 -screen 0 "$screen" -nolisten tcp -noreset \
    9>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  while [ -z "$number" ]; do
    alive "$xvfb_pid" || { xvfb_problem="Xvfb ended at start-up"; return 1; }
    [ $SECONDS -lt $deadline ] || { xvfb_problem="Xvfb did not report a display within 15 s"; return 1; }
    sleep 0.05
    number=$(head -n 1 "$work/display" 2>/dev/null)
  done
  export DISPLAY=":$number"
  xdpyinfo >/dev/null 2>&1 || { xvfb_problem="cannot connect to Xvfb on $DISPLAY"; return 1; }
}

# Starts jwm without a tray or menu, and waits until it manages the screen.
start_jwm() {
  local deadline=$((SECONDS + 10))
  cat >"$work/jwmrc" <<'EOF'
<?xml version="1.0"?>
<JWM>
  <FocusModel>click</FocusModel>
</JWM>
EOF
  HOME=$work "${parent_death[@]}" jwm -f "$work/jwmrc" >"$work/jwm.log" 2>&1 &
  jwm_pid=$!
  while [ $SECONDS -lt $deadline ]; do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    alive "$jwm_pid" || fail "jwm ended at start-up"
    sleep 0.05
  done
  fail "jwm did not take the screen within 10 s"
}

screen_size() { xdpyinfo 2>/dev/null | awk '/dimensions:/ {print $2; exit}'; }

# --- the demo ------------------------------------------------------------------------------

# Starts the demo in its working folder. SIGINT and SIGTERM are reset to their defaults, as in
# a terminal (a background job of a script would otherwise start with SIGINT ignored). Sound
# goes to a file so that no sound device is needed. A case may set deluge_env to arguments of
# env (-u NAME first, then NAME=VALUE) and deluge_wrapper to a command that runs the demo.
deluge_env=() deluge_wrapper=()
start_deluge() {
  (
    cd "$run_dir" || exit 127
    unset WAYLAND_DISPLAY SDL_VIDEODRIVER
    export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/audio.raw"
    exec env --default-signal=INT,TERM "${deluge_env[@]}" "${parent_death[@]}" "${deluge_wrapper[@]}" ./deluge
  ) >"$work/deluge.out" 2>"$work/deluge.err" &
  deluge_pid=$!
}

# The id of the newest window with exactly this name, or nothing. The whole tree is searched:
# under a window manager the client is a child of its frame, and xdotool cannot see message
# boxes.
window_id() {
  xwininfo -root -tree 2>/dev/null | awk -v name="\"$1\":" 'index($0, " " name " ") {id = $1} END {print id}'
}

# Waits for a window of this name; sets found_window. Fails early if the demo has ended.
wait_window() {
  local name=$1 seconds=$2 deadline=$((SECONDS + $2))
  found_window=""
  while [ $SECONDS -lt $deadline ]; do
    found_window=$(window_id "$name")
    [ -n "$found_window" ] && return 0
    alive "$deluge_pid" || fail "deluge ended before a window \"$name\" appeared"
    sleep 0.05
  done
  fail "no window \"$name\" appeared within $seconds s"
}

# Waits until the main window is up for good: the same id, viewable, in two looks 0.3 s apart.
# (The first frame may replace the window that SDL created first.) Sets main_window.
wait_main_window() {
  local deadline=$((SECONDS + 10)) previous=""
  wait_window "$title" 10
  while [ $SECONDS -lt $deadline ]; do
    main_window=$(window_id "$title")
    if [ -n "$main_window" ] && [ "$main_window" = "$previous" ] &&
      xwininfo -id "$main_window" 2>/dev/null | grep -q 'Map State: IsViewable'; then
      return 0
    fi
    alive "$deluge_pid" || fail "deluge ended while its window was opening"
    previous=$main_window
    sleep 0.3
  done
  fail "the window \"$title\" did not settle within 10 s"
}

# Answers the start-up question with a key: Return (Yes) or Escape (No).
answer_question() {
  local key=$1 deadline
  wait_window "Question" 15
  send_key "$found_window" "$key" "the question box"
  deadline=$((SECONDS + 5))
  while [ -n "$(window_id "Question")" ]; do
    [ $SECONDS -lt $deadline ] || fail "the question box stayed open after $key"
    sleep 0.05
  done
}

# Sends a key press and release; xdotool's own chatter goes to a log that a failure prints.
# An error is not fatal: the demo may end on the press and take its window away before the
# release reaches it. What the key must do is checked afterwards.
send_key() {
  xdotool key --window "$1" "$2" >>"$work/xdotool.log" 2>&1 ||
    echo "(xdotool reported an error sending $2 to $3)" >>"$work/xdotool.log"
}

# Waits up to the given seconds for the demo to end and checks that it ended with status 0
# and a clean shutdown.
expect_clean_exit() {
  local seconds=$1 what=$2 deadline status=0
  deadline=$(($(date +%s%N) + seconds * 1000000000))
  while alive "$deluge_pid"; do
    [ "$(date +%s%N)" -lt "$deadline" ] || fail "deluge still runs ${seconds} s after $what"
    sleep 0.05
  done
  wait "$deluge_pid" || status=$?
  deluge_pid=""
  [ "$status" -eq 0 ] || fail "deluge ended with status $status after $what (expected 0)"
  if grep -q 'graphics objects at exit' "$work/deluge.err"; then
    fail "deluge left graphics objects unreleased after $what"
  fi
}

window_geometry() {
  xwininfo -id "$1" 2>/dev/null | awk '
    /Absolute upper-left X:/ {x = $NF} /Absolute upper-left Y:/ {y = $NF}
    /Width:/ {w = $NF} /Height:/ {h = $NF}
    END {if (w != "") printf "%sx%s+%s+%s\n", w, h, x, y}'
}

# screenshot FILE XWD-ARGUMENTS...: the window (-id ID) or the whole screen (-root) as a PNG.
screenshot() {
  local file=$1
  shift
  mkdir -p "$(dirname "$file")" || fail "cannot create $(dirname "$file")"
  xwd -silent "$@" | convert xwd:- -alpha off png:"$file" || fail "screenshot ($*) failed"
  log "screenshot: $file"
}

# Counts pixel classes of a screenshot. The frame is drawn at scale 1 or 2 (each frame pixel a
# scale x scale block). Prints: width height light_in_label light_outside pixels_outside
# hatch_on_pattern pattern_places hatch_off_pattern blocks_not_uniform
#   light    all channels above 0xC0: the label's text, and the heads of the rain
#   hatch    the 25% hatch's foreground 0xF0003800 over black (green 0x35) or over itself
#            frame after frame (0x38), alone or OR-ed with a trail faded to its floor of 9:
#            red and blue at most 0x0F, green 0x33..0x3F
#   pattern  frame pixels where the hatch has its foreground: even rows x mod 4 = 0, odd rows
#            x mod 4 = 2
#   label    the label's rectangle x 2..29, y 2..14 in frame pixels
pixel_census() {
  local file=$1 scale=$2
  convert "$file" -alpha off -depth 8 txt:- | awk -F'[,:() ]+' -v s="$scale" '
    /^#/ {next}
    {
      X = $1; Y = $2; r = $3; g = $4; b = $5
      if (X + 1 > width) width = X + 1
      if (Y + 1 > height) height = Y + 1
      v = r "," g "," b
      if (s == 2) {
        if (Y % 2 == 0) { if (X % 2 == 0) row[X] = v; else if (row[X - 1] != v) uneven++ }
        else if (row[X - X % 2] != v) uneven++
      }
      x = int(X / s); y = int(Y / s)
      light = r > 192 && g > 192 && b > 192
      if (x >= 2 && x < 30 && y >= 2 && y < 15) { if (light) lightIn++; next }
      outside++
      if (light) lightOut++
      hatch = r <= 15 && b <= 15 && g >= 51 && g <= 63
      if ((y % 2 == 0 && x % 4 == 0) || (y % 2 == 1 && x % 4 == 2)) { places++; if (hatch) hatchOn++ }
      else if (hatch) hatchOff++
    }
    END {
      printf "%d %d %d %d %d %d %d %d %d\n", width, height, lightIn, lightOut, outside, hatchOn, places,
        hatchOff, uneven
    }'
}

# Checks a screenshot of the running demo: its size, the label, the hatch showing through
# between the rain's trails, a frame that is not washed out, and at scale 2 the doubling.
check_frame() {
  local file=$1 scale=$2 size=$3 census
  census=$(pixel_census "$file" "$scale") || fail "cannot read pixels of $file"
  read -r width height light_in light_out outside hatch_on places hatch_off uneven <<<"$census"
  log "pixels of $file: size ${width}x$height, light in the label $light_in, light elsewhere" \
    "$light_out of $outside, hatch on $hatch_on of $places places, hatch off the pattern $hatch_off," \
    "pixels unlike their 2x2 block $uneven"
  [ "${width}x$height" = "$size" ] || fail "$file is ${width}x$height, expected $size"
  [ "$light_in" -ge $((5 * scale * scale)) ] ||
    fail "the fps label is missing: $light_in light pixels in its rectangle"
  [ $((light_out * 100)) -lt $((outside * 3)) ] ||
    fail "the frame is washed out: $light_out of $outside pixels outside the label are light"
  [ $((hatch_on * 5)) -ge $((places * 2)) ] ||
    fail "the hatch is missing: $hatch_on of its $places places are dark green"
  [ "$hatch_off" -eq 0 ] || fail "$hatch_off dark green hatch pixels lie off the 25% pattern"
  [ "$uneven" -eq 0 ] || fail "$uneven pixels differ from their 2x2 block: the frame is not doubled"
}


# Starts full screen on a 1366x768 screen under jwm and waits until the window covers it.
start_fullscreen() {
  local deadline geometry=""
  need Xvfb xdpyinfo xwininfo xprop xdotool jwm xwd convert
  start_xvfb 1366x768x24
  start_jwm
  start_deluge
  answer_question Return
  wait_main_window
  deadline=$((SECONDS + 5))
  while [ $SECONDS -lt $deadline ]; do
    geometry=$(window_geometry "$(window_id "$title")")
    [ "$geometry" = 1366x768+0+0 ] && return 0
    sleep 0.1
  done
  fail "the full-screen window is $geometry, expected 1366x768+0+0"
}
