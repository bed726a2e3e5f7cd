#include "pages/generator.h"

#include "resources/resource_reader.h"
#include "resources/resource_tree.h"
#include "resources/sgml.h"
#include "runtime/directories.h"
#include "runtime/errors.h"
#include "runtime/function.h"
#include "runtime/markup_escape.h"
#include "runtime/messages.h"
#include "runtime/native_api.h"
#include "runtime/paths.h"
#include "runtime/rtti.h"
#include "runtime/sjis.h"
#include "runtime/symbols.h"

#include "base/log.h"
#include "base/reporter.h"

namespace ravok {

namespace {
const char* const kCRLF = "\r\n";

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }
} // namespace

TGenerator::TGenerator(const TSGML& e, const std::string& baseDir) {
    name = e.attr("name");
    std::string src = e.attr("src");
    sourceFile = src.empty() ? std::string() : resolve(src, baseDir);
    className = e.attr("className");
    for (int i = 0; i < e.attrCount(); ++i) {
        const std::string& entry = e.attrEntry(i);
        size_t eq = entry.find('=');
        std::string attrName = entry.substr(0, eq);
        std::string value = eq == std::string::npos ? std::string() : entry.substr(eq + 1);
        std::string lower = foldCase(attrName);
        if (startsWith(lower, "const_"))
            constructorValues.emplace_back(attrName.substr(6), value);
        else if (startsWith(lower, "inst_"))
            instanceValues.emplace_back(attrName.substr(5), value);
    }
}

// The object keeps a handle to its generator in _generator; a generator that
// goes away takes that handle with it, so the object never holds a dead one.
TGenerator::~TGenerator() {
    TResource* globals = usrglobalList();
    TResource* global = globals ? globals->findChild(name) : nullptr;
    TValue* cell = global ? global->valueCell() : nullptr;
    if (!cell || cell->kind != vtObject) return;
    TfObject* object = objectAt(cell->u);
    TRTTI* cls = classById(object->classId);
    int32_t field = cls ? cls->fields.indexOf(symGenerator) : -1;
    TValue* slot = field >= 0 && field < cls->laidOutFields() ? &object->field(field) : nullptr;
    if (slot && slot->kind == vtNative && slot->u == hostId()) {
        *slot = TValue::null();
        Log("TGenerator.Destroy :" + name + " matched.");
    } else {
        Log("TGenerator.Destroy : " + name + " UNmatched.");
    }
}

TRTTI* TGenerator::generatedClass() const {
    TResource* root = resourceRoot();
    return root ? dynamic_cast<TRTTI*>(root->lookup(className)) : nullptr;
}

bool TGenerator::hasField(TRTTI* cls, const std::string& field) {
    int64_t sym = TSymbolTable::instance().find(field);
    return cls && sym >= 0 && cls->fields.indexOf(uint32_t(sym)) >= 0;
}

void TGenerator::create() {
    state = 2;
    TRTTI* cls = generatedClass();
    if (!cls) {
        ReportError(translate("Class") + className + translate(" does not exist. Cannot create."));
        return;
    }
    if (!cls->compiled)
        throw ERavokError(className + translate(" has not compiled yet. Cannot create Object."));
    state = 3;
    std::string args;
    if (TConstructor* ctor = cls->constructor()) {
        for (size_t i = 0; i < ctor->argNames.size(); ++i) {
            std::string value = "null";
            for (const auto& [param, expr] : constructorValues)
                if (equalsNoCase(param, ctor->argNames[i])) {
                    value = expr;
                    break;
                }
            args += (i ? "," : "") + value;
        }
    }
    std::string text = std::string("extends classes.lang.Object;") + kCRLF + name + "=new " +
                       className + "(" + args + ");" + kCRLF;
    if (native::evaluateStatements(text) == 0) state = 1;
}

void TGenerator::fill() {
    native::setGlobal("$_tmp_gen", handle());
    TRTTI* cls = generatedClass();
    if (!cls) {
        state = 3;
        return;
    }
    std::string text = std::string("extends classes.lang.Object;") + kCRLF;
    for (const auto& [field, expr] : instanceValues)
        if (hasField(cls, field)) text += name + "." + field + "=" + expr + ";" + kCRLF;
    text += name + ".setGenerator($_tmp_gen);" + kCRLF;
    text += name + ".onGenerate();" + kCRLF;
    state = native::evaluateStatements(text) == 0 ? 0 : 3;
}

void TGenerator::initStep(TInitContext& context) {
    if (state == 0)
        create();
    else if (state == 1)
        fill();
    if (state == 0)
        ++context.done;
    else if (state == 1)
        ++context.pending;
    else
        ++context.failed;
}

void TGenerator::save(TLines& lines, const std::string&) {
    native::evaluateStatements("if (" + name + ") " + name + ".onSaveToGen();");
    std::string line = "<generator className=\"" + escapeMarkup(className) + "\" name=\"" +
                       escapeMarkup(name) + "\"";
    if (!sourceFile.empty()) line += " src=\"" + escapeMarkup(relativeToBase(sourceFile)) + "\"";
    for (const auto& [field, expr] : instanceValues)
        line += " inst_" + field + "=\"" + escapeMarkup(expr) + "\"";
    for (const auto& [param, expr] : constructorValues)
        line += " const_" + param + "=\"" + escapeMarkup(expr) + "\"";
    lines.push_back(line + "/>");
}

void TGenerator::setInstanceValue(const std::string& field, const std::string& text) {
    for (auto it = instanceValues.begin(); it != instanceValues.end(); ++it)
        if (equalsNoCase(it->first, field)) {
            instanceValues.erase(it);
            break;
        }
    if (!text.empty()) instanceValues.emplace_back(field, text);
}

void registerGeneratorKind() {
    registerResourceKind("generator", [](const TSGML& e, const std::string& baseDir) {
        return std::unique_ptr<TResource>(new TGenerator(e, baseDir));
    });
}

} // namespace ravok
