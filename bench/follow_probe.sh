#!/bin/bash
# Probe of `zblog parse --follow` under frequent rotation: several writers append as
# fast as they can to a log that rotates every few milliseconds; the follower's output
# is compared with what was written. Prints written, printed (distinct and repeated),
# missing, and the follower's exit status and loss reports.
#
# Usage: follow_probe.sh ZBLOG [WRITERS] [RECORDS_PER_WRITER] [MAX_SIZE] [BACKUPS]
set -euo pipefail
zblog=$1
writers=${2:-8}
per_writer=${3:-15000}
max_size=${4:-65536}
backups=${5:-3}
tmp=$(mktemp -d)
follower=""
trap '[ -n "$follower" ] && kill "$follower" 2>/dev/null; [ -n "${KEEP:-}" ] || rm -rf "$tmp"' EXIT
"$zblog" -d "$tmp" -n app.log "start"
"$zblog" parse --follow "$tmp/app.log" >"$tmp/out" 2>"$tmp/err" &
follower=$!
pids=()
for w in $(seq "$writers"); do
  seq "$per_writer" | sed "s/^/w$w r/" |
    "$zblog" -d "$tmp" -n app.log -s "$max_size" -b "$backups" --wait 2000 2>"$tmp/w$w.err" &
  pids+=($!)
done
for pid in "${pids[@]}"; do wait "$pid" || true; done
lost_writing=$(cat "$tmp"/w*.err | awk '/records lost/ {n += $2} END {print n + 0}')
sleep 1  # let the follower see the quiet log (two polls)
kill -TERM "$follower"
status=0
wait "$follower" || status=$?
follower=""
written=$((writers * per_writer - lost_writing + 1))
grep -o '"message":"[^"]*"' "$tmp/out" | sort >"$tmp/printed"
printed=$(wc -l <"$tmp/printed")
distinct=$(uniq "$tmp/printed" | wc -l)
echo "written=$written printed=$printed distinct=$distinct missing=$((written - distinct))" \
  "repeated=$((printed - distinct)) exit=$status reports=$(wc -l <"$tmp/err")"
head -5 "$tmp/err"
[ -z "${KEEP:-}" ] || echo "kept $tmp"
