#include "app/static_server.h"

#include "base/encoding.h"
#include "runtime/messages.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace ravok {

namespace fs = std::filesystem;

const char* contentTypeOf(const std::string& name) {
    std::string ext = fs::path(name).extension().string();
    for (char& c : ext)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".html" || ext == ".htm") return "text/html; charset=utf-8";
    if (ext == ".js") return "text/javascript; charset=utf-8";
    if (ext == ".css") return "text/css; charset=utf-8";
    if (ext == ".wasm") return "application/wasm";
    if (ext == ".txt") return "text/plain; charset=utf-8";
    if (ext == ".png") return "image/png";
    if (ext == ".json") return "application/json";
    return "application/octet-stream";
}

std::string servedFile(const std::string& folder, const std::string& requestPath) {
    std::string path = requestPath.substr(0, requestPath.find_first_of("?#"));
    if (path.empty() || path[0] != '/') return {};
    // %XX escapes, then every part checked: no "..", no hidden names.
    std::string plain;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '%' && i + 2 < path.size() && std::isxdigit(uint8_t(path[i + 1])) &&
            std::isxdigit(uint8_t(path[i + 2]))) {
            plain += char(std::stoi(path.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            plain += path[i];
        }
    }
    if (plain.find('\0') != std::string::npos || plain.find('\\') != std::string::npos) return {};
    fs::path rel;
    std::stringstream parts(plain);
    std::string part;
    while (std::getline(parts, part, '/')) {
        if (part.empty()) continue;
        if (part[0] == '.') return {};
        rel /= part;
    }
    if (rel.empty()) rel = "index.html";
    fs::path file = fs::path(folder) / rel;
    std::error_code ec;
    if (fs::is_directory(file, ec)) file /= "index.html";
    if (!fs::is_regular_file(file, ec)) return {};
    return file.string();
}

namespace {

void sendAll(int fd, const std::string& bytes) {
    size_t at = 0;
    while (at < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
        if (n <= 0) return;
        at += size_t(n);
    }
}

void answer(int fd, const std::string& folder) {
    std::string request;
    char buf[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) return;
        request.append(buf, size_t(n));
    }
    std::istringstream line(request.substr(0, request.find("\r\n")));
    std::string method, target;
    line >> method >> target;
    if (method != "GET" && method != "HEAD") {
        sendAll(fd, "HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 0\r\nConnection: "
                    "close\r\n\r\n");
        return;
    }
    std::string file = servedFile(folder, target);
    std::string body;
    if (!file.empty()) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        body = s.str();
    }
    if (file.empty()) {
        std::string text = "not found\n";
        sendAll(fd, "HTTP/1.1 404 Not Found\r\nContent-Type: text/plain\r\nContent-Length: " +
                        std::to_string(text.size()) + "\r\nConnection: close\r\n\r\n" +
                        (method == "GET" ? text : ""));
        return;
    }
    // No caching: an author exports again and reloads.
    sendAll(fd, "HTTP/1.1 200 OK\r\nContent-Type: " + std::string(contentTypeOf(file)) +
                    "\r\nContent-Length: " + std::to_string(body.size()) +
                    "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n");
    if (method == "GET") sendAll(fd, body);
}

} // namespace

int serveFolder(const TServeRequest& request) {
    std::error_code ec;
    if (!fs::is_directory(request.folder, ec)) {
        std::fprintf(stderr, "ravok: %s %s\n", request.folder.c_str(),
                     cp932ToTerminal(translate("is not a folder")).c_str());
        return 1;
    }
    std::signal(SIGPIPE, SIG_IGN);
    int server = ::socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    ::setsockopt(server, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK); // never the network
    address.sin_port = htons(uint16_t(request.port));
    if (server < 0 || ::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(server, 16) != 0) {
        std::fprintf(stderr, "ravok: 127.0.0.1:%d %s\n", request.port,
                     cp932ToTerminal(translate("cannot be listened on (is it in use?)")).c_str());
        if (server >= 0) ::close(server);
        return 1;
    }
    socklen_t length = sizeof address;
    ::getsockname(server, reinterpret_cast<sockaddr*>(&address), &length);
    std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/";
    if (request.listening) {
        request.listening(url);
    } else {
        std::printf("%s\n  %s\n  %s\n",
                    cp932ToTerminal(translate("Serving on 127.0.0.1 (Ctrl+C stops it):")).c_str(),
                    request.folder.c_str(), url.c_str());
        std::fflush(stdout);
    }
    // A page asks for its script, the player and the game's data at once:
    // each connection is answered on its own thread.
    for (;;) {
        int client = ::accept(server, nullptr, nullptr);
        if (client < 0) continue;
        auto serve = [client, folder = request.folder] {
            answer(client, folder);
            ::close(client);
        };
        try {
            std::thread(serve).detach();
        } catch (const std::system_error&) {
            serve();
        }
    }
}

} // namespace ravok
