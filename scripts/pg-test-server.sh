#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests and benchmarks: `start DIR` makes a new cluster in
# DIR that listens on a Unix socket in DIR only (no TCP port, so it never meets a server of the
# machine) and lets the role "corvantis" in without a password (the role "corvantis_pw", and every
# member of the role "corvantis_password", made by the tests that need them, only with their
# passwords); `stop DIR` stops it and removes DIR. The server refuses to run as root, so under root (CI) it runs as the unprivileged "nobody".
set -euo pipefail

usage() { echo "usage: $0 start|stop DIR" >&2; exit 2; }
[ $# -eq 2 ] || usage
command=$1
dir=$(realpath -m -s "$2")

bindir=$(pg_config --bindir 2>/dev/null || true)
if [ ! -x "$bindir/initdb" ]; then
    bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
fi
[ -x "$bindir/initdb" ] || { echo "pg-test-server: no PostgreSQL server programs found (install postgresql)" >&2; exit 1; }

# The server's own folder: DIR, or the folder DIR links to when the unprivileged owner could not
# reach DIR itself (a tree inside a folder that only root may enter, as `mktemp -d` makes).
home() { realpath -m "$dir"; }

as_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        (cd "$(home)" && runuser -u nobody -- "$@")
    else
        (cd "$(home)" && "$@")
    fi
}

stop() {
    local real
    real=$(home)
    if [ -f "$real/data/postmaster.pid" ]; then
        as_owner "$bindir/pg_ctl" -D "$real/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$real" "$dir"
}

case "$command" in
start)
    stop
    mkdir -p "$dir"
    if [ "$(id -u)" -eq 0 ]; then
        chown nobody "$dir"
        if ! runuser -u nobody -- test -w "$dir"; then
            rmdir "$dir"
            real=$(mktemp -d /tmp/corvantis-pg.XXXXXX)
            chown nobody "$real"
            ln -s "$real" "$dir"
        fi
    fi
    dir=$(home)
    as_owner "$bindir/initdb" -D "$dir/data" -U corvantis --auth=trust -E UTF8 --locale=C.UTF-8 -N >"$dir/initdb.log" 2>&1 ||
        { cat "$dir/initdb.log" >&2; exit 1; }
    sed -i '1i local all corvantis_pw scram-sha-256\nlocal all +corvantis_password scram-sha-256' "$dir/data/pg_hba.conf"
    # Durability is of no use to a server that lives for one test run.
    as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 start \
        -o "-c listen_addresses='' -c unix_socket_directories='$dir' -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
        >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
    # The group whose members log in with a password: a test adds one role per person to it.
    as_owner "$bindir/psql" -X -q -h "$dir" -U corvantis -d postgres -c "CREATE ROLE corvantis_password NOLOGIN" >/dev/null ||
        { cat "$dir/server.log" >&2; exit 1; }
    echo "pg-test-server: running, socket in $dir"
    ;;
stop)
    stop
    ;;
*)
    usage
    ;;
esac
