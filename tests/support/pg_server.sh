#!/usr/bin/env bash
# A private PostgreSQL server for the tests and the benchmark: its data and its socket in DIR,
# no TCP port, one superuser "stazione" trusted on the socket. Run as root (CI), the server runs
# as "nobody": PostgreSQL refuses to run as root.
#
#   pg_server.sh start DIR   a fresh cluster in DIR, started; the socket is DIR/.s.PGSQL.5432
#   pg_server.sh stop DIR    stops it and removes DIR
set -euo pipefail

BIN=${PG_BIN:-}
if [ -z "$BIN" ]; then
    for candidate in /usr/lib/postgresql/*/bin; do
        [ -x "$candidate/initdb" ] && BIN=$candidate
    done
fi
if [ -z "$BIN" ] || [ ! -x "$BIN/initdb" ]; then
    echo "pg_server.sh: no PostgreSQL server found (Debian: the package postgresql)." >&2
    exit 1
fi

as_server() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u nobody -- "$@"
    else
        "$@"
    fi
}

dir=${2:?usage: pg_server.sh start|stop DIR}
case "${1:-}" in
start)
    if [ -f "$dir/data/postmaster.pid" ]; then
        as_server "$BIN/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    mkdir -p "$dir"
    [ "$(id -u)" -eq 0 ] && chown nobody "$dir"
    chmod 700 "$dir"
    as_server "$BIN/initdb" -D "$dir/data" -U stazione --auth=trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 || {
        cat "$dir/initdb.log" >&2
        exit 1
    }
    # No TCP at all: the socket in DIR is the only way in. fsync off: the data is thrown away.
    as_server "$BIN/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
        -o "-c listen_addresses='' -k $dir -c fsync=off -c max_connections=50" start >/dev/null || {
        cat "$dir/server.log" >&2
        exit 1
    }
    # The tests run as the calling user and must reach the socket.
    chmod 711 "$dir"
    echo "PostgreSQL running with its socket in $dir"
    ;;
stop)
    if [ -f "$dir/data/postmaster.pid" ]; then
        as_server "$BIN/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null || true
    fi
    rm -rf "$dir"
    ;;
*)
    echo "usage: pg_server.sh start|stop DIR" >&2
    exit 2
    ;;
esac
