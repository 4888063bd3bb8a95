#!/usr/bin/env bash
# completion_test.sh SOURCE_DIR MELKOCTL: the bash completion of melkoctl, sourced with the
# bash-completion package's functions, offers what a user expects on a data folder that melkoctl
# filled: names with blanks (escaped, or inside an opened quote), settings, their values and button
# functions. Exit status 77 (skipped) without bash-completion.
set -uo pipefail
source=$1 melkoctl=$2
functions=/usr/share/bash-completion/bash_completion
if [[ ! -r $functions ]]; then
  echo "SKIP: bash-completion is not installed: the completion of melkoctl is not checked"
  exit 77
fi
source "$functions"
source "$source/packaging/completion/melkoctl.bash"

data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
for command in "profile add|My Game" "profile add|my gear" "macro add|Jump twice" "macro add|jump"
do
  "$melkoctl" --data-dir "$data" ${command%|*} "${command#*|}" --wait 0 >/dev/null 2>&1 ||
    { echo "melkoctl cannot fill the data folder"; exit 1; }
done

failed=0
# expect CANDIDATES WORD...: completing the last word gives these candidates.
expect() {
  local wanted=$1
  shift
  COMP_WORDS=("$@") COMP_CWORD=$(($# - 1)) COMP_LINE="$*" COMP_POINT=${#COMP_LINE} COMPREPLY=()
  _melkoctl melkoctl "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
  if [[ "${COMPREPLY[*]}" != "$wanted" ]]; then
    echo "completing '$*': got [${COMPREPLY[*]}], wanted [$wanted]"
    failed=1
  fi
}
expect 'My\ Game' "$melkoctl" --data-dir "$data" profile select My
expect 'My Game' "$melkoctl" --data-dir "$data" profile delete '"My G'
expect 'my\ gear' "$melkoctl" "--data-dir=$data" set --profile 'my\ '
expect 'Jump\ twice' "$melkoctl" --data-dir "$data" set button 4 macro J
expect 'dpi-cycle' "$melkoctl" --data-dir "$data" set button 4 dpi-c
expect 'on off' "$melkoctl" set --wait 1 angle-snap ''
# Without --data-dir, the user's data folder.
mkdir -p "$data/config/Zorph Melko R7 Wireless"
mv "$data/ms_1" "$data/config/Zorph Melko R7 Wireless/"
XDG_CONFIG_HOME=$data/config expect 'jump' "$melkoctl" macro show j

if command -v zsh >/dev/null; then
  zsh -n "$source/packaging/completion/_melkoctl" || failed=1
else
  echo "zsh is not installed: the zsh completion's syntax is not checked"
fi
exit $failed
