/* A native module for the tests: binds natives of classes.test.Mod through
   entry 0 and works on its argument cells through the other entries. */
#include "resources/module_api.h"

#include <string.h>

static const TModuleCallTable* api;

/* native_sum(a, b): the integer sum of the arguments. */
static void nativeSum(TModuleValue* frame, int argc, int reserved) {
    (void)reserved;
    if (argc < 2) return;
    int a = api->toInteger(api->argumentCell(frame, 1));
    int b = api->toInteger(api->argumentCell(frame, 2));
    api->setInteger(api->resultCell(frame), a + b);
}

/* native_echo(v): v itself, copied. */
static void nativeEcho(TModuleValue* frame, int argc, int reserved) {
    (void)reserved;
    if (argc < 1) return;
    api->copyValue(api->resultCell(frame), api->argumentCell(frame, 1));
}

/* native_describe(v): kind * 1000 + the length of v's text; the text must
   come back whole. */
static void nativeDescribe(TModuleValue* frame, int argc, int reserved) {
    (void)reserved;
    if (argc < 1) return;
    TModuleValue* v = api->argumentCell(frame, 1);
    char buffer[256];
    int length = api->toText(v, NULL);
    if (length >= (int)sizeof buffer) return;
    int written = api->toText(v, buffer);
    if (written != length || (int)strlen(buffer) != length) return;
    api->setInteger(api->resultCell(frame), api->valueKind(v) * 1000 + length);
}

void initModule(const TModuleCallTable* table) {
    api = table;
    api->bindNative("classes.test.Mod", "native_sum", nativeSum);
    api->bindNative("classes.test.Mod", "native_echo", nativeEcho);
    api->bindNative("classes.test.Mod", "native_describe", nativeDescribe);
    api->bindNative("classes.test.Mod", "native_missing", nativeSum); /* not declared: a message */
}
