# Sourced by the shipping tests: certificates made at test time, and rsyslogd with the
# shipped receiving configuration on loopback.
#
# make_certs DIR makes a CA and certificates signed by it with openssl, as README
# "Shipping off the machine" tells an administrator to:
#   ca.pem                     the CA
#   receiver.pem/.key          logs.example.net, the name the configurations expect
#   sender.pem/.key            sender.example.net, a permitted sender
#   outsider.pem/.key          outsider.test, signed by the CA but not a permitted peer
#   rogue-ca.pem, rogue.pem/.key   a second CA, and sender.example.net signed by it
make_certs() {
  local dir=$1
  local name
  mkdir -p "$dir"
  # P-256 keys: quick to make, and GnuTLS and OpenSSL both take them.
  new_ca() {
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 \
      -subj "/CN=$1" -keyout "$dir/$1.key" -out "$dir/$1.pem" 2>/dev/null
  }
  new_cert() {  # NAME FILE CA
    openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj "/CN=$1" \
      -keyout "$dir/$2.key" -out "$dir/$2.csr" 2>/dev/null
    printf 'subjectAltName=DNS:%s\nextendedKeyUsage=serverAuth,clientAuth\nkeyUsage=digitalSignature\n' \
      "$1" >"$dir/$2.ext"
    openssl x509 -req -in "$dir/$2.csr" -CA "$dir/$3.pem" -CAkey "$dir/$3.key" \
      -CAcreateserial -days 2 -extfile "$dir/$2.ext" -out "$dir/$2.pem" 2>/dev/null
    rm "$dir/$2.csr" "$dir/$2.ext"
  }
  new_ca ca
  new_ca rogue-ca
  new_cert logs.example.net receiver ca
  new_cert sender.example.net sender ca
  new_cert outsider.test outsider ca
  new_cert sender.example.net rogue rogue-ca
  for name in ca receiver sender outsider rogue-ca rogue; do
    [ -s "$dir/$name.pem" ] || { echo "FAIL: openssl did not make $name.pem"; return 1; }
  done
}

# start_receiver starts rsyslogd with zbutil-receive.conf from $configs, writing under
# $tmp/out, its certificates from $tmp/tls, on a free port: a few tries at random ports,
# each bounded. Sets port (kept when already set, for a restart) and receiver_pid;
# calls the test's fail when it cannot.
start_receiver() {
  local try
  for try in $(seq 10); do
    [ -n "${port:-}" ] || port=$((20000 + RANDOM % 40000))
    sed -e "s|/var/log/zbutil|$tmp/out|" -e "s|port=\"2514\"|port=\"$port\"|" \
      -e "s|/etc/zbutil/tls|$tmp/tls|g" "$configs/zbutil-receive.conf" >"$tmp/receive.body"
    printf 'global(workDirectory="%s/receive")\ninclude(file="%s/receive.body")\n' \
      "$tmp" "$tmp" >"$tmp/receive.conf"
    mkdir -p "$tmp/receive"
    "$rsyslogd" -N1 -f "$tmp/receive.conf" >"$tmp/check.out" 2>&1 ||
      fail "the receiving configuration: $(cat "$tmp/check.out")"
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
  fail "the receiver did not start after $try tries"
}

# The options with which ship trusts the test's receiver and shows itself as sender.
tls_options() {
  echo --tls-ca "$tmp/tls/ca.pem" --tls-cert "$tmp/tls/sender.pem" \
    --tls-key "$tmp/tls/sender.key" --tls-peer logs.example.net
}
