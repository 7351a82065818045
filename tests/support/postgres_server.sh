#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests, in a folder of its own on a Unix socket:
#   postgres_server.sh start STATE   starts one and writes its connection string to STATE
#   postgres_server.sh stop STATE    stops it and removes its folder
#   postgres_server.sh pause|resume STATE   stops it as a crash would, starts it again
# Run as root, the server runs as nobody (PostgreSQL refuses root). Where no server can be
# started, STATE says why and the tests that need it are skipped.
set -u
command=$1
state=$2

server_bin() {
  ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1
}
as_server() {
  # From a folder the server's user may enter (the build folder may be root's own).
  if [ "$(id -u)" -eq 0 ]; then (cd /tmp && runuser -u nobody -- "$@"); else "$@"; fi
}

case "$command" in
  start)
    bin=$(server_bin)
    if [ -z "$bin" ] || [ ! -x "$bin/initdb" ] || [ ! -x "$bin/pg_ctl" ]; then
      echo "unavailable: no PostgreSQL server is installed" > "$state"
      exit 0
    fi
    dir=$(mktemp -d /tmp/capcode-pg-XXXXXX)
    chmod 755 "$dir"
    [ "$(id -u)" -eq 0 ] && chown nobody "$dir"
    if ! as_server "$bin/initdb" -D "$dir/data" -U capcode --auth=trust -E UTF8 \
        > "$dir/initdb.log" 2>&1; then
      echo "unavailable: initdb failed ($(tail -1 "$dir/initdb.log"))" > "$state"
      exit 0
    fi
    if ! as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
        -o "-k $dir -c listen_addresses= -c max_connections=60" start > /dev/null 2>&1; then
      echo "unavailable: the server did not start ($(tail -1 "$dir/server.log"))" > "$state"
      exit 0
    fi
    echo "host=$dir user=capcode dbname=postgres" > "$state"
    echo "$dir" > "$state.dir"
    ;;
  pause)
    # The server goes away as if its machine failed; its data stays for resume.
    dir=$(cat "$state.dir")
    as_server "$(server_bin)/pg_ctl" -D "$dir/data" -m immediate -w stop > /dev/null 2>&1
    ;;
  resume)
    dir=$(cat "$state.dir")
    as_server "$(server_bin)/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
      -o "-k $dir -c listen_addresses= -c max_connections=60" start > /dev/null 2>&1
    ;;
  stop)
    [ -f "$state.dir" ] || exit 0
    dir=$(cat "$state.dir")
    as_server "$(server_bin)/pg_ctl" -D "$dir/data" -m immediate -w stop > /dev/null 2>&1
    rm -rf "$dir" "$state.dir"
    ;;
  *)
    echo "usage: $0 start|stop STATE" >&2
    exit 2
    ;;
esac
