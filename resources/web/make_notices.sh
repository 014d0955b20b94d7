#!/usr/bin/env bash
# Regenerates the two 320x240 notice pictures the web server sends instead of a stream.
set -euo pipefail
cd "$(dirname "$0")"
font=$(fc-match -f '%{file}' ':lang=ja')
mk() {
  convert -size 320x240 gradient:'#1c3d6e-#0b1a33' \
    -font "$font" -fill '#ffd34d' -pointsize 40 -gravity north -annotate +0+28 'Ocuvane' \
    -fill white -pointsize 18 -gravity center -annotate +0+30 "$1" \
    -quality 85 -sampling-factor 2x2 -strip "$2"
}
mk $'最大接続数に達しました。\nしばらくしてから\n再度接続してください。' notice_max_users.jpg
mk $'パスワードが違います。\n正しいパスワードを入力して\n再度接続してください。' notice_wrong_password.jpg
