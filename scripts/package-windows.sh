#!/usr/bin/env bash
# The Windows release: builds the programs it holds (scripts/build-windows.sh)
# and packs dist/quellin-windows-x64.zip, one folder with
#   quellin.exe and the DLLs it loads, shaders/, newresources/ (the keyframes),
#   quellin-showgen.exe, which makes the rest of the show's data on a
#   double-click, and README.txt for the viewer;
#   decoder/: crt.dll, its import library and exports (crt.def), crt.h,
#   crt-tool.exe, README.txt.
# Every DLL that a program in it imports is either in the zip or part of
# Windows itself; the script stops and names any other. Prints the zip's size.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
build=$repo/build-windows
name=quellin-windows-x64
zip=$repo/dist/$name.zip

scripts/build-windows.sh --target quellin quellin-showgen crt crt-tool

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
top=$stage/$name
mkdir -p "$top/newresources" "$top/decoder"

# Windows' own text files end their lines with CR LF.
crlf() { sed 's/$/\r/' >"$1"; }

# The DLLs that $1 loads, lower-cased, one a line: those it imports and
# those its exports are forwarded to ("crt.CreateDecoder").
imports() {
  x86_64-w64-mingw32-objdump -p "$1" |
    sed -n -e 's/^\s*DLL Name: //p' -e 's/.*Forwarder RVA -- \([^.]*\)\..*/\1.dll/p' | tr 'A-Z' 'a-z' | sort -u
}

# The DLLs of our build that $@ import, directly or through each other.
build_dlls() {
  local todo=("$@") seen=" " dll file
  while [ ${#todo[@]} -gt 0 ]; do
    file=${todo[0]}
    todo=("${todo[@]:1}")
    for dll in $(imports "$file"); do
      [[ $seen == *" $dll "* ]] && continue
      seen="$seen$dll "
      if [ -f "$build/$dll" ]; then
        echo "$dll"
        todo+=("$build/$dll")
      fi
    done
  done
}

# The player, the data maker and what they load (crt.dll for the decoder's
# exports of quellin.exe among them).
cp "$build/quellin.exe" "$build/quellin-showgen.exe" "$top/"
for dll in $(build_dlls "$build/quellin.exe" "$build/quellin-showgen.exe"); do
  cp "$build/$dll" "$top/"
done
cp -r shaders "$top/"
cp newresources/Storage1.txt "$top/newresources/"

# The decoder kit: the DLL, its import library as MinGW names it, the C
# header, and the command-line tool.
cp "$build/crt.dll" "$build/crt/libcrt.dll.a" crt/include/crt.h "$build/crt-tool.exe" "$top/decoder/"
for dll in $(build_dlls "$build/crt-tool.exe" "$build/crt.dll"); do
  [ -f "$top/decoder/$dll" ] || cp "$build/$dll" "$top/decoder/"
done
# The DLL's exports as a module-definition file, from which other compilers'
# tools make their own import library (MSVC's lib /def:crt.def).
{
  printf 'LIBRARY crt.dll\r\nEXPORTS\r\n'
  x86_64-w64-mingw32-objdump -p "$build/crt.dll" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^\t\[ *[0-9]*\] \(.*\)$/    \1\r/p'
} >"$top/decoder/crt.def"
grep -q '^    crt_decoder_create_limited' "$top/decoder/crt.def" || { echo "package-windows: crt.dll's exports not found" >&2; exit 1; }

# What a Windows 10 or 11 x64 installation has of itself in System32.
windows_dlls=" kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll oleaut32.dll
  winmm.dll imm32.dll version.dll setupapi.dll cfgmgr32.dll opengl32.dll glu32.dll msvcrt.dll
  ws2_32.dll shlwapi.dll hid.dll dinput8.dll uxtheme.dll dwmapi.dll bcrypt.dll crypt32.dll
  avrt.dll mmdevapi.dll ksuser.dll "
missing=
for file in "$top"/*.exe "$top"/*.dll "$top"/decoder/*.exe "$top"/decoder/*.dll; do
  for dll in $(imports "$file"); do
    [ -f "$(dirname "$file")/$dll" ] && continue
    [[ $windows_dlls == *[[:space:]]$dll[[:space:]]* || $dll == api-ms-win-* ]] && continue
    missing="$missing ${file#"$top"/}:$dll"
  done
done
if [ -n "$missing" ]; then
  echo "package-windows: imports that neither Windows nor the zip provide:$missing" >&2
  exit 1
fi

crlf "$top/README.txt" <<'EOF'
Quellin and Vessary - a real-time show of about two and a half minutes

Before the first show
  The show's dancers, music and pictures are made on this computer, once:
  double-click quellin-showgen.exe. A window shows each file as it is made
  (a minute or two, 300 MB in the newresources folder); press Enter when
  it says the data is ready.

Playing
  Double-click quellin.exe. In the small window, click the resolution row
  to step through the sizes and the second row for Fullscreen or Windowed,
  then click Run. The show ends by itself; Escape ends it at once.

Needs
  Windows 10 or 11, 64-bit, with an OpenGL 3 graphics driver (any current
  graphics card's driver). The music plays on the default sound device.
  The programs are not signed: where Windows warns about an unknown
  publisher, choose "More info", then "Run anyway".

The decoder folder is for programmers: see decoder\README.txt.
EOF

crlf "$top/decoder/README.txt" <<'EOF'
crt mesh decoder for Windows x64

  crt.dll        the decoder and encoder
  libcrt.dll.a   its import library (MinGW-w64; link with -lcrt or name it)
  crt.def        its exports, for other compilers' import libraries
                 (MSVC: lib /def:crt.def /machine:x64 /out:crt.lib)
  crt.h          the C interface: statuses, never exceptions
  crt-tool.exe   encode IN OUT, decode IN.crt OUT.ply, info IN.crt

A program includes crt.h, links the import library and ships crt.dll
beside its .exe:
  x86_64-w64-mingw32-gcc app.c -I. -L. -lcrt -o app.exe

Programs that load the player instead call its three exports:
LoadLibrary on quellin.exe, then GetProcAddress for CreateDecoder,
DecodeMesh and DestroyDecoder. quellin.exe takes them from crt.dll, which
must then be on the loading program's DLL search path (beside its .exe).
EOF

mkdir -p dist
rm -f "$zip"
(cd "$stage" && zip -q -r -X "$zip" "$name")
size=$(stat -c %s "$zip")
echo "package-windows: $(realpath --relative-to="$repo" "$zip"): $(awk -v b="$size" 'BEGIN { printf "%.1f MB", b / 1e6 }') ($size bytes), $(unzip -Z1 "$zip" | grep -vc '/$') files"
