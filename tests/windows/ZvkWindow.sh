# Sourced by the Wine tests of zvk.exe. Needs wine() and fail() of the script
# that sources it.

# WaitForWindow PID TITLE [TENTHS]: waits until a visible window titled
# exactly TITLE shows (at most TENTHS tenths of a second, default 100) while
# the process PID runs; prints its id.
WaitForWindow() {
  local zvk="$1" title="$2" tenths="${3:-100}" window=""
  for _ in $(seq "$tenths"); do
    window="$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n1 || true)"
    [ -n "$window" ] && { echo "$window"; return 0; }
    kill -0 "$zvk" 2>/dev/null || fail "zvk.exe ended while waiting for \"$title\""
    sleep 0.1
  done
  fail "no window \"$title\" of zvk.exe appeared"
}

# Shown TITLE: whether a visible window titled exactly TITLE is there.
Shown() {
  [ -n "$(xdotool search --onlyvisible --name "^${1}\$" 2>/dev/null | head -n1 || true)" ]
}

# WaitForFrame PID: waits until the zvk.exe of that process shows its frame;
# prints its id. The first program with a window in a new Wine prefix waits
# for Wine to set up its desktop, which takes most of a minute on a loaded
# machine.
WaitForFrame() {
  WaitForWindow "$1" "Zelvik 89CXX Family Programmer" 1200
  # Time for the first paint.
  sleep 2
}

# Focus WINDOW: gives the window the keyboard. Keys go to whichever window
# has it, and Wine may not yet have made a new window the active one.
Focus() {
  xdotool windowfocus --sync "$1" 2>/dev/null || true
  sleep 0.3
}

# Answer PID TITLE KEY: presses KEY in the window titled TITLE until that
# window has gone.
Answer() {
  local zvk="$1" title="$2" key="$3" window
  window="$(WaitForWindow "$zvk" "$title")"
  for _ in 1 2 3 4 5; do
    Focus "$window"
    xdotool key "$key"
    for _ in $(seq 30); do
      Shown "$title" || return 0
      sleep 0.1
    done
  done
  fail "\"$title\" of zvk.exe stayed after $key"
}

# CloseZvk PID: asks zvk.exe to close as Windows does at shut-down (WM_CLOSE)
# and waits until it has ended.
CloseZvk() {
  local zvk="$1"
  wine taskkill /IM zvk.exe >/dev/null 2>&1 || true
  for _ in $(seq 100); do kill -0 "$zvk" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$zvk" 2>/dev/null; then
    kill "$zvk"
    fail "zvk.exe did not close when asked"
  fi
  wait "$zvk" || true
}

# ShowAndClose PID SHOT: waits for the frame, takes a screenshot of the screen
# and closes zvk.exe.
ShowAndClose() {
  WaitForFrame "$1" >/dev/null
  import -window root "$2"
  CloseZvk "$1"
}
