#include "resources/resources_natives.h"

#include "resources/accessible_file.h"
#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "resources/resource_kinds.h"
#include "resources/sandbox.h"
#include "resources/sandbox_files.h"
#include "resources/sgml.h"
#include "resources/streams.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/native_api.h"
#include "runtime/paths.h"
#include "runtime/sjis.h"
#include "runtime/value_list.h"

#include "base/log.h"

namespace ravok {

namespace {

using native::argument;

// ---- classes.lang.CMML ----------------------------------------------------

TSGML* element(TValue* cell) {
    return native::hostObjectAs<TSGML>(argument(cell, 1), "CMML element");
}

// A new CMML object wrapping the element; the element stays owned by its tree.
TValue wrap(TSGML* e) {
    native::setGlobal("$_tmp_cmml2", e->handle());
    native::evaluateStatements("$_tmp_cmml=new CMML($_tmp_cmml2);");
    TValue* cell = native::globalCell("$_tmp_cmml");
    return cell ? *cell : TValue::null();
}

void _n_getTagName(TValue* cell, int argc, int) {
    if (argc < 1) return;
    native::setString(*cell, element(cell)->tagName());
}

void _n_getAttr(TValue* cell, int argc, int) {
    if (argc < 2) return;
    native::setString(*cell, element(cell)->attr(native::text(argument(cell, 2))));
}

void _n_setAttr(TValue* cell, int argc, int) {
    if (argc < 3) return;
    element(cell)->setAttr(native::text(argument(cell, 2)), native::text(argument(cell, 3)));
}

void _n_setTagName(TValue* cell, int argc, int) {
    if (argc < 2) return;
    element(cell)->setTagName(native::text(argument(cell, 2)));
}

void _n_addSubItem(TValue* cell, int argc, int) {
    if (argc < 2) return;
    TSGML* parent = element(cell);
    auto child = TSGML::fromTag("<" + native::text(argument(cell, 2)) + "/>");
    TSGML* added = child.get();
    parent->addChild(std::move(child));
    TValue wrapped = wrap(added);
    assign(*cell, &wrapped);
}

void _n_getSubItems(TValue* cell, int argc, int) {
    if (argc < 1) return;
    TSGML* parent = element(cell);
    native::evaluateStatements("$_tmp_cmml_list=new Array();");
    for (const auto& child : parent->children()) {
        wrap(child.get());
        native::evaluateStatements("$_tmp_cmml_list.add($_tmp_cmml);");
    }
    TValue* list = native::globalCell("$_tmp_cmml_list");
    assign(*cell, list);
}

// ---- files ----------------------------------------------------------------

// A stream a script reads or writes through a handle.
class TReadHandle : public THostObject {
public:
    explicit TReadHandle(std::string_view path)
        : owned(std::make_unique<TFileReader>(path)), stream(*owned) {}
    explicit TReadHandle(std::unique_ptr<TFileReader> opened)
        : owned(std::move(opened)), stream(*owned) {}
    const char* hostClassName() const override { return "TFileReader"; }
    std::unique_ptr<TFileReader> owned;
    TFileReader& stream;
};

class TWriteHandle : public THostObject {
public:
    explicit TWriteHandle(std::string_view path)
        : owned(std::make_unique<TFileWriter>(path)), stream(*owned) {}
    explicit TWriteHandle(std::unique_ptr<TFileWriter> opened)
        : owned(std::move(opened)), stream(*owned) {}
    const char* hostClassName() const override { return "TFileWriter"; }
    std::unique_ptr<TFileWriter> owned;
    TFileWriter& stream;
};

TReadHandle* reader(TValue* cell) {
    return native::hostObjectAs<TReadHandle>(argument(cell, 1), "file reader");
}
TWriteHandle* writer(TValue* cell) {
    return native::hostObjectAs<TWriteHandle>(argument(cell, 1), "file writer");
}

std::string scriptName(TValue* cell, int i) {
    std::string name = native::text(argument(cell, i));
    return name.empty() ? "untitled" : name;
}

void fileExists_(TValue* cell, int argc, int) {
    if (argc < 1) return;
    TSandboxEntry entry = sandboxEntry(sandboxPath(native::text(argument(cell, 1))), false);
    setInt(*cell, entry.isFile() || entry.isFolder() ? 1 : 0);
}

void moveFile_(TValue* cell, int argc, int) {
    if (argc < 2) return;
    bool ok = moveSandboxFile(sandboxPath(native::text(argument(cell, 1))),
                              sandboxPath(native::text(argument(cell, 2))));
    setInt(*cell, ok ? 1 : 0);
}

void deleteFile_(TValue* cell, int argc, int) {
    if (argc < 1) return;
    setInt(*cell, deleteSandboxFile(sandboxPath(native::text(argument(cell, 1)))) ? 1 : 0);
}

void _n_FileReader(TValue* cell, int argc, int) {
    if (argc < 2) return;
    std::unique_ptr<TFileReader> in = openSandboxReader(sandboxPath(scriptName(cell, 2)));
    if (!in || !in->isOpen()) return setInt(*cell, 0);
    setNative(*cell, (new TReadHandle(std::move(in)))->hostId());
}

void readerClose(TValue* cell, int argc, int) {
    if (argc < 1) return;
    delete reader(cell);
}

void readerEof(TValue* cell, int argc, int) {
    if (argc < 1) return;
    setInt(*cell, reader(cell)->stream.eof() ? 1 : 0);
}

void readerRead(TValue* cell, int argc, int) {
    if (argc < 1) return;
    int b = reader(cell)->stream.readByte();
    if (b < 0)
        setNull(*cell);
    else
        setInt(*cell, b);
}

void _n_readLn(TValue* cell, int argc, int) {
    if (argc < 1) return;
    TFileReader& in = reader(cell)->stream;
    std::string line;
    int b = in.readByte();
    if (b < 0) return setNull(*cell);
    while (b >= 0 && b != '\n') {
        if (b != '\r') line += char(b);
        b = in.readByte();
    }
    native::setString(*cell, line);
}

void _n_FileWriter(TValue* cell, int argc, int) {
    if (argc < 2) return;
    std::unique_ptr<TFileWriter> out = openSandboxWriter(sandboxPath(scriptName(cell, 2)));
    if (!out) return setInt(*cell, 0);
    setNative(*cell, (new TWriteHandle(std::move(out)))->hostId());
}

void writerClose(TValue* cell, int argc, int) {
    if (argc < 1) return;
    TWriteHandle* h = writer(cell);
    h->stream.close();
    delete h;
}

void writerWrite(TValue* cell, int argc, int) {
    if (argc < 2) return;
    writer(cell)->stream.writeByte(uint8_t(toInt(argument(cell, 2))));
}

void _n_writeLn(TValue* cell, int argc, int) {
    if (argc < 2) return;
    std::string text = native::text(argument(cell, 2));
    writer(cell)->stream.write(text.data(), text.size());
}

// The file a ResourceReader or ResourceWriter names: the text of its
// getURL(), resolved against the page's folder. Only files of the player and
// of the game (inside the program directory or the page's folder) qualify.
std::string resourceFile(const char* global) {
    TValue* url = native::evaluate(std::string(global) + ".getURL()");
    std::string path = url ? native::text(*url) : std::string();
    if (!isAbsolute(path)) path = resolve(path, baseDirectory());
    auto within = [&](const std::string& dir) {
        if (dir.empty() || !isInside(path, dir)) return false;
        std::string real = canonicalHostPath(path), realDir = canonicalHostPath(dir);
        return real == realDir || real.rfind(realDir + "/", 0) == 0;
    };
    return within(programDirectory()) || within(baseDirectory()) ? path : std::string();
}

bool isMapFile(const std::string& path) { return equalsNoCase(extension(path), ".map"); }

void resourceReaderInit(TValue* cell, int, int) {
    std::string path = resourceFile("$_tmp_rrdr");
    if (path.empty() || !fileExists(path)) {
        Log(translate("not a valid file. read aborted"));
        return setNull(*cell); // no handle, so ok() answers false
    }
    auto* h = new TReadHandle(path);
    char header[96] = {};
    size_t got = h->stream.read(header, sizeof header);
    if (!isAccessibleHeader(header, got)) {
        Log(translate("warning: not a ravok accessible"));
        delete h;
        if (!isMapFile(path)) {
            Log(translate("not a valid file. read aborted"));
            return setNull(*cell);
        }
        h = new TReadHandle(path); // map files may lack the header: read from the start
    }
    setNative(*cell, h->hostId());
}

void resourceReaderReadInt(TValue* cell, int argc, int) {
    if (argc < 1) return;
    uint8_t b[4];
    if (reader(cell)->stream.read(b, 4) != 4) return setNull(*cell);
    setInt(*cell, int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 |
                          uint32_t(b[3]) << 24));
}

void resourceWriterInit(TValue* cell, int, int) {
    std::string path = resourceFile("$_tmp_rwrt");
    if (path.empty()) {
        Log(translate("not a valid file. not wrote"));
        return setNull(*cell);
    }
    {
        TFileReader check(path);
        if (!check.isOpen()) throw EFileError(path + translate(" cannot be opened."));
        char header[96] = {};
        size_t got = check.read(header, sizeof header);
        if (!isAccessibleHeader(header, got)) {
            Log(translate("warning: not a ravok accessible"));
            if (!isMapFile(path)) {
                Log(translate("not a valid file. not wrote"));
                return setNull(*cell);
            }
        }
    }
    auto* h = new TWriteHandle(path);
    if (!h->stream.isOpen()) {
        delete h;
        throw EFileError(path + translate(" cannot be opened."));
    }
    h->stream.write(kAccessibleHeader.data(), kAccessibleHeader.size());
    setNative(*cell, h->hostId());
}

void resourceWriterWrite(TValue* cell, int argc, int) {
    if (argc < 2) return;
    int32_t v = toInt(argument(cell, 2));
    writer(cell)->stream.writeByte(uint8_t(v));
    setInt(*cell, v & 0xFF);
}

void resourceWriterWriteInt(TValue* cell, int argc, int) {
    if (argc < 2) return;
    int32_t v = toInt(argument(cell, 2));
    writer(cell)->stream.writeInt32(v);
    setInt(*cell, v);
}

// ---- the resource tree -------------------------------------------------------

TResource* resourceAt(TValue* cell) {
    TResource* root = resourceRoot();
    return root ? root->lookup(native::text(argument(cell, 1))) : nullptr;
}

void _n_getResource(TValue* cell, int argc, int) {
    if (argc < 1) return;
    TResource* r = resourceAt(cell);
    if (!r) return setInt(*cell, 0);
    TValue v = *r->scriptValue();
    assign(*cell, &v);
}

void _n_initResource(TValue* cell, int argc, int) {
    if (argc < 1) return;
    TResource* r = resourceAt(cell);
    if (!r) return setInt(*cell, 1);
    try {
        r->initialize();
        setInt(*cell, 1);
    } catch (const std::exception&) {
        setInt(*cell, 0);
    }
}

TResource* resourceHandle(TValue* cell) {
    const TValue& h = argument(cell, 1);
    return h.kind == vtNative ? dynamic_cast<TResource*>(THostRegistry::instance().find(h))
                              : nullptr;
}

void _n_getSubRes(TValue* cell, int argc, int) {
    if (argc < 1) return;
    auto* list = dynamic_cast<TResourceList*>(resourceHandle(cell));
    if (!list) return setNull(*cell);
    auto* handles = new TValueList();
    for (const auto& child : list->children())
        handles->add(child->handle());
    native::setGlobal("$_1", handles->handle());
    native::evaluateStatements("$_2=new Array();$_2._setBody($_1);");
    assign(*cell, native::globalCell("$_2"));
}

void _n_getCustomRes(TValue* cell, int argc, int) {
    if (argc < 1) return;
    auto* custom = dynamic_cast<TCustomResource*>(resourceHandle(cell));
    if (!custom) return setNull(*cell);
    assign(*cell, &custom->scriptCell());
}

void acceptAndIgnore(TValue*, int, int) {}

void _n_getName(TValue* cell, int argc, int) {
    if (argc < 1) return;
    TResource* r = resourceHandle(cell);
    if (!r) return setInt(*cell, 0);
    native::setString(*cell, r->name);
}

void _n_getURL(TValue* cell, int argc, int) {
    if (argc < 1) return;
    TResource* r = resourceHandle(cell);
    if (!r) return setInt(*cell, 0);
    native::setString(*cell, r->sourceFile);
}

void _n_getFullPath(TValue* cell, int argc, int) {
    if (argc < 1) return;
    TResource* r = resourceHandle(cell);
    if (!r) return setInt(*cell, 0);
    native::setString(*cell, fullPath(r));
}

} // namespace

const std::vector<TNativeBinding>& objectResourceNatives() {
    static const std::vector<TNativeBinding> list = {
        {"classes.lang.Object", "_n_getResource", _n_getResource},
        {"classes.lang.Object", "_n_initResource", _n_initResource},
    };
    return list;
}

const std::vector<TNativeBinding>& builtInResourceNatives() {
    static const std::vector<TNativeBinding> list = {
        {"BuiltInResource", "_n_getSubRes", _n_getSubRes},
        {"BuiltInResource", "_n_getCustomRes", _n_getCustomRes},
        {"BuiltInResource", "_n_addSubRes", acceptAndIgnore},
        {"BuiltInResource", "_n_delSubRes", acceptAndIgnore},
        {"BuiltInResource", "_n_onInit", acceptAndIgnore},
        {"BuiltInResource", "_n_save", acceptAndIgnore},
    };
    return list;
}

const std::vector<TNativeBinding>& customResourceNatives() {
    static const std::vector<TNativeBinding> list = {
        {"classes.customres.CustomResource", "_n_getName", _n_getName},
        {"classes.customres.CustomResource", "_n_getURL", _n_getURL},
        {"classes.customres.CustomResource", "_n_getFullPath", _n_getFullPath},
    };
    return list;
}

const std::vector<TNativeBinding>& cmmlNatives() {
    static const std::vector<TNativeBinding> list = {
        {"classes.lang.CMML", "_n_getTagName", _n_getTagName},
        {"classes.lang.CMML", "_n_getAttr", _n_getAttr},
        {"classes.lang.CMML", "_n_setAttr", _n_setAttr},
        {"classes.lang.CMML", "_n_setTagName", _n_setTagName},
        {"classes.lang.CMML", "_n_addSubItem", _n_addSubItem},
        {"classes.lang.CMML", "_n_getSubItems", _n_getSubItems},
    };
    return list;
}

const std::vector<TNativeBinding>& objectFileNatives() {
    static const std::vector<TNativeBinding> list = {
        {"classes.lang.Object", "fileExists", fileExists_},
        {"classes.lang.Object", "moveFile", moveFile_},
        {"classes.lang.Object", "deleteFile", deleteFile_},
    };
    return list;
}

const std::vector<TNativeBinding>& fileReaderNatives() {
    static const std::vector<TNativeBinding> list = {
        {"FileReader", "_n_FileReader", _n_FileReader},
        {"FileReader", "_n_close", readerClose},
        {"FileReader", "_n_eof", readerEof},
        {"FileReader", "_n_read", readerRead},
        {"FileReader", "_n_readLn", _n_readLn},
    };
    return list;
}

const std::vector<TNativeBinding>& fileWriterNatives() {
    static const std::vector<TNativeBinding> list = {
        {"FileWriter", "_n_FileWriter", _n_FileWriter},
        {"FileWriter", "_n_close", writerClose},
        {"FileWriter", "_n_write", writerWrite},
        {"FileWriter", "_n_writeLn", _n_writeLn},
    };
    return list;
}

const std::vector<TNativeBinding>& resourceReaderNatives() {
    static const std::vector<TNativeBinding> list = {
        {"ResourceReader", "_n_init", resourceReaderInit},
        {"ResourceReader", "_n_read", readerRead},
        {"ResourceReader", "_n_readInt", resourceReaderReadInt},
        {"ResourceReader", "_n_close", readerClose},
    };
    return list;
}

const std::vector<TNativeBinding>& resourceWriterNatives() {
    static const std::vector<TNativeBinding> list = {
        {"ResourceWriter", "_n_init", resourceWriterInit},
        {"ResourceWriter", "_n_write", resourceWriterWrite},
        {"ResourceWriter", "_n_writeInt", resourceWriterWriteInt},
        {"ResourceWriter", "_n_close", writerClose},
    };
    return list;
}

} // namespace ravok
