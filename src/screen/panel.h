// Panels: off-screen surfaces that scripts draw into at once (not per frame),
// read, copy between, save and load, and show through wrap-around map
// sprites. Each lives behind a typed host handle; a handle that is null,
// forged, freed or of another kind finds no panel, and what was asked of it
// does nothing.
#pragma once

#include "base/surface.h"
#include "runtime/host_registry.h"

#include <memory>
#include <string>
#include <string_view>

namespace ravok {

class TPanel : public THostObject {
public:
    explicit TPanel(std::shared_ptr<TSurface> surface) : surface_(std::move(surface)) {}
    const char* hostClassName() const override { return "TPanel"; }
    TSurface& surface() { return *surface_; }
    // For map sprites, which keep the surface alive until the frame is drawn.
    const std::shared_ptr<TSurface>& shared() const { return surface_; }

private:
    std::shared_ptr<TSurface> surface_;
};

// The largest panel: each side and the whole area, so that a script's size
// cannot ask for gigabytes.
constexpr int kMaxPanelSide = int(kMaxImageSide);
constexpr int64_t kMaxPanelPixels = kMaxImagePixels;
bool panelSizeAllowed(int64_t width, int64_t height);

// A new panel of that size, black, with black transparent; nullptr when the
// size is not allowed or no memory is left.
TPanel* createPanel(int width, int height);
// A new panel holding the image; its transparent colour is black.
TPanel* adoptPanel(std::unique_ptr<TSurface> image);
void freePanel(TPanel* panel);
// The panel of a handle, or nullptr.
TPanel* findPanel(const TValue& handle);
size_t livePanels();

// The size a panel grows to so that it covers width x height: each side a
// multiple of 32 beyond what was asked, and never below the present side.
int64_t grownPanelSide(int present, int asked);

// Where _n_save and _n_load keep a name: every '\', ':' and '/' removed
// (an empty name is "untitled") and the rest put in the page's files folder;
// empty when that path would lie outside the folder.
std::string panelFilePath(std::string_view name);

} // namespace ravok
