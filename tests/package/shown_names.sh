#!/usr/bin/env bash
# What a user sees to open at the root of a medium folder, one line for each system:
#   Windows programs: the programs (.exe, .com, .bat, .cmd) as Explorer names them, extensions hidden
#   Windows names shown twice: those names that another file at the root shows too
#   Linux programs: the programs and scripts a Linux file manager shows (it hides names with a dot first)
#   shown_names.sh FOLDER
set -euo pipefail
cd "$1"
shown() {  # the name with its extension hidden; a name that is all extension stays whole
  case $1 in
    ?*.*) echo "${1%.*}" ;;
    *) echo "$1" ;;
  esac
}
windows=() all=() linux=()
for name in .* *; do
  [ -f "$name" ] || continue
  all+=("$(shown "$name")")
  case ${name,,} in *.exe | *.com | *.bat | *.cmd) windows+=("$(shown "$name")") ;; esac
  case $name in
    .*) ;;
    *) case $(head -c 4 "$name" | od -An -c | tr -d ' ') in '177ELF' | '#!'*) linux+=("$name") ;; esac ;;
  esac
done
twice=()
for program in "${windows[@]}"; do
  [ "$(printf '%s\n' "${all[@]}" | grep -cxF -- "$program")" -gt 1 ] && twice+=("$program")
done
echo "Windows programs: ${windows[*]}"
echo "Windows names shown twice: ${twice[*]}"
echo "Linux programs: ${linux[*]}"
