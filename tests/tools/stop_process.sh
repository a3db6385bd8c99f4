# Sourced by the shipping tests: stop PID stops one process that the test started, by
# its id: SIGTERM, then SIGKILL if it is still there after 10 s.
stop() {
  local pid=$1
  [ -n "$pid" ] || return 0
  kill -TERM "$pid" 2>/dev/null || return 0
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
}
