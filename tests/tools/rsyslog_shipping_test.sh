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
# shellcheck source=tests/tools/tls_receiver.sh
. "$(dirname "$0")/tls_receiver.sh"
rounds=3 writers=3 per_writer=5 max_size=8192
mkdir -p "$tmp/logs"
log="$tmp/logs/app.log"

# The shipped configurations, pointed at the scratch directory and a free port.
make_certs
start_receiver
write() {
  "$zblog" -d "$tmp/logs" -n app.log -s "$max_size" -b $((rounds + 2)) "$@"
}
# The first record exists before the sender starts: imfile reads the log from its start.
write -l warning "before the sender started"
start_forwarder

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
  wait_until 30 all_but_last_arrived || fail "round $round did not arrive"
done
write -l audit "closing record"
wait_until 30 all_but_last_arrived || fail "the last records did not arrive"

backups=$(ls "$log"_*.Bak | wc -l)
[ "$backups" -ge $((rounds - 1)) ] || fail "expected rotations, found $backups backups"
expected=$(written | grep -v '"message":"closing record"')
actual=$(received)
if [ "$expected" != "$actual" ]; then
  diff <(echo "$expected") <(echo "$actual") | head -20
  fail "records written and records received differ"
fi
echo "ok: $(echo "$actual" | wc -l) records in the log and $backups backups, each arrived once"
