#!/usr/bin/env bash
# The shell completions against the built zanmig: what bash offers after each
# command line of the table, and that the zsh completion reads the options
# and placeholders from the help (skipped without zsh).
#
#   completion_test.sh ZANMIG SOURCE_DIR
set -u
zanmig=$1
packaging=$2/packaging
work=$(mktemp -d "${TMPDIR:-/tmp}/zanmig-completion.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" && mkdir sub "My Project" && touch Main.pas Data.PAS Other.txt RExpert.reu

failures=0
# shellcheck source=/dev/null
source "$packaging/zanmig.bash-completion"

# expect "WORDS..." "OFFERED": completing the last word offers exactly OFFERED
# (sorted, one blank between, a blank inside a candidate shown as "\ ").
expect() {
  local -a words
  read -r -a words <<<"$1"
  [[ -z $1 || $1 == *" " ]] && words+=("")
  COMP_WORDS=("$zanmig" "${words[@]}")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _zanmig
  local got
  got=$(for c in "${COMPREPLY[@]}"; do printf '%q\n' "$c"; done | sort | paste -sd' ')
  if [[ $got != "$2" ]]; then
    echo "FAIL: zanmig $1| offered \"$got\", want \"$2\""
    failures=$((failures + 1))
  fi
}

expect "" "convert libraries replace restore todo"
expect "rep" "replace"
expect "--codepage 1252 re" "replace restore"
expect "--co" "--codepage"
expect "-" "--classes --codepage --help --settings --version"
expect "replace --lib" "--library"
expect "replace --no-" "--no-backup --no-follow-uses --no-log"
expect "replace --library " "ADO AnyDAC BDE Elvast FIBPlus Fenmark FireDAC IBX Kyrel Sarvo Trindle Wenrod"
expect "replace --library Fi" "FIBPlus FireDAC"
expect "replace --library fire" "FireDAC"
expect "replace --library = ado" "ADO"
expect "replace --library=bd" "BDE"
expect "replace --dir " "My\ Project sub"
expect "replace --dir My" "My\ Project"
expect "replace --unit " "Data.PAS Main.pas My\ Project sub"
expect "replace --library BDE --report " "Data.PAS Main.pas My\ Project Other.txt RExpert.reu sub"
expect "--codepage 125" "1250 1251 1252 1253 1254 1255 1256 1257 1258"
expect "restore --d" "--dry-run"
expect "restore " "My\ Project RExpert.reu sub"
expect "convert --to" "--to-binary --to-text"
expect "todo --j" "--json"
expect "libraries -" "--classes --codepage --help --settings --version"

if command -v zsh >/dev/null; then
  # _zanmig as zsh calls it for "zanmig replace --l": _arguments (a stand-in
  # here) first takes the command and shifts $words, as the real one does,
  # then receives the command's option definitions.
  argdefs=$(zsh -c '
    _call_program() { shift; "$@"; }
    _describe() { :; }
    _arguments() {
      if [[ $1 == -C ]]; then state=argument; words=("${(@)words[2,-1]}"); return 1; fi
      print -rl -- "$@"
    }
    eval "$(sed "\$d" "$1")"
    words=("$2" replace --l)
    _zanmig' zsh "$packaging/_zanmig" "$zanmig")
  for want in '*--library[' ':NAME:_zanmig_libraries' '*--dir[' ':FOLDER:_files -/' \
              '--recursive[' ':FILE.pas:_files' '*--codepage['; do
    if [[ $argdefs != *"$want"* ]]; then
      echo "FAIL: zsh argdefs lack $want"
      failures=$((failures + 1))
    fi
  done
fi
exit $((failures > 0))
