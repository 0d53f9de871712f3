#!/usr/bin/env bash
# Installs what is needed, builds the example program in build/example and
# runs it: a short tour of the library that prints what it does.
#
# ZOTREL_BUILD_ROOT (default: build) moves the build folder.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
# shellcheck source=scripts/deps.sh
source scripts/deps.sh

zotrel_install_deps

BUILD_DIR="${ZOTREL_BUILD_ROOT:-build}/example"

cmake -S . -B "${BUILD_DIR}" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZOTREL_BUILD_EXAMPLES=ON \
    -DZOTREL_BUILD_TESTS=OFF \
    -DZOTREL_BUILD_BENCHMARKS=OFF
cmake --build "${BUILD_DIR}" -j"$(zotrel_jobs)" --target zotrel_tour

"${BUILD_DIR}/examples/zotrel_tour"
