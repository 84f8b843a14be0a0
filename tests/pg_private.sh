#!/usr/bin/env bash
# A PostgreSQL server of the tests' own, never the machine's cluster:
#   pg_private.sh start DIR   starts one in a fresh folder under /tmp and writes the libpq
#                             connection string to DIR/pg.conninfo (the folder to DIR/pg.tmpdir)
#   pg_private.sh stop DIR    stops the one DIR names and removes its folder and both files
# Only a Unix socket, local trust, superuser kts. Exits 77 when the server programs are missing.
set -euo pipefail

usage() { echo "usage: $0 start|stop DIR" >&2; exit 2; }
[ $# -eq 2 ] || usage
action=$1
dir=$2
conninfo_file=$dir/pg.conninfo
tmpdir_file=$dir/pg.tmpdir
port=5432
server_user=kts-pg

# Whatever steers libpq or the server programs elsewhere (PGHOST, PGDATA, PGPORT...) must not
# reach ours.
unset "${!PG@}"

# Debian keeps the server programs out of PATH, one folder per major version; the newest wins.
find_bindir() {
    local d
    for d in $(printf "%s\n" /usr/lib/postgresql/*/bin | sort -rV) \
        "$(dirname "$(command -v postgres 2>/dev/null || echo /nonexistent/postgres)")"; do
        if [ -x "$d/postgres" ] && [ -x "$d/initdb" ] && [ -x "$d/pg_ctl" ] && [ -x "$d/pg_isready" ]; then
            echo "$d"
            return 0
        fi
    done
    return 1
}

# The server refuses to run as root: root hands it to a system user without a login.
as_user() {
    local user=$1
    shift
    if [ "$(id -u)" -eq 0 ] && [ "$user" != root ]; then
        runuser -u "$user" -- "$@"
    else
        "$@"
    fi
}

ensure_server_user() {
    id -u "$server_user" >/dev/null 2>&1 && return 0
    # Two starts at once may race to create it; either one's user will do.
    useradd --system --no-create-home --shell /usr/sbin/nologin "$server_user" 2>/dev/null ||
        id -u "$server_user" >/dev/null 2>&1
}

# Stops the server DIR names, if any, and forgets it. Quiet when there is nothing to stop.
stop_server() {
    local tmp owner
    if [ ! -f "$tmpdir_file" ]; then
        rm -f "$conninfo_file"
        return 0
    fi
    tmp=$(cat "$tmpdir_file")
    # The path is removed with rm -rf: only ever one of our own folders.
    [[ $tmp =~ ^/tmp/kts-pg\.[A-Za-z0-9]+$ ]] || tmp=''
    if [ -n "$tmp" ] && [ -d "$tmp" ]; then
        if [ -f "$tmp/data/postmaster.pid" ] && [ -n "${bindir:-}" ]; then
            owner=$(stat -c %U "$tmp/data")
            (cd "$tmp" && as_user "$owner" "$bindir/pg_ctl" stop -D "$tmp/data" -m fast -w -t 30 -s) ||
                (cd "$tmp" && as_user "$owner" "$bindir/pg_ctl" stop -D "$tmp/data" -m immediate -w -t 10 -s) ||
                true
        fi
        rm -rf "$tmp"
    fi
    rm -f "$conninfo_file" "$tmpdir_file"
}

bindir=$(find_bindir) || bindir=''

case $action in
    stop)
        stop_server
        exit 0
        ;;
    start) ;;
    *) usage ;;
esac

mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
conninfo_file=$dir/pg.conninfo
tmpdir_file=$dir/pg.tmpdir
stop_server

if [ -z "$bindir" ]; then
    echo "PostgreSQL sunucu programları bulunamadı (postgres, initdb, pg_ctl)." >&2
    echo "PostgreSQL server programs not found; install them with: apt-get install postgresql" >&2
    exit 77
fi

if [ "$(id -u)" -eq 0 ]; then
    ensure_server_user || { echo "could not create the system user $server_user" >&2; exit 1; }
    user=$server_user
else
    user=$(id -un)
fi

# Short on purpose: the socket's path must stay under the 107 bytes a Unix socket allows.
tmp=$(mktemp -d /tmp/kts-pg.XXXXXX)
# Named at once, so that a start cut short is cleaned up by the next start or stop.
echo "$tmp" >"$tmpdir_file"
chmod 755 "$tmp"
[ "$user" = "$(id -un)" ] || chown "$user" "$tmp"

# fail LOG MESSAGE
fail() {
    echo "PostgreSQL test sunucusu başlatılamadı / the private PostgreSQL server did not start: $2" >&2
    if [ -s "$tmp/$1" ]; then
        echo "--- $1 (last lines)" >&2
        tail -n 30 "$tmp/$1" >&2
    fi
    stop_server
    exit 1
}

# The programs run inside the folder: a root's working folder may be closed to the server's user.
cd "$tmp"
data=$tmp/data
initdb_options=(-D "$data" -U kts -E UTF8 --auth-local=trust --auth-host=reject --no-sync)
if ! as_user "$user" "$bindir/initdb" "${initdb_options[@]}" --locale=C.UTF-8 >"$tmp/initdb.log" 2>&1; then
    # A C library without C.UTF-8: fall back to the byte-wise C locale.
    rm -rf "$data"
    as_user "$user" "$bindir/initdb" "${initdb_options[@]}" --no-locale >>"$tmp/initdb.log" 2>&1 ||
        fail initdb.log "initdb failed"
fi

# Durability buys nothing for data that goes when the tests end.
cat >>"$data/postgresql.conf" <<EOF

# Private test server
listen_addresses = ''
unix_socket_directories = '$tmp'
port = $port
max_connections = 100
shared_buffers = 128MB
fsync = off
synchronous_commit = off
full_page_writes = off
EOF

as_user "$user" "$bindir/pg_ctl" start -D "$data" -l "$tmp/server.log" -w -t 60 -s >/dev/null 2>&1 ||
    fail server.log "pg_ctl start failed"
ready=''
for _ in $(seq 100); do
    if "$bindir/pg_isready" -q -h "$tmp" -p "$port" -U kts -d postgres; then
        ready=1
        break
    fi
    sleep 0.1
done
[ -n "$ready" ] || fail server.log "the server does not answer on $tmp"

conninfo="host=$tmp port=$port user=kts dbname=postgres"
# A reader never sees half a line.
echo "$conninfo" >"$conninfo_file.new"
mv "$conninfo_file.new" "$conninfo_file"
echo "$conninfo"
