#!/usr/bin/env bash
# Makes the Debian package from the build in build/ (./test or ./run builds it)
# and checks that it holds the programs, the plug-in and the public headers,
# and nothing else.
#   scripts/package.sh      writes build/package/trunaccount_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/common.sh

build_preset default
out=$TOP/build/package
rm -rf "$out"
mkdir -p "$out"
say "packaging"
(cd build && cpack -G DEB -B "$out" >/dev/null)
deb=$(ls "$out"/*.deb)

expected=$( {
    printf './usr/bin/%s\n' trunaccount-admin trunaccount-host
    echo ./usr/lib/libtrunaccount.so
    git ls-files 'include/trunaccount/*.h' | sed 's|^|./usr/|'
} | sort)
listed=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)
if [ "$expected" != "$listed" ]; then
    echo "error: $deb does not hold what it should (- expected, + packaged):" >&2
    diff <(echo "$expected") <(echo "$listed") >&2 || true
    exit 1
fi
say "$deb: $(echo "$listed" | wc -l) files; depends on $(dpkg-deb -f "$deb" Depends)"
