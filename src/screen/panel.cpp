#include "screen/panel.h"

#include "resources/sandbox.h"
#include "runtime/directories.h"
#include "runtime/paths.h"
#include "runtime/sjis.h"

#include <unordered_map>

namespace ravok {

namespace {
// Every live panel, so that none outlives the program unaccounted for.
std::unordered_map<TPanel*, std::unique_ptr<TPanel>>& panels() {
    static auto* all = new std::unordered_map<TPanel*, std::unique_ptr<TPanel>>();
    return *all;
}

TPanel* keep(std::unique_ptr<TSurface> surface) {
    surface->setKey(0);
    auto panel = std::make_unique<TPanel>(std::shared_ptr<TSurface>(std::move(surface)));
    TPanel* p = panel.get();
    panels()[p] = std::move(panel);
    return p;
}
} // namespace

bool panelSizeAllowed(int64_t width, int64_t height) {
    return width >= 0 && height >= 0 && width <= kMaxPanelSide && height <= kMaxPanelSide &&
           std::max<int64_t>(width, 1) * std::max<int64_t>(height, 1) <= kMaxPanelPixels;
}

TPanel* createPanel(int width, int height) {
    if (!panelSizeAllowed(width, height)) return nullptr;
    auto surface = TSurface::create(width, height);
    return surface ? keep(std::move(surface)) : nullptr;
}

TPanel* adoptPanel(std::unique_ptr<TSurface> image) {
    return image ? keep(std::move(image)) : nullptr;
}

void freePanel(TPanel* panel) {
    if (panel) panels().erase(panel);
}

TPanel* findPanel(const TValue& handle) {
    return dynamic_cast<TPanel*>(THostRegistry::instance().find(handle));
}

size_t livePanels() { return panels().size(); }

int64_t grownPanelSide(int present, int asked) {
    int64_t rounded = (int64_t(asked) + 32) & ~int64_t(31);
    return std::max<int64_t>(present, rounded);
}

std::string panelFilePath(std::string_view name) {
    std::string cleaned = withoutBytes(name, "\\:/");
    if (name.empty()) cleaned = "untitled";
    std::string folder = sandboxFolder();
    if (cleaned.empty() || folder.empty()) return {};
    std::string path = resolve("files\\" + cleaned, baseDirectory());
    // "." and ".." name the folder or its parent, and a link may point out.
    if (!insideSandbox(path) || samePath(path, folder)) return {};
    return path;
}

} // namespace ravok
