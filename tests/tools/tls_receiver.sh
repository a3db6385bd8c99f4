# shellcheck shell=bash disable=SC2154,SC2034  # zblog and configs from the test; tls for it
# Sourced by the shipping tests, after "set -euo pipefail" and setting zblog and configs
# (tools/rsyslog): skips (exit 77) when rsyslogd, its RELP modules or zblog are missing;
# sets tmp, a scratch directory removed at exit together with every process whose id is
# in receiver_pid, ship_pid, sender_pid or helper_pid; and gives the helpers below.
skip() {
  echo "SKIP: $*"
  exit 77
}
rsyslogd=$(command -v rsyslogd || echo /usr/sbin/rsyslogd)
[ -x "$rsyslogd" ] && ls /usr/lib/*/rsyslog/imrelp.so /usr/lib/*/rsyslog/omrelp.so >/dev/null 2>&1 ||
  skip "rsyslogd or its RELP modules missing (scripts/install-deps.sh test installs them)"
[ -x "$zblog" ] || skip "$zblog is not built in this configuration"
needs_ship() {
  [[ "$("$zblog" ship 2>&1 || true)" != *"built without ship"* ]] ||
    skip "zblog was built without ship (no librelp for this target)"
}

# stop PID stops one process that the test started, by its id: SIGTERM, then SIGKILL if
# it is still there after 10 s.
stop() {
  [ -n "$1" ] && kill -TERM "$1" 2>/dev/null || return 0
  wait_until 10 gone "$1" || kill -KILL "$1" 2>/dev/null || true
}
gone() { ! kill -0 "$1" 2>/dev/null; }
# wait_until SECONDS COMMAND...: polls COMMAND until it succeeds; false after SECONDS.
wait_until() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.1
  done
}
has() { grep -qs -- "$2" "$1"; } # has FILE TEXT
fail() {
  echo "FAIL: $*"
  tail -n 20 "$tmp"/*.out "$tmp"/*.err 2>/dev/null || true
  exit 1
}
tmp=$(mktemp -d)
receiver_pid="" ship_pid="" sender_pid="" helper_pid=""
cleanup() {
  local pid
  for pid in "$ship_pid" "$sender_pid" "$receiver_pid" "$helper_pid"; do stop "$pid"; done
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# make_certs makes in $tmp/tls a CA and certificates signed by it with openssl, as
# docs/SHIPPING.md ("Certificates") tells an administrator to:
#   ca.pem                     the CA
#   receiver.pem/.key          logs.example.net, the name the configurations expect
#   sender.pem/.key            sender.example.net, a permitted sender
#   outsider.pem/.key          outsider.test, signed by the CA but not a permitted peer
#   rogue-ca.pem, rogue.pem/.key   a second CA, and sender.example.net signed by it
# P-256 keys: quick to make, and GnuTLS and OpenSSL both take them.
make_certs() {
  local dir=$tmp/tls name
  local key=(-newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes)
  mkdir -p "$dir"
  for name in ca rogue-ca; do
    openssl req -x509 "${key[@]}" -days 2 -subj "/CN=$name" -keyout "$dir/$name.key" \
      -out "$dir/$name.pem" 2>/dev/null
  done
  while read -r cn name ca; do
    openssl req -new "${key[@]}" -subj "/CN=$cn" -keyout "$dir/$name.key" -out "$dir/$name.csr" 2>/dev/null
    printf 'subjectAltName=DNS:%s\nextendedKeyUsage=serverAuth,clientAuth\nkeyUsage=digitalSignature\n' \
      "$cn" >"$dir/$name.ext"
    openssl x509 -req -in "$dir/$name.csr" -CA "$dir/$ca.pem" -CAkey "$dir/$ca.key" \
      -CAcreateserial -days 2 -extfile "$dir/$name.ext" -out "$dir/$name.pem" 2>/dev/null
  done <<CERTS
logs.example.net receiver ca
sender.example.net sender ca
outsider.test outsider ca
sender.example.net rogue rogue-ca
CERTS
  for name in ca receiver sender outsider rogue-ca rogue; do
    [ -s "$dir/$name.pem" ] || fail "openssl did not make $name.pem"
  done
}
# The options with which ship trusts the test's receiver and shows itself as sender.
tls=(--tls-ca "$tmp/tls/ca.pem" --tls-cert "$tmp/tls/sender.pem" --tls-key "$tmp/tls/sender.key"
  --tls-peer logs.example.net)

# run_rsyslogd NAME: rsyslogd in the background with $tmp/NAME.body and the work
# directory $tmp/NAME; the configuration checked first.
run_rsyslogd() {
  mkdir -p "$tmp/$1"
  printf 'global(workDirectory="%s/%s")\ninclude(file="%s/%s.body")\n' "$tmp" "$1" "$tmp" "$1" >"$tmp/$1.conf"
  "$rsyslogd" -N1 -f "$tmp/$1.conf" >"$tmp/check.out" 2>&1 || fail "the configuration $1"
  "$rsyslogd" -n -f "$tmp/$1.conf" -i "$tmp/$1.pid" >>"$tmp/$1.out" 2>&1 &
}
# start_receiver starts rsyslogd with zbutil-receive.conf, writing under ${out:-$tmp/out},
# on a free port: a few tries at random ports, each bounded. Sets port (kept when
# already set, for a restart) and receiver_pid; fails the test when it cannot.
start_receiver() {
  local try
  for try in $(seq 10); do
    [ -n "${port:-}" ] || port=$((20000 + RANDOM % 40000))
    sed -e "s|/var/log/zbutil|${out:-$tmp/out}|" -e "s|port=\"2514\"|port=\"$port\"|" \
      -e "s|/etc/zbutil/tls|$tmp/tls|g" "$configs/zbutil-receive.conf" >"$tmp/receive.body"
    mkdir -p "${out:-$tmp/out}"
    run_rsyslogd receive
    receiver_pid=$!
    wait_until 5 eval 'listening || gone "$receiver_pid"'
    ! gone "$receiver_pid" && listening && return 0
    stop "$receiver_pid"
    port=""
  done
  fail "the receiver did not start after $try tries"
}
listening() { (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; }
# start_forwarder [SED_EXPRESSION]: rsyslogd with zbutil-forward.conf, sending what
# imfile reads in $tmp/logs to the receiver; sets sender_pid.
start_forwarder() {
  sed -e "s|/qtr/bin/zoredezuv/logs|$tmp/logs|" -e "s|target=\"logs.example.net\"|target=\"127.0.0.1\"|" \
    -e "s|port=\"2514\"|port=\"$port\"|" -e "s|/etc/zbutil/tls|$tmp/tls|g" -e "${1:-}" \
    "$configs/zbutil-forward.conf" >"$tmp/send.body"
  has "$tmp/send.body" "port=\"$port\"" || fail "the sending configuration changed shape"
  run_rsyslogd send
  sender_pid=$!
}
