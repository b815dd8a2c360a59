# Sourced by the Wine tests of zvk.exe: ShowAndClose PID SHOT waits until the
# zvk.exe of that process shows its frame, takes a screenshot of the screen,
# asks it to close as Windows does at shut-down (WM_CLOSE) and waits until it
# has ended. Needs wine() and fail() of the script that sources it.
ShowAndClose() {
  local zvk="$1" shot="$2" window=""
  # The first program with a window in a new Wine prefix waits for Wine to
  # set up its desktop, which takes most of a minute on a loaded machine.
  for _ in $(seq 1200); do
    window="$(xdotool search --onlyvisible --class 'zvk' 2>/dev/null | head -n1 || true)"
    [ -n "$window" ] && break
    kill -0 "$zvk" 2>/dev/null || fail "zvk.exe ended before its frame showed"
    sleep 0.1
  done
  [ -n "$window" ] || fail "no frame window of zvk.exe appeared"
  # Time for the first paint.
  sleep 2
  import -window root "$shot"
  wine taskkill /IM zvk.exe >/dev/null 2>&1 || true
  for _ in $(seq 100); do kill -0 "$zvk" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$zvk" 2>/dev/null; then
    kill "$zvk"
    fail "zvk.exe did not close when asked"
  fi
  wait "$zvk" || true
}
