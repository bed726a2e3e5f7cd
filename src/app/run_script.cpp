#include "app/run_script.h"

#include "app/position_reporter.h"
#include "app/trap_report.h"

#include "compiler/class_compiler.h"
#include "kernel/boot.h"
#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "resources/source_files.h"
#include "runtime/interpreter.h"
#include "runtime/paths.h"
#include "runtime/pool.h"
#include "runtime/process.h"
#include "runtime/resource.h"
#include "runtime/rtti.h"
#include "runtime/runtime_natives.h"
#include "runtime/sjis.h"

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

// A class for one file, named by the file's base name, beside the kernel
// classes; not compiled yet, so that classes given together find each
// other whatever their order.
TRTTI* registerFile(const std::string& hostFile, TPositionReporter& reporter) {
    std::string path = absoluteProgramPath(hostFile);
    reporter.shownNames[path] = hostFile;
    auto* cls = new TRTTI(baseName(path));
    cls->sourceFile = path;
    TResource* list = resourceRoot() ? resourceRoot()->lookup("classes.lang") : nullptr;
    if (list) list->addChild(std::unique_ptr<TResource>(cls));
    if (!TAlias::instance().has(cls->name)) {
        TAlias::instance().add(cls->name, cls);
        cls->aliasRegistered = true;
    }
    return cls;
}

// Compiles a registered class (unless a class compiled before it needed it
// and compiled it then). False when it did not compile.
bool compileRegistered(TRTTI* cls, const std::string& hostFile, TRTTI* object) {
    if (cls->compiled) return true;
    if (cls->failed) return false;
    TSourceText decoded;
    TReadResult read = readSourceFile(cls->sourceFile, decoded);
    if (read != TReadResult::Ok) {
        std::fprintf(stderr, "ravok: %s: %s\n", hostFile.c_str(),
                     read == TReadResult::TooLarge     ? "is too large to be a source"
                     : read == TReadResult::NotRegular ? "is not a regular file"
                                                       : "cannot be read");
        cls->failed = true;
        return false;
    }
    if (reportUnmapped(cls->sourceFile, decoded)) {
        cls->failed = true;
        return false;
    }
    if (CompileClass(cls, decoded.text, {true, object}) || !cls->compiled) {
        if (!cls->failed)
            std::fprintf(stderr, "ravok: %s: its superclass is not compiled\n", hostFile.c_str());
        return false;
    }
    return true;
}

// The files' classes, registered together and compiled in the order given.
std::vector<TRTTI*> compileFiles(const std::vector<std::string>& hostFiles,
                                 TPositionReporter& reporter, TRTTI* object, bool& ok) {
    std::vector<TRTTI*> classes;
    for (const std::string& f : hostFiles)
        classes.push_back(registerFile(f, reporter));
    for (size_t i = 0; i < classes.size(); ++i)
        ok = compileRegistered(classes[i], hostFiles[i], object) && ok;
    return classes;
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
        std::vector<std::string> files = classFiles;
        files.push_back(file);
        std::vector<TRTTI*> classes = compileFiles(files, reporter, object, ok);
        TRTTI* main = ok ? classes.back() : nullptr;
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
        compileFiles(files, reporter, object, ok);
    }
    // The pages beside the files set globals and fields the classes read.
    std::vector<std::string> pages;
    std::set<std::string> folders;
    for (const std::string& f : files) {
        std::string folder = parentDir(absoluteProgramPath(f));
        if (!folders.insert(folder).second) continue;
        for (const std::string& name : listDirectory(folder).files)
            if (equalsNoCase(extension(name), ".cmml")) pages.push_back(folder + "\\" + name);
    }
    if (ok && reporter.errors == 0) reportTraps(silenced, pages, reporter.shownNames);
    setReporter(previous);
    return ok && reporter.errors == 0 ? 0 : 1;
}

} // namespace ravok
