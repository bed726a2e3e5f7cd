#include "resources/resource_tree.h"

#include "base/time_analyzer.h"

#include "resources/host_files.h"
#include "resources/resource_kinds.h"
#include "resources/resource_reader.h"
#include "runtime/markup_escape.h"
#include "runtime/messages.h"
#include "runtime/sjis.h"

#include "base/reporter.h"

namespace ravok {

TResource* treeAt(std::string_view path) {
    TResource* root = resourceRoot();
    return root ? root->lookup(path) : nullptr;
}

TResource* usrglobalList() {
    TResource* root = resourceRoot();
    return root ? root->findChild("usrglobal") : nullptr;
}

std::string lastPart(std::string_view path) {
    size_t dot = path.rfind('.');
    return std::string(dot == std::string_view::npos ? path : path.substr(dot + 1));
}

std::string parentPath(std::string_view path) {
    size_t dot = path.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(path.substr(0, dot));
}

namespace {
TResource* parentOf(std::string_view path) {
    TResource* root = resourceRoot();
    if (!root) return nullptr;
    std::string p = parentPath(path);
    return p.empty() ? root : root->lookup(p);
}

TResource* addAt(std::string_view path, std::unique_ptr<TResource> r) {
    TResource* target = parentOf(path);
    if (!target || !r) return nullptr;
    TResource* raw = r.get();
    target->addChild(std::move(r));
    return raw->parent == target ? raw : nullptr;
}
} // namespace

TResource* createLinked(std::string_view file, std::string_view path) {
    std::string last = lastPart(path);
    if (!fileExists(file))
        writeWholeFile(file,
                       "<resourcelist name=\"" + escapeMarkup(last) + "\">\r\n</resourcelist>\r\n");
    auto r = readResourceText("<link src=\"" + escapeMarkup(file) + "\">");
    if (!r) return nullptr;
    r->name = last;
    r->sourceFile = std::string(file);
    return addAt(path, std::move(r));
}

TResource* createList(std::string_view path) {
    return addAt(path, readResourceText("<resourcelist name=\"" + escapeMarkup(lastPart(path)) +
                                        "\"></resourcelist>"));
}

TResource* attach(std::string_view path, std::unique_ptr<TResource> resource) {
    if (!resource) return nullptr;
    resource->name = lastPart(path);
    return addAt(path, std::move(resource));
}

void remove(std::string_view path) {
    TResource* root = resourceRoot();
    TResource* r = root ? root->lookup(path) : nullptr;
    TResource* target = parentOf(path);
    if (r && target) target->removeChild(r);
}

bool saveToFile(std::string_view path) {
    TResource* root = resourceRoot();
    TResource* r = root ? root->lookup(path) : nullptr;
    if (!r || r->sourceFile.empty()) {
        ReportError(std::string(path) + translate(" Cannot be saved."));
        return false;
    }
    TScopedSection writing(66);
    TLines lines;
    r->save(lines, "");
    std::string text;
    for (const std::string& l : lines)
        text += l + "\r\n";
    return writeWholeFile(r->sourceFile, text);
}

bool mergeInto(TResource* target, TResource* source) {
    auto* from = dynamic_cast<TResourceList*>(source);
    if (!target || !from) return false;
    bool added = false;
    for (const auto& child : from->children()) {
        if (target->findChild(child->name)) continue;
        if (auto copy = child->clone()) {
            target->addChild(std::move(copy));
            added = true;
        }
    }
    return added;
}

std::string uniqueName(TResource* list, std::string_view name) {
    auto* l = dynamic_cast<TResourceList*>(list);
    if (!l || !l->findChild(name)) return std::string(name);
    // Strip a trailing _digits, then take the largest _N among the names
    // that contain the stem.
    std::string stem(name);
    size_t u = stem.rfind('_');
    if (u != std::string::npos && u + 1 < stem.size() &&
        stem.find_first_not_of("0123456789", u + 1) == std::string::npos)
        stem.erase(u);
    std::string lowStem = foldCase(stem);
    long largest = 0;
    for (const auto& c : l->children()) {
        std::string low = foldCase(c->name);
        if (low.find(lowStem) == std::string::npos) continue;
        size_t us = low.rfind('_');
        if (us == std::string::npos || us + 1 >= low.size() ||
            low.find_first_not_of("0123456789", us + 1) != std::string::npos)
            continue;
        largest = std::max(largest, std::strtol(low.c_str() + us + 1, nullptr, 10));
    }
    return stem + "_" + std::to_string(largest + 1);
}

} // namespace ravok
