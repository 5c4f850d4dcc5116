#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need; does nothing when
# they are all present already.
set -euo pipefail
packages=(g++ cmake make pkgconf qt6-base-dev libjpeg62-turbo-dev libpng-dev libgtest-dev
          libbenchmark-dev fonts-dejavu-core "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
