#!/bin/bash
# Ships logs with `zblog ship` to an rsyslogd running tools/rsyslog/zbutil-receive.conf
# (imrelp over TLS, certificates made for the test) on loopback, with its own
# configuration and work directory in a scratch directory. Several writers log with
# frequent rotations; meanwhile ship is killed with SIGKILL at random moments and
# restarted, and the receiver is stopped for a few seconds and started again. At the
# end every record written must have arrived; duplicates may come only from the kills
# and the outage and are counted (a run without kills: at most ship's window of 64,
# the messages whose acknowledgments TLS had not yet handed to librelp at the outage).
# Skips (exit 77) when rsyslogd or its imrelp module is missing or zblog lacks ship.
#
# Usage: relp_shipping_test.sh ZBLOG CONFIG_DIR [kills|quiet|imfile]
#   kills (default): the test above; quiet: no kills; imfile: the same writers,
#   rotations and outage through zbutil-forward.conf instead of ship (measurement:
#   loss is reported, not failed). Each prints "result: PATH written lost dup rate".
set -euo pipefail
zblog=$1
configs=$2
mode=${3:-kills}
# shellcheck source=tests/tools/tls_receiver.sh
. "$(dirname "$0")/tls_receiver.sh"
needs_ship
# About 200 KB a second in all: 12 backups of 64 KiB keep some 4 s of records, which must
# outlast ship's backlog at any kill (a 2 s outage leaves about 400 KB, more under load);
# a backlog older than the backups is lost, and reported, by design. The writers still
# rotate some 16 times, so backups are shifted while ship is down.
writers=4 per_writer=2500 max_size=65536 backups=12 deadline_seconds=40
mkdir -p "$tmp/logs" "$tmp/state"
log="$tmp/logs/app.log"
make_certs

# The service manager's side: a datagram socket (an abstract name) whose messages go
# to a file, one line each; ship pings the watchdog every 0.2 s.
notify="zblog-notify-$$"
python3 -c 'import socket, sys
s = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
s.bind("\0" + sys.argv[1])
out = open(sys.argv[2], "a", buffering=1)
out.write("listening\n")
while True:
    out.write(s.recv(4096).decode() + "\n")' "$notify" "$tmp/notify.out" &
helper_pid=$!
wait_until 10 has "$tmp/notify.out" listening
start_ship() {
  NOTIFY_SOCKET="@$notify" WATCHDOG_USEC=400000 "$zblog" ship --target 127.0.0.1 --port "$port" "${tls[@]}" \
    --state-dir "$tmp/state" --metrics "$tmp/metrics.prom" --hostname sender "$log" >>"$tmp/ship.out" 2>&1 &
  ship_pid=$!
}
start_receiver
"$zblog" -d "$tmp/logs" -n app.log "before the shipper started"
# A state file that is corrupt or another log's is refused; a symlink planted where
# ship writes its state is replaced, never written through.
state="$tmp/state/app.log.state"
for bad in "is corrupt:garbage" \
  "belongs to another log:$(printf 'zblog ship state 1\nlog /elsewhere/app.log\nposition 0\nhash 0000000000000000\n')"; do
  echo "${bad#*:}" >"$state"
  ! timeout 10 "$zblog" ship --target 127.0.0.1 --port "$port" "${tls[@]}" --state "$state" "$log" \
    2>"$tmp/refused.out" || fail "a bad state file was accepted"
  has "$tmp/refused.out" "${bad%%:*}" || fail "$(cat "$tmp/refused.out")"
done
rm "$state"
echo "untouched" >"$tmp/victim"
ln -s "$tmp/victim" "$state.tmp"
if [ "$mode" = imfile ]; then
  start_forwarder "s|Tag=\"zbutil\"|Tag=\"zbutil\" freshStartTail=\"off\"|"
else
  start_ship
fi

start=$(date +%s.%N)
pids=()
for w in $(seq "$writers"); do
  for i in $(seq "$per_writer"); do
    echo "w$w r$i"
    [ $((i % 50)) -ne 0 ] || sleep 0.1 # about 2,000 records a second in all
  done | "$zblog" -d "$tmp/logs" -n app.log -s "$max_size" -b "$backups" --wait 2000 2>"$tmp/w$w.out" &
  pids+=($!)
done
# One field of `ship --status --json`, which must be valid JSON.
status_field() {
  "$zblog" ship --status --json --state-dir "$tmp/state" "$log" >"$tmp/status.json"
  python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))[sys.argv[2]])' \
    "$tmp/status.json" "$1" || fail "--status --json: $(cat "$tmp/status.json")"
}
# A value of the metrics file, whose every line must be a comment or a sample.
metric() {
  grep -Evq '^(# (HELP|TYPE) zblog_ship_[a-z_]+ .+|zblog_ship_[a-z_]+(\{log="[^"]*"\})? [0-9]+)$' \
    "$tmp/metrics.prom" && fail "metrics: $(cat "$tmp/metrics.prom")"
  awk -v name="$1" '$1 ~ "^" name "({|$)" {print $2}' "$tmp/metrics.prom"
}
# ship's status and metrics while the receiver is away.
away_for_2_seconds() {
  status_field behind_bytes >"$tmp/behind.1"
  sleep 2
  [ "$(status_field behind_bytes)" -gt "$(cat "$tmp/behind.1")" ] ||
    fail "--status showed no backlog growing while the receiver was away"
  [ "$(status_field pid)" = "$ship_pid" ] || fail "--status did not name the ship"
  [ "$(metric zblog_ship_backlog_bytes)" -gt 0 ] || fail "metrics: no backlog while away"
}
# While they write: kills at random moments, and a receiver outage of two seconds.
kills=0
for step in $(seq 12); do
  sleep "0.$((RANDOM % 5 + 3))"
  if [ "$step" -eq 3 ]; then
    stop "$receiver_pid"
    if [ "$mode" = imfile ]; then sleep 2; else away_for_2_seconds; fi
    start_receiver
  elif [ "$mode" = kills ] && [ $((step % 2)) -eq 0 ]; then
    kill -KILL "$ship_pid"
    wait "$ship_pid" 2>/dev/null || true
    kills=$((kills + 1))
    [ "$step" -ne 8 ] || sleep 1.5 # down while the log rotates a few times
    start_ship
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || true; done
"$zblog" -d "$tmp/logs" -n app.log -s "$max_size" -b "$backups" "closing record"

received_file() { find "$tmp/out" -type f -name app.log | head -n 1; }
received() { # a file still being written may end inside a record: no failure
  local f
  f=$(received_file)
  [ -z "$f" ] || { "$zblog" parse "$f" 2>/dev/null || true; } | sed -n 's/.*"message":"\([^"]*\)".*/\1/p'
}
# Written: what the writers handed to the logger, less what the logger reported lost.
written=$((writers * per_writer + 2))
lost_writing=$(cat "$tmp"/w*.out | awk '/records lost/ {n += $2} END {print n + 0}')
# Until everything arrived or nothing more came for 8 s; the rate counts up to the last arrival.
end=$((SECONDS + deadline_seconds)) count=0 last=$SECONDS finish=$(date +%s.%N)
while [ "$SECONDS" -lt "$end" ] && [ $((SECONDS - last)) -le 8 ] && [ "$count" -lt $((written - lost_writing)) ]; do
  now=$(received | sort -u | wc -l)
  [ "$now" -eq "$count" ] || { count=$now last=$SECONDS finish=$(date +%s.%N); }
  sleep 0.2
done
if [ "$mode" != imfile ]; then
  # The backlog drains: ship confirms its last messages and saves the state at once.
  wait_until 10 eval '[ "$(status_field behind_bytes)" -eq 0 ]' || true
  [ "$(status_field behind_records)" -eq 0 ] || fail "--status: $(cat "$tmp/status.json")"
  wait_until 10 eval '[ "$(metric zblog_ship_backlog_bytes)" -eq 0 ]' || true
  [ "$(metric zblog_ship_backlog_records)" -eq 0 ] && [ "$(metric zblog_ship_connected)" -eq 1 ] &&
    { [ "$mode" = kills ] || [ "$(metric zblog_ship_acknowledged_records_total)" -gt 0 ]; } ||
    fail "metrics after the outage: $(cat "$tmp/metrics.prom")"
  # A stopped main loop pings no more; going on, it pings again.
  pings() { grep -c WATCHDOG=1 "$tmp/notify.out"; }
  kill -STOP "$ship_pid"
  sleep 0.3 # a ping under way arrives
  stopped_at=$(pings)
  sleep 1
  [ "$(pings)" -eq "$stopped_at" ] || fail "watchdog pings while stopped"
  kill -CONT "$ship_pid"
  wait_until 5 eval '[ "$(pings)" -gt "$stopped_at" ]' || fail "no pings after SIGCONT"
  stop "$ship_pid"
  for note in READY=1 "STATUS=connected to 127.0.0.1:$port; 0 records behind" \
    "STATUS=receiver 127.0.0.1:$port unreachable since" STOPPING=1; do
    has "$tmp/notify.out" "^$note" || fail "no $note notification: $(sort -u "$tmp/notify.out")"
  done
  [ "$(status_field shipping)" = False ] || fail "--status: a stopped ship still shipping"
fi
ship_pid=""

received | LC_ALL=C sort >"$tmp/received"
{
  echo "before the shipper started"
  echo "closing record"
  for w in $(seq "$writers"); do seq "$per_writer" | sed "s/^/w$w r/"; done
} | LC_ALL=C sort >"$tmp/written"
missing=$(LC_ALL=C comm -23 "$tmp/written" <(uniq "$tmp/received") | wc -l)
dups=$(($(wc -l <"$tmp/received") - $(uniq "$tmp/received" | wc -l)))
rate=$(echo "$finish $start $written" | awk '{printf "%d", $3 / ($1 - $2)}')
echo "result: $mode written=$written lost_by_writers=$lost_writing missing=$missing" \
  "duplicates=$dups kills=$kills records_per_second=$rate"
[ "$mode" = imfile ] && exit 0
# Every record in the log and its backups arrived, byte for byte (the JSON of each).
"$zblog" parse "$log"_*.Bak "$log" | LC_ALL=C sort >"$tmp/kept"
"$zblog" parse "$(received_file)" | LC_ALL=C sort -u >"$tmp/arrived"
[ -z "$(LC_ALL=C comm -23 "$tmp/kept" "$tmp/arrived")" ] || fail "records in the log did not arrive"
[ "$missing" -eq "$lost_writing" ] || fail "$missing records written did not arrive"
window=64
[ "$mode" = kills ] || [ "$dups" -le "$window" ] || fail "$dups duplicates without kills"

has "$tmp/ship.out" lost && fail "ship reported a loss"
# Its own lines: one per change of state, never per record.
has "$tmp/ship.out" "connected on port $port" && has "$tmp/ship.out" "went away (\|cannot connect" &&
  [ "$(wc -l <"$tmp/ship.out")" -lt 40 ] || fail "ship's lines: $(head -n 40 "$tmp/ship.out")"
[ "$(cat "$tmp/victim")" = "untouched" ] && [ -f "$state" ] && [ ! -L "$state" ] ||
  fail "the state was written through a symlink"
echo "ok"
