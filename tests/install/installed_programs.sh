#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves the prefix elsewhere, and runs the
# installed programs from there: they must find the project's shared libraries, the
# module and the gallery through paths relative to themselves.
# usage: installed_programs.sh BUILD_DIR
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
unset LD_LIBRARY_PATH

fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$scratch/first" >/dev/null
# A different place than the one installed to: nothing may depend on the prefix's path.
mv "$scratch/first" "$scratch/moved"
prefix=$scratch/moved
cd "$scratch"

for file in "$prefix"/bin/* "$prefix"/lib*/plotwright/*; do
  if ldd "$file" | grep -q "not found"; then
    ldd "$file" >&2
    fail "$file: a library is not found"
  fi
  # The run path points nowhere but relative to the file itself.
  runpath=$(readelf -d "$file" | sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]/\2/p')
  case $runpath in
    '$ORIGIN'*) ;;
    *) fail "$file: run path \"$runpath\" is not relative to the file" ;;
  esac
  [[ $runpath != *"$build"* ]] || fail "$file: run path into the build tree"
done

expected="plotwright $(sed -n 's/^#define PLOTWRIGHT_VERSION "\(.*\)"$/\1/p' "$build/generated/plotwright/version.h")"
[[ $("$prefix/bin/plotwright" --version) == "$expected" ]] || fail "plotwright --version"
[[ $("$prefix/bin/plotwright-editor" --version) == "plotwright-editor ${expected#plotwright }" ]] ||
  fail "plotwright-editor --version"

count=$("$prefix/bin/plotwright" curves --library gallery | wc -l)
((count >= 30)) || fail "the installed gallery has $count curves"
"$prefix/bin/plotwright" draw Cardioid --library gallery --out "$scratch/cardioid.dxf" >/dev/null ||
  fail "plotwright draw from the installed gallery"
[[ -s $scratch/cardioid.dxf ]] || fail "no drawing written"

# The editor loads the installed module (found beside the shared libraries) and quits.
QT_QPA_PLATFORM=offscreen timeout 60 "$prefix/bin/plotwright-editor" --help >/dev/null || fail "plotwright-editor --help"
[[ -f $prefix/share/man/man1/plotwright.1.gz && -f $prefix/share/applications/plotwright-editor.desktop ]] ||
  fail "manual page or desktop entry missing"
echo "installed programs run from $prefix"
