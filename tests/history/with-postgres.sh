#!/bin/sh
# Runs a test program against a throwaway PostgreSQL cluster: initdb and pg_ctl as an unprivileged user,
# a Unix socket in a temporary folder, stopped and removed at the end whatever happens.
set -u
bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bindir" ] || [ ! -x "$bindir/initdb" ] || [ ! -x "$bindir/pg_ctl" ]; then
    echo "SKIPPED: the PostgreSQL history tests need the server programs initdb and pg_ctl under" >&2
    echo "SKIPPED: /usr/lib/postgresql/*/bin, which are missing: install the Debian package postgresql" >&2
    echo "SKIPPED: (make test installs it) to run them." >&2
    exit 77
fi

# The server refuses to run as root: as root the cluster belongs to an unprivileged system user.
run_as=""
if [ "$(id -u)" = 0 ]; then
    user=postgres
    if ! id "$user" >/dev/null 2>&1; then
        user=vantrel-pgtest
        if ! id "$user" >/dev/null 2>&1 &&
            ! useradd --system --no-create-home --shell /usr/sbin/nologin "$user"; then
            echo "FAILED: no unprivileged user to run the PostgreSQL test cluster" >&2
            exit 1
        fi
    fi
    run_as="runuser -u $user --"
fi

dir=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-pg.XXXXXX") || exit 1
cleanup() {
    [ -x "$dir/stop" ] && "$dir/stop" immediate >/dev/null 2>&1
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM
[ -n "$run_as" ] && chown "$user" "$dir"

if ! $run_as "$bindir/initdb" -D "$dir/data" -U postgres --auth=trust -E UTF8 --no-sync \
    >"$dir/initdb.log" 2>&1; then
    echo "FAILED: initdb of the test cluster:" >&2
    cat "$dir/initdb.log" >&2
    exit 1
fi
cat >"$dir/start" <<SCRIPT
#!/bin/sh
exec $run_as "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-k $dir -c listen_addresses= -p 5432 -F" start
SCRIPT
cat >"$dir/stop" <<SCRIPT
#!/bin/sh
exec $run_as "$bindir/pg_ctl" -D "$dir/data" -w -t 60 -m "\${1:-fast}" stop
SCRIPT
chmod 755 "$dir/start" "$dir/stop"
if ! "$dir/start" >"$dir/start.log" 2>&1; then
    echo "FAILED: the test cluster did not start:" >&2
    cat "$dir/start.log" "$dir/server.log" >&2
    exit 1
fi

export VANTREL_TEST_PG_HOST="$dir"
export VANTREL_TEST_PG_PORT=5432
export VANTREL_TEST_PG_START="$dir/start"
export VANTREL_TEST_PG_STOP="$dir/stop"
"$@"
status=$?
[ $status -ne 0 ] && [ -f "$dir/server.log" ] && tail -n 40 "$dir/server.log" >&2
exit $status
