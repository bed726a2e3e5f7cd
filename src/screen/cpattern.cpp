#include "screen/cpattern.h"

#include "resources/resource_tree.h"

#include "screen/patterns.h"

#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "resources/resource_reader.h"
#include "resources/sgml.h"
#include "runtime/markup_escape.h"
#include "runtime/messages.h"
#include "runtime/native_api.h"
#include "runtime/paths.h"

#include "base/reporter.h"

namespace ravok {

namespace {
int gKernelPatterns = 0;
// The second pass of a page load builds the same images again; their missing
// files were reported by the first.
bool gQuiet = false;

} // namespace

void TCPat::initStep(TInitContext& context) {
    TPatternList& list = patternList();
    native::setGlobal(name, TValue::ofInt(list.total()));
    std::string file = sourceFile;
    if (file.empty() || !fileExists(file) || directoryExists(file)) {
        if (!gQuiet) ReportError(sourceFile + translate(": No such bmp/png file."));
        file = programDirectory() + "\\Kernel\\images\\404.bmp";
    }
    if (!list.add(file) && !gQuiet) ReportError(file + translate(": No such bmp/png file."));
    ++context.done;
}

void TCPat::save(TLines& lines, const std::string& indent) {
    std::string src = relativeToBase(sourceFile);
    lines.push_back(indent + "<cpattern name=\"" + escapeMarkup(name) + "\" src=\"" +
                    escapeMarkup(src) + "\"/>");
}

void registerPatternKind() {
    registerResourceKind("cpattern", [](const TSGML& e, const std::string& baseDir) {
        auto p = std::make_unique<TCPat>();
        p->name = e.attr("name");
        std::string src = e.attr("src");
        p->sourceFile = src.empty() ? std::string() : resolve(src, baseDir);
        return std::unique_ptr<TResource>(std::move(p));
    });
}

void buildKernelPatterns() {
    patternList().clear();
    if (TResource* kernel = treeAt("patterns")) kernel->initialize();
    gKernelPatterns = patternList().total();
}

int kernelPatternCount() { return gKernelPatterns; }

int buildPagePatterns(TResource* pagePatterns) {
    TPatternList& list = patternList();
    list.truncate(gKernelPatterns);
    int result = pagePatterns ? int(pagePatterns->initialize()) : 0;
    list.clear();
    gQuiet = true;
    try {
        if (TResource* kernel = treeAt("patterns")) kernel->initialize();
        if (pagePatterns) pagePatterns->initialize();
    } catch (...) {
        gQuiet = false;
        throw;
    }
    gQuiet = false;
    return result;
}

bool acceptPatternName(const std::string& name) {
    bool valid = name.size() > 1 && name[0] == '$';
    for (size_t i = 1; valid && i < name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        valid =
            c == '_' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    }
    if (!valid) {
        ReportError(name + translate(": Invalid name."));
        return false;
    }
    TResource* page = treeAt("usr.patterns");
    if (page && page->findChild(name)) {
        ReportError(name + translate(" already exists."));
        return false;
    }
    return true;
}

} // namespace ravok
