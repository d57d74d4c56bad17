# A throwaway PostgreSQL server for the tests: a fresh cluster in a temporary
# folder, listening on 127.0.0.1 (and a socket in that folder) on a free port,
# stopped and removed again when the shell exits, whatever the exit.
#
#   . scripts/postgres.sh
#   start_throwaway_postgres      # exports TRUNACCOUNT_PG_URI
#
# shellcheck shell=bash

TA_PG_DIR=
TA_PG_RUN=()

# The newest installed server's programs.
_ta_pg_bindir() {
    local d
    for d in $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V -r); do
        [ -x "$d/initdb" ] && { echo "$d"; return 0; }
    done
    command -v initdb >/dev/null && { dirname "$(command -v initdb)"; return 0; }
    return 1
}

# A port nobody listens on yet (the server start below still retries on a race).
_ta_pg_free_port() {
    local port
    for _ in $(seq 1 50); do
        port=$((20000 + RANDOM % 40000))
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            echo "$port"
            return 0
        fi
    done
    return 1
}

stop_throwaway_postgres() {
    [ -n "$TA_PG_DIR" ] || return 0
    if [ -f "$TA_PG_DIR/data/postmaster.pid" ]; then
        (cd / && "${TA_PG_RUN[@]}" "$TA_PG_BIN/pg_ctl" -D "$TA_PG_DIR/data" -m immediate -w stop) >/dev/null 2>&1 || true
    fi
    rm -rf "$TA_PG_DIR"
    TA_PG_DIR=
}

start_throwaway_postgres() {
    TA_PG_BIN=$(_ta_pg_bindir) || { echo "error: PostgreSQL server programs not found (package postgresql)" >&2; return 1; }
    TA_PG_DIR=$(mktemp -d "${TMPDIR:-/tmp}/trunaccount-pg.XXXXXX")
    trap stop_throwaway_postgres EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    # initdb refuses to run as root: the cluster then belongs to the postgres user.
    TA_PG_RUN=()
    if [ "$(id -u)" -eq 0 ]; then
        id postgres >/dev/null 2>&1 || { echo "error: running as root and there is no postgres user" >&2; return 1; }
        chown postgres: "$TA_PG_DIR"
        TA_PG_RUN=(runuser -u postgres --)
    fi
    if ! (cd / && "${TA_PG_RUN[@]}" "$TA_PG_BIN/initdb" -D "$TA_PG_DIR/data" -U postgres --auth=trust \
            --locale=C -E UTF8 --no-sync) >"$TA_PG_DIR/initdb.log" 2>&1; then
        cat "$TA_PG_DIR/initdb.log" >&2
        echo "error: initdb failed" >&2
        return 1
    fi
    local port tries=0
    while :; do
        port=$(_ta_pg_free_port) || { echo "error: no free port found" >&2; return 1; }
        # Durability is of no use for a server that lives for one test run.
        if (cd / && "${TA_PG_RUN[@]}" "$TA_PG_BIN/pg_ctl" -D "$TA_PG_DIR/data" -l "$TA_PG_DIR/server.log" -w -t 30 \
                -o "-p $port -c listen_addresses=127.0.0.1 -c unix_socket_directories=$TA_PG_DIR -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
                start) >/dev/null 2>&1; then
            break
        fi
        tries=$((tries + 1))
        if [ $tries -ge 3 ]; then
            cat "$TA_PG_DIR/server.log" >&2 2>/dev/null
            echo "error: the PostgreSQL server did not start" >&2
            return 1
        fi
    done
    export TRUNACCOUNT_PG_URI="postgresql://postgres@127.0.0.1:$port/postgres"
    say "PostgreSQL $("$TA_PG_BIN/postgres" --version | awk '{print $3}') on $TRUNACCOUNT_PG_URI"
}
