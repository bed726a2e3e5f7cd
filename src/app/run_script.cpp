#include "app/run_script.h"

#include "app/position_reporter.h"
#include "app/trap_report.h"

#include "compiler/class_compiler.h"
#include "kernel/boot.h"
#include "resources/host_files.h"
#include "resources/source_files.h"
#include "resources/program_paths.h"
#include "runtime/interpreter.h"
#include "runtime/paths.h"
#include "runtime/pool.h"
#include "runtime/process.h"
#include "runtime/resource.h"
#include "runtime/rtti.h"
#include "runtime/runtime_natives.h"

#include "base/reporter.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

namespace ravok {

namespace {

std::string absoluteProgramPath(const std::string& hostFile) {
    char real[PATH_MAX];
    std::string host = realpath(hostFile.c_str(), real) ? std::string(real) : hostFile;
    return fromHostPath(host);
}

// A class from one file, named by the file's base name, beside the kernel
// classes. Returns nullptr when it did not compile.
TRTTI* compileFile(const std::string& hostFile, TPositionReporter& reporter, TRTTI* object) {
    std::string path = absoluteProgramPath(hostFile);
    reporter.shownNames[path] = hostFile;
    std::string source;
    TSourceText decoded;
    TReadResult read = readSourceFile(path, decoded);
    if (read != TReadResult::Ok) {
        std::fprintf(stderr, "ravok: %s: %s\n", hostFile.c_str(),
                     read == TReadResult::TooLarge     ? "is too large to be a source"
                     : read == TReadResult::NotRegular ? "is not a regular file"
                                                       : "cannot be read");
        return nullptr;
    }
    if (decoded.unmapped) {
        ReportError(unmappedCharacterMessage(decoded.unmapped),
                    {{path, int32_t(decoded.unmappedOffset), {}}});
        return nullptr;
    }
    source = std::move(decoded.text);
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
    TPositionReporter reporter;
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
            p->hostOwned = true;
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

int checkScripts(const std::vector<std::string>& files, const std::set<std::string>& silenced) {
    TPositionReporter reporter;
    TReporter* previous = setReporter(&reporter);
    bool ok = bootKernel() && !files.empty();
    if (ok) {
        TRTTI* object = dynamic_cast<TRTTI*>(resourceRoot()->lookup("classes.lang.Object"));
        // As --run takes them: the further files first, then the main one.
        for (size_t i = 1; i < files.size(); ++i)
            ok = compileFile(files[i], reporter, object) && ok;
        ok = compileFile(files[0], reporter, object) && ok;
    }
    if (ok && reporter.errors == 0) reportTraps(silenced, {}, reporter.shownNames);
    setReporter(previous);
    return ok && reporter.errors == 0 ? 0 : 1;
}

} // namespace ravok
