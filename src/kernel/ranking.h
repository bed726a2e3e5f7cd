// The ranking link: a game opens a web page in the user's browser with
// name=value parameters attached and a signature that lets the ranking
// service recognise requests built from unaltered game files. At most six
// opens a minute.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ravok {

class TRanking {
public:
    static TRanking& instance();
    TRanking();

    // An empty value removes the entry; an existing name gets the new value.
    void setParam(std::string_view name, std::string_view value);
    void clearParams() { params_.clear(); }
    const std::vector<std::pair<std::string, std::string>>& params() const { return params_; }

    // Builds url?name=value&...&ID=signature and opens it, within the rate
    // limit. Returns whether the browser was asked to open it.
    bool openBrowser(std::string_view url);

    // The 16-bit keyed checksum over the parameter texts and the file hashes.
    uint16_t signature() const;

    // Takes the whole tree's files, as start-up does; their hash sum is
    // computed when a signature first needs it, since hashing every image
    // of the kernel and the project would cost start-up more than all the
    // rest. The scripts' random sequence stays where it was: this sum is the
    // player's own business, and a game must not play differently for it.
    void takeTreeHash();
    int32_t treeHash() const;

    // Back to the start-of-program state (tests).
    void reset();

private:
    std::vector<std::pair<std::string, std::string>> params_;
    int remainingOpens_ = 6;
    long double lastOpenMs_ = 0;
    std::vector<std::string> treeFiles_;
    mutable bool treeHashed_ = false;
    mutable int32_t treeHash_ = 0;
};

} // namespace ravok
