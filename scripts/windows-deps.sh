#!/usr/bin/env bash
# Builds the Windows libraries of the cross build from Debian 12's source
# packages, once, into a cache that later builds reuse:
#   ${QUELLIN_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quellin/windows}/<key>
# <key> names the source package versions, the cross toolchain's packages and
# this script, so a new Debian release of any of them builds a new prefix.
# (The toolchain file's compilers and search paths are the packages'; its
# other settings concern our own programs.)
# Progress goes to standard error; the prefix is the one line on standard
# output. QUELLIN_JOBS sets the build's parallel jobs (default: nproc).
#
# Sources come only through apt, with a private configuration (a copy of the
# system's Debian sources as deb-src, its own lists and cache): nothing of the
# system's apt state changes. Every file is checked against the SHA-256 sums of
# apt's signed index before it is used.
#
# What is linked how, and why:
#   SDL2 (zlib licence), GLEW (BSD/MIT), RtMidi (MIT), FFTW (GPL, like the whole
#   player that links it), GoogleTest (BSD): static.
#   mpg123 and LAME (LGPL 2.1): DLLs beside the programs, so a user can put in
#   their own build without relinking ours.
#   Assimp (BSD) for crt-tool, with zlib's minizip (zlib licence): static, with
#   only the importers crt-tool reads. zlib itself is Debian's MinGW build.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

triple=x86_64-w64-mingw32
cache_root=${QUELLIN_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quellin/windows}
jobs=${QUELLIN_JOBS:-$(nproc)}
source_packages=(libsdl2 glew mpg123 fftw3 rtmidi lame zlib assimp)
toolchain_packages=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 libz-mingw-w64-dev
                    googletest libstb-dev librang-dev libutfcpp-dev)

say() { echo "windows-deps: $*" >&2; }

mkdir -p "$cache_root"
exec 9>"$cache_root/.lock"
flock 9  # two builds at once share one cache

# --- the private apt configuration -------------------------------------------------
apt_dir=$cache_root/apt
mkdir -p "$apt_dir/sources" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
  sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$apt_dir/sources/debian-src.sources"
else
  grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' >"$apt_dir/sources/debian-src.list"
fi
apt_opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt_dir/sources"
          -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache" -o APT::Sandbox::User=root)

# The index is refreshed once a day; an old one serves when the mirror cannot be reached.
if [ -z "$(find "$apt_dir/lists" -maxdepth 1 -name '*Sources*' -mtime -1 -print -quit)" ]; then
  say "reading Debian's source index"
  apt-get "${apt_opts[@]}" -qq update >&2 ||
    [ -n "$(find "$apt_dir/lists" -maxdepth 1 -name '*Sources*' -print -quit)" ] ||
    { say "cannot read Debian's source index"; exit 1; }
fi

# A source package's records in the index, read once per run.
records=$(mktemp -d)
trap 'rm -rf "$records"' EXIT
records_of() {
  [ -f "$records/$1" ] || apt-cache "${apt_opts[@]}" showsrc --only-source "$1" >"$records/$1"
  cat "$records/$1"
}

# The versions of a source package in the index, newest first.
versions_of() {
  records_of "$1" | awk '/^Version:/ {print $2}' | sort -u | sort -r -V
}

# The "sha256 size name" lines of one version's record in the index.
checksums_of() {
  records_of "$1" | awk -v want="$2" '
    /^$/ {record = ""; version = ""; sums = 0}
    /^Version:/ {version = $2}
    /^Checksums-Sha256:/ {sums = 1; next}
    /^[^ ]/ {sums = 0}
    sums && / / {lines[version] = lines[version] $1 " " $2 " " $3 "\n"}
    END {printf "%s", lines[want]}'
}

# Every file of the version present and matching the index; an upstream
# signature (.asc) the mirror lacks is not needed to build.
verified() {
  local sha size name ok=1
  while read -r sha size name; do
    if [ ! -f "$sources/$name" ]; then
      [[ $name == *.asc ]] || ok=0
      continue
    fi
    echo "$sha  $sources/$name" | sha256sum --quiet -c - >/dev/null 2>&1 || { ok=0; rm -f "$sources/$name"; }
  done < <(checksums_of "$1" "$2")
  [ "$ok" = 1 ] && [ -n "$(checksums_of "$1" "$2")" ]
}

sources=$cache_root/sources
mkdir -p "$sources"
declare -A chosen
for package in "${source_packages[@]}"; do
  for version in $(versions_of "$package"); do
    checked=$sources/.checked-${package}_${version#*:}
    if [ ! -f "$checked" ] && ! verified "$package" "$version"; then
      # A version the mirror lacks is asked for again a day later.
      missing=$sources/.missing-${package}_${version#*:}
      [ -n "$(find "$missing" -mtime -1 2>/dev/null)" ] && continue
      say "fetching $package $version"
      (cd "$sources" && apt-get "${apt_opts[@]}" -qq source --download-only "$package=$version" >/dev/null 2>&1) || true
      verified "$package" "$version" || { touch "$missing"; continue; }
    fi
    touch "$checked"
    chosen[$package]=$version
    break
  done
  [ -n "${chosen[$package]:-}" ] || { say "no version of $package could be fetched and checked"; exit 1; }
done

# --- the cache key ---------------------------------------------------------------
key=$({
  for package in "${source_packages[@]}"; do echo "$package=${chosen[$package]}"; done
  dpkg-query -W -f='${Package}=${Version}\n' "${toolchain_packages[@]}"
  sha256sum "$repo/scripts/windows-deps.sh" | cut -d' ' -f1
} | sha256sum | cut -c1-16)
prefix=$cache_root/$key
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

# --- building --------------------------------------------------------------------
# What is built from is checked again, whatever an earlier run found.
for package in "${source_packages[@]}"; do
  verified "$package" "${chosen[$package]}" || { say "$package ${chosen[$package]} does not match the index"; exit 1; }
done
work=$cache_root/work-$key
mkdir -p "$prefix/include" "$prefix/lib/pkgconfig" "$prefix/bin" "$work"
export CC=$triple-gcc-posix CXX=$triple-g++-posix AR=$triple-ar RANLIB=$triple-ranlib STRIP=$triple-strip
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig:/usr/$triple/lib/pkgconfig
# DLLs we build carry their own copy of the GCC runtime, so nothing else has to ship.
dll_ldflags="-static-libgcc -static-libstdc++"

# Unpacks a source package with Debian's patches applied; prints its folder.
unpack() {
  local package=$1 version=${chosen[$1]} dir=$work/$1
  rm -rf "$dir"
  dpkg-source --no-check -x "$sources/${package}_${version#*:}.dsc" "$dir" >/dev/null
  echo "$dir"
}

cmake_build() {  # source dir, build dir, extra cmake arguments...
  local src=$1 build=$2
  shift 2
  cmake -S "$src" -B "$build" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" -DQUELLIN_WINDOWS_PREFIX="$prefix" \
    -DCMAKE_INSTALL_PREFIX="$prefix" "$@" >"$build.log" 2>&1 || { tail -30 "$build.log" >&2; return 1; }
  cmake --build "$build" -j "$jobs" >>"$build.log" 2>&1 || { tail -30 "$build.log" >&2; return 1; }
  cmake --install "$build" >>"$build.log" 2>&1
}

configure_build() {  # source dir, configure arguments...
  local src=$1
  shift
  (cd "$src" && ./configure --host=$triple --prefix="$prefix" "$@" >build.log 2>&1 &&
    make -j "$jobs" >>build.log 2>&1 && make install >>build.log 2>&1) || { tail -30 "$src/build.log" >&2; return 1; }
}

build_sdl2() {
  local src
  src=$(unpack libsdl2)
  # The player uses video, events, timers, threads and the dummy audio driver;
  # its renderer is SDL's software one (no Direct3D on the GL window).
  cmake_build "$src" "$work/sdl2-build" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
    -DSDL_HAPTIC=OFF -DSDL_JOYSTICK=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF -DSDL_POWER=OFF -DSDL_LOCALE=OFF \
    -DSDL_MISC=OFF -DSDL_VULKAN=OFF -DSDL_OPENGLES=OFF -DSDL_RENDER_D3D=OFF -DSDL_DIRECTX=OFF -DSDL_WASAPI=OFF \
    -DSDL_XINPUT=OFF -DSDL_DISKAUDIO=OFF
}

build_glew() {
  local src
  src=$(unpack glew)
  # One C file; the static flavour under the name CMake's FindGLEW looks for.
  $CC -O2 -DGLEW_STATIC -DGLEW_NO_GLU -I"$src/include" -c "$src/src/glew.c" -o "$work/glew.o"
  $AR rcs "$prefix/lib/libglew32s.a" "$work/glew.o"
  mkdir -p "$prefix/include/GL"
  cp "$src/include/GL/glew.h" "$src/include/GL/wglew.h" "$prefix/include/GL/"
}

build_mpg123() {
  local src
  src=$(unpack mpg123)
  # The decoder library is what we use; its sound outputs are not built.
  configure_build "$src" --enable-shared --disable-static --disable-modules --with-audio=dummy \
    --with-default-audio=dummy --with-cpu=x86-64 --disable-debug LDFLAGS="$dll_ldflags"
}

build_fftw3() {
  local src
  src=$(unpack fftw3)
  # Single precision only, scalar kernels: the player transforms 2048 samples
  # once a frame (microseconds), and every vector flavour would compile all
  # of FFTW's kernels once more. Its tests and tools are not built.
  configure_build "$src" --enable-float --disable-fortran --enable-static --disable-shared --with-our-malloc \
    --disable-doc
}

build_rtmidi() {
  local src
  src=$(unpack rtmidi)
  # One file, with the Windows multimedia API only.
  $CXX -O2 -std=c++17 -D__WINDOWS_MM__ -c "$src/RtMidi.cpp" -o "$work/RtMidi.o"
  $AR rcs "$prefix/lib/librtmidi.a" "$work/RtMidi.o"
  mkdir -p "$prefix/include/rtmidi"
  cp "$src/RtMidi.h" "$prefix/include/rtmidi/"
  cat >"$prefix/lib/pkgconfig/rtmidi.pc" <<EOF
prefix=$prefix
Name: rtmidi
Description: RtMidi with the Windows multimedia API
Version: ${chosen[rtmidi]%%-*}
Libs: -L\${prefix}/lib -lrtmidi -lwinmm
Cflags: -I\${prefix}/include/rtmidi -D__WINDOWS_MM__
EOF
}

build_lame() {
  local src
  src=$(unpack lame)
  # The export list still names a function 3.100 no longer has; a DLL cannot export it.
  sed -i '/^lame_init_old$/d' "$src/include/libmp3lame.sym"
  configure_build "$src" --enable-shared --disable-static --disable-frontend --disable-gtktest \
    --disable-analyzer-hooks --disable-debug LDFLAGS="$dll_ldflags"
  # Debian's pkg-config file for lame is its own; the Windows build gets one too.
  cat >"$prefix/lib/pkgconfig/lame.pc" <<EOF
prefix=$prefix
Name: lame
Description: LAME MP3 encoder
Version: ${chosen[lame]%%-*}
Libs: -L\${prefix}/lib -lmp3lame
Cflags: -I\${prefix}/include
EOF
}

build_minizip() {
  local src
  src=$(unpack zlib)
  # Assimp reads zipped formats through zlib's minizip (Debian's libminizip).
  local dir=$src/contrib/minizip
  $CC -O2 -c "$dir/ioapi.c" -o "$work/ioapi.o"
  $CC -O2 -c "$dir/unzip.c" -o "$work/unzip.o"
  $AR rcs "$prefix/lib/libminizip.a" "$work/ioapi.o" "$work/unzip.o"
  mkdir -p "$prefix/include/minizip"
  cp "$dir/ioapi.h" "$dir/unzip.h" "$dir/crypt.h" "$prefix/include/minizip/"
  cat >"$prefix/lib/pkgconfig/minizip.pc" <<EOF
prefix=$prefix
Name: minizip
Description: zlib's minizip, reading only
Version: ${chosen[zlib]#*:}
Requires: zlib
Libs: -L\${prefix}/lib -lminizip
Cflags: -I\${prefix}/include/minizip
EOF
}

build_assimp() {
  local src
  src=$(unpack assimp)
  # Debian's build links its Draco; crt-tool's glTF needs no Draco compression.
  sed -i -e '/^find_package(draco CONFIG REQUIRED)$/d' -e '/^target_link_libraries(assimp ${DRACO_LIBRARIES})$/d' \
    "$src/code/CMakeLists.txt"
  # crt-tool reads PLY, OBJ, STL and glTF; nothing else is built.
  cmake_build "$src" "$work/assimp-build" -DBUILD_SHARED_LIBS=OFF -DASSIMP_BUILD_TESTS=OFF \
    -DASSIMP_BUILD_ASSIMP_TOOLS=OFF -DASSIMP_BUILD_SAMPLES=OFF -DASSIMP_NO_EXPORT=ON -DASSIMP_BUILD_ZLIB=OFF \
    -DASSIMP_BUILD_ALL_IMPORTERS_BY_DEFAULT=OFF -DASSIMP_BUILD_PLY_IMPORTER=ON -DASSIMP_BUILD_OBJ_IMPORTER=ON \
    -DASSIMP_BUILD_STL_IMPORTER=ON -DASSIMP_BUILD_GLTF_IMPORTER=ON -DASSIMP_WARNINGS_AS_ERRORS=OFF \
    -DASSIMP_INSTALL_PDB=OFF -DASSIMP_BUILD_DRACO=OFF -DASSIMP_IGNORE_GIT_HASH=ON -DCMAKE_CXX_FLAGS="-I$prefix/include"
}

build_googletest() {
  cmake_build /usr/src/googletest "$work/googletest-build" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
}

copy_headers() {
  # Header-only libraries, as Debian installs them.
  cp /usr/include/rang.hpp "$prefix/include/"
  mkdir -p "$prefix/include/stb"
  cp /usr/include/stb/stb_image.h /usr/include/stb/stb_image_write.h "$prefix/include/stb/"
  cp -r /usr/include/utf8cpp/. "$prefix/include/"  # Assimp's, as Debian builds it
}

for step in copy_headers build_glew build_rtmidi build_mpg123 build_sdl2 build_fftw3 build_lame build_googletest \
            build_minizip build_assimp; do
  [ -f "$prefix/.done-$step" ] && continue
  say "${step#build_} ($(date +%T))"
  started=$SECONDS
  $step
  touch "$prefix/.done-$step"
  say "${step#build_} took $((SECONDS - started)) s"
done
rm -rf "$work"
touch "$prefix/.complete"
echo "$prefix"
