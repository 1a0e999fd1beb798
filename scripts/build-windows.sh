#!/bin/bash
# Builds the Windows module from the same sources with mingw-w64: installs
# the cross compilers and Wine when they are missing, builds the native
# resource generator in the Linux tree (the PE resources are made by it),
# then configures and builds build/windows/x86 and build/windows/x64, each
# leaving VemoMPIOCX.ocx and vemompi-seal.exe, and last the signed cabinet
# for deployment, build/windows/VemoMPIOCX.cab (scripts/make-cab.sh: the
# x86 module and its .inf). Safe to run again: packages
# already present are kept and the trees are only brought up to date.
set -euo pipefail
cd "$(dirname "$0")/.."

say() { echo "build-windows: $*"; }
run() { echo "+ $*"; "$@"; }

packages="g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64 wine wine64 xvfb
          googletest osslsigncode gcab cabextract openssl"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  say "installing:$missing"
  run $sudo apt-get update
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive run $sudo apt-get install -y $missing
else
  say "cross compilers, Wine and Xvfb already installed"
fi

# The native generator of the PE resources lives in the Linux tree: its
# build dependencies, and the tree configured as scripts/test.sh does.
scripts/install-deps.sh
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
if [ -f build/release/build.ninja ]; then
  say "Linux tree build/release already configured"
else
  run nice cmake -S . -B build/release -G Ninja -DVEMOMPI_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
fi
run nice ninja -C build/release vemompi-make-rc
rc_tool="$(pwd)/build/release/vemompi-make-rc"
[ -x "$rc_tool" ] || { say "the resource generator $rc_tool was not built"; exit 1; }
make_rc=(-DVEMOMPI_MAKE_RC="$rc_tool")

for arch in x86 x64; do
  dir="build/windows/$arch"
  say "=== $dir"
  run nice cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" "${make_rc[@]}"
  run nice cmake --build "$dir" -j "$(nproc)"
  for f in VemoMPIOCX.ocx vemompi-seal.exe; do
    [ -f "$dir/$f" ] || { say "$dir/$f was not built"; exit 1; }
    say "built $dir/$f"
  done
done

# The signed cabinet of the x86 module, for deployment.
if [ -f build/windows/x86/VemoMPIOCX.ocx ]; then
  run scripts/make-cab.sh build/windows
fi
