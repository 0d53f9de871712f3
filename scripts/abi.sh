#!/usr/bin/env bash
# Guards the binary interface of libZotrel.so and libZotrelTrace.so against
# the baselines kept in abi/:
#
#   abi/<library>.symbols  the exported symbols with their versions
#                          (nm -D --defined-only --with-symbol-versions),
#                          mangled, sorted
#   abi/<library>.abi      the ABI of the public interface: functions,
#                          variables and the types they reach, as declared by
#                          the headers in include/zotrel (abidw, from a
#                          RelWithDebInfo build with debug info)
#
#   scripts/abi.sh --check [BUILD_DIR]    compare a build with the baselines
#   scripts/abi.sh --update [BUILD_DIR]   write the baselines anew, on purpose
#
# Both build the two libraries first. BUILD_DIR defaults to build/abi
# (configured here: RelWithDebInfo, libraries only); an existing build folder
# is reused as it is configured, and must be a RelWithDebInfo build without
# sanitizers (scripts/test.sh passes build/ci-release).
#
# --check fails when a symbol of the baseline is no longer exported, when a
# function, variable or type of the baseline changed or disappeared (abidiff
# with added symbols left out reports anything, or exits with bit 3 set:
# incompatible), or when the SONAME differs from the baseline's. Additions
# alone pass with the notice "symbols added: update the baseline". It ends
# with "abi: ok" or "abi: FAILED".
#
# --update says what changed against the old baselines and warns when the
# change breaks callers while the SONAME stayed the same: such a change needs
# a new SONAME (the major number of the project VERSION) in the same commit.
#
# ZOTREL_BUILD_ROOT (default: build) moves the default build folder.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
# shellcheck source=scripts/deps.sh
source scripts/deps.sh

usage() {
    echo "usage: scripts/abi.sh --check|--update [BUILD_DIR]" >&2
    exit 2
}

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    usage
fi
MODE=$1
case "${MODE}" in
    --check | --update) ;;
    *) usage ;;
esac
BUILD_DIR="${2:-${ZOTREL_BUILD_ROOT:-build}/abi}"
ABI_DIR=abi
LIBRARIES=(libZotrel libZotrelTrace)
# Where each library lies in a build folder.
declare -A LIBRARY_PATH=([libZotrel]=src/libZotrel.so [libZotrelTrace]=trace/libZotrelTrace.so)
# Only what the public headers declare counts; paths are left out of the
# baselines so that they do not depend on where the tree is checked out.
ABIDW_OPTIONS=(--headers-dir include/zotrel --drop-private-types
    --no-corpus-path --no-comp-dir-path --no-show-locs)
# abidiff's exit status is a bit mask.
ABIDIFF_ERROR=1 ABIDIFF_USAGE_ERROR=2 ABIDIFF_ABI_CHANGE=4 ABIDIFF_ABI_INCOMPATIBLE_CHANGE=8

zotrel_install_deps

# ---- build -----------------------------------------------------------------

if [ -f "${BUILD_DIR}/CMakeCache.txt" ]; then
    build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "${BUILD_DIR}/CMakeCache.txt")
    sanitize=$(sed -n 's/^ZOTREL_SANITIZE:[A-Z]*=//p' "${BUILD_DIR}/CMakeCache.txt")
    if [ "${build_type}" != RelWithDebInfo ] || [ -n "${sanitize}" ]; then
        echo "abi: ${BUILD_DIR} is a '${build_type}' build with sanitizers '${sanitize}';" \
            "the baselines come from RelWithDebInfo without sanitizers" >&2
        exit 2
    fi
else
    cmake -S . -B "${BUILD_DIR}" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DZOTREL_BUILD_TESTS=OFF \
        -DZOTREL_BUILD_BENCHMARKS=OFF \
        -DZOTREL_BUILD_EXAMPLES=OFF
fi
cmake --build "${BUILD_DIR}" -j"$(zotrel_jobs)" --target Zotrel ZotrelTrace

WORK_DIR=$(mktemp -d)
trap 'rm -rf "${WORK_DIR}"' EXIT

# ---- helpers -----------------------------------------------------------------

# The exported symbols of a library, one "name@@VERSION" (or "name" when the
# library gives it no version) a line, sorted bytewise.
exported_symbols() {
    nm -D --defined-only --with-symbol-versions "$1" | awk '{print $NF}' | LC_ALL=C sort -u
}

# Writes the abidw description of a library ($1) to $2, with the paths of
# its translation units relative to the repository.
describe_abi() {
    abidw "${ABIDW_OPTIONS[@]}" --out-file "$2.tmp" "$1" &&
        sed "s#path='${PWD}/#path='#g" "$2.tmp" >"$2" &&
        rm -f "$2.tmp"
}

# The SONAME recorded in an abidw corpus.
corpus_soname() {
    sed -n "s/^<abi-corpus [^>]*soname='\\([^']*\\)'.*/\\1/p" "$1" | head -n 1
}

# Prints symbol lines with their demangled form beside them.
show_symbols() {
    local symbol
    while IFS= read -r symbol; do
        printf '    %s\n        %s\n' "${symbol}" "$(c++filt "${symbol%%@*}")"
    done
}

# Compares a library with its baselines. Prints what it found and returns
# 0 (unchanged), 1 (breaks callers), 3 (additions only), 4 (another SONAME
# than the baseline's) or 2 (no baseline, or a tool failed).
compare_library() {
    local name=$1 file=$2 symbols_file="${ABI_DIR}/$1.symbols" abi_file="${ABI_DIR}/$1.abi"
    if [ ! -f "${symbols_file}" ] || [ ! -f "${abi_file}" ]; then
        echo "${name}: no baseline in ${ABI_DIR}/ (scripts/abi.sh --update writes one)"
        return 2
    fi

    local current="${WORK_DIR}/${name}.symbols" removed added
    exported_symbols "${file}" >"${current}"
    removed=$(LC_ALL=C comm -23 "${symbols_file}" "${current}")
    added=$(LC_ALL=C comm -13 "${symbols_file}" "${current}")
    local breaks=0 additions=0
    if [ -n "${removed}" ]; then
        echo "${name}: $(echo "${removed}" | wc -l) exported symbols of the baseline are gone:"
        echo "${removed}" | show_symbols
        breaks=1
    fi
    if [ -n "${added}" ]; then
        echo "${name}: $(echo "${added}" | wc -l) new exported symbols:"
        echo "${added}" | show_symbols
        additions=1
    fi

    local soname old_soname
    soname=$(readelf -d "${file}" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
    old_soname=$(corpus_soname "${abi_file}")
    if [ "${soname}" != "${old_soname}" ]; then
        echo "${name}: the SONAME is ${soname}, the baseline's ${old_soname}"
        return 4
    fi

    # Changes to what the baseline has: added functions and variables left out.
    local report="${WORK_DIR}/${name}.abidiff" status=0
    describe_abi "${file}" "${WORK_DIR}/${name}.abi" || return 2
    abidiff --no-added-syms "${abi_file}" "${WORK_DIR}/${name}.abi" >"${report}" 2>&1 || status=$?
    if ((status & (ABIDIFF_ERROR | ABIDIFF_USAGE_ERROR))); then
        cat "${report}"
        echo "${name}: abidiff failed (exit ${status})"
        return 2
    fi
    if ((status & ABIDIFF_ABI_INCOMPATIBLE_CHANGE)); then
        cat "${report}"
        echo "${name}: abidiff: incompatible change (exit ${status})"
        breaks=1
    elif ((status & ABIDIFF_ABI_CHANGE)); then
        cat "${report}"
        echo "${name}: abidiff: functions, variables or types of the baseline changed (exit ${status})"
        breaks=1
    fi
    # Then the whole comparison, for the additions.
    status=0
    abidiff "${abi_file}" "${WORK_DIR}/${name}.abi" >"${report}" 2>&1 || status=$?
    if ((status & ABIDIFF_ABI_CHANGE)) && [ "${breaks}" -eq 0 ]; then
        grep -E 'changes summary|^ *\[A\]' "${report}" | sed 's/^ */    /'
        additions=1
    fi

    if [ "${breaks}" -ne 0 ]; then
        return 1
    elif [ "${additions}" -ne 0 ]; then
        return 3
    fi
    echo "${name}: unchanged ($(wc -l <"${current}") exported symbols)"
    return 0
}

# ---- check -------------------------------------------------------------------

if [ "${MODE}" = --check ]; then
    failed=()
    for name in "${LIBRARIES[@]}"; do
        echo "=== ${name}"
        result=0
        compare_library "${name}" "${BUILD_DIR}/${LIBRARY_PATH[${name}]}" || result=$?
        case "${result}" in
            0) ;;
            3) echo "${name}: symbols added: update the baseline (scripts/abi.sh --update) in the same commit" ;;
            4)
                echo "${name}: a new SONAME needs a new baseline: scripts/abi.sh --update"
                failed+=("${name}")
                ;;
            1)
                echo "${name}: BREAKS CALLERS: restore what disappeared or changed; to change the ABI on" \
                    "purpose, raise the SONAME and run scripts/abi.sh --update"
                failed+=("${name}")
                ;;
            *) failed+=("${name}") ;;
        esac
    done
    if [ "${#failed[@]}" -ne 0 ]; then
        echo "abi: FAILED (${failed[*]})"
        exit 1
    fi
    echo "abi: ok"
    exit 0
fi

# ---- update ------------------------------------------------------------------

mkdir -p "${ABI_DIR}"
for name in "${LIBRARIES[@]}"; do
    file="${BUILD_DIR}/${LIBRARY_PATH[${name}]}"
    echo "=== ${name}"
    if [ -f "${ABI_DIR}/${name}.symbols" ] && [ -f "${ABI_DIR}/${name}.abi" ]; then
        result=0
        compare_library "${name}" "${file}" || result=$?
        old_soname=$(corpus_soname "${ABI_DIR}/${name}.abi")
        soname=$(readelf -d "${file}" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
        if [ "${result}" -eq 1 ] && [ "${soname}" = "${old_soname}" ]; then
            echo "WARNING: ${name}: this baseline drops or changes what callers built against the old" \
                "one use, and the SONAME is still ${soname}. Raise the SONAME (the major number of" \
                "project(VERSION) in CMakeLists.txt) in the same commit, or undo the change."
        fi
    fi
    exported_symbols "${file}" >"${ABI_DIR}/${name}.symbols"
    describe_abi "${file}" "${ABI_DIR}/${name}.abi"
    echo "${name}: wrote ${ABI_DIR}/${name}.symbols ($(wc -l <"${ABI_DIR}/${name}.symbols") symbols)" \
        "and ${ABI_DIR}/${name}.abi"
done
echo "abi: baselines updated; commit abi/ with the change that caused it"
