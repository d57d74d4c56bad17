# Shared by ./run and ./test: install what is missing, configure and build.
# shellcheck shell=bash

TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Paths below the checkout are hashed relative to it, so that clones and
# worktrees in other folders share the compiler cache.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$TOP}

say() { printf '==> %s\n' "$*" >&2; }

# Installs the Debian packages of scripts/packages.txt that are not installed yet.
ensure_packages() {
    local wanted missing=()
    wanted=$(grep -vE '^\s*(#|$)' "$TOP/scripts/packages.txt")
    for p in $wanted; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null; then sudo=(sudo); else
            echo "error: packages missing (${missing[*]}) and no root rights to install them" >&2
            return 1
        fi
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Configures (when needed) and builds one CMake preset; further arguments go to
# the configuration (-DNAME=VALUE).
build_preset() {
    local preset=$1
    shift
    say "building ($preset)"
    cmake --preset "$preset" -S "$TOP" "$@" >/dev/null
    cmake --build --preset "$preset" -- -j"$(nproc)"
}
