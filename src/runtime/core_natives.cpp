#include "runtime/core_natives.h"

#include "runtime/errors.h"
#include "runtime/function.h"
#include "runtime/hash_table.h"
#include "runtime/interpreter.h"
#include "runtime/mark.h"
#include "runtime/native_api.h"
#include "runtime/pool.h"
#include "runtime/process.h"
#include "runtime/random.h"
#include "runtime/rtti.h"
#include "runtime/sjis.h"
#include "runtime/symbols.h"
#include "runtime/tf_string.h"
#include "runtime/value_list.h"

#include "base/clock.h"
#include "base/regex.h"

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace ravok {

namespace {

using native::argument;

TValueList* listArg(TValue* cell) {
    return native::hostObjectAs<TValueList>(argument(cell, 1), "array list");
}
THashTable* tableArg(TValue* cell) {
    return native::hostObjectAs<THashTable>(argument(cell, 1), "hash table");
}

// ---- Array ------------------------------------------------------------------

void a_init(TValue* cell, int, int) { setNative(*cell, (new TValueList())->hostId()); }
void a_add(TValue* cell, int argc, int) {
    if (argc >= 2) listArg(cell)->add(argument(cell, 2));
}
void a_insert(TValue* cell, int argc, int) {
    if (argc >= 3) listArg(cell)->insert(toInt(argument(cell, 2)), argument(cell, 3));
}
void a_get(TValue* cell, int argc, int) {
    if (argc >= 2) assign(*cell, listArg(cell)->checkedCell(toInt(argument(cell, 2))));
}
void a_set(TValue* cell, int argc, int) {
    if (argc >= 3)
        assign(*listArg(cell)->checkedCell(toInt(argument(cell, 2))), &argument(cell, 3));
}
void a_delete(TValue* cell, int argc, int) {
    if (argc < 2) return;
    TValue v = listArg(cell)->take(toInt(argument(cell, 2)));
    store(*cell, v); // the cell's count moves to the result
}
void a_size(TValue* cell, int argc, int) {
    if (argc >= 1) setFloat(*cell, float(listArg(cell)->count()));
}
void a_indexof(TValue* cell, int argc, int) {
    if (argc < 2) return;
    TValueList* l = listArg(cell);
    for (int32_t i = 0; i < l->count(); ++i)
        if (compare(*l->cell(i), argument(cell, 2)) == 0.0f) return setInt(*cell, i);
    setInt(*cell, -1);
}
void a_lightindexof(TValue* cell, int argc, int) {
    if (argc < 2) return;
    TValueList* l = listArg(cell);
    const TValue& v = argument(cell, 2);
    for (int32_t i = 0; i < l->count(); ++i)
        if (l->cell(i)->kind == v.kind && l->cell(i)->u == v.u) return setInt(*cell, i);
    setInt(*cell, -1);
}
void a_free(TValue* cell, int argc, int) {
    // An array whose constructor never ran to its end (its process was
    // stopped and freed inside it) has no list yet: nothing to free, and
    // nothing the game did wrong.
    if (argc < 1 || argument(cell, 1).kind == vtUnset) return;
    delete listArg(cell);
}
void a_pack(TValue* cell, int argc, int) {
    if (argc < 2) return;
    TValueList* l = listArg(cell);
    for (int32_t i = l->count() - 1; i >= 0; --i)
        if (toInt(*l->cell(i)) == 0) decrementQuietly(l->take(i));
}
void m_sqrt(TValue* cell, int argc, int) {
    if (argc < 1) return;
    float x = toFloat(argument(cell, 1));
    if (x >= 0)
        setFloat(*cell, float(std::sqrt(double(x))));
    else
        setNull(*cell);
}
void m_trunc(TValue* cell, int argc, int) {
    if (argc >= 1) setInt(*cell, truncateToInt(toFloat(argument(cell, 1))));
}
void m_floor(TValue* cell, int argc, int) {
    if (argc >= 1) setInt(*cell, truncateToInt(std::floor(double(toFloat(argument(cell, 1))))));
}
void noEffect(TValue*, int, int) {}

// ---- String -----------------------------------------------------------------

std::string selfText(TValue* cell) { return valueToText(*cell); }

// The text of the receiver, viewed in place when it is a string (a long
// string is not copied to be measured); the view lasts until the cell is
// set.
std::string_view selfView(TValue* cell, std::string& scratch) {
    if (isStringValue(*cell)) return stringText(cell->u);
    scratch = valueToText(*cell);
    return scratch;
}

// Byte positions of the character starts, and the end.
std::vector<size_t> characterStarts(std::string_view t) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < t.size(); ++i) {
        starts.push_back(i);
        if (isLeadByte(static_cast<unsigned char>(t[i])) && i + 1 < t.size()) ++i;
    }
    starts.push_back(t.size());
    return starts;
}

std::string slice(const std::string& t, int64_t from, int64_t to) {
    int64_t n = int64_t(t.size());
    from = std::clamp<int64_t>(from, 0, n);
    to = std::clamp<int64_t>(to, from, n);
    return t.substr(size_t(from), size_t(to - from));
}

void s_init(TValue* cell, int argc, int) {
    if (argc < 1 || cell->kind != vtObject || gCore.stringBody < 0) return;
    TValue& body = objectAt(cell->u)->field(gCore.stringBody);
    setNative(body, (new TfString(std::string(1, char(toInt(argument(cell, 1))))))->hostId());
}
void s_strcat(TValue* cell, int argc, int) {
    if (argc >= 1) native::setString(*cell, selfText(cell) + valueToText(argument(cell, 1)));
}
void s_substring(TValue* cell, int argc, int) {
    if (argc < 1) return;
    std::string t = selfText(cell);
    int64_t end = argc >= 2 ? toInt(argument(cell, 2)) : int64_t(t.size());
    native::setString(*cell, slice(t, toInt(argument(cell, 1)), end));
}
void s_wsubstring(TValue* cell, int argc, int) {
    if (argc < 1) return;
    std::string t = selfText(cell);
    std::vector<size_t> starts = characterStarts(t);
    int64_t chars = int64_t(starts.size()) - 1;
    int64_t from = std::clamp<int64_t>(toInt(argument(cell, 1)), 0, chars);
    int64_t to = std::clamp<int64_t>(argc >= 2 ? toInt(argument(cell, 2)) : chars, from, chars);
    native::setString(*cell,
                      t.substr(starts[size_t(from)], starts[size_t(to)] - starts[size_t(from)]));
}
void s_length(TValue* cell, int, int) {
    std::string scratch;
    setInt(*cell, int32_t(selfView(cell, scratch).size()));
}
void s_wlength(TValue* cell, int, int) {
    std::string scratch;
    setInt(*cell, int32_t(characterStarts(selfView(cell, scratch)).size() - 1));
}
void s_charAt(TValue* cell, int argc, int) {
    if (argc < 1) return;
    std::string scratch;
    std::string_view t = selfView(cell, scratch);
    int32_t i = toInt(argument(cell, 1));
    if (i >= 0 && size_t(i) < t.size()) setInt(*cell, static_cast<unsigned char>(t[size_t(i)]));
}
void s_split(TValue* cell, int argc, int) {
    std::string text = selfText(cell);
    std::string sep =
        argc >= 1 && argument(cell, 1).kind != vtNull ? valueToText(argument(cell, 1)) : ",";
    if (sep.empty()) sep = ",";
    std::string pattern = "/";
    for (size_t i = 0; i < sep.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(sep[i]);
        if (isLeadByte(c) && i + 1 < sep.size()) {
            pattern += sep.substr(i++, 2);
            continue;
        }
        if (!std::isalnum(c) && c != '_') pattern += '\\';
        pattern += char(c);
    }
    pattern += "/";
    int limit = argc >= 2 ? toInt(argument(cell, 2)) : 0;
    auto* list = new TValueList();
    if (!text.empty()) {
        TBRegExp re;
        for (const std::string& piece : re.split(pattern, text, limit)) {
            TValue s = TValue::null();
            native::setString(s, piece);
            list->add(s);
            decrement(s);
        }
    }
    native::setGlobal("$_1", list->handle());
    native::evaluateStatements("$_2=new Array();$_2._setBody($_1);");
    assign(*cell, native::globalCell("$_2"));
}

// ---- hash tables ----------------------------------------------------------------

void h_initHash(TValue* cell, int, int) {
    setNative(*cell, (new THashTable(THashTable::Variant::Hash))->hostId());
}
void h_initLight(TValue* cell, int, int) {
    setNative(*cell, (new THashTable(THashTable::Variant::Light))->hostId());
}
void h_put(TValue* cell, int argc, int) {
    if (argc >= 3) tableArg(cell)->put(argument(cell, 2), argument(cell, 3));
}
void h_get(TValue* cell, int argc, int) {
    if (argc < 2) return;
    TValue* v = tableArg(cell)->get(argument(cell, 2));
    if (v)
        assign(*cell, v);
    else
        setNull(*cell);
}
void h_remove(TValue* cell, int argc, int) {
    if (argc >= 2) store(*cell, tableArg(cell)->remove(argument(cell, 2)));
}
void h_size(TValue* cell, int argc, int) {
    if (argc >= 1) setInt(*cell, tableArg(cell)->size());
}
void h_startFind(TValue* cell, int argc, int) {
    if (argc >= 1) tableArg(cell)->startFind();
}
void h_hasNext(TValue* cell, int argc, int) {
    if (argc >= 1) setInt(*cell, tableArg(cell)->hasNext() ? 1 : 0);
}
void h_nextKey(TValue* cell, int argc, int) {
    if (argc < 1) return;
    TValue key = tableArg(cell)->nextKey();
    assign(*cell, &key);
}
void h_destroy(TValue* cell, int argc, int) {
    if (argc >= 1) delete tableArg(cell);
}

// ---- Object -----------------------------------------------------------------

TRTTI* receiverClass(TValue* cell) {
    return cell->kind == vtObject ? classById(objectAt(cell->u)->classId) : nullptr;
}

void o_getGlobal(TValue* cell, int argc, int) {
    if (argc < 1) return;
    TValue* g = native::globalCell(valueToText(argument(cell, 1)));
    if (g)
        assign(*cell, g);
    else
        setInt(*cell, 0);
}
void o_setGlobal(TValue* cell, int argc, int) {
    if (argc >= 2) native::setGlobal(valueToText(argument(cell, 1)), argument(cell, 2));
}
void o_getClassName(TValue* cell, int, int) {
    TRTTI* cls = receiverClass(cell);
    native::setString(*cell, cls ? cls->name : std::string());
}
void o_getParentClassName(TValue* cell, int, int) {
    TRTTI* cls = receiverClass(cell);
    native::setString(*cell, cls && cls->superclass ? cls->superclass->name : std::string());
}
void o_newInstance(TValue* cell, int argc, int) {
    if (argc < 1) return;
    std::string path = valueToText(argument(cell, 1));
    TRTTI* cls = resourceRoot() ? dynamic_cast<TRTTI*>(resourceRoot()->lookup(path))
                                : resolveClassPath(path);
    if (!cls) return setInt(*cell, 0);
    int32_t saved = StepBudget;
    uint32_t instance = allocateInstance(cls);
    StepBudget = saved;
    setObject(*cell, instance);
}
void o_clearAllValues(TValue* cell, int, int) {
    TRTTI* cls = receiverClass(cell);
    if (!cls) return;
    TfObject* o = objectAt(cell->u);
    for (int32_t i = 0; i < cls->fieldCount() && 12 + 8 * i < cls->instanceSize; ++i)
        setInt(o->field(i), 0);
}
void o_TObject(TValue* cell, int argc, int) {
    // Unsealed: a number names no object, so this only ever makes a refused
    // handle (or, for 0, none).
    if (argc >= 1) store(*cell, TValue::ofNative(uint32_t(toInt(argument(cell, 1)))));
}
void o_is(TValue* cell, int argc, int) {
    if (argc < 1) return;
    TRTTI* target = dynamic_cast<TRTTI*>(native::hostObject(argument(cell, 1)));
    TRTTI* cls = receiverClass(cell);
    setInt(*cell, target && cls && cls->inherits(target) ? 1 : 0);
}
void o_objhandle(TValue* cell, int argc, int) {
    if (argc < 1) return;
    const TValue& v = argument(cell, 1);
    if (v.kind == vtObject && isStringValue(v))
        if (TfString* body = stringBody(v.u)) body->markIdentitySeen();
    setInt(*cell, v.kind == vtObject ? int32_t(v.u) : 0);
}
void o_currentFunc(TValue* cell, int, int) {
    if (!CurrentProcess || !CurrentProcess->fp) return;
    TFunction* fn = functionById(frame::get(CurrentProcess->fp, frame::kMethod));
    if (fn) native::setString(*cell, fn->nameText());
}
void o_errorValue(TValue* cell, int, int) { setError(*cell, 0); }
TValue* fieldOf(TValue* cell, int32_t i) {
    TRTTI* cls = receiverClass(cell);
    if (!cls || i < 0 || i >= cls->fieldCount() || 12 + 8 * i >= cls->instanceSize)
        throw ERunError("List index out of bounds (" + std::to_string(i) + ")");
    return &objectAt(cell->u)->field(i);
}
void o_getValueByIndex(TValue* cell, int argc, int) {
    if (argc >= 1) assign(*cell, fieldOf(cell, toInt(argument(cell, 1))));
}
void o_setValueByIndex(TValue* cell, int argc, int) {
    if (argc >= 2) assign(*fieldOf(cell, toInt(argument(cell, 1))), &argument(cell, 2));
}
void o_getValueCount(TValue* cell, int, int) {
    TRTTI* cls = receiverClass(cell);
    setInt(*cell, cls ? cls->fieldCount() : 0);
}
void o_getValueName(TValue* cell, int argc, int) {
    if (argc < 1) return;
    TRTTI* cls = receiverClass(cell);
    int32_t i = toInt(argument(cell, 1));
    if (!cls || i < 0 || i >= cls->fieldCount())
        throw ERunError("List index out of bounds (" + std::to_string(i) + ")");
    native::setString(*cell, cls->fields.name(i));
}
void o_getValueIndex(TValue* cell, int argc, int) {
    if (argc < 1) return;
    TRTTI* cls = receiverClass(cell);
    int64_t sym = TSymbolTable::instance().find(valueToText(argument(cell, 1)));
    setInt(*cell, cls && sym >= 0 ? cls->fields.indexOf(uint32_t(sym)) : -1);
}
void o_isInt(TValue* cell, int argc, int) {
    if (argc >= 1) setInt(*cell, argument(cell, 1).kind == vtInt ? 1 : 0);
}
void o_isFloat(TValue* cell, int argc, int) {
    if (argc >= 1) setInt(*cell, argument(cell, 1).kind == vtFloat ? 1 : 0);
}
void o_valueOf(TValue* cell, int argc, int) {
    if (argc < 1) return;
    std::string t = valueToText(argument(cell, 1));
    TBRegExp re;
    if (re.match("/^-?[0-9]*\\.[0-9]+$/", t))
        return setFloat(*cell, std::strtof(t.c_str(), nullptr));
    if (re.match("/^-?[0-9]+$/", t)) {
        errno = 0;
        long long v = std::strtoll(t.c_str(), nullptr, 10);
        if (errno != 0 || v > 2147483647LL || v < -2147483648LL)
            throw ERunError("'" + t + "' is not a valid integer value");
        return setInt(*cell, int32_t(v));
    }
    setNull(*cell);
}
void o_getTime(TValue* cell, int, int) { setInt(*cell, int32_t(TickMs())); }
void o_randomize(TValue* cell, int argc, int) {
    if (argc >= 1) TRandom::instance().seed(uint32_t(toInt(argument(cell, 1))) & 0xFFFFFF);
}
void o_rnd(TValue* cell, int argc, int) {
    if (argc < 1)
        return setFloat(*cell, float(double(TRandom::instance().draw()) / double(1u << 30)));
    int32_t n = toInt(argument(cell, 1));
    setInt(*cell, n < 1 ? 0 : int32_t(TRandom::instance().drawBelow(uint32_t(n))));
}
const std::vector<double>& sineTable() {
    static const std::vector<double> table = [] {
        std::vector<double> t(360);
        for (int i = 0; i < 360; ++i)
            t[size_t(i)] = std::sin(i * M_PI / 180.0);
        return t;
    }();
    return table;
}
const std::vector<double>& cosineTable() {
    static const std::vector<double> table = [] {
        std::vector<double> t(360);
        for (int i = 0; i < 360; ++i)
            t[size_t(i)] = std::cos(i * M_PI / 180.0);
        return t;
    }();
    return table;
}
int degreeIndex(const TValue& v) {
    int64_t d = toInt(v);
    if (d < 0) d = 360 - ((-d) % 360);
    return int(d % 360);
}
void o_sin(TValue* cell, int argc, int) {
    if (argc >= 1) setFloat(*cell, float(sineTable()[size_t(degreeIndex(argument(cell, 1)))]));
}
void o_cos(TValue* cell, int argc, int) {
    if (argc >= 1) setFloat(*cell, float(cosineTable()[size_t(degreeIndex(argument(cell, 1)))]));
}
void o_angle(TValue* cell, int argc, int) {
    if (argc < 2) return;
    double a = toFloat(argument(cell, 1)), b = toFloat(argument(cell, 2));
    if (std::fabs(a) < 0.0001 && std::fabs(b) < 0.0001) a = 1;
    double s = 1;
    if (b < 0) b = -b, s = -1;
    double r;
    if (a > 0)
        r = a > b ? 45 * b / a : 90 - 45 * a / b;
    else
        r = -a > b ? 180 - 45 * b / (-a) : 90 + 45 * (-a) / b;
    setFloat(*cell, float(s * r));
}
void o_dist(TValue* cell, int argc, int) {
    if (argc < 2) return;
    double x = toFloat(argument(cell, 1)), y = toFloat(argument(cell, 2));
    setFloat(*cell, float(std::sqrt(x * x + y * y)));
}
void o_gcMark(TValue* cell, int argc, int) {
    if (argc >= 1) markValue(argument(cell, 1));
}
void o_refcount(TValue* cell, int argc, int) {
    if (argc < 1) return;
    // A number that is not the handle of a live record reads as -1.
    uint32_t h = uint32_t(toInt(argument(cell, 1)));
    if (h % 4 == 0 && TArena::instance().contains(h, 12)) {
        TRTTI* cls = classById(objectAt(h)->classId);
        if (cls)
            for (uint32_t rec : cls->pool)
                if (rec == h) return setInt(*cell, objectAt(h)->refcount);
    }
    setInt(*cell, -1);
}

} // namespace

TNativeRoutine listAppendRoutine() { return a_add; }
TNativeRoutine listSetRoutine() { return a_set; }
TNativeRoutine listGetRoutine() { return a_get; }

const std::vector<TNativeBinding>& arrayNatives() {
    static const char* A = "classes.lang.Array";
    static const std::vector<TNativeBinding> list = {
        {A, "native_init", a_init},
        {A, "native_add", a_add},
        {A, "_n_insert", a_insert},
        {A, "native_get", a_get},
        {A, "native_set", a_set},
        {A, "native_delete", a_delete},
        {A, "native_size", a_size},
        {A, "native_indexof", a_indexof},
        {A, "native_lightindexof", a_lightindexof},
        {A, "native_free", a_free},
        {A, "_n_pack", a_pack},
        {A, "sqrt", m_sqrt},
        {A, "trunc", m_trunc},
        {A, "floor", m_floor},
        {A, "_inspect", noEffect},
        {A, "_dynamicInspect", noEffect},
    };
    return list;
}

const std::vector<TNativeBinding>& stringLibraryNatives() {
    static const char* S = "classes.lang.String";
    static const std::vector<TNativeBinding> list = {
        {S, "native_init", s_init},           {S, "native_strcat", s_strcat},
        {S, "native_substring", s_substring}, {S, "_n_wsubstring", s_wsubstring},
        {S, "native_length", s_length},       {S, "_n_wlength", s_wlength},
        {S, "native_charAt", s_charAt},       {S, "_n_split", s_split},
    };
    return list;
}

const std::vector<TNativeBinding>& hashTableNatives() {
    static const char* H = "AbstractHashTable";
    static const std::vector<TNativeBinding> list = {
        {"HashTable", "_n_init", h_initHash},
        {"LightHashTable", "_n_init", h_initLight},
        {H, "_n_put", h_put},
        {H, "_n_get", h_get},
        {H, "_n_remove", h_remove},
        {H, "_n_size", h_size},
        {H, "_n_startFind", h_startFind},
        {H, "_n_hasNext", h_hasNext},
        {H, "_n_nextKey", h_nextKey},
        {H, "_n_destroy", h_destroy},
    };
    return list;
}

const std::vector<TNativeBinding>& objectLibraryNatives() {
    static const char* O = "classes.lang.Object";
    static const std::vector<TNativeBinding> list = {
        {O, "getGlobal", o_getGlobal},
        {O, "setGlobal", o_setGlobal},
        {O, "_getClassName", o_getClassName},
        {O, "_getParentClassName", o_getParentClassName},
        {O, "_newInstance", o_newInstance},
        {O, "_n_clearAllValues", o_clearAllValues},
        {O, "TObject", o_TObject},
        {O, "native_is", o_is},
        {O, "_n_objhandle", o_objhandle},
        {O, "currentFunc", o_currentFunc},
        {O, "_n_errorValue", o_errorValue},
        {O, "_n_getValueByIndex", o_getValueByIndex},
        {O, "_n_setValueByIndex", o_setValueByIndex},
        {O, "_n_getValueCount", o_getValueCount},
        {O, "_n_getValueName", o_getValueName},
        {O, "_n_getValueIndex", o_getValueIndex},
        {O, "isInt", o_isInt},
        {O, "isFloat", o_isFloat},
        {O, "valueOf", o_valueOf},
        {O, "getTime", o_getTime},
        {O, "_n_randomize", o_randomize},
        {O, "rnd", o_rnd},
        {O, "sin", o_sin},
        {O, "cos", o_cos},
        {O, "angle", o_angle},
        {O, "dist", o_dist},
        {O, "sqrt", m_sqrt},
        {O, "trunc", m_trunc},
        {O, "floor", m_floor},
        {O, "native_gc_mark", o_gcMark},
        {O, "_n_refcount", o_refcount},
    };
    return list;
}

} // namespace ravok
