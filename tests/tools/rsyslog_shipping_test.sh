#!/bin/bash
# Ships a log through rsyslog with the configurations in tools/rsyslog/: a sending and a
# receiving rsyslogd on loopback (RELP over TLS, certificates made for the test), each
# with its own configuration, work directory and pid file in a scratch directory.
# Several processes write records (some spanning lines) with rotations in between;
# every record that landed in the log or a backup must arrive exactly once. Skips (exit
# 77) only when rsyslogd or its RELP modules are not installed or the build left zblog
# out (the ThreadSanitizer build makes only the logger's tests).
#
# Usage: rsyslog_shipping_test.sh ZBLOG CONFIG_DIR
set -euo pipefail
zblog=$1
configs=$2
if [ ! -x "$zblog" ]; then
  echo "SKIP: $zblog is not built in this configuration"
  exit 77
fi
rsyslogd=$(command -v rsyslogd || echo /usr/sbin/rsyslogd)
if [ ! -x "$rsyslogd" ] || ! ls /usr/lib/*/rsyslog/omrelp.so >/dev/null 2>&1; then
  echo "SKIP: rsyslogd or its RELP modules missing (scripts/install-deps.sh test installs them)"
  exit 77
fi

rounds=3
writers=3
per_writer=5
max_size=8192
deadline_seconds=30

tmp=$(mktemp -d)
receiver_pid=""
sender_pid=""
# shellcheck source=tests/tools/stop_process.sh
. "$(dirname "$0")/stop_process.sh"
# shellcheck source=tests/tools/tls_receiver.sh
. "$(dirname "$0")/tls_receiver.sh"
cleanup() {
  stop "$sender_pid"
  stop "$receiver_pid"
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
fail() {
  echo "FAIL: $*"
  for f in "$tmp"/*.out; do echo "--- $f"; cat "$f"; done
  exit 1
}
# Polls `condition` until it holds or the deadline passes.
wait_for() {
  local what=$1
  shift
  local end=$((SECONDS + deadline_seconds))
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || fail "timed out waiting for $what"
    sleep 0.2
  done
}
mkdir -p "$tmp/logs" "$tmp/send" "$tmp/receive" "$tmp/out"
log="$tmp/logs/app.log"

# The shipped configurations, pointed at the scratch directory and a free port.
make_certs "$tmp/tls" || exit 1
start_receiver

sed -e "s|/qtr/bin/zoredezuv/logs|$tmp/logs|" -e "s|target=\"logs.example.net\"|target=\"127.0.0.1\"|" \
    -e "s|port=\"2514\"|port=\"$port\"|" -e "s|/etc/zbutil/tls|$tmp/tls|g" \
    "$configs/zbutil-forward.conf" >"$tmp/send.body"
printf 'global(workDirectory="%s/send")\ninclude(file="%s/send.body")\n' \
  "$tmp" "$tmp" >"$tmp/send.conf"
grep -q "port=\"$port\"" "$tmp/send.body" || fail "sender configuration changed shape"
"$rsyslogd" -N1 -f "$tmp/send.conf" >"$tmp/check.out" 2>&1 || fail "sender configuration"

write() {
  "$zblog" -d "$tmp/logs" -n app.log -s "$max_size" -b $((rounds + 2)) "$@"
}
# The first record exists before the sender starts: imfile reads the log from its start.
write -l warning "before the sender started"
"$rsyslogd" -n -f "$tmp/send.conf" -i "$tmp/send.pid" >"$tmp/sender.out" 2>&1 &
sender_pid=$!

written() { "$zblog" parse "$log"_*.Bak "$log" 2>/dev/null | LC_ALL=C sort; }
received() {
  local file
  file=$(find "$tmp/out" -type f -name app.log | head -n 1)
  [ -n "$file" ] && "$zblog" parse "$file" | LC_ALL=C sort
}
# imfile holds the last record of the log back until the next one starts (it has no
# line feed behind it), so everything but that one must have arrived.
all_but_last_arrived() {
  [ "$(received | wc -l)" -eq $(($(written | wc -l) - 1)) ]
}

for round in $(seq "$rounds"); do
  pids=()
  for writer in $(seq "$writers"); do
    for i in $(seq "$per_writer"); do
      case $i in
        2) write -l error -f writer.cpp -L "$i" "$(printf 'r%s w%s #%s first line\n  second line\n' "$round" "$writer" "$i")" ;;
        3) write -l 64 -- "r$round w$writer #$i tab	quote\" backslash\\ é ✓ ends with a line feed
" ;;
        *) write -l info "r$round w$writer #$i plain" ;;
      esac
    done &
    pids+=($!)
  done
  wait "${pids[@]}"
  # Fill the log past its limit one record at a time: the next round's first record
  # rotates it, after the sender has read all of it.
  filler=$(printf 'x%.0s' $(seq 1000))
  n=0
  while [ "$(stat -c %s "$log")" -le "$max_size" ]; do
    n=$((n + 1))
    write "r$round fill $n $filler"
  done
  wait_for "round $round to arrive" all_but_last_arrived
done
write -l audit "closing record"
wait_for "the last records to arrive" all_but_last_arrived

backups=$(ls "$log"_*.Bak | wc -l)
[ "$backups" -ge $((rounds - 1)) ] || fail "expected rotations, found $backups backups"
expected=$(written | grep -v '"message":"closing record"')
actual=$(received)
if [ "$expected" != "$actual" ]; then
  diff <(echo "$expected") <(echo "$actual") | head -20
  fail "records written and records received differ"
fi
echo "ok: $(echo "$actual" | wc -l) records in the log and $backups backups, each arrived once"
