#include "run_script.h"

#include "boot.h"
#include "class_compiler.h"
#include "host_files.h"
#include "interpreter.h"
#include "paths.h"
#include "pool.h"
#include "process.h"
#include "program_paths.h"
#include "resource.h"
#include "rtti.h"
#include "runtime_natives.h"
#include "source_position.h"

#include "platform/encoding.h"
#include "platform/reporter.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace ravok {

namespace {

// Errors and warnings as FILE:LINE:COL: message when the position is known,
// else ravok: message. Files are named as they were given on the command line.
class TRunReporter : public TReporter {
public:
    std::map<std::string, std::string> shownNames; // program path -> name on the command line

    void notice(const std::string&, const TTrace&) override {}
    void reportError(const std::string& text, const TTrace& trace) override {
        std::string message = cp932ToUtf8(text);
        if (!trace.empty() && !trace[0].source.empty()) {
            std::string source;
            if (readWholeFile(trace[0].source, source)) {
                TSourcePosition p = sourcePosition(source, trace[0].offset);
                auto shown = shownNames.find(trace[0].source);
                std::string name =
                    shown != shownNames.end() ? shown->second : toHostPath(trace[0].source);
                std::fprintf(stderr, "%s:%d:%d: %s\n", name.c_str(), p.line, p.column,
                             message.c_str());
                std::fflush(stderr);
                return;
            }
        }
        std::fprintf(stderr, "ravok: %s\n", message.c_str());
        std::fflush(stderr);
    }
};

std::string absoluteProgramPath(const std::string& hostFile) {
    char real[PATH_MAX];
    std::string host = realpath(hostFile.c_str(), real) ? std::string(real) : hostFile;
    return fromHostPath(host);
}

// A class from one file, named by the file's base name, beside the kernel
// classes. Returns nullptr when it did not compile.
TRTTI* compileFile(const std::string& hostFile, TRunReporter& reporter, TRTTI* object) {
    std::string path = absoluteProgramPath(hostFile);
    reporter.shownNames[path] = hostFile;
    std::string source;
    if (!readWholeFile(path, source)) {
        std::fprintf(stderr, "ravok: %s: cannot be read\n", hostFile.c_str());
        return nullptr;
    }
    auto* cls = new TRTTI(baseName(path));
    cls->sourceFile = path;
    TResource* list = resourceRoot() ? resourceRoot()->lookup("classes.lang") : nullptr;
    if (list) list->addChild(std::unique_ptr<TResource>(cls));
    if (!TAlias::instance().has(cls->name)) {
        TAlias::instance().add(cls->name, cls);
        cls->aliasRegistered = true;
    }
    if (CompileClass(cls, source, {true, object}) || !cls->compiled) {
        if (!cls->failed)
            std::fprintf(stderr, "ravok: %s: its superclass is not compiled\n", hostFile.c_str());
        return nullptr;
    }
    return cls;
}

} // namespace

int runScript(const std::string& file, const std::vector<std::string>& classFiles) {
    TRunReporter reporter;
    TReporter* previous = setReporter(&reporter);
    gEchoPrint = true;
    int status = 1;
    if (bootKernel()) {
        TRTTI* object = dynamic_cast<TRTTI*>(resourceRoot()->lookup("classes.lang.Object"));
        bool ok = true;
        for (const std::string& f : classFiles)
            ok = ok && compileFile(f, reporter, object);
        TRTTI* main = ok ? compileFile(file, reporter, object) : nullptr;
        if (main) {
            uint32_t instance = allocateInstance(main);
            TProcess* p = createProcess(TValue::ofObject(instance), {}, std::string_view());
            while (!p->finished && !gProgramExitRequested)
                run(p, kUnlimitedBudget);
            status = p->exitState == 2 ? 2 : 0;
            freeProcess(p);
        }
    }
    std::fflush(stdout);
    setReporter(previous);
    return status;
}

} // namespace ravok
