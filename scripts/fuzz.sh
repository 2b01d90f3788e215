#!/usr/bin/env bash
# Runs the libFuzzer targets under AddressSanitizer and UndefinedBehaviorSanitizer.
#   scripts/fuzz.sh SECONDS [TARGET...]
# Each target runs for SECONDS in turn (all of them when none is named). The corpus grows in
# build-fuzz/corpus/TARGET from run to run; inputs that crash are kept in
# build-fuzz/crashes/TARGET/ and the run exits 1. Logs go to build-fuzz/logs/.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 1 ] || ! [[ $1 =~ ^[0-9]+$ ]]; then
  echo "usage: scripts/fuzz.sh SECONDS [fuzz_parse_header_line|fuzz_scan_mailbox|fuzz_dbx_dump|fuzz_pst|fuzz_address_list|fuzz_header_text|fuzz_rfc5322_mailbox...]" >&2
  exit 2
fi
seconds=$1
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_parse_header_line fuzz_scan_mailbox fuzz_dbx_dump fuzz_pst fuzz_address_list fuzz_header_text
                                 fuzz_rfc5322_mailbox)

build=build-fuzz
bash scripts/install-deps.sh
# libFuzzer and the sanitizer runtimes come with clang's runtime package.
if ! command -v clang++ > /dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a > /dev/null 2>&1; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends clang libclang-rt-dev
fi

CC=clang CXX=clang++ cmake -S . -B $build -G Ninja -DMIRELO_BUILD_APP=OFF > /dev/null
cmake --build $build --target "${targets[@]}" make_fuzz_seeds

seeds=$build/seeds
rm -rf "$seeds"
$build/tools/make_fuzz_seeds "$seeds"

declare -A max_len=([fuzz_parse_header_line]=2048 [fuzz_scan_mailbox]=16384 [fuzz_dbx_dump]=65536 [fuzz_pst]=271360
                 [fuzz_rfc5322_mailbox]=16384)
declare -A dictionary=([fuzz_parse_header_line]=fuzz/header_line.dict [fuzz_scan_mailbox]=fuzz/header_line.dict
                       [fuzz_address_list]=fuzz/header_line.dict [fuzz_header_text]=fuzz/header_line.dict
                       [fuzz_rfc5322_mailbox]=fuzz/header_line.dict)

status=0
for target in "${targets[@]}"; do
  corpus=$build/corpus/$target
  crashes=$build/crashes/$target
  log=$build/logs/$target.log
  mkdir -p "$corpus" "$crashes" "$(dirname "$log")"
  options=(-max_total_time="$seconds" -max_len="${max_len[$target]:-4096}" -timeout=10 -rss_limit_mb=2048
           -print_final_stats=1 -artifact_prefix="$crashes/")
  [ -z "${dictionary[$target]:-}" ] || options+=(-dict="${dictionary[$target]}")
  echo "== $target: $seconds s, log in $log"
  if ! UBSAN_OPTIONS=print_stacktrace=1 "$build/fuzz/$target" "${options[@]}" "$corpus" "$seeds/$target" > "$log" 2>&1; then
    status=1
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)|ERROR|SUMMARY|==[0-9]+== ?ERROR|deadly signal' "$log" || true
  found=$(find "$crashes" -type f | wc -l)
  echo "   corpus $(find "$corpus" -type f | wc -l) inputs, kept crash inputs: $found"
  [ "$found" -eq 0 ] || status=1
done
exit $status
