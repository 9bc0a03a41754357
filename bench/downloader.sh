#!/usr/bin/env bash
# The Downloader fetching a 64 MiB file over loopback, next to curl fetching the same file in the
# same run; and the update check's fetch-save-delete against the same local server.
# Run from the repository: BLIMO_BUILD_DIR=$PWD/build/win32 scripts/xvfb-session bench/downloader.sh
set -euo pipefail
build="${BLIMO_BUILD_DIR:?set BLIMO_BUILD_DIR to a build directory}"
work="$(mktemp -d)"
port=$(( 30000 + RANDOM % 20000 ))
cleanup() { [ -n "${server:-}" ] && kill "$server" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

head -c $((64 * 1024 * 1024)) /dev/urandom > "$work/big.bin"
printf '1.02\r\n' > "$work/BLIMOUpdate.txt"
python3 -m http.server --bind 127.0.0.1 --directory "$work" "$port" >/dev/null 2>&1 &
server=$!
for _ in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$port/" && break; sleep 0.1; done

echo "curl:"
/usr/bin/time -o "$work/curl.txt" -f "  %e s, peak RSS %M KiB" curl -s -o "$work/curl.bin" "http://127.0.0.1:$port/big.bin"
cat "$work/curl.txt"
cmp "$work/big.bin" "$work/curl.bin"

echo "bare WinINet read loop (the floor of the Downloader's stack):"
bare=$(wine "$build/bench/downloader_bench.exe" bare "http://127.0.0.1:$port/big.bin" "$(winepath -w "$work/bare.bin")" |
  grep -E '^bare')
cmp "$work/big.bin" "$work/bare.bin"
echo "  $bare"
wine "$build/bench/downloader_bench.exe" bare256 "http://127.0.0.1:$port/big.bin" "$(winepath -w "$work/bare.bin")" |
  grep -E '^bare' | sed 's/^/  /'
cmp "$work/big.bin" "$work/bare.bin"

echo "Downloader (under Wine; the process line is the whole Wine process):"
/usr/bin/time -f "  process: %e s, peak RSS %M KiB" \
  wine "$build/bench/downloader_bench.exe" download "http://127.0.0.1:$port/big.bin" "$(winepath -w "$work/out.bin")" 2>&1 |
  grep -E '^(downloader|  process)' | tee "$work/dl.txt"
cmp "$work/big.bin" "$work/out.bin" && echo "  the saved file matches"
# The Downloader reads and saves: its floor is the bare loop's read and the same save.
downloader=$(sed -n 's/.*events, \([0-9.]*\) s,.*/\1/p' "$work/dl.txt")
floor=$(sed -n 's/.*bytes, \([0-9.]*\) s; .*: \([0-9.]*\) s.*/\1 + \2/p' <<<"$bare")  # the largest reads
curl_s=$(sed -n 's/^ *\([0-9.]*\) s,.*/\1/p' "$work/curl.txt")
echo "  time as a ratio: to the bare loop and save $(awk "BEGIN { printf \"%.2f\", $downloader / ($floor) }"),\
 to curl $(awk "BEGIN { printf \"%.1f\", $downloader / $curl_s }")"

echo "Update check's fetch, save and delete:"
wine "$build/bench/downloader_bench.exe" update "http://127.0.0.1:$port/BLIMOUpdate.txt" \
  "$(winepath -w "$work/BLIMOUpdate.local")" |
  grep -E '^update'
