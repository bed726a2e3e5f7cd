// TPrjManager: the open project (default.ravokprj): its pages, its parameters,
// the classes and sounds collected from every page seen so far, and the page
// switch a script asked for, applied between frames so that the running
// process is never destroyed from inside itself.
#pragma once

#include <string>
#include <string_view>

namespace ravok {

class TResource;

// The player-wide switches the project parameters set.
struct TProjectFlags {
    bool pauseOnDeactivate = false; // deactivation_pause
    bool disablePause = false;      // disable_pause
};

class TPrjManager {
public:
    static TPrjManager& instance();

    void open(std::string_view projectFile);
    void openForPage(std::string_view pageFile);
    void close();
    void registerPages(std::string_view currentPage);
    void addPage(std::string_view pageName, std::string_view file);
    void clearPages();

    TResource* pagesList();
    TResource* classesList();
    TResource* soundsList();

    std::string getParam(std::string_view paramName);
    void setParam(std::string_view paramName, std::string_view value);
    void applyParam(std::string_view paramName);

    const std::string& currentPageName() const { return currentPageName_; }
    void setCurrentPageName(std::string pageName) { currentPageName_ = std::move(pageName); }
    const std::string& projectFile() const { return projectFile_; }
    int32_t projectHash() const { return projectHash_; }

    void requestPage(std::string_view file, bool design);
    bool hasPendingPage() const { return !pendingPage_.empty(); }
    // Applies a requested page switch; called once per main-loop turn.
    void servicePending();

    // The page to start with when none was named: mainPage, else the first page.
    std::string startPage();

    TProjectFlags flags;

private:
    std::string projectFile_;
    std::string currentPageName_;
    std::string pendingPage_;
    bool pendingDesign_ = false;
    int32_t projectHash_ = 0;
};

// The project file that belongs to a page: its folder's default.ravokprj.
std::string projectFileFor(std::string_view pageFile);

} // namespace ravok
