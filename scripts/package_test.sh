#!/usr/bin/env bash
# Checks the Debian packages the way a module developer meets them:
#
#   1. builds them (scripts/package.sh),
#   2. checks their control fields (dependencies) and that every public
#      header, both libraries with their links, the CMake package, the
#      pkg-config files and zotrel-trace are in the right package,
#   3. unpacks both with `dpkg-deb -x` into a scratch root (nothing is
#      installed into the system),
#   4. builds the consumer program of tests/package against that root twice,
#      once through find_package(Zotrel) (CMAKE_PREFIX_PATH) and once through
#      pkg-config (PKG_CONFIG_PATH), and runs both with LD_LIBRARY_PATH set to
#      the root's library folder, checking that they load the unpacked
#      libraries,
#   5. runs the unpacked zotrel-trace.
#
# Ends with "package: ok" or "package: FAILED (...)" and exits non-zero on
# failure. The scratch root is ZOTREL_BUILD_ROOT/package-test (default:
# build/package-test), made anew on every run.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

BUILD_ROOT="${ZOTREL_BUILD_ROOT:-build}"
WORK_DIR="${BUILD_ROOT}/package-test"
rm -rf "${WORK_DIR}"
mkdir -p "${WORK_DIR}"
WORK_DIR="$(cd "${WORK_DIR}" && pwd)"
ROOT="${WORK_DIR}/root"

fail() {
    echo "package: FAILED ($*)" >&2
    exit 1
}

echo "--- building the packages"
bash scripts/package.sh | tee "${WORK_DIR}/package.log"
mapfile -t debs < <(grep -E '^/.*\.deb$' "${WORK_DIR}/package.log")
runtime_deb="" dev_deb=""
for deb in "${debs[@]}"; do
    case "$(dpkg-deb -f "${deb}" Package)" in
        libzotrel-dev) dev_deb=${deb} ;;
        libzotrel[0-9]*) runtime_deb=${deb} ;;
    esac
done
if [ -z "${runtime_deb}" ] || [ -z "${dev_deb}" ]; then
    fail "scripts/package.sh did not name both packages"
fi

echo "--- control fields"
runtime_name=$(dpkg-deb -f "${runtime_deb}" Package)
version=$(dpkg-deb -f "${runtime_deb}" Version)
runtime_depends=$(dpkg-deb -f "${runtime_deb}" Depends)
dev_depends=$(dpkg-deb -f "${dev_deb}" Depends)
echo "${runtime_name} ${version}: Depends: ${runtime_depends}"
echo "libzotrel-dev ${version}: Depends: ${dev_depends}"
[[ ${runtime_depends} == *"libqt5core5a"* ]] || fail "${runtime_name} does not depend on libqt5core5a"
[[ ${dev_depends} == *"${runtime_name} (= ${version})"* ]] ||
    fail "libzotrel-dev does not depend on ${runtime_name} (= ${version})"
[[ ${dev_depends} == *"qtbase5-dev"* ]] || fail "libzotrel-dev does not depend on qtbase5-dev"
[ "$(dpkg-deb -f "${dev_deb}" Version)" = "${version}" ] || fail "the two packages differ in version"

echo "--- contents"
dpkg-deb -x "${runtime_deb}" "${WORK_DIR}/runtime-only"
dpkg-deb -x "${runtime_deb}" "${ROOT}"
dpkg-deb -x "${dev_deb}" "${ROOT}"
LIB_DIR=$(dirname "$(find "${ROOT}/usr/lib" -name 'libZotrel.so.*.*' | head -n 1)")
[ -d "${LIB_DIR}" ] || fail "no libZotrel.so in ${runtime_deb}"
lib_rel=${LIB_DIR#"${ROOT}/"}
expect_in() {
    local tree=$1 path
    shift
    for path in "$@"; do
        [ -e "${tree}/${path}" ] || fail "${path} is missing"
    done
}
expect_in "${WORK_DIR}/runtime-only" usr/bin/zotrel-trace \
    "${lib_rel}/libZotrel.so.${version}" "${lib_rel}/libZotrel.so.${version%%.*}" \
    "${lib_rel}/libZotrelTrace.so.${version}" "${lib_rel}/libZotrelTrace.so.${version%%.*}"
[ ! -e "${WORK_DIR}/runtime-only/${lib_rel}/libZotrel.so" ] || fail "the .so link is in ${runtime_name}"
expect_in "${ROOT}" "${lib_rel}/libZotrel.so" "${lib_rel}/libZotrelTrace.so" \
    "${lib_rel}/pkgconfig/zotrel.pc" "${lib_rel}/pkgconfig/zotreltrace.pc" \
    "${lib_rel}/cmake/Zotrel/ZotrelConfig.cmake" "${lib_rel}/cmake/Zotrel/ZotrelConfigVersion.cmake" \
    "${lib_rel}/cmake/Zotrel/ZotrelTargets.cmake"
for header in include/zotrel/*.h; do
    expect_in "${ROOT}" "usr/${header}"
done
echo "contents: ok ($(find "${ROOT}" -type f -o -type l | wc -l) files and links)"

# Runs a consumer binary against the unpacked libraries and checks that it
# loaded them from there.
run_consumer() {
    local binary=$1 loaded
    loaded=$(LD_LIBRARY_PATH="${LIB_DIR}" ldd "${binary}" | awk '/libZotrel(Trace)?\.so/ {print $3}') ||
        fail "ldd ${binary##*/}"
    echo "${binary##*/} loads: $(echo "${loaded}" | tr '\n' ' ')"
    [ "$(echo "${loaded}" | grep -c "^${ROOT}/")" -eq 2 ] ||
        fail "${binary##*/} does not load both libraries from the unpacked packages"
    LD_LIBRARY_PATH="${LIB_DIR}" "${binary}" || fail "${binary##*/} exited with $?"
}

echo "--- consumer through find_package(Zotrel)"
cmake -S tests/package -B "${WORK_DIR}/cmake-consumer" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="${ROOT}/usr" -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON \
    -DCMAKE_FIND_USE_INSTALL_PREFIX=OFF >"${WORK_DIR}/cmake-consumer.log" ||
    { cat "${WORK_DIR}/cmake-consumer.log"; fail "configure through find_package"; }
grep -q "^Zotrel_DIR:PATH=${ROOT}/" "${WORK_DIR}/cmake-consumer/CMakeCache.txt" ||
    fail "find_package(Zotrel) did not find the unpacked package"
cmake --build "${WORK_DIR}/cmake-consumer" || fail "build through find_package"
run_consumer "${WORK_DIR}/cmake-consumer/zotrel_package_consumer"

echo "--- consumer through pkg-config"
export PKG_CONFIG_PATH="${LIB_DIR}/pkgconfig"
pc_flags=$(pkg-config --cflags --libs zotrel) || fail "pkg-config zotrel"
echo "pkg-config --cflags --libs zotrel: ${pc_flags}"
[[ ${pc_flags} == *"-I${LIB_DIR}/pkgconfig/"* ]] || fail "zotrel.pc does not point into the unpacked root"
# shellcheck disable=SC2086 # the flags are words
g++ -std=c++17 -Wall -Wextra -Werror -O2 tests/package/consumer.cpp ${pc_flags} \
    -o "${WORK_DIR}/pkg-config-consumer" || fail "build through pkg-config"
run_consumer "${WORK_DIR}/pkg-config-consumer"

echo "--- zotrel-trace"
trace_status=0
"${ROOT}/usr/bin/zotrel-trace" >"${WORK_DIR}/zotrel-trace.out" 2>&1 || trace_status=$?
# Without arguments it prints its usage and exits with 2.
if [ "${trace_status}" -ne 2 ] || ! grep -q '^usage: zotrel-trace' "${WORK_DIR}/zotrel-trace.out"; then
    cat "${WORK_DIR}/zotrel-trace.out"
    fail "zotrel-trace without arguments exited with ${trace_status}"
fi
echo "zotrel-trace: runs"

echo "package: ok"
