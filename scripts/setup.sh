#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmarks need.
# This is the only place packages are listed. Idempotent and quick when all is present.
set -euo pipefail

PACKAGES=(
  # toolchain
  cmake g++ ninja-build pkg-config clang clang-14 libclang-rt-14-dev
  clang-format clang-tidy ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  # desktop shell: Qt 6 Widgets, and a virtual display for its tests and screenshots
  qt6-base-dev qt6-base-dev-tools qt6-l10n-tools xvfb xauth x11-apps x11-xserver-utils x11-utils
  trayer xdotool
  # configuration
  libpugixml-dev
  # pictures
  libturbojpeg0-dev libpng-dev libgif-dev libtiff-dev libswscale-dev libavutil-dev
  libfreetype-dev libfontconfig-dev fonts-ipafont-gothic
  # camera sources, FTP, UPnP
  libcurl4-openssl-dev libavformat-dev libavcodec-dev libv4l-dev
  # recordings: frames packed while they wait
  libzstd-dev
  # sound
  libasound2-dev
  # peers and independent checkers used by the tests
  python3 python3-pil imagemagick ffmpeg curl iproute2
  python3-aiosmtpd python3-pyftpdlib python3-openssl python3-cryptography dovecot-pop3d swaks openssl
  # mail and FTP over TLS (SMTP submission, POP3S / STLS, FTPS)
  libssl-dev
  # web server and UPnP peers: headless browser, gateway in network namespaces
  chromium miniupnpd miniupnpd-nftables nftables miniupnpc
  # RTSP camera peer: GStreamer's RTSP server driven from Python
  python3-gi gir1.2-gst-rtsp-server-1.0 gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  gstreamer1.0-plugins-ugly
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
