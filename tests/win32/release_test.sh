#!/usr/bin/env bash
# The release archives, one part per CTest test (tests/win32/release.cmake):
#   contents SRC BUILD VERSION OBJDUMP
#       makes them with the README's command, compares their listings (modes and
#       names) with release.expected exactly, and checks what the runtime
#       archive unpacks to: SHA256SUMS, the PE tables and version resources,
#       NRVINI.def against the DLL's exports, and an address of the stripped
#       engine resolved to its source line through the debug archive
#   client SRC BUILD VERSION CC CXX RUNNER PREFIX
#       nrvini_client.c built as C and as C++ against the unpacked include/ and
#       lib/, each run under Wine beside the unpacked NRVINI.dll
#   reproducible SRC BUILD VERSION BUILD_TYPE
#       the archives again from a copy of the sources in another folder, a tree
#       that builds only them, at a later time: byte for byte the same
set -euo pipefail
part=$1 src=$2 build=$3 version=$4
shift 4
name=setupengine-$version-win32
pkg=$build/release-test/$name
fail() { echo "FAIL: $*"; exit 1; }

case $part in
contents)
  objdump=$1
  cmake --build "$build" --target package >"$build/release-test.log" 2>&1 || { tail -30 "$build/release-test.log"; fail "package"; }
  listing() { cmake -E tar tvf "$1" | awk '{print $1, $NF}'; }
  diff <(listing "$build/$name.zip"; listing "$build/$name-debug.zip") \
       <(sed "s/@VERSION@/$version/" "$src/tests/win32/release.expected") || fail "archive contents differ from release.expected"
  rm -rf "$build/release-test" && mkdir -p "$build/release-test"
  (cd "$build/release-test" && cmake -E tar xf "$build/$name.zip" && cmake -E tar xf "$build/$name-debug.zip")
  (cd "$pkg" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS"
  bash "$src/tests/win32/check_pe.sh" "$objdump" "$pkg/bin" "$version"
  diff <(sed -n 's/^ *\([A-Za-z_]*\)@[0-9]*$/\1/p' "$pkg/lib/NRVINI.def" | sort) \
       <("$objdump" -p "$pkg/bin/NRVINI.dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
        sed -n 's/^\s*\[\s*[0-9]*\] //p' | sort) || fail "NRVINI.def does not name the DLL's exports"
  debug=$pkg/bin/setupengine.exe.debug
  at=$("${objdump%objdump}nm" "$debug" | awk '$3 == "_WinMain@16" {print $1}')
  line=$("${objdump%objdump}addr2line" -e "$debug" "0x$at")
  [[ "$line" == ./setupengine/main.cpp:* ]] || fail "WinMain at 0x$at resolves to $line"
  echo "archives as expected: $(cd "$build" && sha256sum "$name.zip" "$name-debug.zip" | tr '\n' ' ')"
  ;;
client)
  cc=$1 cxx=$2 runner=$3 prefix=$4
  work=$build/release-test/client
  rm -rf "$work" && mkdir -p "$work"
  cp "$pkg/bin/NRVINI.dll" "$work/"
  # The header and the import library alone: no path into the sources.
  "$cc" -std=c99 -Wall -Wextra -Werror -I"$pkg/include" "$src/tests/win32/nrvini_client.c" \
    "$pkg/lib/libNRVINI.dll.a" -o "$work/client_c.exe"
  "$cxx" -x c++ -std=c++17 -Wall -Wextra -Werror -I"$pkg/include" "$src/tests/win32/nrvini_client.c" -x none \
    "$pkg/lib/libNRVINI.dll.a" -static -o "$work/client_cpp.exe"
  for exe in client_c client_cpp; do
    got=$("$runner" --prefix "$prefix" "$work/$exe.exe" | tr -d '\r')
    [ "$got" = "NRVINI client: value 42, debug mode 0" ] || fail "$exe printed: $got"
    echo "$exe: $got"
  done
  ;;
reproducible)
  build_type=$1
  again=$build/release-again
  rm -rf "$again" && mkdir -p "$again/src"
  # The tracked files as they are in the working tree; no .git, so the commit
  # time comes as SOURCE_DATE_EPOCH.
  (cd "$src" && git ls-files -z | xargs -0 cp --parents -t "$again/src")
  SOURCE_DATE_EPOCH=$(git -C "$src" log -1 --format=%ct) && export SOURCE_DATE_EPOCH
  {
    cmake -S "$again/src" -B "$again/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$again/src/cmake/mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE="$build_type" -DSE_PACKAGE_ONLY=ON &&
    nice -n 10 cmake --build "$again/build" -j 2 --target package
  } >"$again.log" 2>&1 || { tail -30 "$again.log"; fail "second build"; }
  for zip in "$name.zip" "$name-debug.zip"; do
    cmp "$build/$zip" "$again/build/$zip" || fail "$zip differs between $build and $again/build"
    echo "same bytes: $(sha256sum "$again/build/$zip")"
  done
  rm -rf "$again"
  ;;
*) fail "no part $part" ;;
esac
