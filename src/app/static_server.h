// `ravok --serve FOLDER [--port N]`: the folder's files over HTTP on
// 127.0.0.1 only, for a look at a web export before it goes online. GET and
// HEAD of files inside the folder, with the content types browsers need
// (application/wasm above all); nothing outside the folder is served.
#pragma once

#include <functional>
#include <string>

namespace ravok {

struct TServeRequest {
    std::string folder;
    int port = 8000; // 0: any free port
    // Told the address once the server listens (standard output by default).
    std::function<void(const std::string& address)> listening;
};

// Serves until the process ends; 1 when the folder or the port cannot be had.
int serveFolder(const TServeRequest& request);

// The content type of a file name, by its extension.
const char* contentTypeOf(const std::string& name);

// The file a request path names inside the folder, or empty when it leaves
// the folder, is malformed, or names no file ("/" is index.html).
std::string servedFile(const std::string& folder, const std::string& requestPath);

} // namespace ravok
