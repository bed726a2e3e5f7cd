// What every node of the parse tree emits. Compiling a class is one Emit of
// its G_Program root.
#include "compiler/compile_context.h"
#include "compiler/lexer.h"
#include "compiler/parse_tree.h"

#include "resources/resource_kinds.h"
#include "runtime/close_names.h"
#include "runtime/errors.h"
#include "runtime/function.h"
#include "runtime/interpreter.h"
#include "runtime/messages.h"
#include "runtime/resource.h"
#include "runtime/rtti.h"
#include "runtime/sjis.h"
#include "runtime/symbols.h"

#include "base/reporter.h"

#include <cerrno>
#include <cstdlib>

namespace ravok {

void TCompileContext::fail(const std::string& text) const {
    throw ECmpError((cls ? cls->name : std::string()) + ":" + text);
}

TResource* TCompileContext::lookup(const std::string& name) const {
    if (tree) return tree->lookup(name);
    return resolveClassPath(name);
}

namespace {

// What the author most likely meant by a method the class lacks: the
// superclass a class without an extends line forgot, or a close name. The
// hint follows the message on a line of its own.
std::string undefinedMethodHint(const TCompileContext& c, const std::string& name) {
    if (!c.extendsGiven) {
        for (const char* kernelClass : {"Char", "Sprite"}) {
            TRTTI* cls = resolveClassPath(kernelClass);
            if (cls && cls->methodByName(name))
                return "\n" +
                       translate(c.defaultSuperclass
                                     ? "The class has no extends line, so it extends Object. "
                                     : "The class has no extends line, so it has only the "
                                       "methods it defines. ") +
                       name + translate(" is a method of ") + kernelClass +
                       translate(": write \"extends ") + kernelClass +
                       translate(";\" as the first line of the class.");
        }
    }
    std::string hint = methodHint(name, c.cls);
    return hint.empty() ? hint : "\n" + hint;
}

TResList* nodeAt(TResultList* n, int i) { return static_cast<TResList*>(n->node(i)); }
std::string tokenText(TResultList* n, int i) { return n->token(i)->text(); }

// Marks the statement whose marker token this is.
void point(TCompileContext& c, const TLexElem* marker) {
    c.statementOffset = marker->Start;
    c.writer->sourcePoint(c.statementOffset);
}

void emitChild(TResultList* n, int i, TCompileContext& c) { nodeAt(n, i)->Emit(c); }

// The text of a string literal token without its quotes, escapes decoded; a
// backslash that is the second byte of a double-byte character is kept.
std::string decodeString(const std::string& token) {
    std::string body = token.size() >= 2 ? token.substr(1, token.size() - 2) : std::string();
    std::string out;
    bool second = false, escaped = false;
    for (unsigned char b : body) {
        if (second) {
            out += char(b);
            second = false;
            continue;
        }
        if (escaped) {
            out += b == 'n' ? '\n' : b == 'r' ? '\r' : b == 't' ? '\t' : char(b);
            escaped = false;
            continue;
        }
        if ((b >= 0x80 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) {
            out += char(b);
            second = true;
        } else if (b == '\\') {
            escaped = true;
        } else {
            out += char(b);
        }
    }
    return out;
}

TOpcode binaryOpcode(const std::string& op) {
    if (op == "+") return Op_Add;
    if (op == "-") return Op_Sub;
    if (op == "*") return Op_Mul;
    if (op == "/") return Op_Div;
    if (op == "%") return Op_Mod;
    if (op == "<") return Op_LT;
    if (op == "<=") return Op_LTE;
    if (op == ">") return Op_GT;
    if (op == ">=") return Op_GTE;
    if (op == "==") return Op_EQ;
    if (op == "!=") return Op_NEQ;
    if (op == "&") return Op_And;
    return Op_Or; // "|"
}

// G_RVal and G_OrEx: a || b || c jumps to the end as soon as one operand decides.
void emitShortCircuit(TResultList* n, TCompileContext& c, TOpcode jumpOp) {
    emitChild(n, 0, c);
    TResultList* rest = n->node(1);
    if (rest->count() == 0) return;
    std::vector<uint32_t> jumps;
    jumps.push_back(c.writer->jump(jumpOp));
    for (int i = 1; i < rest->count(); i += 2) {
        nodeAt(rest, i)->Emit(c);
        if (i + 2 < rest->count()) jumps.push_back(c.writer->jump(jumpOp));
    }
    for (uint32_t j : jumps)
        c.writer->patch(j, c.writer->position());
}

void emitLeftToRight(TResultList* n, TCompileContext& c) {
    emitChild(n, 0, c);
    TResultList* rest = n->node(1);
    for (int i = 0; i + 1 < rest->count(); i += 2) {
        nodeAt(rest, i + 1)->Emit(c);
        c.writer->op(binaryOpcode(tokenText(rest, i)));
    }
}

int findName(const std::vector<std::string>& names, const std::string& name) {
    for (size_t i = 0; i < names.size(); ++i)
        if (equalsNoCase(names[i], name)) return int(i);
    return -1;
}

// "" ""super"" must be followed by Method invocation."" and the "is" twin, as
// the system's texts spell them.
const char* kSuperMessage = "\": \"\"super\"\" must be followed by Method invocation.\""; // message
const char* kIsMessage = "\" \"\"is\"\" Operator must be followed by Class.\"";           // message

// One element of a name chain; returns the new chain state.
TChainState emitElement(TResultList* e, TChainState state, bool address, TCompileContext& c) {
    std::string name = tokenText(e, 0);
    TResultList* call = e->node(1);
    TProgWriter& w = *c.writer;
    c.addressMode = address;
    if (call->count() == 0) {
        switch (state) {
        case TChainState::Start:
            if (name == "super") return TChainState::AfterSuper;
            if (c.function && findName(c.function->localNames, name) >= 0) {
                w.index(Op_LocalValPtr, findName(c.function->localNames, name));
            } else if (c.function && findName(c.function->argNames, name) >= 0) {
                w.index(Op_ArgValPtr, findName(c.function->argNames, name));
            } else if (auto* g = dynamic_cast<TGlobalValue*>(c.lookup(name))) {
                w.push(TValue::ofRef(arenaOffset(g->valueCell())), g->name);
            } else if (name == "this") {
                w.op(Op_PushThis);
                return TChainState::AfterThis;
            } else {
                w.op(Op_PushThis);
                w.sMember(c.cls->fieldIndexCreate(name), name);
            }
            break;
        case TChainState::Value:
            if (name != "this") w.dMember(intern(name), name);
            break;
        case TChainState::AfterThis:
            w.sMember(c.cls->fieldIndexCreate(name), name);
            break;
        case TChainState::AfterSuper:
            c.fail("super." + name + translate(kSuperMessage));
        }
        if (!address) w.op(Op_Deref);
        return TChainState::Value;
    }
    if (address) c.fail(translate("Left side of assertion cannot be a method invocation."));
    TResList* args = nodeAt(call, 1);
    auto emitArgs = [&] {
        c.addressMode = false;
        return uint32_t(args->Emit(c));
    };
    if (state == TChainState::Value) {
        uint32_t n = emitArgs();
        w.sourcePoint(c.statementOffset);
        w.dCall(n, intern(name), name);
        return TChainState::Value;
    }
    if (state == TChainState::AfterSuper) {
        TFunction* fn = c.cls->superclass ? c.cls->superclass->methodByName(name) : nullptr;
        if (!fn) c.fail(translate("Method super.") + name + translate(" is undefined."));
        if (!fn->hasCode())
            c.fail(translate("Method super.") + name +
                   translate(" is native method. Cannot invoke."));
        w.op(Op_PushThis);
        uint32_t n = emitArgs();
        w.sourcePoint(c.statementOffset);
        w.superCall(n, fn, name);
        return TChainState::Value;
    }
    if (name == "super") {
        TFunction* ctor = c.cls->superclass ? c.cls->superclass->constructor() : nullptr;
        if (!ctor) c.fail(translate("Method super.") + "constructor" + translate(" is undefined."));
        w.op(Op_PushThis);
        uint32_t n = emitArgs();
        w.sourcePoint(c.statementOffset);
        w.superCall(n, ctor, "constructor");
        return TChainState::Value;
    }
    int32_t index = c.cls->methodIndexByName(name);
    if (index < 0)
        c.fail(translate("Method") + name + translate(" is undefined.") +
               undefinedMethodHint(c, name));
    TFunction* fn = c.cls->methodByIndex(index);
    if (state == TChainState::Start) w.op(Op_PushThis);
    uint32_t n = emitArgs();
    w.sourcePoint(c.statementOffset);
    if (fn->hasCode())
        w.sCall(n, index, name);
    else
        w.nativeCall(n, fn, name);
    return TChainState::Value;
}

bool isDeclaration(TResultList* item) {
    return dynamic_cast<G_FuncDecl*>(item) || dynamic_cast<G_NativeDecl*>(item);
}

// Runs body with an empty break list for the loop; the breaks jump to end.
template <class F> void loop(TCompileContext& c, F&& body) {
    std::vector<uint32_t>* saved = c.breaks;
    std::vector<uint32_t> breaks;
    c.breaks = &breaks;
    uint32_t end = body();
    for (uint32_t b : breaks)
        c.writer->patch(b, end);
    c.breaks = saved;
}

} // namespace

// ---- declarations and the class ------------------------------------------------

int G_Program::Emit(TCompileContext& c) {
    TRTTI* cls = c.cls;
    c.function = nullptr;
    c.pass = 1;
    emitChild(this, 0, c); // G_Extends
    TRTTI* super = c.found ? dynamic_cast<TRTTI*>(c.found) : nullptr;
    c.extendsGiven = nodeAt(this, 0)->count() != 0;
    if (!c.extendsGiven) super = c.defaultSuperclass;
    if (super) {
        cls->superclass = super;
        if (!super->compiled) return 0; // compiled later, once the superclass is
        cls->inheritMethods();
    }
    TResultList* items = node(1);
    for (int i = 0; i < items->count(); ++i)
        if (!items->isToken(i) && isDeclaration(items->node(i))) nodeAt(items, i)->Emit(c);
    c.pass = 2;
    cls->inheritFields();
    for (int i = 0; i < items->count(); ++i)
        if (!items->isToken(i) && isDeclaration(items->node(i))) nodeAt(items, i)->Emit(c);

    c.function = nullptr;
    TProgWriter w(cls);
    c.writer = &w;
    for (int i = 0; i < items->count(); ++i)
        if (!items->isToken(i) && !isDeclaration(items->node(i))) nodeAt(items, i)->Emit(c);
    w.push(TValue::ofFloat(0.0f));
    w.op(Op_Halt);
    cls->initCode = std::make_unique<TCompiledInfo>();
    w.finish(*cls->initCode);
    c.writer = nullptr;
    cls->compiled = true;
    debugHold().classCompiled(cls);
    return 0;
}

int G_Extends::Emit(TCompileContext& c) {
    c.found = nullptr;
    if (count() == 0) return 0;
    emitChild(this, 1, c);
    if (!c.found) c.fail(c.foundName + translate(" is undefined."));
    if (!dynamic_cast<TRTTI*>(c.found)) c.fail(c.foundName + translate(" is not a Class."));
    return 0;
}

int G_FuncDecl::Emit(TCompileContext& c) {
    std::string kind = tokenText(this, 0), name = tokenText(this, 1);
    if (c.pass == 1) {
        uint32_t sym = intern(name);
        TNormalFunction* fn = kind == "constructor"  ? new TConstructor(c.cls, sym)
                              : kind == "destructor" ? new TDestructor(c.cls, sym)
                                                     : new TNormalFunction(c.cls, sym);
        c.cls->addOrOverride(fn);
        c.function = fn;
        return 0;
    }
    auto* fn = dynamic_cast<TNormalFunction*>(c.cls->methodByName(name));
    if (!fn) c.fail(translate("Method") + name + translate(" is undefined."));
    c.function = fn;
    TProgWriter w(c.cls);
    TProgWriter* saved = c.writer;
    c.writer = &w;
    c.declaringLocals = false;
    emitChild(this, 3, c); // the parameters
    emitChild(this, 5, c); // locals and statements
    w.op(Op_PushThis);
    w.op(Op_Ret);
    w.op(Op_Halt);
    w.finish(fn->code);
    c.writer = saved;
    c.function = nullptr;
    return 0;
}

int G_NativeDecl::Emit(TCompileContext& c) {
    if (c.pass != 1) return 0;
    auto* fn = new TNativeFunction(c.cls, intern(tokenText(this, 1)));
    c.cls->addMethod(fn);
    return 0;
}

int G_VArgList::Emit(TCompileContext& c) {
    if (count() == 0) return 0;
    std::vector<std::string>& names =
        c.declaringLocals ? c.function->localNames : c.function->argNames;
    names.push_back(tokenText(this, 0));
    TResultList* rest = node(1);
    for (int i = 1; i < rest->count(); i += 2)
        names.push_back(tokenText(rest, i));
    return 0;
}

int G_VarBlock::Emit(TCompileContext& c) {
    TResultList* decls = node(1);
    for (int i = 0; i < decls->count(); ++i)
        nodeAt(decls, i)->Emit(c);
    TResultList* statements = node(2);
    for (int i = 0; i < statements->count(); ++i)
        nodeAt(statements, i)->Emit(c);
    return 0;
}

int G_VarDecl::Emit(TCompileContext& c) {
    c.declaringLocals = true;
    emitChild(this, 1, c);
    c.declaringLocals = false;
    return 0;
}

// ---- statements ------------------------------------------------------------

int G_ExprS::Emit(TCompileContext& c) {
    c.addressMode = false;
    // An error is reported where its statement begins, which is where the
    // author looks for it, also when the statement spans lines.
    TLexElem* first = firstToken();
    point(c, first ? first : token(1));
    emitChild(this, 0, c);
    c.writer->op(Op_Pop);
    return 0;
}

int G_Block::Emit(TCompileContext& c) {
    TResultList* statements = node(1);
    for (int i = 0; i < statements->count(); ++i)
        nodeAt(statements, i)->Emit(c);
    return 0;
}

int G_While::Emit(TCompileContext& c) {
    point(c, token(0));
    loop(c, [&] {
        uint32_t top = c.writer->position();
        emitChild(this, 2, c);
        uint32_t exit = c.writer->jump(Op_JumpZero);
        emitChild(this, 4, c);
        c.writer->patch(c.writer->jump(Op_Jump), top);
        uint32_t end = c.writer->position();
        c.writer->patch(exit, end);
        c.writer->resetToEnd();
        return end;
    });
    return 0;
}

int G_For::Emit(TCompileContext& c) {
    point(c, token(0));
    loop(c, [&] {
        emitChild(this, 2, c);
        c.writer->op(Op_Pop);
        uint32_t top = c.writer->position();
        emitChild(this, 4, c);
        uint32_t exit = c.writer->jump(Op_JumpZero);
        emitChild(this, 8, c);
        emitChild(this, 6, c);
        c.writer->op(Op_Pop);
        c.writer->patch(c.writer->jump(Op_Jump), top);
        uint32_t end = c.writer->position();
        c.writer->patch(exit, end);
        return end;
    });
    return 0;
}

int G_Forin::Emit(TCompileContext& c) {
    point(c, token(0));
    loop(c, [&] {
        bool saved = c.addressMode;
        c.addressMode = true;
        emitChild(this, 2, c);
        c.addressMode = saved;
        emitChild(this, 4, c);
        c.writer->op(Op_InitForIn);
        uint32_t top = c.writer->position();
        uint32_t step = c.writer->jump(Op_DoForIn);
        emitChild(this, 6, c);
        c.writer->patch(c.writer->jump(Op_Jump), top);
        uint32_t end = c.writer->position();
        c.writer->patch(step, end);
        c.writer->op(Op_ClearForIn);
        return end;
    });
    return 0;
}

int G_If::Emit(TCompileContext& c) {
    point(c, token(0));
    emitChild(this, 2, c);
    uint32_t skip = c.writer->jump(Op_JumpZero);
    emitChild(this, 4, c);
    uint32_t over = c.writer->jump(Op_Jump);
    c.writer->patch(skip, c.writer->position());
    TResultList* elsePart = node(5);
    if (elsePart->count() > 0) nodeAt(elsePart, 1)->Emit(c);
    c.writer->patch(over, c.writer->position());
    return 0;
}

int G_Break::Emit(TCompileContext& c) {
    if (c.breaks) c.breaks->push_back(c.writer->jump(Op_Jump));
    return 0;
}

int G_Return::Emit(TCompileContext& c) {
    // Without a point of its own, a failure in the returned expression would
    // be reported at the statement before it.
    point(c, token(0));
    TResultList* value = node(1);
    if (value->count() > 0)
        nodeAt(value, 0)->Emit(c);
    else
        c.writer->op(Op_PushThis);
    c.writer->op(Op_Ret);
    return 0;
}

// ---- expressions -----------------------------------------------------------

int G_Expr::Emit(TCompileContext& c) {
    TResultList* target = node(0);
    bool assign = target->count() > 0;
    if (assign) {
        bool saved = c.addressMode;
        c.addressMode = true;
        nodeAt(target, 0)->Emit(c);
        c.addressMode = saved;
    }
    emitChild(this, 1, c);
    if (assign) {
        std::string op = tokenText(target, 1);
        c.writer->op(op == "=" ? Op_Subst : op == "+=" ? Op_AddSubst : Op_SubSubst);
    }
    return 0;
}

int G_RVal::Emit(TCompileContext& c) {
    emitShortCircuit(this, c, Op_Jump_Or);
    return 0;
}

int G_OrEx::Emit(TCompileContext& c) {
    emitShortCircuit(this, c, Op_Jump_And);
    return 0;
}

int G_AndEx::Emit(TCompileContext& c) {
    emitLeftToRight(this, c);
    return 0;
}

int G_CompEx::Emit(TCompileContext& c) {
    emitLeftToRight(this, c);
    return 0;
}

int G_ASEx::Emit(TCompileContext& c) {
    emitLeftToRight(this, c);
    return 0;
}

int G_IsEx::Emit(TCompileContext& c) {
    emitChild(this, 0, c);
    TResultList* isPart = node(1);
    if (isPart->count() == 0) return 0;
    nodeAt(isPart, 1)->Emit(c);
    auto* cls = dynamic_cast<TRTTI*>(c.found);
    if (!cls) c.fail(translate(kIsMessage));
    c.writer->is(cls);
    return 0;
}

int G_MDEx::Emit(TCompileContext& c) {
    emitChild(this, 1, c);
    TResultList* prefix = node(0);
    if (prefix->count() > 0) c.writer->op(tokenText(prefix, 0) == "-" ? Op_Neg : Op_Not);
    return 0;
}

int G_IncEx::Emit(TCompileContext& c) {
    TResultList* step = node(1);
    if (step->count() == 0) {
        emitChild(this, 0, c);
        return 0;
    }
    bool saved = c.addressMode;
    c.addressMode = true;
    emitChild(this, 0, c);
    c.writer->push(TValue::ofInt(1));
    c.writer->op(tokenText(step, 0) == "++" ? Op_AddSubst : Op_SubSubst);
    c.addressMode = saved;
    return 0;
}

int G_Par::Emit(TCompileContext& c) {
    emitChild(this, 1, c);
    return 0;
}

int G_Const::Emit(TCompileContext& c) {
    const TLexElem* t = token(0);
    const std::string& kind = t->kindName();
    std::string text = t->text();
    if (kind == "STRING") {
        c.writer->pushString(decodeString(text));
    } else if (kind == "NUM" && text.find('.') != std::string::npos) {
        c.writer->push(TValue::ofFloat(std::strtof(text.c_str(), nullptr)));
    } else if (kind == "NUM") {
        errno = 0;
        char* end = nullptr;
        long long v = std::strtoll(text.c_str(), &end, 10);
        if (errno != 0 || *end != '\0' || v > 2147483647LL)
            c.fail("'" + text + "'" + translate(" is not a valid integer value"));
        c.writer->push(TValue::ofInt(int32_t(v)));
    } else {
        c.writer->push(TValue::null());
    }
    return 0;
}

int G_NewObj::Emit(TCompileContext& c) {
    c.writer->push(TValue::ofFloat(0.0f));
    uint32_t n = uint32_t(nodeAt(this, 3)->Emit(c));
    emitChild(this, 1, c);
    if (!c.found) c.fail(c.foundName + translate(" is not defined."));
    auto* cls = dynamic_cast<TRTTI*>(c.found);
    if (!cls)
        c.fail(c.foundName + "(" + c.found->hostClassName() + ")" + translate(" is not a Class."));
    c.writer->constructor(n, cls);
    return 0;
}

int G_ResourceVal::Emit(TCompileContext& c) {
    std::string name = tokenText(this, 0);
    TResultList* rest = node(1);
    for (int i = 0; i < rest->count(); ++i)
        name += tokenText(rest, i);
    c.foundName = name;
    c.found = c.lookup(name);
    return 0;
}

int G_LVal::Emit(TCompileContext& c) {
    bool chainAddress = c.addressMode;
    TResultList* rest = node(1);
    int elements = 1 + rest->count() / 2;
    TChainState state = TChainState::Start;
    for (int k = 0; k < elements; ++k) {
        TResultList* e = k == 0 ? node(0) : rest->node(2 * k - 1);
        state = emitElement(e, state, k == elements - 1 && chainAddress, c);
    }
    if (state == TChainState::AfterSuper) c.fail("super" + translate(kSuperMessage));
    c.chain = state;
    c.addressMode = chainAddress;
    return 0;
}

int G_LValE::Emit(TCompileContext&) { return 0; } // compiled by its chain

int G_ArgList::Emit(TCompileContext& c) {
    if (count() == 0) return 0;
    int n = 1;
    emitChild(this, 0, c);
    TResultList* rest = node(1);
    for (int i = 1; i < rest->count(); i += 2, ++n)
        nodeAt(rest, i)->Emit(c);
    return n;
}

int G_Sentence::Emit(TCompileContext&) { return 0; } // a choice rule: never a node
int G_Una::Emit(TCompileContext&) { return 0; }      // a choice rule: never a node

int G_Err::Emit(TCompileContext&) {
    ReportError("Error!? Usrsub");
    return 0;
}

} // namespace ravok
