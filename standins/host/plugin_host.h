#pragma once
// The host's side of the plug-in contract: register the plug-in beside the
// program, create it by ProgID and call it by member name only, as a
// late-binding host does.
#include <functional>
#include <string>
#include <vector>

#include "common/com.h"

namespace sonarel::standin {

struct PublishedCommand {
    long index;
    std::wstring name;
    std::wstring value;
};

struct CommandResult {
    bool handled;
    std::wstring result;
};

// Hands a command to the plug-in as the host does when the user types it.
CommandResult parseCommand(IDispatch* plugin, const std::wstring& command);

class PluginHost {
public:
    // Registers the DLL (machine-wide, in the running prefix) and creates it.
    explicit PluginHost(const std::wstring& dllPath);

    bool initialize(long version, const std::wstring& userEmail, IDispatch* messenger);
    void uninitialize();
    std::wstring publishedName(long* commandCount = nullptr, long* tagCount = nullptr);
    std::vector<PublishedCommand> publishedCommands(long count);
    CommandResult parseCommand(const std::wstring& command);

private:
    ComPtr<IDispatch> plugin_;
};

// A file beside the running program.
std::wstring besideProgram(const std::wstring& fileName);

// Writes a line to standard output as UTF-8, at once.
void printLine(const std::wstring& line);

// Pumps this thread's messages for a while (timers and events run).
void pumpMessagesFor(unsigned milliseconds);

// Runs a stand-in program's body in a COM apartment and returns its exit
// code; a failure is reported on standard error under the program's name,
// and ends it with 2.
int runHostProgram(const char* programName, const std::function<int()>& body);

}  // namespace sonarel::standin
