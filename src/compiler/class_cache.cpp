#include "compiler/class_cache.h"

#include "compiler/stack_check.h"

#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "resources/resource_kinds.h"
#include "resources/streams.h"
#include "runtime/code_image.h"
#include "runtime/errors.h"
#include "runtime/function.h"
#include "runtime/fusion.h"
#include "runtime/interpreter.h"
#include "runtime/messages.h"
#include "runtime/opcodes.h"
#include "runtime/resource.h"
#include "runtime/rtti.h"
#include "runtime/superinstructions.h"
#include "runtime/symbols.h"

#include <charconv>
#include <set>

namespace ravok {

namespace {

constexpr uint32_t kMaxCount = 1u << 20; // entries of any list in a record
constexpr uint32_t kMaxCode = 16u << 20; // bytes of one code block

[[noreturn]] void broken(TRTTI* cls) {
    throw ERavokError(translate("Class File") + cls->name + translate(" is broken"));
}

// ---- writing ----------------------------------------------------------------

void writeString(TBufferedOutputStream& out, const std::string& s) {
    out.writeInt32(int32_t(s.size() + 1));
    out.write(s.data(), s.size());
    out.writeByte(0);
}

void writeNames(TBufferedOutputStream& out, const std::vector<std::string>& names) {
    out.writeInt32(int32_t(names.size()));
    for (const std::string& n : names)
        writeString(out, n);
}

void writeCode(TBufferedOutputStream& out, const TCompiledInfo& code) {
    out.writeInt32(int32_t(code.relocations.size()));
    for (const TCInfoElem& g : code.relocations) {
        out.writeInt32(int32_t(g.op));
        writeString(out, g.name);
        out.writeInt32(int32_t(g.offsets.size()));
        for (uint32_t o : g.offsets)
            out.writeInt32(int32_t(o));
    }
    out.writeInt32(int32_t(code.points.size()));
    for (const TSourcePoint& p : code.points) {
        writeString(out, std::to_string(p.sourceOffset));
        out.writeInt32(int32_t(p.codeOffset));
    }
    out.writeInt32(int32_t(code.size()));
    std::vector<uint8_t> stored = storedImage(code.codePtr(), code.size());
    out.write(stored.data(), stored.size());
}

const char* kindName(const TFunction* fn) {
    switch (fn->kind()) {
    case TFunctionKind::Constructor:
        return "TConstructor";
    case TFunctionKind::Destructor:
        return "TDestructor";
    case TFunctionKind::Native:
        return "TNativeFunction";
    default:
        return "TNormalFunction";
    }
}

// ---- reading ----------------------------------------------------------------

class TRecordReader {
public:
    TRecordReader(TBufferedInputStream& in, TRTTI* cls) : in_(in), cls_(cls) {}
    uint32_t u32() {
        uint8_t b[4];
        if (in_.read(b, 4) != 4) broken(cls_);
        return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    }
    uint32_t count() {
        uint32_t n = u32();
        if (n > kMaxCount) broken(cls_);
        return n;
    }
    std::string str() {
        uint32_t n = u32();
        if (n > kMaxCount) broken(cls_);
        std::string s(n, '\0');
        if (in_.read(s.data(), n) != n) broken(cls_);
        s.resize(std::strlen(s.c_str()));
        return s;
    }
    // A source offset, written in decimal; anything else reads as 0.
    static int32_t decimal(const std::string& text) {
        int32_t value = 0;
        if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc())
            return 0;
        return value;
    }
    std::vector<std::string> names() {
        std::vector<std::string> v(count());
        for (std::string& s : v)
            s = str();
        return v;
    }
    // A code record: relocations, points and code, checked so that a damaged
    // file cannot hand the interpreter an image it would misread.
    void code(TCompiledInfo& info, int32_t locals) {
        std::vector<TCInfoElem> groups(count());
        for (TCInfoElem& g : groups) {
            g.op = u32();
            g.name = str();
            g.offsets.resize(count());
            for (uint32_t& o : g.offsets)
                o = u32();
        }
        std::vector<TSourcePoint> points(count());
        for (TSourcePoint& p : points) {
            p.sourceOffset = decimal(str());
            p.codeOffset = u32();
        }
        uint32_t size = u32();
        if (size > kMaxCode || size % 4 != 0) broken(cls_);
        std::vector<uint8_t> bytes(size);
        if (in_.read(bytes.data(), size) != size) broken(cls_);
        verify(bytes, groups, locals);
        info.install(bytes);
        info.relocations = std::move(groups);
        info.points = std::move(points);
    }

private:
    void verify(const std::vector<uint8_t>& code, const std::vector<TCInfoElem>& groups,
                int32_t locals) {
        // Instructions start on word boundaries (the size is a multiple of
        // four): one flag a word, where an ordered set cost a tenth of the
        // start-up.
        // The tables are kept from record to record: start-up checks a few
        // hundred, and allocating them each time cost more than the checks.
        static thread_local std::vector<bool> starts, namedPushes;
        starts.assign(code.size() / 4 + 1, false);
        namedPushes.assign(code.size() / 4 + 1, false);
        // The plain instruction whose opcode word is at each word, inner
        // parts of fused pairs included: what a relocation may patch.
        constexpr uint32_t kNoPlain = UINT32_MAX;
        static thread_local std::vector<uint32_t> plainAt, startList;
        plainAt.assign(code.size() / 4 + 1, kNoPlain);
        startList.clear();
        static thread_local std::vector<std::pair<uint32_t, int32_t>> jumps;
        jumps.clear();
        bool halted = false;
        for (size_t at = 0; at < code.size();) {
            uint32_t len = instructionLength(code.data() + at, code.size() - at);
            if (len == 0) broken(cls_);
            if (at % 4 != 0) broken(cls_);
            starts[at / 4] = true;
            startList.push_back(uint32_t(at));
            uint32_t op = readWord(code.data() + at);
            // A fused pair's later words must be the instructions it stands
            // for, or a relocation aimed at one would patch the operands of
            // whatever the forged word claims to be.
            TPlainParts parts = plainParts(op);
            for (uint32_t k = 0; k < parts.count; ++k) {
                const TPlainPart& part = parts.parts[k];
                if (k > 0 && readWord(code.data() + at + part.offset) != part.op) broken(cls_);
                plainAt[(at + part.offset) / 4] = part.op;
            }
            if (op == Op_Jump || op == Op_JumpZero || op == Op_Jump_And || op == Op_Jump_Or ||
                op == Op_DoForIn)
                jumps.emplace_back(uint32_t(at), int32_t(readWord(code.data() + at + 4)));
            if (op == Op_LocalValPtr || op == Op_LocalValPtr_Deref) {
                uint32_t index = readWord(code.data() + at + 4);
                if (int64_t(index) >= locals) broken(cls_);
            }
            if (op == Op_Halt) halted = true;
            at += len;
        }
        if (!halted) broken(cls_);
        for (auto [at, offset] : jumps) {
            int64_t target = int64_t(at) + offset;
            if (target < 0 || size_t(target) >= code.size() || target % 4 != 0 ||
                !starts[size_t(target) / 4])
                broken(cls_);
        }
        // Only once every jump lands on an instruction: the depth walk
        // follows them.
        if (!stackDepthsAgree(code.data(), code.size())) broken(cls_);
        // Linking writes operands at each relocation: it must name an
        // instruction of the group's kind, or the write lands on another
        // instruction's opcode, jump or length.
        for (const TCInfoElem& g : groups) {
            for (uint32_t o : g.offsets) {
                if (o % 4 != 0 || size_t(o) >= code.size() || plainAt[o / 4] != g.op) broken(cls_);
                if (g.op == Op_Push && !g.name.empty()) namedPushes[o / 4] = true;
            }
        }
        // Constants are never objects, references or handles: those only
        // come from linking a named global. A named global is a reference
        // before linking too, so that no sequence is taken for one with a
        // constant number in it and then linked.
        for (uint32_t at : startList) {
            uint32_t op = readWord(code.data() + at);
            if (op != Op_Push && op != Op_Push_Deref) continue;
            uint8_t kind = code[at + 4];
            if (kind > vtUnset || kind == vtObject || kind == vtNative) broken(cls_);
            if ((kind == vtRef) != namedPushes[at / 4]) broken(cls_);
        }
    }

    TBufferedInputStream& in_;
    TRTTI* cls_;
};

TResource* lookupName(const std::string& name) {
    return resourceRoot() ? resourceRoot()->lookup(name) : resolveClassPath(name);
}

} // namespace

std::string classCachePath(std::string_view sourceFile) { return tempName(sourceFile, "c127_"); }

static bool writeClassFile(TRTTI* cls, std::string_view file);

bool SaveClassFile(TRTTI* cls, std::string_view file) {
    // The writer replaces the file only once all of it is written, so a
    // player starting at the same moment reads the old file or the new one.
    return writeClassFile(cls, file);
}

static bool writeClassFile(TRTTI* cls, std::string_view file) {
    TFileWriter out(file);
    if (!out.isOpen()) return false;
    out.writeInt32(kClassFileVersion);
    out.writeInt32(int32_t(fileStamp(cls->sourceFile)));
    writeString(out, cls->superclass ? cls->superclass->fullName() : std::string());
    int32_t inherited = cls->superclass ? cls->superclass->fieldCount() : 0;
    std::vector<std::string> own;
    for (int32_t i = inherited; i < cls->fieldCount(); ++i)
        own.push_back(cls->fields.name(i));
    writeNames(out, own);
    std::vector<TFunction*> methods;
    for (TFunction* fn : cls->methods)
        if (fn->owner == cls) methods.push_back(fn);
    out.writeInt32(int32_t(methods.size()));
    for (TFunction* fn : methods) {
        writeString(out, kindName(fn));
        writeString(out, fn->nameText());
        if (!fn->hasCode()) continue;
        auto* code = static_cast<TNormalFunction*>(fn);
        writeNames(out, code->argNames);
        writeNames(out, code->localNames);
        writeCode(out, code->code);
    }
    if (cls->initCode)
        writeCode(out, *cls->initCode);
    else {
        TCompiledInfo empty;
        empty.install({uint8_t(Op_Halt), 0, 0, 0});
        writeCode(out, empty);
    }
    out.writeInt32(int32_t(out.checksum()));
    return out.close();
}

bool LoadClassFile(TRTTI* cls, std::string_view file) {
    TFileReader in(file);
    if (!in.isOpen()) return false;
    return loadClassStream(cls, in, fileStamp(cls->sourceFile));
}

bool loadClassStream(TRTTI* cls, TBufferedInputStream& in, uint32_t expectedAge, bool checked) {
    TRecordReader r(in, cls);
    if (r.u32() != uint32_t(kClassFileVersion)) return false;
    if (r.u32() != expectedAge) return false;
    std::string superName = r.str();
    if (!superName.empty()) {
        auto* super = dynamic_cast<TRTTI*>(lookupName(superName));
        if (!super)
            throw ERavokError(translate("SuperClass") + superName +
                              translate("\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81"
                                        "B")); // "はありません。"
        cls->superclass = super;
        if (!super->compiled) return false;
        cls->inheritMethods();
        cls->inheritFields();
    }
    for (const std::string& f : r.names())
        cls->fieldIndexCreate(f);
    uint32_t m = r.count();
    for (uint32_t i = 0; i < m; ++i) {
        std::string kind = r.str(), name = r.str();
        uint32_t sym = intern(name);
        TFunction* fn;
        if (kind == "TNativeFunction")
            fn = new TNativeFunction(cls, sym);
        else if (kind == "TNormalFunction")
            fn = new TNormalFunction(cls, sym);
        else if (kind == "TConstructor")
            fn = new TConstructor(cls, sym);
        else if (kind == "TDestructor")
            fn = new TDestructor(cls, sym);
        else
            broken(cls);
        // A class's own declaration of an inherited native keeps the
        // inherited routine, as it does when the class is compiled.
        if (auto* native = dynamic_cast<TNativeFunction*>(fn)) {
            if (auto* inherited = dynamic_cast<TNativeFunction*>(cls->methodByName(name))) {
                native->routine = inherited->routine;
                native->frameless = inherited->frameless;
            }
        }
        cls->addOrOverride(fn);
        if (auto* code = dynamic_cast<TNormalFunction*>(fn)) {
            code->argNames = r.names();
            code->localNames = r.names();
            r.code(code->code, code->localCount());
        }
    }
    cls->initCode = std::make_unique<TCompiledInfo>();
    r.code(*cls->initCode, 0);
    // The file ends with the checksum of everything before it; a file changed
    // anywhere, or cut, is compiled again from its source.
    uint32_t sum = in.checksum();
    if (checked && (r.u32() != sum || !in.eof())) broken(cls);
    for (TFunction* fn : cls->methods)
        if (fn->owner == cls && fn->hasCode()) Link(static_cast<TNormalFunction*>(fn)->code, cls);
    Link(*cls->initCode, cls);
    cls->compiled = true;
    debugHold().classCompiled(cls);
    return true;
}

void Link(TCompiledInfo& code, TRTTI* cls) {
    code.owner = cls;
    uint8_t* base = code.codePtr();
    auto word = [&](uint32_t at, int n) -> uint8_t* { return base + at + 4 * n; };
    for (const TCInfoElem& g : code.relocations) {
        for (uint32_t at : g.offsets) {
            switch (g.op) {
            case Op_Push: {
                if (g.name.empty()) break;
                TResource* r = lookupName(g.name);
                TValue* cell = r ? r->valueCell() : nullptr;
                if (!cell || !dynamic_cast<TGlobalValue*>(r))
                    throw ERavokError(translate("Value") + g.name + translate(" is not found."));
                writeWord(word(at, 1), vtRef);
                writeWord(word(at, 2), arenaOffset(cell));
                break;
            }
            case Op_SMemberValPtr:
                writeWord(word(at, 1), uint32_t(cls->fieldIndexCreate(g.name)));
                break;
            case Op_DMemberValPtr:
                writeWord(word(at, 1), intern(g.name));
                break;
            case Op_DCall:
                writeWord(word(at, 2), intern(g.name));
                break;
            case Op_SCall: {
                int32_t index = cls->methodIndexByName(g.name);
                if (index < 0)
                    throw ERavokError(translate("Method") + g.name + translate(" is not found."));
                writeWord(word(at, 2), uint32_t(index));
                break;
            }
            case Op_SuperCall: {
                TRTTI* super = cls->superclass;
                TFunction* fn =
                    !super                    ? nullptr
                    : g.name == "constructor" ? static_cast<TFunction*>(super->constructor())
                    : g.name == "destructor"  ? static_cast<TFunction*>(super->destructor())
                                              : super->methodByName(g.name);
                if (!fn)
                    throw ERavokError(translate("Method super.") + g.name +
                                      translate(" is not found."));
                writeWord(word(at, 2), fn->id());
                break;
            }
            case Op_NativeCall: {
                TFunction* fn = cls->methodByName(g.name);
                if (!fn || fn->hasCode())
                    throw ERavokError(translate("native Method") + g.name +
                                      translate(" is not found."));
                writeWord(word(at, 2), fn->id());
                break;
            }
            case Op_Constructor:
            case Op_Is: {
                auto* target = dynamic_cast<TRTTI*>(lookupName(g.name));
                if (!target)
                    throw ERavokError(translate("Class") + g.name + translate(" is not found."));
                writeWord(word(at, g.op == Op_Is ? 1 : 2), target->classId());
                break;
            }
            default:
                break;
            }
        }
    }
    code.noteRewritten();
}

std::string RelocationText(const TCompiledInfo& code) {
    std::string out;
    for (const TCInfoElem& g : code.relocations)
        for (uint32_t at : g.offsets)
            out += std::string("op=") + (isValidOpcode(g.op) ? kOpcodeName[g.op] : "?") +
                   " ,addr=" + std::to_string(at) + " ,info=" + g.name + "\r\n";
    return out;
}

} // namespace ravok
