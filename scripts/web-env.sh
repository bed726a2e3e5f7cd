#!/bin/sh
# The environment Debian's emscripten needs to build offline: source it
# (". scripts/web-env.sh") before em++/emcmake. Its cache must be writable and
# not frozen, and its tools need Debian's node modules.
export NODE_PATH=/usr/share/nodejs
export EM_CACHE="${EM_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ravok-emscripten}"
if [ ! -d "$EM_CACHE" ]; then
    mkdir -p "$EM_CACHE" && cp -r /usr/share/emscripten/cache/. "$EM_CACHE"/
fi
# Empty, not "0": any value at all freezes the cache.
export EM_FROZEN_CACHE=
