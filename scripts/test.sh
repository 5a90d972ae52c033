#!/usr/bin/env bash
# Sets Quillpix up on Debian 12 and runs every test:
#   scripts/test.sh
# installs the missing packages (apt-get, as root or through sudo), builds everything
# (program, tests, benchmarks) in build-test and runs all tests, then builds the tests with
# AddressSanitizer and UndefinedBehaviorSanitizer in build-asan and runs them again. Fails on
# any failing test (after running both), and when a build runs no test at all.
#
# Environment: JOBS (build jobs, default: number of processors), CTEST_JOBS (tests run at
# once, default JOBS), TEST_BUILD_DIR, ASAN_BUILD_DIR.
set -euo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

case "${1:-}" in
-h | --help)
    sed -n '2,11s/^# \{0,1\}//p' "${BASH_SOURCE[0]}"
    exit 0
    ;;
esac
[ "$#" -eq 0 ] || die "usage: scripts/test.sh"

test_dir="${TEST_BUILD_DIR:-$QUILLPIX_ROOT/build-test}"
asan_dir="${ASAN_BUILD_DIR:-$QUILLPIX_ROOT/build-asan}"

ensure_packages "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}"

# Tests that run the engine side by side share the processors; one thread each keeps them
# from getting in each other's way.
export OMP_THREAD_LIMIT=1
# The tests bring their own display (offscreen, or a virtual X server where they need one).
unset DISPLAY WAYLAND_DISPLAY
# Qt wants a private runtime folder; CI shells have none.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    XDG_RUNTIME_DIR="$(mktemp -d)"
    export XDG_RUNTIME_DIR
    trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
fi

# Both configurations run even when the first has failing tests, so one run reports all.
failed=()
configure_and_build "$test_dir" -DCMAKE_BUILD_TYPE=Debug -DQUILLPIX_TESTS=ON \
    -DQUILLPIX_BENCH=ON -DQUILLPIX_SANITIZE=OFF
run_tests "$test_dir" || failed+=("plain")

configure_and_build "$asan_dir" -DCMAKE_BUILD_TYPE=Debug -DQUILLPIX_TESTS=ON \
    -DQUILLPIX_BENCH=OFF -DQUILLPIX_SANITIZE=ON
run_tests "$asan_dir" || failed+=("sanitizer")

[ "${#failed[@]}" -eq 0 ] || die "the ${failed[*]} test run(s) failed"
say "All tests passed, with and without the sanitizers"
