#!/usr/bin/env bash
# Takes a Debian 12 machine to a built tool: installs what the build needs
# (see .ci/packages), then builds build/native/brackwin, with drops on X11
# windows, and the Windows exe build/win32/brackwin.exe. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=.ci/packages
. .ci/packages
install_packages "${build_packages[@]}"

# Missing GoogleTest or Xlib headers must stop this build, not slip by.
export BRACKWIN_REQUIRE_ALL=ON
for preset in native win32; do
  cmake --preset "$preset" --fresh > /dev/null
  cmake --build --preset "$preset"
done

echo
echo "Built:"
echo "  $PWD/build/native/brackwin       (Linux, drops on X11 windows)"
echo "  $PWD/build/win32/brackwin.exe    (Windows, copy it anywhere)"
echo "Next: build/native/brackwin -f examples/demo.asm -r -e   (or: bash .ci/run, the tests)"
