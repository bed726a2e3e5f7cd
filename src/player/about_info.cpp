#include "player/about_info.h"

#include "kernel/boot.h"
#include "kernel/ranking.h"
#include "pages/project_manager.h"
#include "resources/host_files.h"
#include "runtime/directories.h"
#include "runtime/random.h"

namespace ravok {

uint32_t identificationNumber(int32_t hash) {
    TRandom& generator = TRandom::instance();
    generator.seed(uint32_t(hash));
    for (int i = 0; i < 4; ++i)
        generator.draw();
    return generator.draw();
}

TAboutInfo aboutInfo() {
    TPrjManager& project = TPrjManager::instance();
    TAboutInfo info;
    info.title = project.getParam("title");
    info.version = project.getParam("version");
    info.author = project.getParam("author");
    info.mail = project.getParam("mail");
    info.web = project.getParam("web");
    info.cond = project.getParam("cond");
    std::string banner = programDirectory() + "\\Kernel\\banner.bmp";
    if (fileExists(banner) && !directoryExists(banner)) info.banner = banner;
    info.appId = identificationNumber(project.projectHash());
    info.kernelId = identificationNumber(TRanking::instance().treeHash());
    info.versionLine = std::string("Ravok System ver ") + kVersionText;
    return info;
}

} // namespace ravok
