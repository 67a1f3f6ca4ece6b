#!/bin/sh
# Figures of dravo-spark-config test against servers on 127.0.0.1:
#  - a healthy TLS + HTTP check (nginx with a certificate made here) beside
#    "openssl s_client" followed by "curl" doing the same by hand;
#  - a closed port, and a server that accepts and never answers (the loopback
#    test server of the build) as the Thrift server and as a ZooKeeper quorum
#    member, each against their timeout.
# No network but loopback; every server is stopped at the end.
#
#   bench/connection_test_bench.sh [BUILD_DIR [RUNS]]    # defaults: build 20
set -eu
build=${1:-build}
runs=${2:-20}
program="$build/bin/dravo-spark-config"
silent_server="$build/tests/loopback_test_server"
work=$(mktemp -d)
pids=""
cleanup() {
  for pid in $pids; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
export HOME="$work" DRAVO_REGISTRY_ROOT="$work" ODBCSYSINI="$work" ODBCINI="$work/odbc.ini"
: > "$work/odbcinst.ini"
: > "$work/odbc.ini"

# A free port from the kernel, let go again.
free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()'
}

openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 365 -subj /CN=bench \
  -addext subjectAltName=IP:127.0.0.1 -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
port=$(free_port)
mkdir -p "$work/nginx/logs"
cat > "$work/nginx/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
pid $work/nginx/nginx.pid;
error_log $work/nginx/logs/error.log;
events { worker_connections 64; }
http {
  access_log off;
  client_body_temp_path $work/nginx;
  server {
    listen 127.0.0.1:$port ssl;
    ssl_certificate $work/cert.pem;
    ssl_certificate_key $work/key.pem;
    location /cliservice { return 200; }
  }
}
CONF
/usr/sbin/nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" &
pids="$pids $!"
i=0
while ! python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 0.2)" 2>/dev/null; do
  i=$((i + 1)); [ "$i" -lt 50 ] || { echo "nginx did not start" >&2; exit 1; }; sleep 0.1
done

# Mean wall time of a command over $runs runs, in milliseconds.
mean_ms() {
  start=$(date +%s%N)
  i=0
  while [ "$i" -lt "$runs" ]; do
    "$@" > /dev/null 2>&1 || true
    i=$((i + 1))
  done
  end=$(date +%s%N)
  echo $(( (end - start) / runs / 1000000 ))
}

# Wall time of one run, in milliseconds.
once_ms() {
  start=$(date +%s%N)
  "$@" > /dev/null 2>&1 || true
  end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}

by_hand() {
  openssl s_client -connect "127.0.0.1:$port" -CAfile "$work/cert.pem" -verify_return_error </dev/null
  curl -sS --cacert "$work/cert.pem" -X POST -H 'Content-Type: application/x-thrift' --data '' \
    "https://127.0.0.1:$port/cliservice"
}

healthy="Host=127.0.0.1 Port=$port SSL=1 TrustedCerts=$work/cert.pem AllowSelfSignedServerCert=1 ThriftTransport=2 HTTPPath=cliservice AuthMech=0"
# shellcheck disable=SC2086
"$program" test $healthy --timeout 5 | sed -n '/tls:/p;/transport:/p'
# shellcheck disable=SC2086
tool=$(mean_ms "$program" test $healthy --timeout 5)
hand=$(mean_ms by_hand)
printf '%-52s %8s\n' "" "ms/run"
printf '%-52s %8s\n' "test, TLS + HTTP (all steps, $runs runs)" "$tool"
printf '%-52s %8s\n' "openssl s_client, then curl ($runs runs)" "$hand"
echo "ratio test / by hand: $(echo "$tool $hand" | awk '{ printf "%.2f", $1 / $2 }') (goal: 1.5 or less)"

closed=$(free_port)
printf '%-52s %8s\n' "closed port, --timeout 2" "$(once_ms "$program" test Host=127.0.0.1 Port="$closed" SSL=1 --timeout 2)"
"$silent_server" silent > "$work/silent.port" &
pids="$pids $!"
sleep 0.3
silent=$(head -1 "$work/silent.port")
for variant in "SSL=1" "ThriftTransport=1" "ThriftTransport=2" "ThriftTransport=0"; do
  printf '%-52s %8s\n' "silent server, $variant, --timeout 2 (bound 2500)" \
    "$(once_ms "$program" test Host=127.0.0.1 Port="$silent" "$variant" --timeout 2)"
done
printf '%-52s %8s\n' "silent ZooKeeper member, --timeout 2 (bound 2500)" \
  "$(once_ms "$program" test ServiceDiscoveryMode=1 ZKNamespace=dravo Host=127.0.0.1:"$silent" --timeout 2)"
