#include "app/trap_report.h"

#include "app/error_report.h"
#include "compiler/trap_check.h"
#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "resources/source_files.h"
#include "resources/text_lines.h"
#include "runtime/function.h"
#include "runtime/messages.h"
#include "runtime/paths.h"
#include "runtime/rtti.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <regex>

namespace ravok {

namespace {

int declaredArguments(TFunction* fn) {
    if (!fn || !fn->hasCode()) return -1;
    return int(static_cast<TNormalFunction*>(fn)->argNames.size());
}

// What the pages set before a class's code runs: inst_ and const_ fields of
// generators, and the globals that resources name.
void addPageNames(const std::string& page, std::set<std::string>& names) {
    std::string text = sourceTextOf(page);
    static const std::regex field("(inst|const)_([A-Za-z_0-9]+)=");
    static const std::regex global("name=\"(\\$[^\"]+)\"");
    for (std::sregex_iterator i(text.begin(), text.end(), field), end; i != end; ++i)
        names.insert((*i)[2].str());
    for (std::sregex_iterator i(text.begin(), text.end(), global), end; i != end; ++i)
        names.insert((*i)[1].str());
}

// Kernel/arguments.ini: CLASS.METHOD=COUNT, the arguments a kernel method
// needs before its native does anything.
const std::map<std::string, int>& kernelRequiredArguments() {
    static const std::map<std::string, int> table = [] {
        std::map<std::string, int> t;
        std::string text = sourceTextOf(resolve("Kernel\\arguments.ini", programDirectory()));
        for (const std::string& line : textLines(text)) {
            size_t eq = line.find('=');
            if (line.empty() || line[0] == '#' || eq == std::string::npos) continue;
            t[line.substr(0, eq)] = std::atoi(line.c_str() + eq + 1);
        }
        return t;
    }();
    return table;
}

} // namespace

bool isTrapName(const std::string& name) {
    const auto& names = trapNames();
    return std::find(names.begin(), names.end(), name) != names.end();
}

int reportTraps(const std::set<std::string>& silenced, const std::vector<std::string>& pageFiles,
                const std::map<std::string, std::string>& shownNames) {
    TTrapKnowledge known;
    std::vector<std::pair<TRTTI*, std::string>> checked;
    // A page's class appears twice (the page's own entry and the project's
    // merged one, which is the one compiled): each source is checked once,
    // through a compiled class when there is one.
    std::map<std::string, TRTTI*> bySource;
    std::vector<std::string> order;
    for (TRTTI* cls : gClassTable ? *gClassTable : std::vector<TRTTI*>{}) {
        if (!cls || cls->sourceFile.empty()) continue;
        auto [it, fresh] = bySource.emplace(cls->sourceFile, cls);
        if (fresh)
            order.push_back(cls->sourceFile);
        else if (cls->compiled && !it->second->compiled)
            it->second = cls;
    }
    for (const std::string& file : order) {
        TRTTI* cls = bySource[file];
        std::string source = sourceTextOf(file);
        if (source.empty()) continue;
        collectAssignedNames(source, known.assigned);
        if (!isKernelSource(file) && cls->compiled) checked.push_back({cls, source});
    }
    for (const std::string& page : pageFiles)
        addPageNames(page, known.assigned);
    // Globals the player sets itself, not a script: the screen, the window
    // and the mouse. Names beginning "$_" are the system's own and are not
    // looked at.
    for (const char* name :
         {"$ScreenWidth", "$ScreenHeight", "$fullScreen", "$leftButton", "$rightButton", "$mouseX",
          "$mouseY", "$mouseSX", "$mouseSY", "$windowX", "$windowY", "$bgcolor"})
        known.assigned.insert(name);
    known.constructorArguments = [](const std::string& name) {
        TRTTI* cls = resolveClassPath(name);
        return cls ? declaredArguments(cls->constructor()) : -1;
    };
    int count = 0;
    for (const auto& [cls, source] : checked) {
        known.methodArguments = [cls = cls](const std::string& name) {
            return declaredArguments(cls->methodByName(name));
        };
        known.requiredArguments = [cls = cls](const std::string& name) {
            TFunction* fn = cls->methodByName(name);
            TRTTI* owner = fn ? fn->owner : nullptr;
            if (!owner || !isKernelSource(owner->sourceFile)) return -1;
            auto it = kernelRequiredArguments().find(owner->name + "." + name);
            return it == kernelRequiredArguments().end() ? -1 : it->second;
        };
        for (const TTrapWarning& w : findTraps(source, known)) {
            if (silenced.count(w.name)) continue;
            TErrorReport report =
                makeErrorReport(translate("warning: ") + w.text + " [" + w.name + "]",
                                {{cls->sourceFile, w.offset, {}}}, shownNames);
            std::fputs(utf8ToTerminal(report.text()).c_str(), stderr);
            ++count;
        }
    }
    std::fflush(stderr);
    return count;
}

} // namespace ravok
