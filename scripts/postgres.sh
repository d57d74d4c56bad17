#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests: a fresh cluster in a temporary
# folder, listening on 127.0.0.1 (and a socket in that folder) on a free port,
# stopped and removed again when the shell exits, whatever the exit.
#
#   . scripts/postgres.sh
#   start_throwaway_postgres      # exports TRUNACCOUNT_PG_URI and TRUNACCOUNT_PG_SCRATCH
#
# Tests that need a server of their own (other settings, or one they stop and
# start again) run this file as a command, in a folder below
# $TRUNACCOUNT_PG_SCRATCH, so that the servers they leave behind are stopped
# with the main one:
#
#   scripts/postgres.sh start DIR [NAME=VALUE...]   # prints the URI; NAME=VALUE are server settings
#   scripts/postgres.sh stop DIR                    # stops it; DIR stays
#   scripts/postgres.sh restart DIR                 # starts it again on its port, with its settings
#   scripts/postgres.sh remove DIR                  # stops it and removes DIR
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

# initdb refuses to run as root: the cluster then belongs to the postgres user.
_ta_pg_runner() {
    TA_PG_BIN=$(_ta_pg_bindir) || { echo "error: PostgreSQL server programs not found (package postgresql)" >&2; return 1; }
    TA_PG_RUN=()
    if [ "$(id -u)" -eq 0 ]; then
        id postgres >/dev/null 2>&1 || { echo "error: running as root and there is no postgres user" >&2; return 1; }
        TA_PG_RUN=(runuser -u postgres --)
    fi
}

# Makes a cluster in DIR/data (DIR exists).
_ta_pg_init() {
    local dir=$1
    [ ${#TA_PG_RUN[@]} -eq 0 ] || chown postgres: "$dir"
    if ! (cd / && "${TA_PG_RUN[@]}" "$TA_PG_BIN/initdb" -D "$dir/data" -U postgres --auth=trust \
            --locale=C -E UTF8 --no-sync) >"$dir/initdb.log" 2>&1; then
        cat "$dir/initdb.log" >&2
        echo "error: initdb failed" >&2
        return 1
    fi
}

# Starts the cluster of DIR on PORT with the server settings in DIR/settings;
# false when it did not start.
_ta_pg_start_on() {
    local dir=$1 port=$2 opts setting
    # Durability is of no use for a server that lives for one test run.
    opts="-p $port -c listen_addresses=127.0.0.1 -c unix_socket_directories=$dir -c fsync=off -c synchronous_commit=off -c full_page_writes=off"
    if [ -f "$dir/settings" ]; then
        while read -r setting; do [ -n "$setting" ] && opts+=" -c $setting"; done <"$dir/settings"
    fi
    (cd / && "${TA_PG_RUN[@]}" "$TA_PG_BIN/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 -o "$opts" start) \
        >/dev/null 2>&1
}

# Starts the cluster of DIR on a free port (written to DIR/port).
_ta_pg_start() {
    local dir=$1 port tries=0
    while :; do
        port=$(_ta_pg_free_port) || { echo "error: no free port found" >&2; return 1; }
        if _ta_pg_start_on "$dir" "$port"; then
            echo "$port" >"$dir/port"
            return 0
        fi
        tries=$((tries + 1))
        if [ $tries -ge 3 ]; then
            cat "$dir/server.log" >&2 2>/dev/null
            echo "error: the PostgreSQL server did not start" >&2
            return 1
        fi
    done
}

# Stops the cluster of DIR: at once by default (it is thrown away), or with
# "fast" as an administrator's restart does, keeping every committed change
# (commits are not waited for on disk, so an immediate stop may lose the last).
_ta_pg_stop() {
    local dir=$1 mode=${2:-immediate}
    if [ -f "$dir/data/postmaster.pid" ]; then
        (cd / && "${TA_PG_RUN[@]}" "$TA_PG_BIN/pg_ctl" -D "$dir/data" -m "$mode" -w stop) >/dev/null 2>&1 || true
    fi
}

stop_throwaway_postgres() {
    [ -n "$TA_PG_DIR" ] || return 0
    local d
    # Servers that tests started below the scratch folder go first.
    for d in "$TA_PG_DIR"/scratch/*/; do
        [ -d "$d/data" ] && _ta_pg_stop "${d%/}"
    done
    _ta_pg_stop "$TA_PG_DIR"
    rm -rf "$TA_PG_DIR"
    TA_PG_DIR=
}

start_throwaway_postgres() {
    _ta_pg_runner || return 1
    TA_PG_DIR=$(mktemp -d "${TMPDIR:-/tmp}/trunaccount-pg.XXXXXX")
    trap stop_throwaway_postgres EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    _ta_pg_init "$TA_PG_DIR" || return 1
    _ta_pg_start "$TA_PG_DIR" || return 1
    mkdir "$TA_PG_DIR/scratch"
    chmod 0777 "$TA_PG_DIR/scratch"
    export TRUNACCOUNT_PG_SCRATCH="$TA_PG_DIR/scratch"
    export TRUNACCOUNT_PG_URI="postgresql://postgres@127.0.0.1:$(cat "$TA_PG_DIR/port")/postgres"
    say "PostgreSQL $("$TA_PG_BIN/postgres" --version | awk '{print $3}') on $TRUNACCOUNT_PG_URI"
}

# ---- run as a command ----

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -euo pipefail
    usage() { grep '^#   scripts/postgres.sh ' "$0" | sed 's/^#   //' >&2; exit 2; }
    [ $# -ge 2 ] || usage
    command=$1 dir=$2
    shift 2
    _ta_pg_runner
    case $command in
        start)
            mkdir -p "$dir"
            [ -z "$(ls -A "$dir")" ] || { echo "error: $dir is not empty" >&2; exit 1; }
            printf '%s\n' "$@" >"$dir/settings"
            _ta_pg_init "$dir"
            _ta_pg_start "$dir"
            echo "postgresql://postgres@127.0.0.1:$(cat "$dir/port")/postgres"
            ;;
        stop) _ta_pg_stop "$dir" fast ;;
        restart)
            _ta_pg_start_on "$dir" "$(cat "$dir/port")" || {
                cat "$dir/server.log" >&2 2>/dev/null
                echo "error: the PostgreSQL server did not start again" >&2
                exit 1
            }
            ;;
        remove)
            _ta_pg_stop "$dir"
            rm -rf "$dir"
            ;;
        *) usage ;;
    esac
fi
