# shellcheck shell=bash disable=SC2154  # tmp, configs, rsyslogd: the caller's
# Sourced by the RELP tests: start_receiver starts rsyslogd with the receiving
# configuration of $configs (imrelp, its output under $tmp/out) on a free port of
# loopback, or on $port again after a restart; sets port and receiver_pid. Needs tmp,
# configs, rsyslogd, and the functions stop (stop_process.sh) and fail.
start_receiver() {
  for _ in $(seq 10); do
    [ -n "${port:-}" ] || port=$((20000 + RANDOM % 40000))
    sed -e "s|/var/log/zbutil|$tmp/out|" -e "s|port=\"2514\"|port=\"$port\"|" \
      -e "s|port=\"10514\"|port=\"$((port + 1))\"|" "$configs/zbutil-receive.conf" \
      >"$tmp/receive.body"
    printf 'global(workDirectory="%s/receive")\ninclude(file="%s/receive.body")\n' \
      "$tmp" "$tmp" >"$tmp/receive.conf"
    "$rsyslogd" -n -f "$tmp/receive.conf" -i "$tmp/receive.pid" >>"$tmp/receiver.out" 2>&1 &
    receiver_pid=$!
    for _ in $(seq 50); do
      (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && return 0
      kill -0 "$receiver_pid" 2>/dev/null || break
      sleep 0.1
    done
    stop "$receiver_pid"
    port=""
  done
  fail "the receiver did not start"
}
