#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running Corvantis need.
# Quick when everything is already there: apt is only called for what is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config ccache
    qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libgl-dev
    libgsf-1-dev libquazip1-qt6-dev libsqlite3-dev libicu-dev
    postgresql libqt6sql6-psql
    fonts-liberation2 fonts-dejavu-core
    xvfb xauth sqlite3 poppler-utils
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all packages present"
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo" >&2; exit 1; }
    sudo="sudo"
fi
echo "install-deps: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
