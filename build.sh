#!/usr/bin/env bash
# Takes a Debian 12 machine to a built tool: installs what the build needs
# (see .ci/packages), then builds build/native/brackwin, with drops on X11
# windows, and the Windows exe build/win32/brackwin.exe. With "native", the
# Linux tool alone, without MinGW. The tools only: the tests are built and
# run by .ci/run. Safe to run again.
# Usage: bash build.sh [native]
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=.ci/packages
. .ci/packages
presets=(native win32)
packages=("${build_packages[@]}")
if [ "${1:-}" = native ]; then
  presets=(native)
  packages=()
  for package in "${build_packages[@]}"; do
    [[ $package == *mingw* ]] || packages+=("$package")
  done
elif [ -n "${1:-}" ]; then
  echo "usage: bash build.sh [native]" >&2
  exit 2
fi
install_packages "${packages[@]}"

# Missing Xlib headers must stop this build, not slip by. Without the test
# programs here, a later `--target package` builds none either.
export BRACKWIN_REQUIRE_ALL=ON
for preset in "${presets[@]}"; do
  cmake --preset "$preset" --fresh -DBRACKWIN_BUILD_TESTS=OFF > /dev/null
  cmake --build --preset "$preset"
done

echo
echo "Built:"
echo "  $PWD/build/native/brackwin       (Linux, drops on X11 windows)"
[ "${#presets[@]}" = 1 ] ||
  echo "  $PWD/build/win32/brackwin.exe    (Windows, copy it anywhere)"
echo "Next: build/native/brackwin --check, then build/native/brackwin -f examples/demo.asm -r -e   (or: bash .ci/run, the tests)"
