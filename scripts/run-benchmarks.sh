#!/usr/bin/env bash
# Runs every benchmark of a Release tree (`make bench`). The server engine's benchmarks (named
# "pg-...") run against a throwaway PostgreSQL server of their own, started here as the tests'
# one is (scripts/pg-test-server.sh) and stopped and removed afterwards, whatever happens; the
# benchmarks find it through CORVANTIS_BENCH_SERVER ("postgresql://corvantis@<socket folder>",
# a database name is added to it). Every benchmark runs even when one fails; the run fails then.
set -uo pipefail

tree=${1:?usage: $0 BUILD_DIR}
tree=$(realpath "$tree")
here=$(dirname "$(realpath "$0")")
server_dir="$tree/pg-bench"

trap 'bash "$here/pg-test-server.sh" stop "$server_dir"' EXIT
trap 'exit 130' INT TERM
if bash "$here/pg-test-server.sh" start "$server_dir" >/dev/null 2>"$tree/pg-bench.log"; then
    # The socket folder is the host, percent-encoded as in any URI.
    export CORVANTIS_BENCH_SERVER="postgresql://corvantis@${server_dir//\//%2F}"
else
    echo "bench: no PostgreSQL server could be started ($(tail -n 1 "$tree/pg-bench.log")): the pg- benchmarks are skipped"
    unset CORVANTIS_BENCH_SERVER
fi

failed=0
for b in "$tree"/bench/bench_*; do
    [ -f "$b" ] && [ -x "$b" ] || continue
    QT_QPA_PLATFORM=offscreen "$b" || { echo "bench: $(basename "$b") failed" >&2; failed=1; }
done
exit $failed
