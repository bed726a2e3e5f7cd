#include "pages/page_natives.h"

#include "base/sound_ticker.h"
#include "pages/generator.h"
#include "pages/page_hash.h"
#include "pages/page_reconstruction.h"
#include "pages/page_state.h"
#include "pages/project_manager.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/native_api.h"

namespace ravok {

namespace {

using native::argument;

void _n_onSet(TValue* cell, int argc, int) {
    if (argc < 2) return;
    TPrjManager::instance().setParam(native::text(argument(cell, 1)),
                                     native::text(argument(cell, 2)));
}

void _n_onGet(TValue* cell, int argc, int) {
    if (argc < 1) return;
    native::setString(*cell, TPrjManager::instance().getParam(native::text(argument(cell, 1))));
}

void _n_currentPageName(TValue* cell, int, int) {
    native::setString(*cell, TPrjManager::instance().currentPageName());
}

void _n_open(TValue* cell, int argc, int) {
    if (argc < 1) return;
    TPrjManager::instance().requestPage(native::text(argument(cell, 1)), pageState().designMode);
}

void _n_setGenAttr(TValue* cell, int argc, int) {
    if (argc < 3) return;
    auto* g = native::hostObjectAs<TGenerator>(argument(cell, 1), "generator");
    g->setInstanceValue(native::text(argument(cell, 2)), valueToLiteral(argument(cell, 3)));
}

void _changeAttr(TValue* cell, int argc, int) {
    if (argc < 3) return;
    const TValue& handle = argument(cell, 1);
    auto* g = dynamic_cast<TGenerator*>(native::hostObject(handle));
    if (!g) throw ERunError(translate("invalid generator at chattr"));
    g->setInstanceValue(native::text(argument(cell, 2)), native::text(argument(cell, 3)));
}

void getPageHashCode(TValue* cell, int, int) {
    TValue hash = TValue::ofInt(pageHashCode(pageState().currentPageFile));
    assign(*cell, &hash);
}

void generate(TValue*, int, int) { generatePage(); }

void _n_refresh(TValue*, int, int) { soundTicker().tick(); }

} // namespace

const std::vector<TNativeBinding>& pageNatives() {
    static const std::vector<TNativeBinding> list = {
        {"classes.game.Char", "_changeAttr", _changeAttr},
        {"Page", "_n_open", _n_open},
        {"ProjectManager", "_n_currentPageName", _n_currentPageName},
    };
    return list;
}

const std::vector<TNativeBinding>& objectGeneratorNatives() {
    static const std::vector<TNativeBinding> list = {
        {"classes.lang.Object", "_n_setGenAttr", _n_setGenAttr},
        {"classes.lang.Object", "getPageHashCode", getPageHashCode},
        {"classes.lang.Object", "_n_refresh", _n_refresh},
    };
    return list;
}

const std::vector<TNativeBinding>& projectParamNatives() {
    static const std::vector<TNativeBinding> list = {
        {"ProjectManager", "_n_onSet", _n_onSet},
        {"ProjectManager", "_n_onGet", _n_onGet},
    };
    return list;
}

const std::vector<TNativeBinding>& bootNatives() {
    static const std::vector<TNativeBinding> list = {
        {"classes.lang.Boot", "generate", generate},
    };
    return list;
}

} // namespace ravok
