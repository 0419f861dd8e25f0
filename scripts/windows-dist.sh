#!/usr/bin/env bash
# Packs the Windows build into DIST_DIR: a zip with the programs, the Help manual and the
# licences of everything linked into them, and a per-user NSIS installer of the same files.
#   scripts/windows-dist.sh BUILD_DIR DIST_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: windows-dist.sh BUILD_DIR DIST_DIR}
dist=${2:?usage: windows-dist.sh BUILD_DIR DIST_DIR}
host=x86_64-w64-mingw32
# The version and the publisher as the build wrote them from CMakeLists.txt.
header="$build/include/tolvane_version/platform/Version.h"
version=$(sed -n 's/^#define TOLVANE_VERSION_TEXT "\(.*\)"$/\1/p' "$header")
publisher=$(sed -n 's/^#define TOLVANE_PUBLISHER "\(.*\)"$/\1/p' "$header")
[ -n "$version" ] && [ -n "$publisher" ] || { echo "windows-dist: no version in $header" >&2; exit 1; }
prefix=$(sed -n 's/^TOLVANE_WINDOWS_PREFIX:[A-Z]*=//p' "$build/CMakeCache.txt")
name="tolvane-$version-windows-x64"

mkdir -p "$dist"
dist=$(cd "$dist" && pwd)
stage="$dist/$name"
rm -rf "$stage"
mkdir -p "$stage/licenses"
for program in tolvane tolvane-convert; do
  exe=$(find "$build/src" -name "$program.exe" -type f | head -1)
  [ -n "$exe" ] || { echo "windows-dist: no $program.exe in $build" >&2; exit 1; }
  $host-strip -o "$stage/$program.exe" "$exe"
done
# Statically linked, so nothing but the system's own DLLs may be asked for.
for exe in "$stage"/*.exe; do
  foreign=$($host-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p' |
            grep -viE '^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|ole32|oleaut32|advapi32|shlwapi|ws2_32|dnsapi|iphlpapi|winmm|ntdll|msvcrt|api-ms-win-.*|bcrypt|crypt32|userenv|uxtheme|imm32|version|setupapi|cfgmgr32|rpcrt4|secur32|dwmapi)\.dll$' || true)
  if [ -n "$foreign" ]; then
    echo "windows-dist: $(basename "$exe") needs DLLs that are not Windows' own: $foreign" >&2
    exit 1
  fi
done
# The manual as the Windows build writes it: Windows' paths, keys and registry.
cp "$build/docs/help.html" "$stage/help.html"
# libical's zones, which the calendar import finds beside the program (Windows has no tzdata).
cp -r "$prefix/share/libical/zoneinfo" "$stage/zoneinfo"
cp "$prefix"/share/licenses/*.copyright "$stage/licenses/"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licenses/gcc-runtime.copyright"
cp /usr/share/doc/mingw-w64-x86-64-dev/copyright "$stage/licenses/mingw-w64.copyright"
cp /usr/share/doc/libz-mingw-w64-dev/copyright "$stage/licenses/zlib.copyright"
cat >"$stage/README.txt" <<TXT
Tolvane $version for 64-bit Windows

tolvane.exe          the window: queue .eml files or folders, then Convert Messages
tolvane-convert.exe  the same conversion from the command line (tolvane-convert --help)
help.html            the Help manual
zoneinfo\\            the time zones of calendar files that name a zone without defining it
licenses\\            the licences of the libraries built into the programs
                     (GLib, GMime, libffi, PCRE2, zlib, the MinGW-w64 and GCC run time)
TXT
sed -i 's/$/\r/' "$stage/README.txt"

rm -f "$dist/$name.zip"
(cd "$dist" && zip -q -r -X "$name.zip" "$name")
makensis -V2 -DVERSION="$version" -DPUBLISHER="$publisher" -DSTAGE="$stage" -DICON="$here/src/app/resources/tolvane.ico" \
  -DOUTFILE="$dist/tolvane-$version-setup.exe" "$here/scripts/windows-installer.nsi"
ls -l "$dist/$name.zip" "$dist/tolvane-$version-setup.exe"
