#!/bin/bash
# zblog against a hostile log directory, with the real zblog and a real rsyslogd running
# tools/rsyslog/zbutil-receive.conf (imrelp) on loopback:
# - a symbolic link at the log's name and at a backup's name, pointing at a root-only
#   0600 log: parse, parse --follow and ship (run as whoever runs the test: root in CI)
#   refuse it, and not one byte of it reaches standard output or the receiver; a link
#   planted at the log's name while ship runs is reported and not followed;
# - a FIFO at the log's name, with and without a writer: parse --follow and ship refuse
#   it at once, never block;
# - the first SIGINT or SIGTERM stops parse --follow and ship, which saves its state;
# - one record of 256 MiB through parse, and through ship from a backup (after a
#   rotation) and from the live log: the output is whole, and the peak resident memory
#   stays under a bound far below the record's size (not checked when zblog is built
#   with AddressSanitizer, whose own memory would decide it).
# Skips (exit 77) when rsyslogd or imrelp is missing or zblog lacks ship.
#
# Usage: untrusted_input_test.sh ZBLOG CONFIG_DIR
set -euo pipefail
zblog=$1
configs=$2
# shellcheck source=tests/tools/tls_receiver.sh
. "$(dirname "$0")/tls_receiver.sh"
needs_ship
measure=/usr/bin/time
[ -x "$measure" ] || skip "GNU time missing (scripts/install-deps.sh test)"
max_rss_kib=$((192 * 1024)) # ship keeps up to 64 MiB of messages read ahead
grep -q __asan_init "$zblog" && max_rss_kib=""
mkdir -p "$tmp/logs" "$tmp/private" "$tmp/state"
logs=$tmp/logs
make_certs
start_receiver

ship() { # ship LOG [OPTION...]: in the background, ship_pid set
  local log=$1
  shift
  "$zblog" ship --target 127.0.0.1 --port "$port" "${tls[@]}" --state-dir "$tmp/state" --hostname sender \
    "$@" "$log" >>"$tmp/ship.err" 2>&1 &
  ship_pid=$!
}
# stopped PID WHAT: sends the first SIGINT and waits (bounded) for the end; sets status.
stopped() {
  kill -INT "$1"
  wait_until 5 gone "$1" || fail "$2 still runs 5 s after the first SIGINT"
  status=0
  wait "$1" || status=$?
}
arrived() { cat "$tmp"/out/*/* 2>/dev/null || true; }
arrived_has() { arrived | grep -q "$1"; }
# refused EXPECTED COMMAND...: exits 1 within 10 s, saying EXPECTED on standard error.
refused() {
  local expected=$1 status=0
  shift
  timeout 10 "$@" >"$tmp/refused.out" 2>"$tmp/refused.err" || status=$?
  [ "$status" -eq 1 ] || fail "$* exited with $status (124: it blocked)"
  has "$tmp/refused.err" "$expected" || fail "$*: $(cat "$tmp/refused.err")"
  ! has "$tmp/refused.out" TOPSECRET || fail "$* printed the secret"
}
# Each way of reading LOG refuses it, saying EXPECTED: parse, parse --follow, ship.
all_refuse() {
  local expected=$1 log=$2
  [ -n "${3:-}" ] || refused "$expected" "$zblog" parse "$log"
  refused "$expected" "$zblog" parse --follow "$log"
  refused "$expected" "$zblog" ship --target 127.0.0.1 --port "$port" "${tls[@]}" --state-dir "$tmp/state" "$log"
}

# The victim: a root-only log somewhere else.
"$zblog" -d "$tmp/private" -n secret.log "TOPSECRET shadow hash"
chmod 600 "$tmp/private/secret.log"

echo "--- a symbolic link at the log's name"
ln -s "$tmp/private/secret.log" "$logs/app.log"
all_refuse "symbolic link" "$logs/app.log"

echo "--- FIFOs at the log's name, without and with a writer"
rm "$logs/app.log"
mkfifo "$logs/app.log"
all_refuse FIFO "$logs/app.log"
sleep 60 >"$logs/app.log" & # its open waits for a reader, then it holds the pipe
helper_pid=$!
all_refuse FIFO "$logs/app.log" "not parse"
stop "$helper_pid"
helper_pid=""
rm "$logs/app.log"

echo "--- links and a FIFO at backup names; a link planted at the log's name while shipping"
"$zblog" -d "$logs" -n app.log "visible one"
ln -s "$tmp/private/secret.log" "$logs/app.log_1.Bak"
mkfifo "$logs/app.log_2.Bak"
ship "$logs/app.log" --from-oldest
wait_until 20 arrived_has "visible one" || fail "'visible one' did not arrive"
mv "$logs/app.log" "$logs/app.log.moved"
ln -s "$tmp/private/secret.log" "$logs/app.log"
wait_until 10 has "$tmp/ship.err" "log's name is now a symbolic link" || fail "the planted link went unreported"
"$zblog" -d "$logs" -n app.log.moved "visible two"
wait_until 20 arrived_has "visible two" || fail "'visible two' did not arrive"
# Status 1: the planted link is trouble worth an exit status.
stopped "$ship_pid" ship
[ "$status" -eq 1 ] || fail "ship: status $status: $(cat "$tmp/ship.err")"
ship_pid=""
grep -v -e "log's name is now" -e "connected on port" "$tmp/ship.err" && fail "ship reported more than the link"
has "$tmp/state/app.log.state" position || fail "ship did not save its state"
! arrived_has TOPSECRET || fail "the secret reached the receiver"

echo "--- one record of 256 MiB"
rm -f "$logs"/app.log*
{
  printf '\n%8X|2026/12/06|12:00:00|%27s|%5d|Error: - ' 1 big.cpp 1
  head -c $((256 * 1024 * 1024)) /dev/zero | tr '\0' 'x'
} >"$logs/big.log"
# ship reads it from a backup (after a rotation), then from the live log.
cp "$logs/big.log" "$logs/big.log_1.Bak"
touch -d "1 minute ago" "$logs/big.log_1.Bak"
printf '\n%8X|2026/12/06|12:00:00|%27s|%5d|Error: - end' 1 big.cpp 1 >>"$logs/big.log"
"$measure" -f %M -o "$tmp/parse.rss" "$zblog" parse "$logs/big.log" >"$tmp/big.json"
[ "$(wc -c <"$tmp/big.json")" -eq $((256 * 1024 * 1024 + 2 * 105 + 3)) ] || fail "parse cut the record"
rm "$tmp/big.json"
echo "parse: peak resident memory $(cat "$tmp/parse.rss") KiB"
[ -z "$max_rss_kib" ] || [ "$(cat "$tmp/parse.rss")" -lt "$max_rss_kib" ] || fail "parse: too much memory"
ship "$logs/big.log" --from-oldest
wait_until 20 arrived_has "big.cpp" || fail "'big.cpp' did not arrive"
received=0
for _ in $(seq 300); do # until it is all there and nothing more comes, 60 s at most
  sleep 0.2
  size=$(wc -c <"$tmp/out/sender/big.log")
  [ "$size" -lt $((512 * 1024 * 1024)) ] || [ "$size" -ne "$received" ] || break
  received=$size
done
ship_rss=$(awk '/VmHWM/ {print $2}' "/proc/$ship_pid/status")
stopped "$ship_pid" ship
[ "$status" -eq 0 ] || fail "ship: status $status: $(cat "$tmp/ship.err")"
ship_pid=""
echo "ship: peak resident memory $ship_rss KiB"
[ -z "$max_rss_kib" ] || [ "$ship_rss" -lt "$max_rss_kib" ] || fail "ship: too much memory"
[ "$(tr -cd x <"$tmp/out/sender/big.log" | wc -c)" -eq $((512 * 1024 * 1024)) ] ||
  fail "the record did not arrive whole, twice"

echo "--- the first SIGINT stops parse --follow and ship, also with the receiver away"
"$zblog" -d "$logs" -n quiet.log "a record"
"$zblog" parse --follow "$logs/quiet.log" >"$tmp/follow.out" 2>"$tmp/follow.err" &
wait_until 10 has "$tmp/follow.out" "a record" || fail "parse --follow did not print the record"
stopped $! "parse --follow"
[ "$status" -eq 0 ] || fail "parse --follow: $(cat "$tmp/follow.err")"
stop "$receiver_pid"
receiver_pid=""
"$zblog" -d "$logs" -n quiet.log "while the receiver is away"
: >"$tmp/ship.err"
ship "$logs/quiet.log"
wait_until 10 has "$tmp/ship.err" retrying || fail "ship did not say it is retrying"
stopped "$ship_pid" ship
ship_pid=""

echo ok
