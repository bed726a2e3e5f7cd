// TResource: the base of everything in the resource tree (classes, lists,
// globals, parameters, generators, patterns, modules, pages), with its 19
// virtual operations in their fixed order. The tree-building kinds live in
// src/resources/; the base sits here because classes (TRTTI) are resources.
#pragma once

#include "runtime/host_registry.h"
#include "runtime/value.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ravok {

class TResource;
class TRTTI;

using TLines = std::vector<std::string>;

// Counts every resource added to or removed from a list: code linked to the
// tree (a cached snippet) is valid while the count is unchanged.
inline uint64_t gResourceTreeChanges = 0;

// Pass counters of an initialisation.
struct TInitContext {
    int pending = 0;
    int done = 0;
    int failed = 0;
    // Failures already reported to the author (a class that did not compile
    // said why at its line).
    int failedReported = 0;
};

class TResourceIterator {
public:
    virtual ~TResourceIterator() = default;
    virtual void visit(TResource* resource) = 0;
};

class TIterator {
public:
    virtual ~TIterator() = default;
    virtual bool hasNext() = 0;
    virtual TResource* next() = 0;
    virtual void removeCurrent() = 0;
};

class TResource : public THostObject {
public:
    explicit TResource(THostKind kind = THostKind::Other);
    ~TResource() override;
    const char* hostClassName() const override { return "TResource"; }

    /* 0 */ virtual std::unique_ptr<TIterator> newIterator();
    /* 1 */ virtual void addChild(std::unique_ptr<TResource> child);
    /* 2 */ virtual TResource* findChild(std::string_view name);
    /* 3 */ virtual TValue* valueCell();
    /* 4 */ virtual TValue* scriptValue();
    /* 5 */ virtual TResource* lookup(std::string_view path);
    /* 6 */ virtual void removeChild(TResource* child);
    /* 7 */ virtual bool initialize();
    /* 8 */ virtual void initStep(TInitContext& context);
    /* 9 */ virtual void commonDir(std::string& path);
    /* 10 */ virtual void rebase(std::string_view oldDir, std::string_view newDir);
    /* 11 */ virtual void save(TLines& lines, const std::string& indent);
    /* 12 */ virtual void releaseValues();
    /* 13 */ virtual void attached(TResource* parent);
    /* 14 */ virtual void markValues();
    /* 15 */ virtual void sweepValues();
    /* 16 */ virtual void dumpTree(TLines& lines, const std::string& path);
    /* 17 */ virtual void visit(TResourceIterator& visitor);
    /* 18 */ virtual std::unique_ptr<TResource> clone();

    std::string sourceFile;
    std::string name;
    TResource* parent = nullptr;

    // The script-side object of the resource, a cell in the VM arena.
    TValue& scriptCell() { return *scriptCell_; }

private:
    TValue* scriptCell_;
};

// What the base behaviours need from the layers above: the markup reader
// (cloning, globals made on first use) and the compiler. The default is a
// tree of the runtime alone: nothing is read back, no global is made, and a
// class is compiled by whoever built it.
class TResourceServices {
public:
    virtual ~TResourceServices() = default;
    // A resource read back from its saved markup; nullptr when none can be.
    virtual std::unique_ptr<TResource> readText(std::string_view) { return nullptr; }
    // Compiles a class from its source file, reporting its errors.
    virtual void compileClass(TRTTI*) {}
    // The list that receives globals made on first use, and a new global.
    virtual TResource* globalsList() { return nullptr; }
    virtual std::unique_ptr<TResource> newGlobal(std::string_view) { return nullptr; }
};

TResourceServices& resourceServices();
// nullptr restores the runtime's own default.
void setResourceServices(TResourceServices* services);

// The root of the tree (the kernel list); lookups at the root also try the
// alias table and create $ globals.
TResource* resourceRoot();
void setResourceRoot(TResource* root);

// The names from the top-level ancestor down, joined with '.'.
std::string fullPath(const TResource* r);

// An ordered list of (short name, class) pairs, names compared without regard
// to case: kernel and project classes are reachable by their short names.
class TAlias {
public:
    static TAlias& instance();
    void add(std::string_view name, TRTTI* cls);
    TRTTI* get(std::string_view name) const;
    void remove(TRTTI* cls);
    bool has(std::string_view name) const { return get(name) != nullptr; }
    // Registration is off while a page file is being read.
    bool registering = true;

private:
    std::vector<std::pair<std::string, TRTTI*>> entries_;
};

} // namespace ravok
