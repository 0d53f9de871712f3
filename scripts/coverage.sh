#!/usr/bin/env bash
# Builds the library and its tests with coverage instrumentation (gcc
# --coverage, no optimisation; counters updated atomically, as threads run
# side by side) in build/coverage, runs the whole ctest suite
# there, and prints the line and branch coverage of the library's own code
# (src/ and trace/) with gcovr. An HTML report with every line goes to
# build/coverage/html/index.html.
#
# Branch figures count the branches gcc generates, exception paths of
# inlined library code included, so they read lower than the line figures.
#
# ZOTREL_BUILD_ROOT (default: build) moves the build folder.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
# shellcheck source=scripts/deps.sh
source scripts/deps.sh
zotrel_install_deps gcovr

BUILD_DIR="${ZOTREL_BUILD_ROOT:-build}/coverage"
JOBS="$(zotrel_jobs)"

cmake -S . -B "${BUILD_DIR}" \
    -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_FLAGS="--coverage -fprofile-update=atomic" \
    -DCMAKE_CXX_FLAGS="--coverage -fprofile-update=atomic" \
    -DCMAKE_EXE_LINKER_FLAGS="--coverage" \
    -DCMAKE_SHARED_LINKER_FLAGS="--coverage" \
    -DZOTREL_BUILD_BENCHMARKS=OFF \
    -DZOTREL_BUILD_EXAMPLES=ON
cmake --build "${BUILD_DIR}" -j"${JOBS}"

# Counts from an earlier run would add up with this one.
find "${BUILD_DIR}" -name '*.gcda' -delete
ctest --test-dir "${BUILD_DIR}" --output-on-failure --timeout 600 -j"${JOBS}"
# The example program is part of what users run first.
"${BUILD_DIR}/examples/zotrel_tour" >/dev/null

mkdir -p "${BUILD_DIR}/html"
gcovr --root . --object-directory "${BUILD_DIR}" \
    --filter 'src/' --filter 'trace/' \
    --exclude-unreachable-branches --exclude-throw-branches \
    --html-details "${BUILD_DIR}/html/index.html" \
    --txt "${BUILD_DIR}/coverage.txt" \
    --print-summary >"${BUILD_DIR}/summary.txt"
echo
echo "Coverage of src/ and trace/ (per file in ${BUILD_DIR}/coverage.txt and ${BUILD_DIR}/html/index.html):"
grep -E '^(lines|branches):' "${BUILD_DIR}/summary.txt"
