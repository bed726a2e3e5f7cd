#!/bin/sh
# Fetches the Debian source packages the web build compiles with emscripten
# (the wasm target has no system libraries) into DIR, through a private apt
# configuration that adds deb-src lines: the system's own apt setup is left
# as it is.
#
#   scripts/fetch-web-sources.sh DIR
set -eu
dir=$(mkdir -p "$1" && cd "$1" && pwd)
apt_dir="$dir/apt"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/sources.list.d"
: > "$apt_dir/sources.list"
for f in /etc/apt/sources.list.d/*.sources; do
    [ -e "$f" ] || continue
    sed 's/^Types: deb$/Types: deb-src/' "$f" > "$apt_dir/sources.list.d/$(basename "$f")"
done
if [ -s /etc/apt/sources.list ]; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list > "$apt_dir/sources.list"
fi
opts="-o Dir::Etc::SourceList=$apt_dir/sources.list -o Dir::Etc::SourceParts=$apt_dir/sources.list.d
      -o Dir::State::Lists=$apt_dir/lists -o Dir::Cache=$apt_dir/cache"
# shellcheck disable=SC2086
apt-get $opts update -qq
cd "$dir"
for package in libonig freetype giflib; do
    # shellcheck disable=SC2086
    ls -d "$dir"/"$package"*/ >/dev/null 2>&1 || apt-get $opts source -qq "$package"
done
