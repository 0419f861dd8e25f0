#!/usr/bin/env bash
# Installs the Windows cross tool chain from Debian and cross-builds GMime 3 with what it needs
# (libffi, pcre2, glib), libarchive (zlib only) and libical from Debian's source packages,
# static, for x86_64-w64-mingw32; nlohmann-json's headers are copied from Debian's package.
# Idempotent: packages already present are skipped, and the libraries are built once per set
# of source versions into the user's cache folder. Prints the install prefix on its last line.
#
# Usage: scripts/windows-deps.sh            (the prefix: include/, lib/, lib/pkgconfig/)
# Environment: TOLVANE_WINDOWS_CACHE overrides the cache folder; JOBS the build parallelism.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
support="$here/scripts/windows"
log() { echo "windows-deps: $*" >&2; }

packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-tools libz-mingw-w64-dev
  wine64 nsis zip unzip
  cmake ninja-build meson pkg-config python3 dpkg-dev xz-utils perl
  googletest nlohmann-json3-dev xvfb xauth imagemagick
)
# shellcheck source=apt-packages.sh
source "$here/scripts/apt-packages.sh"
mapfile -t missing < <(missing_packages "${packages[@]}")
install_packages windows-deps "${missing[@]}"

host=x86_64-w64-mingw32
jobs=${JOBS:-$(nproc)}
cache=${TOLVANE_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tolvane/windows-deps}
mkdir -p "$cache"

# A private apt configuration that knows the source packages of the Debian archives this
# machine installs from; the machine's own sources and lists stay as they are.
apt_dir="$cache/apt"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
apt_opts=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=/dev/null"
          -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
          -o "APT::Sandbox::User=root")
apt-get indextargets --format '$(ORIGIN)|$(REPO_URI)|$(RELEASE)|$(COMPONENT)' |
  awk -F'|' '$1 == "Debian" { print "deb-src " $2 " " $3 " " $4 }' | sort -u \
  >"$apt_dir/sources.list.new"
[ -s "$apt_dir/sources.list.new" ] || { log "no Debian archive configured for apt"; exit 1; }
if ! cmp -s "$apt_dir/sources.list.new" "$apt_dir/sources.list"; then
  mv "$apt_dir/sources.list.new" "$apt_dir/sources.list"
  rm -f "$apt_dir/updated"
else
  rm -f "$apt_dir/sources.list.new"
fi
# The source lists are refreshed once a day at most, so a cached run needs no network.
if [ -z "$(find "$apt_dir/updated" -mmin -1440 2>/dev/null)" ]; then
  log "reading the source package lists"
  apt-get "${apt_opts[@]}" update -q >&2
  touch "$apt_dir/updated"
fi

# The newest version of a source package the archives hold.
versions_of() {
  apt-cache "${apt_opts[@]}" showsrc "$1" 2>/dev/null | awk -v p="$1" '
    /^Package: / { mine = ($2 == p) } mine && /^Version: / { print $2 }' |
    sort -u | sort -r -V
}
declare -A version
for p in libffi pcre2 glib2.0 gmime libarchive libical3; do
  version[$p]=$(versions_of "$p" | head -1)
  [ -n "${version[$p]}" ] || { log "no source package $p"; exit 1; }
done
# GoogleTest for the Windows tests: the sources Debian's googletest package installs.
gtest_version=$(dpkg-query -W -f='${Version}' googletest)
# nlohmann-json is headers only: the ones Debian's package installs serve Windows as they are.
json_version=$(dpkg-query -W -f='${Version}' nlohmann-json3-dev)

# One prefix per set of versions and per recipe (this script and its support files).
recipe=$( (cat "$0"; find "$support" -type f | sort | xargs cat) | sha256sum | cut -c1-12)
key="ffi-${version[libffi]}_pcre2-${version[pcre2]}_glib-${version[glib2.0]}_gmime-${version[gmime]}"
key+="_archive-${version[libarchive]}_ical-${version[libical3]}_json-${json_version}_gtest-${gtest_version}_$recipe"
key=${key//[:~+]/.}
prefix="$cache/$key"
if [ -f "$prefix/.complete" ]; then
  log "cached: $prefix"
  echo "$prefix"
  exit 0
fi

log "building into $prefix"
started=$(date +%s)
# Prefixes of other versions or recipes, and what failed builds left, give way to this one.
find "$cache" -mindepth 1 -maxdepth 1 -type d ! -name apt -exec rm -rf {} +
work=$(mktemp -d "$cache/work.XXXXXX")
trap 'rm -rf "$work"; [ -f "$prefix/.complete" ] || rm -rf "$prefix"' EXIT
mkdir -p "$prefix/lib/pkgconfig" "$prefix/include"

# Unpacks a source package with Debian's patches applied; prints its folder. A version whose
# files the archive no longer serves gives way to the next older one. Where the archive serves a
# version's upstream tarball but not its Debian part, the upstream source is built as it is: the
# .dsc, which apt checked, vouches for the tarball by its SHA-256.
fetch_source() {
  local package=$1 v dir dl orig sum
  for v in $(versions_of "$package"); do
    dl="$work/dl-$package"
    dir="$work/src-$package"
    mkdir -p "$dl"
    if (cd "$dl" && apt-get "${apt_opts[@]}" source --download-only -q "$package=$v" >&2 2>&1); then
      dpkg-source --no-check -x "$dl"/*.dsc "$dir" >&2
      echo "$package $v" >>"$work/versions.txt"
      echo "$dir"
      return 0
    fi
    orig=$(find "$dl" -maxdepth 1 -name '*.orig.tar.*' ! -name '*.asc' | head -1)
    if [ -n "$orig" ] && [ -f "$dl"/*.dsc ]; then
      sum=$(sed -n '/^Checksums-Sha256:/,/^[^ ]/p' "$dl"/*.dsc |
        awk -v f="$(basename "$orig")" '$3 == f { print $1 }')
      if [ -n "$sum" ] && echo "$sum  $orig" | sha256sum -c --status; then
        log "$package $v: Debian's part cannot be fetched; building the upstream source"
        mkdir -p "$dir"
        tar -xf "$orig" -C "$dir" --strip-components=1
        touch "$dir/.upstream-only"
        echo "$package $v (upstream source, without Debian's patches)" >>"$work/versions.txt"
        echo "$dir"
        return 0
      fi
    fi
    log "$package $v cannot be fetched; trying an older version"
    rm -rf "$dl"
  done
  log "no version of $package can be fetched"
  return 1
}

export PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig:/usr/$host/lib/pkgconfig"
export PKG_CONFIG_PATH=
cc=$host-gcc-posix
cxx=$host-g++-posix
autotools_build() {
  local dir=$1 cflags=$2
  shift 2
  (cd "$dir" && ./configure --host=$host --prefix="$prefix" --disable-shared --enable-static \
      CC=$cc CXX=$cxx CFLAGS="-O2 $cflags" "$@" >&2 &&
    make -j"$jobs" >&2 && make install >&2)
}

log "libffi ${version[libffi]}"
src=$(fetch_source libffi)
autotools_build "$src" "" --disable-docs --disable-multi-os-directory

log "pcre2 ${version[pcre2]}"
src=$(fetch_source pcre2)
# Its own programs link the static library only when told it is one.
autotools_build "$src" -DPCRE2_STATIC --enable-pcre2-8 --disable-pcre2-16 --disable-pcre2-32 \
  --enable-unicode --disable-jit

# Message catalogues stand in for GNU gettext, which glib otherwise asks for.
log "libintl (untranslated lookups)"
$cc -O2 -c "$support/libintl.c" -o "$work/libintl.o"
$host-ar rcs "$prefix/lib/libintl.a" "$work/libintl.o"
cp "$support/libintl.h" "$prefix/include/"

# -B: meson looks for libraries (the libintl stand-in) only where the compiler itself looks.
cat >"$work/cross.ini" <<EOF
[binaries]
c = ['$cc', '-B$prefix/lib/']
cpp = ['$cxx', '-B$prefix/lib/']
ar = '$host-ar'
strip = '$host-strip'
windres = '$host-windres'
pkgconfig = 'pkg-config'

[built-in options]
c_args = ['-I$prefix/include']
cpp_args = ['-I$prefix/include']
c_link_args = ['-L$prefix/lib']
cpp_link_args = ['-L$prefix/lib']

[properties]
pkg_config_libdir = ['$prefix/lib/pkgconfig', '/usr/$host/lib/pkgconfig']

[host_machine]
system = 'windows'
cpu_family = 'x86_64'
cpu = 'x86_64'
endian = 'little'
EOF

log "glib ${version[glib2.0]}"
src=$(fetch_source glib2.0)
meson setup "$work/build-glib" "$src" --cross-file "$work/cross.ini" --prefix "$prefix" \
  --libdir lib --buildtype release --default-library static --wrap-mode nodownload \
  -Dtests=false -Dinstalled_tests=false -Dnls=disabled -Dman=false -Dgtk_doc=false \
  -Dlibmount=disabled -Dselinux=disabled -Dxattr=false -Dlibelf=disabled -Dsysprof=disabled \
  -Dglib_debug=disabled >&2
ninja -C "$work/build-glib" -j"$jobs" >&2
ninja -C "$work/build-glib" install >&2

log "gmime ${version[gmime]}"
src=$(fetch_source gmime)
# GMime's charset code includes <iconv.h>; glib's converter serves under that name.
mkdir -p "$prefix/include/gmime-3.0"
cp "$support/iconv.h" "$prefix/include/gmime-3.0/"
upstream=${version[gmime]%%-*}
upstream=${upstream%%+*}
IFS=. read -r major minor micro <<<"$upstream"
cmake -S "$support/gmime" -B "$work/build-gmime" -G Ninja \
  -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER=$cc -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_FLAGS="-I$prefix/include/gmime-3.0" \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DGMIME_SOURCE_DIR="$src" \
  -DGMIME_MAJOR="$major" -DGMIME_MINOR="$minor" -DGMIME_MICRO="$micro" >&2
cmake --build "$work/build-gmime" -j"$jobs" >&2
cmake --install "$work/build-gmime" >&2

# CMake projects cross-built for Windows, static, finding libraries in the prefix and MinGW's root.
cmake_cross() {
  cmake -G Ninja -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER=$cc -DCMAKE_CXX_COMPILER=$cxx \
    -DCMAKE_RC_COMPILER=$host-windres -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_FIND_ROOT_PATH="$prefix;/usr/$host" -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER \
    -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY \
    -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY -DCMAKE_INSTALL_PREFIX="$prefix" "$@" >&2
}

# Tar, gzip and zip (deflate) are all the archive reader needs: every other compression,
# crypto, regex and XML library is left out. libarchive's one run-time check (whether zlib was
# built with ZLIB_WINAPI) cannot run in a cross build; the "emulator" false answers no, which is
# how Debian's MinGW zlib is built.
log "libarchive ${version[libarchive]}"
src=$(fetch_source libarchive)
cmake_cross -S "$src" -B "$work/build-libarchive" -DCMAKE_CROSSCOMPILING_EMULATOR=false \
  -DZLIB_USE_STATIC_LIBS=ON -DENABLE_ZLIB=ON -DPOSIX_REGEX_LIB=NONE -DENABLE_ICONV=OFF \
  -DENABLE_MBEDTLS=OFF -DENABLE_NETTLE=OFF -DENABLE_OPENSSL=OFF -DENABLE_CNG=OFF \
  -DENABLE_LIBB2=OFF -DENABLE_LZ4=OFF -DENABLE_LZO=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF \
  -DENABLE_BZip2=OFF -DENABLE_LIBXML2=OFF -DENABLE_EXPAT=OFF -DENABLE_PCREPOSIX=OFF \
  -DENABLE_LIBGCC=OFF -DENABLE_XATTR=OFF -DENABLE_ACL=OFF -DENABLE_TAR=OFF -DENABLE_CPIO=OFF \
  -DENABLE_CAT=OFF -DENABLE_TEST=OFF -DENABLE_WERROR=OFF
ninja -C "$work/build-libarchive" -j"$jobs" archive_static >&2
# The static library under the name the linker looks for, and a pkg-config file that compiles
# callers for it (archive.h otherwise declares its functions as DLL imports).
cp "$work/build-libarchive/libarchive/libarchive_static.a" "$prefix/lib/libarchive.a"
cp "$src/libarchive/archive.h" "$src/libarchive/archive_entry.h" "$prefix/include/"
sed -e "s|^prefix=.*|prefix=$prefix|" -e 's|^Cflags: .*|& -DLIBARCHIVE_STATIC|' \
  "$work/build-libarchive/build/pkgconfig/libarchive.pc" >"$prefix/lib/pkgconfig/libarchive.pc"

# libical alone: no ICU (RSCALE calendars), no glib bindings, no Berkeley DB, no C++ bindings.
# Windows has no system time-zone data: libical's own is installed to share/libical/zoneinfo.
log "libical ${version[libical3]}"
src=$(fetch_source libical3)
cmake_cross -S "$src" -B "$work/build-libical" -DSTATIC_ONLY=ON -DICAL_GLIB=OFF \
  -DICAL_BUILD_DOCS=OFF -DLIBICAL_BUILD_TESTING=OFF -DWITH_CXX_BINDINGS=OFF \
  -DGOBJECT_INTROSPECTION=OFF -DUSE_BUILTIN_TZDATA=ON -DCMAKE_DISABLE_FIND_PACKAGE_ICU=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_BerkeleyDB=ON -DCMAKE_INSTALL_LIBDIR=lib
ninja -C "$work/build-libical" -j"$jobs" >&2
ninja -C "$work/build-libical" install >&2
# Its headers declare DLL imports unless told the libraries are static; and a static link
# needs the libraries that use libical before it.
sed -i -e 's|^Cflags: .*|& -DLIBICAL_ICAL_STATIC_DEFINE -DLIBICAL_ICALSS_STATIC_DEFINE -DLIBICAL_VCAL_STATIC_DEFINE|' \
  -e 's|^Libs: .*|Libs: -L${libdir} -licalss -licalvcal -lical|' "$prefix/lib/pkgconfig/libical.pc"

log "nlohmann-json $json_version"
cp -r /usr/include/nlohmann "$prefix/include/"
cat >"$prefix/lib/pkgconfig/nlohmann_json.pc" <<PC
prefix=$prefix
includedir=\${prefix}/include

Name: nlohmann_json
Description: JSON for Modern C++ (headers only)
Version: ${json_version%%-*}
Cflags: -I\${includedir}
PC
echo "nlohmann-json3 $json_version" >>"$work/versions.txt"

log "googletest $gtest_version"
cmake -S /usr/src/googletest -B "$work/build-gtest" -G Ninja \
  -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER=$cc -DCMAKE_CXX_COMPILER=$cxx \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -Dgtest_disable_pthreads=OFF >&2
cmake --build "$work/build-gtest" -j"$jobs" >&2
cmake --install "$work/build-gtest" >&2
echo "googletest $gtest_version" >>"$work/versions.txt"

# Each package's licence, for the programs' distribution: Debian's copyright file, or the
# upstream licence files where only the upstream source could be fetched.
mkdir -p "$prefix/share/licenses"
for p in libffi pcre2 glib2.0 gmime libarchive libical3; do
  if [ -f "$work/src-$p/.upstream-only" ]; then
    cat "$work/src-$p"/LICENSE* "$work/src-$p"/COPYING* >"$prefix/share/licenses/$p.copyright" 2>/dev/null || true
  else
    cp "$work/src-$p/debian/copyright" "$prefix/share/licenses/$p.copyright"
  fi
done
cp /usr/share/doc/nlohmann-json3-dev/copyright "$prefix/share/licenses/nlohmann-json3.copyright"
cp "$work/versions.txt" "$prefix/versions.txt"

log "built in $(( $(date +%s) - started )) s"
touch "$prefix/.complete"
echo "$prefix"
