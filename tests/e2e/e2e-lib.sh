# What the end-to-end scripts that drive the real program share: failing,
# the processes they started (stopped on exit), finding windows, reading the
# screen, and dragging a file onto a slot the way a hand does. Sourced by a
# script that has set `source_program` (drag_source) and, for box_centre,
# `main_x` and `main_y` (the main window's client area on the screen).

fail() { echo "FAIL: $*" >&2; exit 1; }
note() { echo "$*" >&2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/e2e.XXXXXX")
pids=()
cleanup() {
  for p in "${pids[@]}"; do
    if kill -0 "$p" 2>/dev/null; then kill "$p"; wait "$p" 2>/dev/null || true; fi
  done
  xdotool keyup shift 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The visible window with exactly this title; waits while `pid` lives.
find_window() {
  local id
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    kill -0 "$2" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# Starts a client and waits for its window, trying again when it could not
# connect to the server (which happens when clients start together).
# Sets `pid` and `wid`.
start_client() {
  local name=$1 log=$2; shift 2
  for attempt in 1 2 3; do
    (cd / && exec "$@") >"$log" 2>&1 &
    pid=$!
    pids+=("$pid")
    if wid=$(find_window "$name" "$pid"); then return 0; fi
    note "$name did not show (attempt $attempt): $(cat "$log")"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    sleep 0.2
  done
  return 1
}

# The colour at a point of the screen, as #RRGGBB.
screen_pixel() {
  for _ in 1 2 3; do
    if import -window root "$work/shot.png" 2>/dev/null; then
      convert "$work/shot.png" -crop "1x1+$1+$2" -depth 8 txt:- | grep -o '#[0-9A-F]\{6\}' | head -1
      return 0
    fi
    sleep 0.2
  done
  fail "could not capture the screen"
}

# Waits for a point of the screen to take a colour.
expect_pixel() {
  local got
  for _ in $(seq 20); do
    got=$(screen_pixel "$1" "$2")
    [ "$got" = "$3" ] && return 0
    sleep 0.1
  done
  fail "$4: $got at $1,$2, not $3"
}

# Client area of a window: X Y W H.
client_geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
                            /^  Width/{w=$NF} /^  Height/{h=$NF} END{print x, y, w, h}'
}

# The middle of a picture box on the screen: its place in the client area
# from the window's table.
declare -A box_x=([1]=7 [2]=7 [3]=7 [4]=171 [5]=171 [6]=171)
declare -A box_y=([1]=35 [2]=135 [3]=235 [4]=35 [5]=135 [6]=235)
box_centre() { echo $((main_x + box_x[$1] + 75)) $((main_y + box_y[$1] + 45)); }

# Drags FILE from a fresh drag source onto picture box N, with Shift held
# for a move when asked; sets `told` to what the source's drag reported.
drag_onto() {
  local file=$1 n=$2 keys=${3:-} sx sy sw sh tx ty
  start_client 'drag source' "$work/source.log" "$source_program" "$file" 'drag source' 100 100 ||
    fail "the drag source did not show"
  local source_pid=$pid
  read -r sx sy sw sh < <(client_geometry "$wid")
  sx=$((sx + sw / 2)); sy=$((sy + sh / 2))
  read -r tx ty < <(box_centre "$n")
  xdotool mousemove "$sx" "$sy"; sleep 0.1
  xdotool mousedown 1; sleep 0.1
  for i in 1 2 3; do xdotool mousemove $((sx + 4 * i)) $((sy + 4 * i)); sleep 0.03; done
  if [ "$keys" = shift ]; then xdotool keydown shift; sleep 0.05; fi
  local steps=25
  for i in $(seq $steps); do
    xdotool mousemove $((sx + (tx - sx) * i / steps)) $((sy + (ty - sy) * i / steps)); sleep 0.03
  done
  for i in 1 2 3; do xdotool mousemove $((tx + i)) "$ty"; sleep 0.05; done
  sleep 0.2
  xdotool mouseup 1; sleep 0.1
  if [ "$keys" = shift ]; then xdotool keyup shift; fi
  for _ in $(seq 50); do kill -0 "$source_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$source_pid" 2>/dev/null && fail "the drag source is still dragging: $(cat "$work/source.log")"
  wait "$source_pid" || fail "the drag source failed: $(cat "$work/source.log")"
  told=$(sed -n 's/^exec: //p' "$work/source.log")
  note "drag of $(basename "$file") onto 图片框$n${keys:+ with $keys}: the source was told '$told'$(grep -q deleted "$work/source.log" && echo ', and deleted its file')"
}

# The frame the window manager put round a window: LEFT RIGHT TOP BOTTOM.
frame_extents() {
  local e
  for _ in $(seq 100); do
    e=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p' | tr -d ,)
    [ -n "$e" ] && { echo "$e"; return 0; }
    sleep 0.05
  done
  fail "no _NET_FRAME_EXTENTS on window $1"
}

# Outer frame of a window: X Y W H.
outer_geometry() {
  local x y w h l r t b
  read -r x y w h < <(client_geometry "$1")
  read -r l r t b < <(frame_extents "$1")
  echo $((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))
}
