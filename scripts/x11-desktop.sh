# Sourced by the scripts that try the real program under Xvfb: a private desktop and the window
# geometry as the window manager has it. The caller starts with private_session, keeps the processes
# it starts in the `pids` array, and sets $win before asking for rectangles.

# A home of its own for the program's settings: sets $work, HOME, XDG_CONFIG_HOME and ASAN_OPTIONS,
# and on exit ends every process in $pids and removes $work. NAME goes into the folder's name.
private_session() {
  work=$(mktemp -d "/tmp/kestrum-$1.XXXXXX")
  export HOME=$work XDG_CONFIG_HOME=$work/.config
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
  pids=()
  trap end_private_session EXIT
}

end_private_session() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}

# Starts Xvfb at WIDTHxHEIGHT on $DISPLAY (on a free display of its choosing when DISPLAY is
# "auto" or unset), then openbox; returns once both answer, and ends the script with a message
# when either cannot start.
start_desktop() {
  if [ "${DISPLAY:-auto}" = auto ]; then
    # Xvfb picks a free display itself and names it only once it listens there, so that runs
    # side by side never reach for the same one.
    local named
    named=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${1}x${2}x24" -nolisten tcp 3>"$named" >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do [ -s "$named" ] && break; sleep 0.1; done
    [ -s "$named" ] || { echo "Xvfb could not start" >&2; exit 1; }
    export DISPLAY=:$(tr -dc 0-9 <"$named")
    rm -f "$named"
  else
    Xvfb "$DISPLAY" -screen 0 "${1}x${2}x24" -nolisten tcp >/dev/null 2>&1 &
    local server=$!
    pids+=($server)
    # Ours once the display's lock names it: a server that answers on a display another one
    # holds is not ours, and this run must not use it.
    local lock=/tmp/.X${DISPLAY#:}-lock
    for _ in $(seq 100); do
      [ "$(cat "$lock" 2>/dev/null | tr -dc 0-9)" = "$server" ] && xdpyinfo >/dev/null 2>&1 && break
      kill -0 "$server" 2>/dev/null || break
      sleep 0.1
    done
    [ "$(cat "$lock" 2>/dev/null | tr -dc 0-9)" = "$server" ] || { echo "Xvfb could not start on $DISPLAY" >&2; exit 1; }
  fi
  openbox >/dev/null 2>&1 &
  pids+=($!)
  # Ready once it announces what it supports: xdotool's windowactivate asks for _NET_ACTIVE_WINDOW,
  # which openbox lists only after it has taken the screen (seconds on a loaded machine).
  for _ in $(seq 300); do xprop -root _NET_SUPPORTED 2>/dev/null | grep -q '_NET_ACTIVE_WINDOW' && return 0; sleep 0.1; done
  echo "the window manager did not start on $DISPLAY" >&2
  exit 1
}

# Sets $win to the program's window once it is mapped and framed; false when none appears.
wait_for_window() {
  win=
  for _ in $(seq 100); do
    win=$(xdotool search --onlyvisible --name '^Kestrum$' 2>/dev/null | head -1 || true)
    [ -n "$win" ] && break
    sleep 0.1
  done
  [ -n "$win" ] || return 1
  sleep 1 # the window manager frames and places the window
}

# The client rectangle of $win: x y width height.
client_rect() {
  xwininfo -id "$win" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
                             /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'
}

# The frame rectangle of $win (client plus the window manager's frame): x y width height.
frame_rect() {
  local x y w h l r t b
  read -r x y w h < <(client_rect)
  read -r l r t b < <(xprop -id "$win" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  echo $((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))
}
