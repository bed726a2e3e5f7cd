#!/usr/bin/env bash
# Installs the Debian 12 packages the player builds and tests with, and only the
# ones that are missing, so that the README commands stay quick on a prepared
# machine. Works as root (CI) and through sudo otherwise.
set -euo pipefail

packages=(
  # toolchain and tests
  build-essential cmake ninja-build pkg-config clang clang-format libclang-rt-14-dev python3
  libgtest-dev libgmock-dev libbenchmark-dev
  # desktop shell; text (FreeType and the IPA fonts) and images (stb_image)
  libgtk-3-dev libcairo2-dev libpango1.0-dev libgdk-pixbuf-2.0-dev
  libfreetype-dev libstb-dev fonts-ipafont-gothic fonts-ipafont-mincho
  # animated GIF captures
  libgif-dev
  # regular expressions
  libonig-dev
  # audio and joystick
  libsdl2-dev
  # MIDI helper; the jack dev package keeps libjack-jackd2-0 from being swapped out
  libfluidsynth-dev libjack-jackd2-dev timgm6mb-soundfont
  # test drivers
  xvfb xauth xdotool xclip sox x11-xkb-utils
)

# The web build (make web, make test-web): the compiler, node to run it,
# the fonts the page carries, and a browser to test it in.
if [ "${1:-}" = "--web" ]; then
  packages=(emscripten nodejs libstb-dev fonts-ipafont-gothic chromium dpkg-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
else
  as_root=(sudo)
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
