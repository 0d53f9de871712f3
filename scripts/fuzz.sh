#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each one for a bounded time, seeded
# with the corpus kept in fuzz/corpus/<harness>/. New inputs found during the
# run go to a scratch folder, so the checked-in corpus stays as it is; to keep
# interesting ones, merge them in with `<harness> -merge=1 fuzz/corpus/<harness> <scratch>`.
#
# Usage: scripts/fuzz.sh [seconds per harness, default 20]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
# shellcheck source=scripts/deps.sh
source scripts/deps.sh
zotrel_install_deps

seconds="${1:-20}"
build="${ZOTREL_BUILD_ROOT:-build}/ci-fuzz"
jobs=$(zotrel_jobs)

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZOTREL_BUILD_FUZZERS=ON -DZOTREL_BUILD_TESTS=OFF -DZOTREL_BUILD_BENCHMARKS=OFF \
  -DZOTREL_BUILD_EXAMPLES=OFF "-DZOTREL_SANITIZE=address;undefined" >/dev/null
# Only the harnesses: they link the static library, the shared one is not needed here.
cmake --build "$build" -j "$jobs" --target zotrel_fuzzers

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
passed=0
for corpus in fuzz/corpus/*/; do
  name=$(basename "$corpus")
  harness="$build/fuzz/$name"
  if [ ! -x "$harness" ]; then
    echo "fuzz: no harness built for corpus $name" >&2
    failed=$((failed + 1))
    continue
  fi
  mkdir -p "$scratch/$name"
  echo "== fuzzing $name for ${seconds}s"
  if "$harness" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
      -artifact_prefix="$scratch/$name/" "$scratch/$name" "$corpus" >"$scratch/$name.log" 2>&1; then
    grep -E '^#[0-9]+.*DONE' "$scratch/$name.log" | tail -1 || true
    passed=$((passed + 1))
  else
    echo "fuzz: $name found a failure:" >&2
    tail -40 "$scratch/$name.log" >&2
    for crash in "$scratch/$name"/crash-* "$scratch/$name"/leak-* "$scratch/$name"/timeout-*; do
      [ -e "$crash" ] && { echo "input ($crash):" >&2; od -c "$crash" | head -10 >&2; }
    done
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
