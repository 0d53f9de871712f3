# Installs the Debian packages that building, testing and benchmarking Zotrel
# need. Sourced by the scripts in this folder; not run on its own.
#
# Nothing is downloaded at build time except these packages. `apt-get update`
# runs once, and only when something is missing, so a machine that already has
# everything never touches the network.

# Every package the project needs, in one place.
ZOTREL_PACKAGES="build-essential cmake qtbase5-dev libgtest-dev libgmock-dev libbenchmark-dev \
gcc-multilib g++-multilib clang-format clang libclang-rt-14-dev valgrind abigail-tools pkg-config"

# Installs whatever is missing of ZOTREL_PACKAGES and of the packages named
# as arguments (for a script with a need of its own, e.g. clang for fuzzing).
zotrel_install_deps() {
    local missing=() package
    for package in ${ZOTREL_PACKAGES} "$@"; do
        if ! dpkg-query -W -f='${Status}' "${package}" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("${package}")
        fi
    done
    if [ "${#missing[@]}" -eq 0 ]; then
        return 0
    fi

    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "error: not root and no sudo; install these packages first: ${missing[*]}" >&2
            return 1
        fi
        sudo=(sudo)
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update </dev/null
    "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}" </dev/null
}

# Number of parallel jobs for builds and test runs.
zotrel_jobs() {
    nproc 2>/dev/null || echo 2
}
