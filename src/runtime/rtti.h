// TRTTI: a script class at run time: its field-name list, method table,
// superclass, initialisation code and instance pool. Instances and code images
// name classes by 32-bit ids from the class registry; scripts see a class as a
// vtNative value referring to it.
#pragma once

#include "runtime/compiled_info.h"
#include "runtime/function.h"
#include "runtime/host_registry.h"
#include "runtime/rapid_string_list.h"
#include "runtime/resource.h"
#include "runtime/value.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace ravok {

class TRTTI : public TResource {
public:
    explicit TRTTI(std::string className);
    ~TRTTI() override;

    const char* hostClassName() const override { return "TRTTI"; }

    // Resource behaviour: a global reference to the class's name yields the
    // class value; a pass compiles the class; saving writes its class element.
    TValue* valueCell() override { return classCell_; }
    void initStep(TInitContext& context) override;
    void save(TLines& lines, const std::string& indent) override;
    void releaseValues() override;
    void markValues() override;
    void sweepValues() override;

    uint32_t classId() const { return classId_; }
    // handle "@" name, as messages and listings print a class.
    std::string classText() const;
    // The dotted path from the root of the resource tree; outside a tree, the
    // path it was given, else its name.
    std::string fullName() const { return parent ? fullPath(this) : path.empty() ? name : path; }

    bool inherits(const TRTTI* ancestor) const;

    int32_t fieldIndex(uint32_t symbol, int32_t* cache) const {
        return fields.indexOf(symbol, cache);
    }
    int32_t fieldIndexCreate(std::string_view fieldName);
    int32_t fieldCount() const { return fields.count(); }
    // Fields an instance record of this class holds: the layout is fixed at
    // the first allocation, and fields named later lie beyond it. (Fields are
    // only ever added while the layout stands, so the record's size says it.)
    int32_t laidOutFields() const { return instanceSize < 12 ? 0 : (instanceSize - 12) / 8; }

    // Scans from the last entry, as dynamic dispatch does.
    TFunction* methodBySymbol(uint32_t symbol, int32_t* cache) const;
    // Scans from the first entry, as process creation and binding do.
    TFunction* methodByName(std::string_view methodName) const;
    int32_t methodIndexByName(std::string_view methodName) const;
    TFunction* methodByIndex(int32_t i) const {
        return i >= 0 && size_t(i) < methods.size() ? methods[size_t(i)] : nullptr;
    }
    TConstructor* constructor();
    TDestructor* destructor();

    void addMethod(TFunction* fn);
    void addOrOverride(TFunction* fn);
    // Takes back the method added last; its use count is the caller's to
    // drop (a test's own method on a shared class).
    void removeLastMethod();
    void inheritMethods();
    void inheritFields();

    // Not compiled again: fields and methods forgotten, instances released,
    // initialisation code dropped.
    void reset();

    std::string path;
    std::string category;
    TRTTI* superclass = nullptr;
    int32_t instanceSize = -1;
    TRapidStringList fields;
    // Changed only through addMethod, addOrOverride, removeLastMethod and
    // reset, which keep the index of first methods by name.
    std::vector<TFunction*> methods;
    std::unique_ptr<TCompiledInfo> initCode;
    std::vector<TArenaOffset> pool;
    // Every record before poolFreeHint is referenced, except perhaps the one
    // taken last (poolLastTaken), whose count may still be 0: so the first
    // free record in pool order is found without a scan from the start.
    uint32_t poolFreeHint = 0;
    uint32_t poolLastTaken = UINT32_MAX;
    int64_t allocationCount = 0;
    bool compiled = false;
    bool failed = false;
    bool aliasRegistered = false;

private:
    void releaseMethod(TFunction* fn);
    // The index of the first method of this name, or -1.
    int32_t firstMethodIndex(uint32_t symbol) const;
    // Records a method just appended, growing the table when it must.
    void indexFirstMethod(uint32_t symbol, int32_t index);
    // The table made again from the list, sized for it.
    void rebuildMethodIndex();
    // Into a table with room; a name already there keeps its index.
    void insertFirstMethod(uint32_t symbol, int32_t index);
    // The first method of each name, by symbol: binding, linking and
    // overriding ask by name for every method the kernel loads, and a scan
    // of a class's inherited methods each time cost a tenth of the start-up.
    // Open addressing: (symbol + 1) << 32 | index, 0 for an empty slot, at
    // most half full.
    std::vector<uint64_t> firstBySymbol_;
    uint32_t classId_;
    TValue* classCell_;
    TConstructor* constructor_ = nullptr;
    TDestructor* destructor_ = nullptr;
    bool constructorFound_ = false;
    bool destructorFound_ = false;
};

// The class registry, indexed by class id (ids are never reused; entry 0 and
// discarded classes are nullptr). Read inline: the interpreter asks for the
// class of an instance on most field accesses.
inline std::vector<TRTTI*>* gClassTable = nullptr;

// What the real pass of a collection found unreachable, in sweep order; the
// collector destroys them once every class has been swept.
std::vector<uint32_t>& doomedInstances();

// The class with this id, or nullptr.
inline TRTTI* classById(uint32_t id) {
    return gClassTable && id < gClassTable->size() ? (*gClassTable)[id] : nullptr;
}

// The class whose full name is `path` (compared without regard to case), or
// for a name without dots the class of that short name; traces and native
// binding look classes up this way.
TRTTI* resolveClassPath(std::string_view path);

// Collector state: the diagnostic pass marks every live instance through its
// class and destroys nothing.
inline bool gCheckMode = false;

// The classes the interpreter and the value operations need by name. The kernel
// boot fills them in; until then strings and for-in are unavailable.
struct TCoreClasses {
    TRTTI* object = nullptr; // classes.lang.Object
    TRTTI* string = nullptr; // classes.lang.String
    TRTTI* array = nullptr;  // classes.lang.Array
    int32_t stringBody = -1; // index of _body in String
    // String's class id, kept beside it so the hot string paths tell a
    // String by one comparison; no class has this id while none is loaded.
    uint32_t stringClassId = UINT32_MAX;
    int32_t arrayList = -1; // index of _x in Array
};

inline TCoreClasses gCore;

void setCoreClasses(TRTTI* object, TRTTI* string, TRTTI* array);

} // namespace ravok
