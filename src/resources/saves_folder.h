// Where a game's scripts save. A game whose folder can be written keeps its
// files in `files` beside its page, as it always did (portable). A game
// installed where its player cannot write (a package, a shared or read-only
// folder), or an exported game (RAVOK_SAVES=user, which its launcher sets),
// saves under the user's data folder instead:
// $XDG_DATA_HOME/ravok/<game id>/files (~/.local/share when unset). Reads look
// there first and then in the game's own `files`, so what a game ships there
// stays readable. The same rules of the sandbox hold in both.
#pragma once

#include <string>
#include <string_view>

namespace ravok {

// The id a game's saves are kept under: its project's `gameid` parameter, or
// its title and author, reduced to lower-case letters, digits, '-' and '_'
// (a title with none of those gets a number made from its bytes).
std::string gameIdFor(const std::string& title, const std::string& author,
                      const std::string& given);

// Set when a game's own project opens; a page played alone is known by its
// folder. Empty: the page's folder decides.
void setGameId(const std::string& id);
std::string gameId();

// The host folders of the two places: the per-user one (not made here) and
// the one scripts save to now (made when it is the per-user one); empty when
// no place can be written, which is said once as a problem.
std::string userFilesFolder();
// $XDG_DATA_HOME/ravok (~/.local/share/ravok when unset); empty without either.
std::string userDataFolder();
std::string savesFolder();
// The game's own `files` folder, as a host path.
std::string shippedFilesFolder();

} // namespace ravok
