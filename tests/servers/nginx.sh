#!/usr/bin/env bash
# Runs Debian's nginx as a plain foreground process of the tests (never the
# system service) with the example update-server configuration from
# deploy/nginx/update-server.conf, over HTTP and HTTPS on loopback.
#
#   nginx.sh start <state dir> <http port> <https port> <document root> [lifetime s]
#   nginx.sh stop  <state dir>
#
# start makes a fresh test CA (<state dir>/tls/ca.pem), renders the
# configuration, starts nginx, waits until both ports answer and returns.
# nginx logs every request to <state dir>/access.log. It ends by itself after
# the lifetime (default 900 s) even when stop is never called.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

port_open() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

stop_server() {
    local state=$1 pid
    [ -f "$state/nginx.pid" ] || return 0
    pid=$(cat "$state/nginx.pid")
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill -TERM "$pid" 2>/dev/null || true
        for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -KILL "$pid" 2>/dev/null || true
    fi
    rm -f "$state/nginx.pid"
}

case "${1:-}" in
start)
    state=${2:?state dir}; http_port=${3:?http port}; https_port=${4:?https port}
    docroot=${5:?document root}; lifetime=${6:-900}
    mkdir -p "$state" "$docroot"
    state=$(cd "$state" && pwd); docroot=$(cd "$docroot" && pwd)
    stop_server "$state"
    for port in "$http_port" "$https_port"; do
        if port_open "$port"; then echo "nginx.sh: port $port is already in use" >&2; exit 1; fi
    done
    "$here/make_test_ca.sh" "$state/tls"
    mkdir -p "$state/temp"
    : > "$state/access.log"
    : > "$state/error.log"

    LISTEN_ADDRESS=127.0.0.1 HTTP_PORT=$http_port HTTPS_PORT=$https_port SERVER_NAME=localhost \
    TLS_CERTIFICATE=$state/tls/server.pem TLS_CERTIFICATE_KEY=$state/tls/server.key \
    SERVER_ROOT=$docroot ACCESS_LOG=$state/access.log \
    /usr/bin/python3 - "$root/deploy/nginx/update-server.conf" "$state/update-server.conf" <<'PY'
import os, re, sys
names = ["LISTEN_ADDRESS", "HTTP_PORT", "HTTPS_PORT", "SERVER_NAME", "TLS_CERTIFICATE",
         "TLS_CERTIFICATE_KEY", "SERVER_ROOT", "ACCESS_LOG"]
text = open(sys.argv[1]).read()
text = re.sub(r"\$\{(%s)\}" % "|".join(names), lambda m: os.environ[m.group(1)], text)
open(sys.argv[2], "w").write(text)
PY

    cat > "$state/nginx.conf" <<CONF
# Test harness around the example update-server configuration.
daemon off;
master_process off;
worker_processes 1;
pid $state/nginx.pid;
error_log $state/error.log warn;
events { worker_connections 128; }
http {
    include /etc/nginx/mime.types;
    default_type application/octet-stream;
    client_body_temp_path $state/temp/body;
    proxy_temp_path $state/temp/proxy;
    fastcgi_temp_path $state/temp/fastcgi;
    uwsgi_temp_path $state/temp/uwsgi;
    scgi_temp_path $state/temp/scgi;
    include $state/update-server.conf;
}
CONF
    /usr/sbin/nginx -t -q -p "$state" -c "$state/nginx.conf" -e "$state/error.log"
    setsid timeout --kill-after=5 "$lifetime" \
        /usr/sbin/nginx -p "$state" -c "$state/nginx.conf" -e "$state/error.log" \
        </dev/null >"$state/nginx.out" 2>&1 &
    for _ in $(seq 100); do
        if port_open "$http_port" && port_open "$https_port" && [ -s "$state/nginx.pid" ]; then
            echo "nginx.sh: serving $docroot on http://127.0.0.1:$http_port and https://127.0.0.1:$https_port"
            exit 0
        fi
        sleep 0.1
    done
    echo "nginx.sh: nginx did not start" >&2
    cat "$state/error.log" "$state/nginx.out" >&2 || true
    exit 1
    ;;
stop)
    state=${2:?state dir}
    stop_server "$state"
    ;;
*)
    echo "usage: nginx.sh start <state> <http port> <https port> <docroot> [lifetime s] | stop <state>" >&2
    exit 2
    ;;
esac
