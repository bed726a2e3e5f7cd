// The compiler's entry point: CompileClass turns the source text of one class
// into a compiled class (lexing, parsing, code generation), reporting syntax
// and compile errors with their source position.
#pragma once

#include "runtime/resource.h"

#include <string>
#include <string_view>
#include <vector>

namespace ravok {

class TRTTI;

struct TCompileOptions {
    bool reportErrors = true;
    // The superclass of a source without extends (files given to --run).
    TRTTI* defaultSuperclass = nullptr;
    // A class with a source file is taken from (and written to) its cache file.
    bool useCache = true;
};

// True when compilation failed. False with the class still not compiled
// means its superclass was not compiled yet.
bool CompileClass(TRTTI* cls, std::string_view source, TCompileOptions options = {});

// The tree's resource services with the compiler in its passes: a class that
// is not compiled reads its source file and compiles. The players install it
// (setResourceServices).
TResourceServices& compilingResourceServices();

class TClassImage;

// While one stands, the compiling services take each class from the image
// first, and note every class asked for and whether the image held them all:
// the kernel boots through one, and writes a new image when it missed.
class TClassImageUse {
public:
    explicit TClassImageUse(const TClassImage& image);
    ~TClassImageUse();
    TClassImageUse(const TClassImageUse&) = delete;
    TClassImageUse& operator=(const TClassImageUse&) = delete;
    // The source files of the classes that a cache (the image or a file)
    // now holds, in the order they were asked for.
    const std::vector<std::string>& cachedSources() const { return cached_; }
    // Whether a class had to come from anywhere but the image.
    bool missed() const { return missed_; }
    // Whether every class asked for is held by a cache: an image of them all
    // can be written.
    bool allCached() const { return cached_.size() == asked_; }

private:
    friend class TClassImageAccess;
    const TClassImage& image_;
    TClassImageUse* outer_;
    std::vector<std::string> cached_;
    size_t asked_ = 0;
    bool missed_ = false;
};

// Statement lists compiled as one class: a header line, then each added line
// followed by $_exec_checkPoint=N; so that a failed run tells the line reached.
class TMultiEvaluator {
public:
    TMultiEvaluator();
    void Add(std::string_view line);
    bool SaveToFile(std::string_view path) const;
    const std::vector<std::string>& lines() const { return lines_; }
    std::string text() const;

private:
    std::vector<std::string> lines_;
};

} // namespace ravok
