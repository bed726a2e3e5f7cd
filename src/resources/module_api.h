/* The call table a native module receives: a shared library that exports
   `void initModule(const TModuleCallTable* table)` binds its routines to the
   native declarations of script classes and reads and writes value cells
   through these entries, in this order. A value cell is the player's 8-byte
   value (kind byte, three unused bytes, 32-bit payload); a call frame is the
   receiver cell of a native call, and argument n lies 8 * n bytes below it. */
#ifndef RAVOK_MODULE_API_H
#define RAVOK_MODULE_API_H

#ifdef __cplusplus
extern "C" {
#endif

typedef struct TModuleValue TModuleValue; /* an 8-byte value cell */
typedef void (*TModuleRoutine)(TModuleValue* frame, int argc, int reserved);

typedef struct TModuleCallTable {
    /* 0 */ void (*bindNative)(const char* classPath, const char* methodName,
                               TModuleRoutine routine);
    /* 1 */ TModuleValue* (*resultCell)(TModuleValue* frame);
    /* 2 */ TModuleValue* (*argumentCell)(TModuleValue* frame, int n);
    /* 3 */ int (*valueKind)(TModuleValue* cell);
    /* 4 */ int (*toInteger)(TModuleValue* cell);
    /* 5 */ int (*toText)(TModuleValue* cell, char* buffer); /* buffer NULL: only the length */
    /* 6 */ void (*copyValue)(TModuleValue* destination, TModuleValue* source);
    /* 7 */ void (*setInteger)(TModuleValue* cell, int value);
} TModuleCallTable;

typedef void (*TInitModule)(const TModuleCallTable* table);

#ifdef __cplusplus
}
#endif

#endif
