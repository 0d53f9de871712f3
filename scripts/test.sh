#!/usr/bin/env bash
# Runs the whole Zotrel test suite on a fresh Debian 12 machine (as root):
#
#   1. installs the missing Debian packages (scripts/deps.sh),
#   2. checks the 32-bit record layouts (gcc/g++ -m32),
#   3. builds and runs the tests in a normal RelWithDebInfo build (benchmarks
#      are compiled, not run) in build/ci-release,
#   4. compares the exported symbols and the ABI of both libraries of that
#      build with the baselines in abi/ (scripts/abi.sh --check),
#   5. builds the Debian packages (Release, build/package), unpacks them into
#      a scratch root and builds and runs a consumer program against them
#      through find_package and through pkg-config (scripts/package_test.sh),
#   6. runs the C test program and the example under valgrind memcheck and
#      builds the reference documentation (scripts/docs.sh, no warning),
#   7. builds and runs the same tests with AddressSanitizer and
#      UndefinedBehaviorSanitizer in build/ci-asan,
#   8. builds the libFuzzer harnesses with clang and runs each one for a
#      bounded time (ZOTREL_FUZZ_SECONDS, default 20) over the corpus kept in
#      fuzz/corpus (scripts/fuzz.sh),
#   9. builds the tests that run threads against each other (label
#      "concurrency") with ThreadSanitizer in build/ci-tsan and runs them.
#
# Every step runs even when an earlier one failed, so one run reports
# everything. The last line is "N passed, N failed": the tests of both ctest
# runs, the ABI, package, valgrind and docs checks (one test each), plus one failure
# for every layout check, configure or build step that failed. The exit status
# is 0 only when nothing failed.
#
# ZOTREL_BUILD_ROOT (default: build) moves the two build folders.
set -uo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
# shellcheck source=scripts/deps.sh
source scripts/deps.sh

zotrel_install_deps || exit 1

JOBS="$(zotrel_jobs)"
BUILD_ROOT="${ZOTREL_BUILD_ROOT:-build}"
LOG_DIR="${BUILD_ROOT}/ci-logs"
mkdir -p "${LOG_DIR}"

total_passed=0
total_failed=0
failed_steps=()
start_seconds=${SECONDS}

step_failed() {
    echo "FAILED: $1" >&2
    failed_steps+=("$1")
    total_failed=$((total_failed + 1))
}

# Runs ctest in a build folder (extra arguments go to ctest) and adds its
# counts to the totals.
run_ctest() {
    local name=$1 dir=$2 log="${LOG_DIR}/$1-ctest.log"
    shift 2
    ctest --test-dir "${dir}" --output-on-failure --no-tests=error --timeout 300 -j"${JOBS}" \
        "$@" 2>&1 | tee "${log}"
    local status=${PIPESTATUS[0]}
    # ctest closes with "100% tests passed, 0 tests failed out of Y" or
    # "NN% tests passed, X tests failed out of Y".
    local summary
    summary=$(grep -E '[0-9]+ tests? failed out of [0-9]+' "${log}" | tail -n 1)
    if [[ ${summary} =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
        local failed=${BASH_REMATCH[1]} count=${BASH_REMATCH[2]}
        total_passed=$((total_passed + count - failed))
        total_failed=$((total_failed + failed))
        if [ "${failed}" -ne 0 ]; then
            failed_steps+=("${name}: ${failed} of ${count} tests failed")
        elif [ "${status}" -ne 0 ]; then
            step_failed "${name}: ctest exited with ${status}"
        fi
    else
        step_failed "${name}: ctest printed no summary (exit ${status})"
    fi
}

# Configures, builds and tests one build folder.
build_and_test() {
    local name=$1 dir=$2
    shift 2
    echo "=== ${name}: configure (${dir})"
    if ! cmake -S . -B "${dir}" "$@"; then
        step_failed "${name}: configure"
        return
    fi
    echo "=== ${name}: build (-j${JOBS})"
    if ! cmake --build "${dir}" -j"${JOBS}"; then
        step_failed "${name}: build"
        return
    fi
    echo "=== ${name}: test"
    run_ctest "${name}" "${dir}"
}

# The plain records keep their 32-bit layout: compile the layout assertions
# as C11 and as C++17 for a 32-bit target.
echo "=== 32-bit record layouts"
if gcc -m32 -std=c11 -Wall -Wextra -pedantic -fsyntax-only -Iinclude tests/abi/layout32.c; then
    echo "layout32 (C11, -m32): ok"
else
    step_failed "layout32 (C11, -m32)"
fi
if g++ -m32 -std=c++17 -Wall -Wextra -x c++ -fsyntax-only -Iinclude tests/abi/layout32.c; then
    echo "layout32 (C++17, -m32): ok"
else
    step_failed "layout32 (C++17, -m32)"
fi

build_and_test release "${BUILD_ROOT}/ci-release" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZOTREL_BUILD_BENCHMARKS=ON

# The exported symbols and the ABI of the libraries of the release build
# against abi/. One test.
echo "=== abi"
if bash scripts/abi.sh --check "${BUILD_ROOT}/ci-release" 2>&1 | tee "${LOG_DIR}/abi.log"; then
    total_passed=$((total_passed + 1))
else
    step_failed "abi: exported symbols or ABI differ from abi/ (${LOG_DIR}/abi.log)"
fi

# The Debian packages, unpacked into a scratch root, and a consumer program
# built against them. One test.
echo "=== packages"
if bash scripts/package_test.sh 2>&1 | tee "${LOG_DIR}/package.log"; then
    total_passed=$((total_passed + 1))
else
    step_failed "packages: build, contents or consumer (${LOG_DIR}/package.log)"
fi

# The C test program and the example run clean under valgrind memcheck: no
# error and no lost block (what stays reachable at exit is the process-wide
# state kept on purpose: trace engines, Qt's and glib's own). One test each.
for program in tests/c_interface_test examples/zotrel_tour; do
    name=$(basename "${program}")
    echo "=== valgrind ${name}"
    if valgrind --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect,possible \
            "${BUILD_ROOT}/ci-release/${program}" >"${LOG_DIR}/valgrind-${name}.out" \
            2>"${LOG_DIR}/valgrind-${name}.log"; then
        grep -E 'ERROR SUMMARY|definitely|indirectly|possibly' "${LOG_DIR}/valgrind-${name}.log"
        total_passed=$((total_passed + 1))
    else
        tail -n 40 "${LOG_DIR}/valgrind-${name}.log"
        step_failed "valgrind ${name}: errors or lost memory (${LOG_DIR}/valgrind-${name}.log)"
    fi
done

# The reference documentation builds without a Doxygen warning. One test.
echo "=== docs"
if bash scripts/docs.sh 2>&1 | tee "${LOG_DIR}/docs.log"; then
    total_passed=$((total_passed + 1))
else
    step_failed "docs: Doxygen warnings (${LOG_DIR}/docs.log)"
fi

# The sanitizers stop at the first report, which ctest shows as a failure.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
build_and_test asan-ubsan "${BUILD_ROOT}/ci-asan" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZOTREL_SANITIZE="address;undefined" \
    -DZOTREL_BUILD_BENCHMARKS=OFF

# Each harness counts as one test.
echo "=== fuzzers"
fuzz_log="${LOG_DIR}/fuzz.log"
bash scripts/fuzz.sh "${ZOTREL_FUZZ_SECONDS:-20}" 2>&1 | tee "${fuzz_log}"
fuzz_status=${PIPESTATUS[0]}
fuzz_summary=$(grep -E '^fuzz: [0-9]+ passed, [0-9]+ failed$' "${fuzz_log}" | tail -n 1)
if [[ ${fuzz_summary} =~ ([0-9]+)\ passed,\ ([0-9]+)\ failed ]]; then
    total_passed=$((total_passed + BASH_REMATCH[1]))
    total_failed=$((total_failed + BASH_REMATCH[2]))
    if [ "${BASH_REMATCH[2]}" -ne 0 ]; then
        failed_steps+=("fuzz: ${BASH_REMATCH[2]} harnesses failed")
    fi
elif [ "${fuzz_status}" -ne 0 ]; then
    step_failed "fuzz: build or run (exit ${fuzz_status})"
fi

# ThreadSanitizer: only the concurrency tests, built and run on their own.
echo "=== tsan: configure (${BUILD_ROOT}/ci-tsan)"
if cmake -S . -B "${BUILD_ROOT}/ci-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DZOTREL_SANITIZE=thread -DZOTREL_BUILD_BENCHMARKS=OFF -DZOTREL_BUILD_EXAMPLES=OFF; then
    echo "=== tsan: build (-j${JOBS})"
    if cmake --build "${BUILD_ROOT}/ci-tsan" -j"${JOBS}" --target zotrel_concurrency_tests; then
        echo "=== tsan: test"
        TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1 second_deadlock_stack=1}" \
            run_ctest tsan "${BUILD_ROOT}/ci-tsan" -L concurrency
    else
        step_failed "tsan: build"
    fi
else
    step_failed "tsan: configure"
fi

elapsed=$((SECONDS - start_seconds))
echo
echo "=== Summary ($((elapsed / 60))m $((elapsed % 60))s)"
for step in "${failed_steps[@]}"; do
    echo "  failed: ${step}"
done
echo "${total_passed} passed, ${total_failed} failed"
[ "${total_failed}" -eq 0 ]
