#!/usr/bin/env bash
# Runs mirelo-extract over a generated Eudora folder of about a million records: once under
# valgrind, where no leak may show, and once on its own, where the peak memory above an
# empty run's must stay under 200 bytes per record found.
#   scripts/check-memory.sh [BUILD_DIR]        (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bytes_per_record_limit=200

bash scripts/install-deps.sh
if ! command -v valgrind > /dev/null || ! [ -x /usr/bin/time ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends valgrind time
fi
cmake -S . -B "$build" -G Ninja > /dev/null
cmake --build "$build" --target mirelo-extract > /dev/null
extract=$build/cli/mirelo-extract

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Mail/Lists" "$work/Mail/Archive.mbx/2002" "$work/empty"

# 250,000 messages in 20 mailboxes, four kept header lines each, over 150,000 addresses.
awk -v root="$work/Mail" 'BEGIN {
  split("Anna Tom Mei Kofi Rose Javier Lars Sofia Pat Ivan", first, " ")
  split("Berg Wilde Lin Mensah Dupont Ortega Nilsson Rossi Quinn", last, " ")
  split("Inbox.mbx Lists/List1.mbx Lists/List2.mbx Archive.mbx/2002/Old.mbx", names, " ")
  for (f = 0; f < 20; f++) {
    file = root "/" (f < 4 ? names[f + 1] : "Box" f ".mbx")
    for (m = 0; m < 12500; m++) {
      n = f * 12500 + m
      a = (n * 7919) % 150000; b = (n * 104729 + 17) % 150000; c = (n * 31) % 150000
      printf "From ???@??? Mon Mar 03 09:14:22 2003\r\n" > file
      printf "Return-Path: <p%d@example.org>\r\n", a > file
      printf "From: \"%s %s\" <p%d@example.org>\r\n", first[a % 10 + 1], last[a % 9 + 1], a > file
      printf "To: %s %s <p%d@example.net>\r\n", first[b % 10 + 1], last[b % 9 + 1], b > file
      printf "Reply-To: list%d@example.com\r\n", c > file
      printf "Subject: note %d\r\n\r\nThe garden needs water twice a week until the rain comes.\r\n\r\n", n > file
    }
    close(file)
  }
}'
echo "generated $(du -sh "$work/Mail" | cut -f1) of mailboxes"

records_found() { sed -n 's/^\([0-9]*\) original email addresses.*/\1/p' "$1" | tail -1; }

# Leaks: every kind that valgrind counts as lost fails the run.
valgrind --leak-check=full --show-leak-kinds=definite,indirect,possible \
  --errors-for-leak-kinds=definite,indirect,possible --error-exitcode=3 --log-file="$work/valgrind.txt" \
  "$extract" --output "$work/out.csv" "$work/Mail" 2> "$work/valgrind-run.txt" && leaks=0 || leaks=$?
echo "valgrind: $(records_found "$work/valgrind-run.txt") records, exit $leaks"
grep -E 'in use at exit|total heap usage|All heap blocks|lost:|reachable:|ERROR SUMMARY' "$work/valgrind.txt" |
  sed 's/^==[0-9]*== */  /'
[ "$leaks" -eq 0 ] || cat "$work/valgrind.txt"

# Peak memory, native.
/usr/bin/time -f %M -o "$work/base.txt" "$extract" --quiet --output "$work/empty.csv" "$work/empty"
/usr/bin/time -f %M -o "$work/peak.txt" "$extract" --output "$work/out.csv" "$work/Mail" 2> "$work/run.txt"
records=$(records_found "$work/run.txt")
base_kb=$(tail -1 "$work/base.txt")
peak_kb=$(tail -1 "$work/peak.txt")
per_record=$(( (peak_kb - base_kb) * 1024 / records ))
echo "peak memory: ${peak_kb} KB for $records records, ${base_kb} KB for an empty folder:" \
     "$per_record bytes per record (limit $bytes_per_record_limit)"

status=0
[ "$leaks" -eq 0 ] || { echo "FAILED: valgrind found leaks or errors"; status=1; }
[ "$per_record" -lt "$bytes_per_record_limit" ] || { echo "FAILED: over $bytes_per_record_limit bytes per record"; status=1; }
[ $status -ne 0 ] || echo "memory check passed"
exit $status
