// The two reporting paths of the whole system. ReportError is the one way the
// player shows an error to the user (a message box on the desktop, standard
// error when headless); Notice is a progress mark that shows nothing. Both take
// an optional trace of source positions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ravok {

struct TTraceEntry {
    std::string source; // source file of a class
    int32_t offset;     // byte offset in the file's text as the system reads it
    std::string where;  // the frame's class and method ("Ship.move"), when known
};

using TTrace = std::vector<TTraceEntry>;

class TReporter {
public:
    virtual ~TReporter() = default;
    virtual void notice(const std::string& text, const TTrace& trace) = 0;
    virtual void reportError(const std::string& text, const TTrace& trace) = 0;
    // Whether notice() reads its trace. A script's print is a notice, and
    // building its call trace costs allocations a game printing every few
    // frames need not pay where nothing reads it.
    virtual bool readsNoticeTraces() const { return true; }
    // A problem the game goes on past (a missing sound or picture): a line
    // on standard error, and in the window's status bar, never a box that
    // stops the game.
    virtual void problem(const std::string& text);
};

// Both keep the music playing while a message is pending (soundTicker()).
void Notice(const std::string& text, const TTrace& trace = {});
void ReportError(const std::string& text, const TTrace& trace = {});
// A problem the game goes on past, said once for each `key` (a file's path):
// a game that plays a missing sound every frame says so once.
void ReportProblemOnce(const std::string& key, const std::string& text);
// Whether the installed reporter reads the traces of notices.
bool NoticeTracesRead();

// Installs the platform's reporter; nullptr restores the headless one.
// Returns the reporter that was installed before.
TReporter* setReporter(TReporter* reporter);

TReporter& headlessReporter();

} // namespace ravok
