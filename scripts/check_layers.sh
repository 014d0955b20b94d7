#!/usr/bin/env bash
# Fails when a folder includes a header of a folder it may not use, or when Qt appears outside
# app/ and ui/. Allowed uses follow the layer order of the design:
#   platform <- foundation <- config, imaging <- sources <- mail, delivery, net <- controller <- app, ui
set -uo pipefail
root=${1:-$(dirname "$0")/..}
declare -A allowed=(
  [platform]="platform"
  [foundation]="platform foundation"
  [config]="platform foundation config"
  [imaging]="platform foundation config imaging"
  [sources]="platform foundation config imaging sources"
  [mail]="platform foundation config imaging sources mail"
  [net]="platform foundation config imaging sources mail net"
  [delivery]="platform foundation config imaging sources mail net delivery"
  [controller]="platform foundation config imaging sources mail net delivery controller"
  [app]="platform foundation config imaging sources mail net delivery controller app ui"
  [ui]="platform foundation config imaging sources mail net delivery controller ui"
)
folders="platform foundation config imaging sources mail net delivery controller app ui"
status=0
for f in "${!allowed[@]}"; do
  [[ -d $root/$f ]] || continue
  while IFS= read -r line; do
    file=${line%%:*}
    inc=$(sed -E 's/.*#include "([a-z]+)\/.*/\1/' <<<"$line")
    for g in $folders; do
      if [[ $inc == "$g" && " ${allowed[$f]} " != *" $g "* ]]; then
        echo "layering: $file includes $g/ (not allowed from $f/)"
        status=1
      fi
    done
  done < <(grep -rHE '#include "[a-z]+/' "$root/$f" --include='*.h' --include='*.cpp' || true)
  if [[ $f != app && $f != ui ]] && grep -rqE '#include <Q[A-Za-z]+' "$root/$f" --include='*.h' --include='*.cpp'; then
    echo "layering: Qt used in $f/"
    status=1
  fi
done
exit $status
