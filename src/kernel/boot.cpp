#include "kernel/boot.h"

#include "base/encoding.h"
#include "resources/saves_folder.h"

#include "compiler/class_compiler.h"
#include "compiler/class_image.h"
#include "compiler/evaluator.h"
#include "dialogs/dialog_natives.h"
#include "kernel/kernel_natives.h"
#include "kernel/ranking.h"
#include "pages/generator.h"
#include "pages/page_loader.h"
#include "pages/page_natives.h"
#include "pages/page_state.h"
#include "pages/project_manager.h"
#include "resources/host_files.h"
#include "resources/modules.h"
#include "resources/program_paths.h"
#include "resources/resource_reader.h"
#include "resources/resources_natives.h"
#include "runtime/build_sizes.h"
#include "runtime/collector.h"
#include "runtime/core_natives.h"
#include "runtime/native_api.h"
#include "runtime/native_binding.h"
#include "runtime/paths.h"
#include "runtime/root_process.h"
#include "runtime/rtti.h"
#include "runtime/runtime_natives.h"
#include "runtime/sjis.h"
#include "screen/cpattern.h"
#include "screen/input_natives.h"
#include "screen/panel_natives.h"
#include "screen/screen.h"
#include "screen/sprite_natives.h"
#include "screen/window_natives.h"
#include "sound/sorvald.h"
#include "sound/sound_natives.h"

#include "base/log.h"
#include "base/reporter.h"
#include "base/shell.h"
#include "runtime/messages.h"
#include "screen/patterns.h"

#include <memory>

namespace ravok {

namespace {
std::unique_ptr<TResource>& root() {
    static auto* r = new std::unique_ptr<TResource>();
    return *r;
}

TRTTI* kernelClass(const char* path) { return dynamic_cast<TRTTI*>(root()->lookup(path)); }
} // namespace

TResource* kernelRoot() { return root().get(); }

bool bootKernel() {
    Notice(std::string("Welcome to Ravok System Ver ") + kVersionText);
    Notice("(c) the Ravok developers");
    Notice("");
    Notice("Starting System..");
    for (const std::string& line : buildSizeLines())
        Notice(line);
    Notice("Loading Enviroment Values");
    setBaseDirectory(programDirectory());
    registerGeneratorKind();
    registerPatternKind();
    try {
        Notice("Loading Modules..");
        Notice("Loading Kernel Resources..");
        root() = readResourceFile("Kernel\\resource.ravokres");
        if (!root()) return false;
        setResourceRoot(root().get());
        Notice("Compiling Kernel Resources..");
        // The kernel's classes come from one image file when it holds them
        // all up to date; otherwise they come as before, and the image is
        // written anew for the next start.
        const std::string imagePath = kernelImagePath();
        TClassImage image;
        image.read(imagePath);
        TClassImageUse use(image);
        root()->initialize();
        if (use.missed() && use.allCached()) writeClassImage(imagePath, use.cachedSources());
    } catch (const std::exception& e) {
        ReportError(e.what());
        return false;
    }
    setCoreClasses(kernelClass("classes.lang.Object"), kernelClass("classes.lang.String"),
                   kernelClass("classes.lang.Array"));
    Notice("Setting Native Interfaces..");
    for (const auto* list : {&arrayNatives(),
                             &objectCoreNatives(),
                             &objectLibraryNatives(),
                             &objectProcessNatives(),
                             &objectFileNatives(),
                             &objectResourceNatives(),
                             &objectGeneratorNatives(),
                             &inputNatives(),
                             &spriteNatives(),
                             &objectDrawingNatives(),
                             &windowNatives(),
                             &stringLibraryNatives(),
                             &stringNatives(),
                             &processNatives(),
                             &pageNatives(),
                             &cmmlNatives(),
                             &customResourceNatives(),
                             &builtInResourceNatives(),
                             &resourceReaderNatives(),
                             &resourceWriterNatives(),
                             &panelNatives(),
                             &hashTableNatives(),
                             &inputBoxNatives(),
                             &projectParamNatives(),
                             &selectBoxNatives(),
                             &textEditorNatives(),
                             &rankingNatives(),
                             &systemRuntimeNatives(),
                             &systemKernelNatives(),
                             &fileReaderNatives(),
                             &fileWriterNatives()})
        bindNatives(*list);
    // The sound classes come as a set; a kernel without one of them cannot
    // make sound, and says so with the message it has always given.
    if (resolveClassPath("SoundEffect") && resolveClassPath("BGM") &&
        resolveClassPath("MediaPlayer"))
        bindNatives(soundNatives());
    else
        ReportError("?");
    bindNatives(bootNatives());
    buildKernelPatterns();
    try {
        discoverModules();
        bindModules();
    } catch (const std::exception& e) {
        ReportError(e.what());
    }
    Notice("Ready");
    return true;
}

std::string resolveHelpFile(const std::string& value) {
    if (value.empty() || value.find("http://") != std::string::npos ||
        value.find("https://") != std::string::npos)
        return value;
    // Beside the game's project first: a game folder carries its own page.
    std::string project = TPrjManager::instance().projectFile();
    if (!project.empty()) {
        std::string besideGame = resolve(value, parentDir(project));
        if (!besideGame.empty() && fileExists(besideGame)) return besideGame;
    }
    return resolve(value, programDirectory());
}

std::string currentHelpFile() {
    return resolveHelpFile(TPrjManager::instance().getParam("helpfile"));
}

bool bootPlayer(const std::string& commandLinePage) {
    Booting = true;
    loadRecentPages();
    std::string tones = programDirectory() + "\\tones.wdt";
    if (!soundEngine().loadTones(tones)) ReportError(tones + translate(" is not found."));
    if (gStartMidiPlayer) {
        std::string helper = programDirectory() + "\\Kernel\\midiPlayer2";
        if (fileExists(helper)) shell().startProgram(toHostPath(helper));
    }
    std::string start;
    if (!commandLinePage.empty()) {
        std::string page = resolve(commandLinePage, programDirectory());
        if (fileExists(page) && !directoryExists(page)) start = page;
    }
    // A project file given to play is the game's project; its start page
    // is where the game begins.
    std::string projectFile = programDirectory() + "\\Usr\\default.ravokprj";
    bool ownProject = commandLinePage.empty();
    if (equalsNoCase(extension(start), ".ravokprj")) {
        projectFile = start;
        start.clear();
        ownProject = true;
    }
    bool up = bootKernel();
    if (up) {
        TPrjManager& project = TPrjManager::instance();
        project.open(projectFile);
        // The game's saves are kept under its project's id; a page played
        // alone is known by its folder.
        setGameId(ownProject ? gameIdFor(cp932ToUtf8(project.getParam("title")),
                                         cp932ToUtf8(project.getParam("author")),
                                         cp932ToUtf8(project.getParam("gameid")))
                             : std::string());
        gHelpFile = resolveHelpFile(project.getParam("helpfile"));
        if (start.empty()) start = project.startPage();
        TRanking::instance().takeTreeHash();
        native::setGlobal("$_emChar", TValue::ofInt(1));
        native::setGlobal("$_editMode", TValue::ofInt(1));
    }
    Booting = false;
    Booted = true;
    if (up && !start.empty()) runPage(start);
    return up;
}

} // namespace ravok
