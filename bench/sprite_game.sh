# Sourced by the benchmark scripts: sprite_game DIR N ROTATED makes, in DIR,
# the sprite benchmark game with N movers (turned and translucent when
# ROTATED is 1) from bench/games/sprites.
sprite_game() {
    games=$(dirname "$0")/games/sprites
    mkdir -p "$1"
    cp "$games"/*.ravok "$games"/disc.png "$1/"
    sed "s/COUNT/$2/; s/ROTATED/$3/" "$games/template.cmml" > "$1/main.cmml"
}
