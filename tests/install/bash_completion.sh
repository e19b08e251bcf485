#!/usr/bin/env bash
# The bash completion of plotwright, completing words as bash would: commands,
# subcommands, options per command, and curve names (with spaces and quotes) of the
# library named on the line.
# usage: bash_completion.sh COMPLETION_FILE PLOTWRIGHT_PROGRAM
set -uo pipefail
source /usr/share/bash-completion/bash_completion || { echo "bash-completion is not installed" >&2; exit 1; }
source "$1"
PATH=$(dirname "$2"):$PATH
export PLOTWRIGHT_INSTALL_FOLDER=/nonexistent

# The candidates for the last word of the line, joined by "|".
complete_line() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="${COMP_WORDS[*]}"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _plotwright
  local IFS="|"
  echo "${COMPREPLY[*]}"
}

failures=0
check() {
  local expected=$1
  shift
  local got
  got=$(complete_line "$@")
  if [[ $got != "$expected" ]]; then
    echo "FAIL: $*: expected \"$expected\", got \"$got\"" >&2
    failures=$((failures + 1))
  fi
}

check "curves|show|sample|draw|list|redraw|render|library|help|--help|--version" plotwright ""
check "convert|check|merge" plotwright library ""
check "--replace" plotwright library merge a.xml b.xml --r
check "--format" plotwright sample Cycloid --f
check "--origin|--out|--output|--offset|--offset-both" plotwright draw Cycloid --o
check "--mirror" plotwright redraw a.dxf 1F --mi
check "--no-mirror" plotwright redraw a.dxf 1F --no
check "" plotwright draw Cycloid --rotate ""
check "csv|json" plotwright sample Cycloid --format ""
check "Cycloid" plotwright sample Cyc
check "Cayley\\'s\\ Sextic" plotwright show Cay
check "Cardioid|Catenary|Cassini\\ oval\\,\\ one\\ loop|Cassini\\ ovals\\,\\ two\\ loops" plotwright draw --library gallery Ca
check "Involute\\ of\\ a\\ circle" plotwright draw --library gallery "Involute\\ of"
check "Lemniscate\\ of\\ Bernoulli|Lemniscate\\ of\\ Bernoulli\\ \\(implicit\\)" plotwright draw --library=gallery Lemn
check "--grid" plotwright draw --implicit x-y --gr
check "--window" plotwright redraw a.dxf 1F --wi
check "" plotwright draw --library gallery Nothing
check "" plotwright draw Cycloid --set ""
check "polyline|arcs|spline" plotwright redraw a.dxf 1F --output ""
check "text|json" plotwright list a.dxf --format ""
check "--force" plotwright redraw a.dxf 1F --fo
check "--size" plotwright render a.dxf out.png --s
check "mm|m" plotwright draw Cycloid --units m
check "--literal-steps|--layer" plotwright redraw a.dxf 1F --l
check "BYLAYER" plotwright draw Cycloid --color B
((failures == 0)) || exit 1
echo "bash completion: all cases complete as expected"
