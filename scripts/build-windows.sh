#!/usr/bin/env bash
# Cross-builds Belvarium for 64-bit Windows into build-windows/ and makes the
# folder a user copies to a Windows PC, build-windows/Belvarium (belvarium.exe
# with the Qt and MinGW DLLs and Qt's Hungarian texts beside it), its zip,
# build-windows/Belvarium-windows-x64.zip, and the installer made from it,
# build-windows/Belvarium-<version>-setup.exe (NSIS, data/windows/installer.nsi).
# The Windows test executables are built too (scripts/test-windows.sh runs
# them under Wine).
#
# Needs the cross-built Qt of the shared folder beside the repository
# (../shared/windows/qt-6.4.2-mingw64.tar.xz; BELVARIUM_WINDOWS_QT names
# another tarball) and installs the Debian packages that are missing; with
# --wine also wine64.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
out=build-windows
tarball=${BELVARIUM_WINDOWS_QT:-$(dirname "$repo")/shared/windows/qt-6.4.2-mingw64.tar.xz}
qt=$out/qt-6.4.2-mingw64

# Debian's own Qt is the host side (moc, uic, rcc) of the cross build.
bash scripts/bootstrap.sh
missing() {
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}
apt_install() {
  [ $# -gt 0 ] || return 0
  echo "Installing: $*"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq --no-install-recommends "$@"
}
apt_install $(missing g++-mingw-w64-x86-64-posix ninja-build nsis)
if [ "${1:-}" = --wine ]; then
  # Wine alone may be unobtainable; scripts/test-windows.sh then says so.
  apt_install $(missing wine64) || echo "wine64 could not be installed"
fi

mkdir -p "$out"
if [ ! -x "$qt/bin/qt-cmake" ]; then
  [ -f "$tarball" ] || { echo "No Qt for Windows at $tarball" >&2; exit 1; }
  echo "Unpacking $tarball"
  rm -rf "$qt" "$out/qt.unpacking"
  mkdir "$out/qt.unpacking"
  tar -xJf "$tarball" -C "$out/qt.unpacking"
  mv "$out/qt.unpacking/qt-6.4.2-mingw64" "$qt"
  rmdir "$out/qt.unpacking"
fi

"$qt/bin/qt-cmake" -S . -B "$out/build" -G Ninja -DCMAKE_BUILD_TYPE=Release > "$out/configure.log" 2>&1 \
  || { cat "$out/configure.log"; exit 1; }
cmake --build "$out/build" -j"$(nproc)"

mingw_runtime=(/usr/lib/gcc/x86_64-w64-mingw32/12-posix/libstdc++-6.dll
               /usr/lib/gcc/x86_64-w64-mingw32/12-posix/libgcc_s_seh-1.dll
               /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll)
translation=/usr/share/qt6/translations/qtbase_hu.qm
# The tests load Qt's Hungarian texts the way the program does: beside the executable.
mkdir -p "$out/build/tests/translations"
cp "$translation" "$out/build/tests/translations/"

app=$out/Belvarium
rm -rf "$app" "$out/Belvarium-windows-x64.zip"
mkdir -p "$app/platforms" "$app/styles" "$app/translations"
cp "$out/build/src/belvarium.exe" "${mingw_runtime[@]}" "$app/"
for m in Core Gui Widgets SerialPort; do cp "$qt/bin/Qt6$m.dll" "$app/"; done
cp "$qt/plugins/platforms/qwindows.dll" "$app/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$app/styles/"
cp "$translation" "$app/translations/"
x86_64-w64-mingw32-strip --strip-unneeded "$app"/*.exe "$app"/lib*.dll

# Every Qt or MinGW DLL that something in the folder imports must be there;
# the rest are Windows' own.
for binary in "$app"/*.exe "$app"/*.dll "$app"/*/*.dll; do
  for dll in $(x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^\s*DLL Name: \(\(Qt6\|lib\).*\)$/\1/p'); do
    [ -f "$app/$dll" ] || { echo "$binary needs $dll, which is not in $app" >&2; exit 1; }
  done
done

(cd "$out" && cmake -E tar cf Belvarium-windows-x64.zip --format=zip Belvarium)

# The installer. Its uninstaller removes exactly the files installed, deepest
# folders last, so nothing else in the folder is ever deleted.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$out/build/CMakeCache.txt")
IFS=. read -r major minor patch tweak <<<"$version"
(cd "$app" && find . -type f | sort | sed 's|^\./\(.*\)|  Delete "$INSTDIR\\\1"|'
             find . -mindepth 1 -type d | sort -r | sed 's|^\./\(.*\)|  RMDir "$INSTDIR\\\1"|') \
  | sed 's|/|\\|g' > "$out/uninstall-files.nsh"
rm -f "$out"/Belvarium-*-setup.exe
makensis -V2 -DVERSION="$version" -DVERSION4="${major:-0}.${minor:-0}.${patch:-0}.${tweak:-0}" \
  -DPROGRAM="$repo/$app" -DUNINSTALL_FILES="$repo/$out/uninstall-files.nsh" \
  -DOUTFILE="$repo/$out/Belvarium-$version-setup.exe" data/windows/installer.nsi
echo "Windows program: $out/Belvarium (zipped: $out/Belvarium-windows-x64.zip, installer: $out/Belvarium-$version-setup.exe)"
