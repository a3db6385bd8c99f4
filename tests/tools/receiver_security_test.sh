#!/bin/bash
# Hostile peers against rsyslogd with tools/rsyslog/zbutil-receive.conf on loopback
# (certificates made for the test), and a hostile receiver against zblog ship:
#  - a permitted sender naming itself "../.." (HOSTNAME) and "../../planted" (APP-NAME)
#    gets its records written inside the output directory, never outside it;
#  - a peer with a certificate from another CA, one the CA signed for a name that is
#    not permitted, and one without TLS are refused: nothing of theirs arrives;
#  - ship refuses a receiver whose certificate does not name the peer it expects, and
#    a peer refuses one that its CA did not sign.
# Skips (exit 77) when rsyslogd or imrelp is missing or the build lacks ship.
#
# Usage: receiver_security_test.sh ZBLOG RELP_PEER CONFIG_DIR
set -euo pipefail
zblog=$1
peer=$2
configs=$3
# shellcheck source=tests/tools/tls_receiver.sh
. "$(dirname "$0")/tls_receiver.sh"
[ -x "$peer" ] || skip "relp_peer is not built in this configuration"
# The output directory four levels down: a file that escaped it by the names below
# still lands inside the scratch directory.
out="$tmp/a/b/c/out"
make_certs
start_receiver

# peer CA CERT_NAME PEER_NAME: relp_peer with the CA and the certificate given.
send_as() {
  "$peer" "$port" "$tmp/tls/$1.pem" "$tmp/tls/$2.pem" "$tmp/tls/$2.key" "$3"
}

# Path traversal by a permitted sender: every name is used, only sanitised.
stamp="<134>1 2026-12-06T10:00:00+00:00"
send_as ca sender logs.example.net >"$tmp/peer.out" 2>&1 <<MESSAGES || fail "the permitted sender was refused"
$stamp ../.. ../../planted1 - - - escape by both names
$stamp ../../../.. planted2 - - - escape by the host name
$stamp .. ../planted3 - - - escape by the app name
$stamp . .. - - - dot names planted4
$stamp sender.example.net done.log - - - done
MESSAGES
# The last one written shows the rest were written before it (one queue, in order).
arrived=yes
wait_until 20 has "$out/sender.example.net/done.log" "done" || arrived=no
outside=$(find "$tmp" -path "$out" -prune -o -type f -print | grep -v "^$tmp/\(tls\|receive\)/" |
  grep -v "\.out$\|receive\.\(body\|conf\|pid\)$" || true)
[ -z "$outside" ] || fail "files created outside the output directory:" $outside
[ "$arrived" = yes ] || fail "the permitted sender's last record did not arrive"
inside=$(grep -rl "planted\|escape" "$out" | wc -l)
[ "$inside" -eq 4 ] || fail "expected the 4 hostile records inside the output directory, found $inside"

# Refused: peers without a certificate the receiver accepts (another CA's, one for a
# name not permitted), a peer without TLS, and receivers that are not the one expected
# (their certificate names another host, or the sender's CA did not sign it).
while read -r ca cert name; do
  if echo "$stamp intruder $cert - - - intruder" | if [ "$ca" = none ]; then
    "$peer" "$port" --insecure-no-tls
  else send_as "$ca" "$cert" "$name"; fi >"$tmp/peer.out" 2>&1; then
    fail "accepted: CA $ca, certificate $cert, receiver expected as $name"
  fi
done <<CASES
ca rogue logs.example.net
ca outsider logs.example.net
none plain -
ca sender other.example.net
rogue-ca sender logs.example.net
CASES
mkdir -p "$tmp/logs"
"$zblog" -d "$tmp/logs" -n app.log "intruder via ship"
"$zblog" ship --target 127.0.0.1 --port "$port" "${tls[@]:0:6}" --tls-peer other.example.net \
  --state "$tmp/app.state" "$tmp/logs/app.log" >"$tmp/ship.out" 2>&1 &
ship_pid=$!
wait_until 20 has "$tmp/ship.out" "cannot open a RELP session" || fail "ship did not report the refused receiver"
stop "$ship_pid"
ship_pid=""

# What the receiver has: a permitted sender's last record, after every refused one.
echo "$stamp sender.example.net done.log - - - done again" | send_as ca sender logs.example.net \
  >"$tmp/peer.out" 2>&1 || fail "the permitted sender was refused"
wait_until 20 has "$out/sender.example.net/done.log" "done again" || fail "the last record did not arrive"
! grep -rq "intruder" "$out" || fail "records of a refused peer arrived: $(grep -rl intruder "$out")"
echo "ok: ship said: $(head -n 1 "$tmp/ship.out")"
