#!/usr/bin/env bash
# Runs every benchmark executable that the given build folder holds in bench/, one after
# the other. Builds nothing itself: `make bench` builds first.
set -uo pipefail

build_dir=${1:?usage: run-benchmarks.sh BUILD_DIR}
bench_dir="$build_dir/bench"
[ -d "$bench_dir" ] || { echo "run-benchmarks.sh: no folder $bench_dir; build first" >&2; exit 1; }

echo "Machine: $(nproc) cores, $(lscpu 2>/dev/null | sed -n 's/^Model name:[[:space:]]*//p' | head -n 1)"
failed=0
found=0
for bench in "$bench_dir"/*; do
  [ -f "$bench" ] && [ -x "$bench" ] || continue
  found=1
  echo "== $(basename "$bench")"
  "$bench" || { echo "!! $(basename "$bench") failed with status $?" >&2; failed=1; }
done
[ "$found" -eq 1 ] || { echo "run-benchmarks.sh: no benchmark in $bench_dir" >&2; exit 1; }
exit "$failed"
