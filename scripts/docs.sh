#!/usr/bin/env bash
# Builds the reference documentation: Doxygen HTML of the public headers
# (include/zotrel/), with the README as the main page and the porting guide
# (docs/porting.md) as a page of its own, into build/docs/html.
#
# Every Doxygen warning fails the build: each exported class, member, record
# and C function must say what it does and what its results mean. The
# warnings are kept in build/docs/warnings.log and summed up per file here.
#
#     scripts/docs.sh          # then open build/docs/html/index.html
#
# ZOTREL_BUILD_ROOT (default: build) moves the build folder.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
# shellcheck source=scripts/deps.sh
source scripts/deps.sh

zotrel_install_deps doxygen

DOCS_DIR="${ZOTREL_BUILD_ROOT:-build}/docs"
WARNINGS="${DOCS_DIR}/warnings.log"

# The version the documentation shows is the project's, from CMakeLists.txt.
ZOTREL_VERSION="$(sed -n 's/^project(Zotrel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
export ZOTREL_VERSION

# A fresh tree each time, so pages of removed classes do not linger.
rm -rf "${DOCS_DIR}/html"
mkdir -p "${DOCS_DIR}"
: >"${WARNINGS}"

# docs/Doxyfile holds the settings; only the output place is given here.
# It also asks Doxygen to exit non-zero after warnings (FAIL_ON_WARNINGS), so
# the count below is the check and the exit status catches everything else.
status=0
{
    cat docs/Doxyfile
    echo "OUTPUT_DIRECTORY = ${DOCS_DIR}"
    echo "WARN_LOGFILE = ${WARNINGS}"
} | doxygen - || status=$?

# Doxygen may report one problem more than once (for the class and for the
# file page); each distinct message counts once.
problems="$(grep -E ': (warning|error): ' "${WARNINGS}" | sort -u || true)"
count=0
if [ -n "${problems}" ]; then
    count="$(printf '%s\n' "${problems}" | wc -l)"
fi
if [ "${status}" -ne 0 ] && [ "${count}" -eq 0 ]; then
    echo "error: doxygen failed (exit ${status}); see ${WARNINGS}" >&2
    exit "${status}"
fi
if [ "${count}" -ne 0 ]; then
    echo "Doxygen warnings per file:" >&2
    printf '%s\n' "${problems}" | cut -d: -f1 | sort | uniq -c >&2
    echo "error: ${count} Doxygen warning(s); the first ones:" >&2
    printf '%s\n' "${problems}" | sed -n '1,20p' >&2
    echo "(all of them in ${WARNINGS})" >&2
    exit 1
fi

echo "Documentation built without warnings: ${DOCS_DIR}/html/index.html"
