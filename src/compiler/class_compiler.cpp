#include "compiler/class_compiler.h"

#include "resources/resource_reader.h"

#include "compiler/class_cache.h"
#include "compiler/class_image.h"
#include "compiler/compile_context.h"
#include "compiler/yup.h"

#include "base/time_analyzer.h"
#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "resources/source_files.h"
#include "resources/streams.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/paths.h"
#include "runtime/resource.h"
#include "runtime/rtti.h"

#include "base/log.h"
#include "base/reporter.h"

namespace ravok {

namespace {
TClassImageUse* gImageUse = nullptr;

// The class from a cache record while that is up to date with the source;
// false (and the class as it was) otherwise.
bool loadFromRecord(TRTTI* cls, TBufferedInputStream& in) {
    try {
        if (loadClassStream(cls, in, fileStamp(cls->sourceFile))) return true;
    } catch (const std::exception&) {
        Log(translate("not a valid Class File"));
    }
    // What the record left half-read must not mix with the new code.
    cls->reset();
    cls->superclass = nullptr;
    return false;
}

bool loadFromCacheFile(TRTTI* cls) {
    TFileReader in(classCachePath(cls->sourceFile));
    return in.isOpen() && loadFromRecord(cls, in);
}
} // namespace

class TClassImageAccess {
public:
    // The class from the image in use, else from its cache file.
    static bool loadFromCache(TRTTI* cls) {
        TClassImageUse* use = gImageUse;
        if (!use) return loadFromCacheFile(cls);
        ++use->asked_;
        std::string_view record = use->image_.recordFor(cls->sourceFile);
        TMemoryReader in(reinterpret_cast<const uint8_t*>(record.data()), record.size());
        bool fromImage = !record.empty() && loadFromRecord(cls, in);
        if (!fromImage) use->missed_ = true;
        if (!fromImage && !loadFromCacheFile(cls)) return false;
        use->cached_.push_back(cls->sourceFile);
        return true;
    }
    // A class compiled from its source, whose cache file now holds it.
    static void cacheWritten(TRTTI* cls) {
        if (gImageUse) gImageUse->cached_.push_back(cls->sourceFile);
    }
};

TClassImageUse::TClassImageUse(const TClassImage& image) : image_(image), outer_(gImageUse) {
    gImageUse = this;
}

TClassImageUse::~TClassImageUse() { gImageUse = outer_; }

namespace {
bool loadFromCache(TRTTI* cls) { return TClassImageAccess::loadFromCache(cls); }

void logCompiling(const TRTTI* cls) {
    if (logEnabled() && !cls->sourceFile.empty())
        Log(translate("Compiling ") + relativePath(cls->sourceFile, programDirectory()));
}

bool compileSource(TRTTI* cls, std::string_view source, TCompileOptions options);
} // namespace

bool CompileClass(TRTTI* cls, std::string_view source, TCompileOptions options) {
    logCompiling(cls);
    if (!cls->sourceFile.empty() && options.useCache && loadFromCache(cls)) return false;
    return compileSource(cls, source, options);
}

namespace {
bool compileSource(TRTTI* cls, std::string_view source, TCompileOptions options) {
    bool cached = !cls->sourceFile.empty() && options.useCache;
    std::string text(source);
    BeginSection(10);
    auto tokens = TYup::instance().Lex(text.c_str());
    tokens->filter([](const TLexElem& t) { return t.kindName() != "COMM"; });
    TParseOutcome parsed = TYup::instance().Parse(*tokens);
    EndSection(10);
    if (!parsed.root) {
        cls->failed = true;
        if (options.reportErrors)
            ReportError(translate("Syntax Error") + cls->sourceFile,
                        {{cls->sourceFile, tokens->errorStart(), {}}});
        return true;
    }
    TCompileContext context;
    context.tree = resourceRoot();
    context.cls = cls;
    context.source = text.c_str();
    context.defaultSuperclass = options.defaultSuperclass;
    cls->failed = false;
    try {
        parsed.root->Emit(context);
    } catch (const std::exception& e) {
        cls->failed = true;
        cls->compiled = false;
        if (options.reportErrors)
            ReportError(e.what(), {{cls->sourceFile, context.statementOffset, {}}});
        return true;
    }
    if (cached && cls->compiled && SaveClassFile(cls, classCachePath(cls->sourceFile)))
        TClassImageAccess::cacheWritten(cls);
    return false;
}
} // namespace

namespace {
class TCompilingResourceServices : public TTreeResourceServices {
public:
    void compileClass(TRTTI* cls) override {
        // An up-to-date cache file stands for the source, which is then
        // never read (its age was checked against the one the file records).
        logCompiling(cls);
        if (!cls->sourceFile.empty() && loadFromCache(cls)) return;
        std::string source;
        if (!loadSourceFile(cls->sourceFile, source)) {
            cls->failed = true;
            return;
        }
        compileSource(cls, source, {});
    }
};
} // namespace

TResourceServices& compilingResourceServices() {
    static TCompilingResourceServices services;
    return services;
}

TMultiEvaluator::TMultiEvaluator() { lines_.push_back("extends Object; $_exec_checkPoint=-1;"); }

void TMultiEvaluator::Add(std::string_view line) {
    lines_.push_back(std::string(line) + "\r\n$_exec_checkPoint=" + std::to_string(lines_.size()) +
                     ";");
}

std::string TMultiEvaluator::text() const {
    // A class body repeats its statement rule at most 123456 times; a page
    // with tens of thousands of globals or generators would pass that and
    // fail with a syntax error in a script its author never wrote. Its lines
    // go into blocks then, each one statement of the body.
    constexpr size_t kLinesPerBlock = 20000;
    const bool blocks = lines_.size() > 2 * kLinesPerBlock;
    std::string t;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (blocks && i % kLinesPerBlock == 1) t += "{\r\n";
        t += lines_[i] + "\r\n";
        if (blocks && i > 0 && (i % kLinesPerBlock == 0 || i + 1 == lines_.size())) t += "}\r\n";
    }
    return t;
}

bool TMultiEvaluator::SaveToFile(std::string_view path) const {
    return writeWholeFile(path, text());
}

} // namespace ravok
