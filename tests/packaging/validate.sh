#!/usr/bin/env bash
# validate.sh desktop|appstream|man SOURCE_DIR MELKOCTL: one file of packaging/ checked by the tool
# the desktop itself uses; exit status 77 (skipped) when that tool is not installed.
set -uo pipefail
check=$1 source=$2 melkoctl=$3

need() {
  command -v "$1" >/dev/null && return
  echo "SKIP: $1 is not installed (Debian package $2): packaging/ is not checked by it"
  exit 77
}

case $check in
  desktop)
    need desktop-file-validate desktop-file-utils
    desktop-file-validate "$source/packaging/org.melko.Melko.desktop"
    ;;
  appstream)
    need appstreamcli appstream
    metainfo=$source/packaging/org.melko.Melko.metainfo.xml
    appstreamcli validate --no-net "$metainfo" || exit 1
    # The homepage publishes docs/screenshots/ as /screenshots/: each one named must be there.
    for url in $(sed -n 's|.*<image[^>]*>\(.*\)</image>.*|\1|p' "$metainfo"); do
      if [[ $url != https://melko.org/screenshots/* || ! -f $source/docs/screenshots/${url##*/} ]]
      then
        echo "$url is not a picture of docs/screenshots/"
        exit 1
      fi
    done
    ;;
  man)
    need groff groff-base
    for page in "$source"/packaging/man/*.1; do
      warnings=$(groff -man -ww -z "$page" 2>&1)
      [[ -z $warnings ]] || { echo "${page##*/}: $warnings"; exit 1; }
    done
    # The manual lists every button function this melkoctl knows.
    functions=$("$melkoctl" set --help | sed -n '/Button functions:/,$p' |
      sed -e 's/.*Button functions://' -e 's/,/ /g')
    [[ -n $functions ]] || { echo "melkoctl set --help lists no button functions"; exit 1; }
    for function in $functions; do
      grep -qF -- "${function//-/\\-}," "$source/packaging/man/melkoctl.1" ||
        grep -qF -- "${function//-/\\-}." "$source/packaging/man/melkoctl.1" ||
        { echo "melkoctl.1 does not list the button function $function"; exit 1; }
    done
    ;;
esac
