#!/bin/sh
# Builds the libraries the web build links (Oniguruma, FreeType, giflib) from Debian's
# source packages with emscripten, into DIR/prefix. Emscripten's own ports
# download from the network and are not used.
#
#   scripts/build-web-deps.sh DIR        (default: build-web-deps)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mkdir -p "${1:-build-web-deps}" && cd "${1:-build-web-deps}" && pwd)
. "$here/web-env.sh"
"$here/fetch-web-sources.sh" "$dir/src"
prefix="$dir/prefix"
build() { # NAME SOURCE [cmake options...]
    name=$1 source=$2
    shift 2
    [ -f "$prefix/lib/lib$name.a" ] && return 0
    emcmake cmake -S "$source" -B "$dir/build-$name" -DCMAKE_BUILD_TYPE=Release \
        -DBUILD_SHARED_LIBS=OFF -DCMAKE_INSTALL_PREFIX="$prefix" "$@"
    cmake --build "$dir/build-$name" -j "${JOBS:-2}"
    cmake --install "$dir/build-$name"
}
build onig "$(ls -d "$dir"/src/libonig-*/ | head -1)" -DBUILD_TEST=OFF
# The fonts are TrueType and OpenType outlines: no compressed or PNG glyphs.
build freetype "$(ls -d "$dir"/src/freetype-*/ | head -1)" -DFT_DISABLE_ZLIB=ON \
    -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
# giflib is a handful of C files and a makefile meant for the host: the
# library's own files are compiled directly.
if [ ! -f "$prefix/lib/libgif.a" ]; then
    gif=$(ls -d "$dir"/src/giflib-*/ | head -1)
    mkdir -p "$dir/build-gif" "$prefix/include" "$prefix/lib"
    for c in dgif_lib egif_lib gifalloc gif_err gif_hash openbsd-reallocarray quantize; do
        emcc -O2 -c "$gif/$c.c" -o "$dir/build-gif/$c.o"
    done
    emar rcs "$prefix/lib/libgif.a" "$dir"/build-gif/*.o
    cp "$gif/gif_lib.h" "$prefix/include/"
fi
echo "web dependencies in $prefix"
