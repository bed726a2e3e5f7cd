#include "app/debug_adapter.h"

#include "app/game_opening.h"
#include "app/headless_player.h"
#include "app/json_value.h"
#include "app/window_player.h"
#include "player/debugger.h"
#include "player/source_debugger.h"
#include "runtime/host_registry.h"
#include "runtime/interpreter.h"
#include "runtime/process.h"
#include "runtime/runtime_natives.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace ravok {

namespace {

// One message's body from a stream of "Content-Length: N" headed messages;
// false at the end of the stream.
bool readMessage(std::FILE* in, std::string& body) {
    long length = -1;
    char line[512];
    while (std::fgets(line, sizeof line, in)) {
        std::string header = line;
        while (!header.empty() && (header.back() == '\n' || header.back() == '\r'))
            header.pop_back();
        if (header.empty()) {
            if (length < 0) continue;
            if (length > 64L * 1024 * 1024) return false;
            body.assign(size_t(length), '\0');
            return std::fread(body.data(), 1, size_t(length), in) == size_t(length);
        }
        const std::string key = "Content-Length:";
        if (header.compare(0, key.size(), key) == 0)
            length = std::strtol(header.c_str() + key.size(), nullptr, 10);
    }
    return false;
}

const char* reasonName(TStopReason reason) {
    switch (reason) {
    case TStopReason::Breakpoint:
        return "breakpoint";
    case TStopReason::Step:
        return "step";
    case TStopReason::Error:
        return "exception";
    default:
        return "pause";
    }
}

class TDapSession : public TDebugWindow {
public:
    explicit TDapSession(int protocolFd) : out_(protocolFd) {}

    // ---- the wire -------------------------------------------------------------
    void send(TJson message) {
        std::lock_guard<std::mutex> lock(writing_);
        message.set("seq", TJson(++seq_));
        std::string body = message.dump();
        std::string whole = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
        for (size_t done = 0; done < whole.size();) {
            ssize_t n = ::write(out_, whole.data() + done, whole.size() - done);
            if (n <= 0) return;
            done += size_t(n);
        }
    }
    void event(const std::string& name, TJson body = TJson::object()) {
        TJson e = TJson::object();
        e.set("type", "event").set("event", name).set("body", std::move(body));
        send(std::move(e));
    }
    void respond(const TJson& request, TJson body = TJson::object(), bool success = true,
                 const std::string& message = {}) {
        TJson r = TJson::object();
        r.set("type", "response")
            .set("request_seq", TJson(request["seq"].num()))
            .set("success", success)
            .set("command", request["command"].str());
        if (!message.empty()) r.set("message", message);
        r.set("body", std::move(body));
        send(std::move(r));
    }
    void output(const std::string& category, const std::string& text) {
        TJson body = TJson::object();
        body.set("category", category).set("output", text);
        event("output", std::move(body));
    }

    // ---- the reader thread's queue ------------------------------------------------
    void startReader() {
        reader_ = std::thread([this] {
            std::string body;
            while (readMessage(stdin, body)) {
                TJson message;
                try {
                    message = TJson::parse(body);
                } catch (const std::exception& e) {
                    output("stderr", std::string("ravok: ") + e.what() + "\n");
                    continue;
                }
                {
                    std::lock_guard<std::mutex> lock(queueLock_);
                    queue_.push_back(std::move(message));
                    queueChanged_.notify_all();
                }
                events_.load()->wake();
            }
            {
                std::lock_guard<std::mutex> lock(queueLock_);
                ended_ = true;
                queueChanged_.notify_all();
            }
            events_.load()->wake();
        });
        reader_.detach();
    }
    // The next request, waiting for it; false once the editor has gone.
    bool next(TJson& message, bool wait) {
        std::unique_lock<std::mutex> lock(queueLock_);
        if (wait) queueChanged_.wait(lock, [this] { return !queue_.empty() || ended_; });
        if (queue_.empty()) return false;
        message = std::move(queue_.front());
        queue_.pop_front();
        return true;
    }
    bool ended() {
        std::lock_guard<std::mutex> lock(queueLock_);
        return ended_ && queue_.empty();
    }

    // ---- before the game starts ----------------------------------------------
    // Answers until both launch and configurationDone have come; false when
    // the editor went away or disconnected first.
    bool configure() {
        TJson message;
        while (!(launched_ && configured_)) {
            if (!next(message, true)) return false;
            handle(message);
            if (quit_) return false;
        }
        return true;
    }

    // ---- TDebugWindow ------------------------------------------------------------------
    bool present() override { return true; }
    void showHold(const THoldView& view) override {
        forgetHandles();
        TJson body = TJson::object();
        body.set("reason", reasonName(view.reason));
        if (view.reason == TStopReason::Error) body.set("text", view.errorText);
        if (view.reason == TStopReason::Held) body.set("description", "held");
        const TProcess* p = TSourceDebugger::instance().heldProcess();
        body.set("threadId", TJson(p ? p->hostId() : 1u)).set("allThreadsStopped", true);
        std::fflush(stdout);
        events_.load()->holding(true);
        event("stopped", std::move(body));
    }
    void endHold() override { events_.load()->holding(false); }
    bool pump() override {
        TJson message;
        // The window (if any) answers its own events while the editor thinks.
        while (!next(message, false)) {
            if (ended()) return false;
            if (!events_.load()->waitOnce([this] { return hasMessage(); })) return false;
        }
        handle(message);
        return !quit_;
    }
    bool hasMessage() {
        std::lock_guard<std::mutex> lock(queueLock_);
        return !queue_.empty() || ended_;
    }
    // How a hold waits: the window's events too, once a window is up.
    void waitWith(THoldEvents& events) { events_ = &events; }
    void idle() override {
        TJson message;
        while (next(message, false))
            handle(message);
        if (quit_ || ended()) requestProgramExit();
    }

    TJson launch;
    bool quit_ = false;

private:
    int out_;
    THoldEvents defaultEvents_;
    std::atomic<THoldEvents*> events_{&defaultEvents_};
    std::mutex writing_;
    int64_t seq_ = 0;
    std::thread reader_;
    std::mutex queueLock_;
    std::condition_variable queueChanged_;
    std::deque<TJson> queue_;
    bool ended_ = false;
    bool launched_ = false;
    bool configured_ = false;

    // Frames and variable lists are named by numbers that hold for one stop.
    struct TFrameRef {
        TValue process;
        uint32_t fp;
    };
    enum class TListKind { Locals, This, Globals, Children };
    struct TListRef {
        TListKind kind;
        TValue process;
        uint32_t fp;
        TValue value;
    };
    std::vector<TFrameRef> frameRefs_;
    std::vector<TListRef> listRefs_;

    void forgetHandles() {
        frameRefs_.clear();
        listRefs_.clear();
    }
    int listRef(TListRef ref) {
        listRefs_.push_back(ref);
        return int(listRefs_.size());
    }
    static TProcess* processOf(const TValue& handle) {
        return static_cast<TProcess*>(THostRegistry::instance().find(handle, THostKind::Process));
    }
    static TProcess* processById(double id) {
        for (THostObject* obj : THostRegistry::instance().liveObjects(THostKind::Process))
            if (double(obj->hostId()) == id) return static_cast<TProcess*>(obj);
        return nullptr;
    }
    TJson variablesOf(const std::vector<TDebugVariable>& list) {
        TJson out = TJson::array();
        for (const TDebugVariable& v : list) {
            TJson item = TJson::object();
            item.set("name", v.name).set("value", v.value).set("type", v.type);
            int ref = v.openable ? listRef({TListKind::Children, {}, 0, v.raw}) : 0;
            item.set("variablesReference", ref);
            out.push(std::move(item));
        }
        return out;
    }

    void handle(const TJson& request) {
        TSourceDebugger& debugger = TSourceDebugger::instance();
        std::string command = request["command"].str();
        const TJson& args = request["arguments"];
        if (command == "initialize") {
            TJson caps = TJson::object();
            caps.set("supportsConfigurationDoneRequest", true)
                .set("supportsEvaluateForHovers", true)
                .set("supportsTerminateRequest", true);
            respond(request, std::move(caps));
            event("initialized");
        } else if (command == "launch") {
            launch = args;
            launched_ = true;
            respond(request);
        } else if (command == "configurationDone") {
            configured_ = true;
            respond(request);
        } else if (command == "setBreakpoints") {
            std::string path = args["source"]["path"].str();
            std::vector<int> lines;
            for (size_t i = 0; i < args["breakpoints"].size(); ++i)
                lines.push_back(int(args["breakpoints"][i]["line"].num()));
            std::vector<int> placed = debugger.setBreakpoints(path, lines);
            TJson list = TJson::array();
            for (size_t i = 0; i < lines.size(); ++i) {
                TJson b = TJson::object();
                b.set("verified", placed[i] > 0).set("line", placed[i] > 0 ? placed[i] : lines[i]);
                if (placed[i] == 0) b.set("message", "Set when the class is compiled.");
                list.push(std::move(b));
            }
            TJson body = TJson::object();
            body.set("breakpoints", std::move(list));
            respond(request, std::move(body));
        } else if (command == "setExceptionBreakpoints") {
            respond(request);
        } else if (command == "threads") {
            TJson threads = TJson::array();
            for (THostObject* obj : THostRegistry::instance().liveObjects(THostKind::Process)) {
                auto* p = static_cast<TProcess*>(obj);
                if (p->finished || !p->fp) continue;
                std::vector<TDebugFrame> frames = debugger.frames(p);
                std::string name = frames.empty() ? "process" : frames.back().where;
                TJson t = TJson::object();
                t.set("id", TJson(p->hostId()))
                    .set("name", name + " #" + std::to_string(p->hostId()));
                threads.push(std::move(t));
            }
            if (threads.size() == 0) {
                TJson t = TJson::object();
                t.set("id", 1).set("name", "game");
                threads.push(std::move(t));
            }
            TJson body = TJson::object();
            body.set("threads", std::move(threads));
            respond(request, std::move(body));
        } else if (command == "stackTrace") {
            TProcess* p = processById(args["threadId"].num());
            TJson frames = TJson::array();
            for (const TDebugFrame& f : debugger.frames(p)) {
                frameRefs_.push_back({p->handle(), f.fp});
                TJson frame = TJson::object();
                frame.set("id", int(frameRefs_.size())).set("name", f.where);
                if (!f.place.shown.empty()) {
                    TJson source = TJson::object();
                    source.set("name", std::filesystem::path(f.place.shown).filename().string())
                        .set("path", f.place.shown);
                    frame.set("source", std::move(source));
                }
                frame.set("line", f.place.line).set("column", std::max(1, f.place.column));
                frames.push(std::move(frame));
            }
            TJson body = TJson::object();
            body.set("totalFrames", int(frames.size())).set("stackFrames", std::move(frames));
            respond(request, std::move(body));
        } else if (command == "scopes") {
            size_t id = size_t(args["frameId"].num());
            TJson scopes = TJson::array();
            if (id >= 1 && id <= frameRefs_.size()) {
                const TFrameRef& f = frameRefs_[id - 1];
                auto scope = [&](const char* name, TListKind kind) {
                    TJson s = TJson::object();
                    s.set("name", name)
                        .set("variablesReference", listRef({kind, f.process, f.fp, {}}))
                        .set("expensive", false);
                    scopes.push(std::move(s));
                };
                scope("Locals", TListKind::Locals);
                scope("this", TListKind::This);
                scope("Globals", TListKind::Globals);
            }
            TJson body = TJson::object();
            body.set("scopes", std::move(scopes));
            respond(request, std::move(body));
        } else if (command == "variables") {
            size_t ref = size_t(args["variablesReference"].num());
            std::vector<TDebugVariable> list;
            if (ref >= 1 && ref <= listRefs_.size()) {
                TListRef r = listRefs_[ref - 1];
                TProcess* p = processOf(r.process);
                switch (r.kind) {
                case TListKind::Locals:
                    list = debugger.arguments(p, r.fp);
                    for (TDebugVariable& v : debugger.locals(p, r.fp))
                        list.push_back(std::move(v));
                    break;
                case TListKind::This:
                    list = debugger.thisFields(p, r.fp);
                    break;
                case TListKind::Globals:
                    list = debugger.globals();
                    break;
                case TListKind::Children:
                    list = debugger.children(r.value);
                    break;
                }
            }
            TJson body = TJson::object();
            body.set("variables", variablesOf(list));
            respond(request, std::move(body));
        } else if (command == "evaluate") {
            std::string expression = args["expression"].str();
            size_t id = size_t(args["frameId"].num());
            TDebugVariable found =
                id >= 1 && id <= frameRefs_.size()
                    ? debugger.evaluate(expression, processOf(frameRefs_[id - 1].process),
                                        frameRefs_[id - 1].fp)
                    : debugger.evaluate(expression);
            TJson body = TJson::object();
            body.set("result", found.value).set("type", found.type);
            body.set("variablesReference",
                     found.openable ? listRef({TListKind::Children, {}, 0, found.raw}) : 0);
            respond(request, std::move(body));
        } else if (command == "continue") {
            debugger.resume();
            TJson body = TJson::object();
            body.set("allThreadsContinued", true);
            respond(request, std::move(body));
        } else if (command == "next") {
            debugger.stepOver();
            respond(request);
        } else if (command == "stepIn") {
            debugger.stepInto();
            respond(request);
        } else if (command == "stepOut") {
            debugger.stepOut();
            respond(request);
        } else if (command == "pause") {
            debugger.requestPause();
            respond(request);
        } else if (command == "disconnect" || command == "terminate") {
            respond(request);
            quit_ = true;
            debugger.resume();
        } else {
            respond(request, TJson::object(), false, "unsupported request: " + command);
        }
    }
};

// Copies what the game writes to one of its streams into output events.
std::thread forwardStream(TDapSession& session, int fd, const char* category) {
    return std::thread([&session, fd, category] {
        char buffer[4096];
        while (true) {
            ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0) return;
            session.output(category, std::string(buffer, size_t(n)));
        }
    });
}

} // namespace

int runDebugAdapter(TWindowPlayer& window, char** argv, bool headless) {
    // Where the game gets a window, the desktop program plays it: the
    // command line is handed on before a byte of the protocol is read.
    bool windowed = !headless && window.available();
    if (windowed && !window.inProcess()) {
        if (auto status = window.run({}, argv)) return *status;
        windowed = false;
    }
    // The protocol has standard output to itself: what the game and the
    // player write there, and to standard error, becomes output events.
    std::fflush(stdout);
    std::fflush(stderr);
    int protocol = ::dup(1);
    int outPipe[2], errPipe[2];
    if (protocol < 0 || ::pipe(outPipe) != 0 || ::pipe(errPipe) != 0) {
        std::fprintf(stderr, "ravok: --dap: the output streams cannot be set up\n");
        return 1;
    }
    ::dup2(outPipe[1], 1);
    ::dup2(errPipe[1], 2);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    // The reader thread may still be waiting on standard input when the
    // program ends: the session it uses outlives every static.
    static TDapSession* const live = new TDapSession(protocol);
    TDapSession& session = *live;
    std::thread outThread = forwardStream(session, outPipe[0], "stdout");
    std::thread errThread = forwardStream(session, errPipe[0], "stderr");
    // Everything the game wrote is said before the game is said to have ended.
    auto drainStreams = [&] {
        std::fflush(stdout);
        std::fflush(stderr);
        int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(devNull, 1);
        ::dup2(devNull, 2);
        ::close(devNull);
        outThread.join();
        errThread.join();
    };
    session.startReader();
    if (!session.configure()) {
        drainStreams();
        return 0;
    }

    std::string program = session.launch["program"].str();
    TGameOpening opening = gameOpeningFor(program);
    if (program.empty() || !opening.error.empty()) {
        session.output(
            "stderr",
            "ravok: " + (program.empty() ? std::string("launch needs a program") : opening.error) +
                "\n");
        drainStreams();
        session.event("terminated");
        return 1;
    }
    gEchoPrint = true;
    if (session.launch["stopOnEntry"].boolean()) TSourceDebugger::instance().requestPause();
    int status = 0;
    if (windowed && !session.launch["headless"].boolean() && session.launch["input"].isNull()) {
        // The game in its window, the adapter in place of the debug window.
        TWindowOptions options;
        options.page = commandLinePath(opening.start);
        options.frames = long(session.launch["frames"].num(0));
        options.front = &session;
        session.waitWith(window.holdEvents());
        std::optional<int> played = window.run(options, argv);
        status = played ? *played : 1;
    } else {
        THeadlessOptions options;
        options.page = opening.start;
        options.frames = long(session.launch["frames"].num(0));
        options.input = session.launch["input"].str();
        options.front = &session;
        status = runHeadless(options);
    }
    drainStreams();
    TJson exited = TJson::object();
    exited.set("exitCode", status);
    session.event("exited", std::move(exited));
    session.event("terminated");
    // The editor answers with a disconnect; the player ends either way.
    TJson message;
    while (!session.quit_ && session.next(message, true))
        if (message["command"].str() == "disconnect" || message["command"].str() == "terminate")
            session.respond(message), session.quit_ = true;
        else
            session.respond(message, TJson::object(), false, "the game has ended");
    return 0;
}

} // namespace ravok
