#include "app/page_watch.h"

#include "pages/page_reload.h"
#include "pages/page_state.h"
#include "resources/host_files.h"
#include "resources/resource_reader.h"
#include "runtime/errors.h"
#include "runtime/resource.h"

#include "base/reporter.h"

namespace ravok {

TPageWatch::TPageWatch(std::function<void(const std::string&)> say) : say_(std::move(say)) {}

bool TPageWatch::turn() {
    if (pageState().loads != followedLoads_) {
        // A page (re)loaded: its files, which the load may have changed.
        followedLoads_ = pageState().loads;
        std::vector<std::string> files;
        for (const std::string& f : pageSourceFiles())
            files.push_back(toHostPath(f));
        page_ = files.empty() ? std::string() : files.front();
        files_.watch(files, pageState().loadReadAtNs);
        return false;
    }
    std::vector<std::string> changed = files_.changed();
    if (changed.empty()) return false;
    std::vector<std::string> classes;
    std::string names;
    bool pageChanged = false;
    for (const std::string& f : changed) {
        names += (names.empty() ? "" : ", ") + f.substr(f.rfind('/') + 1);
        if (f == page_) {
            pageChanged = true;
            // A page that does not read as markup any more would load as an
            // empty page, and one that is no longer a readable file (a
            // folder now, or grown past the limit) would not load at all:
            // the old one runs on instead.
            bool readable = false;
            try {
                readable = readResourceFile(fromHostPath(f)) != nullptr;
            } catch (const ERavokError&) {
                // readResourceFile has said why.
            }
            if (!readable) {
                ReportError(f + ": the page cannot be read; the running page is kept");
                return false;
            }
        } else {
            classes.push_back(fromHostPath(f));
        }
    }
    if (!classSourcesCompile(classes)) {
        say_("not reloaded: " + names + " did not compile; the running page is kept");
        return false;
    }
    try {
        reloadPageKeepingGlobals(pageChanged);
    } catch (const ERavokError&) {
        // The file changed again between the trial and the load.
        say_("not reloaded: " + names + " could not be read; the running page is kept");
        return false;
    }
    say_("reloaded after a change to " + names);
    return true;
}

} // namespace ravok
