# Sourced by the window's X tests. start_private_xvfb WORK starts an X server of its own (any
# free display, reported back by the server) whose clients prove themselves with a cookie that
# xauth files under that number once it is known; it sets `xvfb` to the server's process and
# exports DISPLAY, XAUTHORITY and folders inside WORK for the program's settings and data.
# The server counts as started once a client is served; one that reports its display but serves
# none (seen once in a full suite run) is ended, its log shown, and a new one started, three times
# at most.
start_private_xvfb() {
  local work=$1 cookie display attempt
  cookie=$(od -An -tx1 -N16 /dev/urandom | tr -d " \n")
  export XAUTHORITY=$work/client-auth
  for attempt in 1 2 3; do
    rm -f "$work/server-auth" "$work/client-auth" "$work/display"
    touch "$work/server-auth" "$work/client-auth"
    xauth -q -f "$work/server-auth" add :0 . "$cookie"
    Xvfb -displayfd 3 -noreset -auth "$work/server-auth" -screen 0 1024x768x24 -nolisten tcp \
      3>"$work/display" 2>"$work/xvfb.log" &
    xvfb=$!
    for _ in $(seq 100); do
      [ -s "$work/display" ] && break
      sleep 0.1
    done
    if [ -s "$work/display" ]; then
      display=:$(head -n 1 "$work/display")
      xauth -q add "$display" . "$cookie"
      for _ in $(seq 50); do
        DISPLAY=$display xprop -root >/dev/null 2>&1 && break 2
        sleep 0.1
      done
    fi
    echo "Xvfb (attempt $attempt) serves no client; its log:" >&2
    cat "$work/xvfb.log" >&2
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    xvfb=""
  done
  [ -n "$xvfb" ] || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=$display QT_QPA_PLATFORM=xcb
  export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/runtime
  mkdir -m 700 "$work/runtime"
}
