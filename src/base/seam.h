// The one kind of seam between layers: an interface whose default
// implementation works on its own, installed from the start, and replaced by
// what a player's wiring installs. Call sites always get an implementation,
// never null; installing nullptr gives the default back.
#pragma once

namespace ravok {

template <class TInterface> class TSeam {
public:
    constexpr explicit TSeam(TInterface& fallback) : fallback_(fallback), current_(&fallback) {}
    TInterface& get() const { return *current_; }
    void install(TInterface* implementation) {
        current_ = implementation ? implementation : &fallback_;
    }

private:
    TInterface& fallback_;
    TInterface* current_;
};

} // namespace ravok
