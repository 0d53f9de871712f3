#!/usr/bin/env bash
# Builds the two Debian packages of Zotrel and prints their paths, one a line:
#
#   libzotrel<N>_<version>_<arch>.deb     libZotrel.so.N, libZotrelTrace.so.N
#                                         and zotrel-trace
#   libzotrel-dev_<version>_<arch>.deb    headers, the .so links, the CMake
#                                         package and the pkg-config files
#
# It installs what is missing, configures a Release build of the libraries
# and the tool only (no tests, benchmarks or examples) with the prefix /usr in
# build/package, builds it (incrementally when the folder exists) and runs
# CPack's DEB generator there. Nothing is installed into the system.
#
# ZOTREL_BUILD_ROOT (default: build) moves the build folder.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
# shellcheck source=scripts/deps.sh
source scripts/deps.sh

zotrel_install_deps

BUILD_DIR="${ZOTREL_BUILD_ROOT:-build}/package"

cmake -S . -B "${BUILD_DIR}" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX=/usr \
    -DZOTREL_BUILD_TESTS=OFF \
    -DZOTREL_BUILD_BENCHMARKS=OFF \
    -DZOTREL_BUILD_EXAMPLES=OFF \
    -DZOTREL_BUILD_FUZZERS=OFF \
    -DZOTREL_SANITIZE=
cmake --build "${BUILD_DIR}" -j"$(zotrel_jobs)"

# Packages of an earlier version must not be mistaken for these.
rm -f "${BUILD_DIR}"/*.deb
(cd "${BUILD_DIR}" && cpack -G DEB)

BUILD_DIR_ABS="$(cd "${BUILD_DIR}" && pwd)"
echo "Packages:"
ls -1 "${BUILD_DIR_ABS}"/*.deb
