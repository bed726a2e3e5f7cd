// The resource kinds the tree is built from: lists, global values, parameters,
// resources whose behaviour is script (custom resources) and native modules.
// Classes (TRTTI), generators and patterns are kinds of their own subsystems.
#pragma once

#include "runtime/resource.h"
#include "runtime/sjis.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace ravok {

class TSGML;

class TResourceList : public TResource {
public:
    const char* hostClassName() const override { return "TResourceList"; }
    ~TResourceList() override;

    std::unique_ptr<TIterator> newIterator() override;
    void addChild(std::unique_ptr<TResource> child) override;
    TResource* findChild(std::string_view name) override;
    void removeChild(TResource* child) override;
    void initStep(TInitContext& context) override;
    void commonDir(std::string& path) override;
    void save(TLines& lines, const std::string& indent) override;
    void releaseValues() override;
    void markValues() override;
    void sweepValues() override;
    void dumpTree(TLines& lines, const std::string& path) override;
    void visit(TResourceIterator& visitor) override;

    const std::vector<std::unique_ptr<TResource>>& children() const { return children_; }
    // Removes the child at index i from the list and destroys it.
    void removeAt(size_t i);

private:
    std::vector<std::unique_ptr<TResource>> children_;
    // Long lists (a page with thousands of globals) find children through an
    // index of their case-folded names, built on first need; the first child
    // of a name is the one found, as in the search it stands for. A resource
    // is named before it is attached (attach, createLinked) and keeps the name.
    std::unordered_map<std::string, TResource*, TNoCaseHash, TNoCaseEqual> index_;
    bool indexed_ = false;
};

class TGlobalValue : public TResource {
public:
    explicit TGlobalValue(std::string_view globalName);
    ~TGlobalValue() override;
    const char* hostClassName() const override { return "TGlobalValue"; }

    TValue* valueCell() override { return cell_; }
    void initStep(TInitContext& context) override;
    void save(TLines& lines, const std::string& indent) override;
    void releaseValues() override;
    void markValues() override;

    std::string initialValue;

private:
    TValue* cell_;
};

class TfParam : public TResource {
public:
    const char* hostClassName() const override { return "TfParam"; }
    void save(TLines& lines, const std::string& indent) override;
    std::string value;
};

class TCustomResource : public TResource {
public:
    // Builds the script object from the element (tag = its class's name).
    TCustomResource(const TSGML& element, const std::string& tag);
    const char* hostClassName() const override { return "TCustomResource"; }

    void initStep(TInitContext& context) override;
    void save(TLines& lines, const std::string& indent) override;
};

class TModuleRes : public TResource {
public:
    // Loads the library; a library that cannot be loaded is reported.
    explicit TModuleRes(const std::string& library);
    const char* hostClassName() const override { return "TModuleRes"; }
    void* library() const { return library_; }

private:
    void* library_ = nullptr; // never released: its routines stay bound
};

} // namespace ravok
