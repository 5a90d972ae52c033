#!/usr/bin/env bash
# Sets Quillpix up on Debian 12 and starts it:
#   scripts/run.sh [WORKSPACE]
# installs the missing packages (apt-get, as root or through sudo), builds the program in
# build-release, lays out a workspace (default: workspace-run in the repository) and starts
# the program from it. Installing over an existing workspace keeps its option lists and the
# results saved beside the pictures.
#
# Environment: BUILD_DIR (default build-release), JOBS (default: number of processors).
set -euo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

case "${1:-}" in
-h | --help)
    sed -n '2,10s/^# \{0,1\}//p' "${BASH_SOURCE[0]}"
    exit 0
    ;;
esac
[ "$#" -le 1 ] || die "usage: scripts/run.sh [WORKSPACE]"

workspace="${1:-$QUILLPIX_ROOT/workspace-run}"
build_dir="${BUILD_DIR:-$QUILLPIX_ROOT/build-release}"

# A Wayland session without an X server (no DISPLAY) needs Qt's Wayland plugin; a GTK desktop
# (GNOME, Cinnamon, MATE, Xfce, Budgie) gives its own file dialogs through Qt's GTK theme.
session_packages=()
if [ -n "${WAYLAND_DISPLAY:-}" ]; then
    session_packages+=(qt6-wayland)
fi
case "${XDG_CURRENT_DESKTOP:-}" in
*GNOME* | *Unity* | *Cinnamon* | *MATE* | *XFCE* | *Budgie*)
    session_packages+=(qt6-gtk-platformtheme)
    ;;
esac
ensure_packages "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" "${session_packages[@]}"
configure_and_build "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLPIX_TESTS=OFF -DQUILLPIX_BENCH=OFF

say "Laying out the workspace in $workspace"
mkdir -p "$workspace"
workspace="$(cd "$workspace" && pwd)"
cmake --install "$build_dir" --prefix "$workspace"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    cat >&2 <<MSG

Quillpix is built and its workspace is ready in $workspace,
but there is no display to show its window on (neither DISPLAY nor WAYLAND_DISPLAY is set).
Either
  - run it from a desktop session, or set DISPLAY to a running X server (for example
    DISPLAY=:0, or ssh -X to this machine), then run this script again or start
    $workspace/bin/quillpix
  - or give it a virtual screen (package xvfb):
    xvfb-run -s "-screen 0 1920x1080x24" $workspace/bin/quillpix
MSG
    exit 2
fi

say "Starting $workspace/bin/quillpix"
exec "$workspace/bin/quillpix"
