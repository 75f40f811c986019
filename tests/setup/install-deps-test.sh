#!/bin/bash
# scripts/install-deps.sh against stand-ins for apt-get and dpkg on PATH: a package index
# that does not update, and packages that do not install, as on a day when a mirror is being
# synced. Nothing is installed and the network is not used.
set -uo pipefail
install_deps=$(cd "$(dirname "$0")/../.." && pwd)/scripts/install-deps.sh
fakes=$(mktemp -d)
trap 'rm -rf "$fakes"' EXIT

# No package is installed; the i386 architecture is known; pauses take no time.
printf '#!/bin/sh\nexit 1\n' >"$fakes/dpkg-query"
printf '#!/bin/sh\necho i386\n' >"$fakes/dpkg"
printf '#!/bin/sh\nexit 0\n' >"$fakes/sleep"
printf '#!/bin/sh\nexec "$@"\n' >"$fakes/sudo"
# apt-get writes each call to $APT_CALLS; the update fails; an install fails when it holds a
# package named in $FAILING.
cat >"$fakes/apt-get" <<'FAKE'
#!/bin/bash
echo "$*" >>"$APT_CALLS"
if [ "$1" = update ]; then
    echo "E: Failed to fetch http://deb.debian.org/i386/Packages.xz  File has unexpected size" >&2
    exit 100
fi
for package in "$@"; do
    if [[ " $FAILING " == *" $package "* ]]; then
        echo "E: Unable to correct problems, you have held broken packages." >&2
        exit 100
    fi
done
FAKE
chmod +x "$fakes"/*

failures=0
check() {
    local name=$1 job=$2 expected_status=$3 expected_output=$4 unexpected_output=$5
    export FAILING=$6 APT_CALLS=$fakes/calls
    rm -f "$APT_CALLS"
    local output status
    output=$(PATH=$fakes:$PATH "$install_deps" "$job" 2>&1)
    status=$?
    local updates
    updates=$(grep -c '^update' "$APT_CALLS")
    if [ "$status" -ne "$expected_status" ] || [ "$updates" -ne 3 ] ||
        ! grep -q -- "$expected_output" <<<"$output" ||
        { [ -n "$unexpected_output" ] && grep -q -- "$unexpected_output" <<<"$output"; }; then
        echo "FAIL $name: exit $status (expected $expected_status), $updates index updates"
        echo "$output" | sed 's/^/    /'
        failures=$((failures + 1))
    else
        echo "ok   $name"
    fi
}

index="did not update in 3 tries, going on with the lists that did download: E: Failed to fetch"
check "the demo goes on without the index" demo 0 "$index" "x86 tests" ""
check "the tests go on without the 32-bit Wine" test 0 \
    "wine32:i386 could not be installed, so the x86 tests will be skipped: E: Unable to correct" \
    "Cannot install" "wine32:i386"
check "a package the tests need is named" test 1 "Cannot install pcb-rnd, which" \
    "Cannot install xvfb" "wine32:i386 pcb-rnd"
[ "$failures" -eq 0 ]
