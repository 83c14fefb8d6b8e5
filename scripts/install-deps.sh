#!/usr/bin/env bash
# Installs the Debian packages Tellurix needs to build, run and test; quick when nothing is missing.
# With arguments, installs those packages instead (the fuzzing path names its own).
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl1-mesa-dev libxcb1-dev
  xvfb xauth xdotool x11-utils fonts-dejavu-core
  qt6-translations-l10n
  dpkg-dev file desktop-file-utils appstream
)
[ $# -gt 0 ] && packages=("$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
