#pragma once
// Helpers for tests that run under Wine against the real DLL, registry,
// windows and keystrokes.
#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/com.h"
#include "standins/support/debug_trace.h"
#include "standins/support/piped_process.h"
#include "common/win32.h"

namespace sonarel::testing {

using namespace std::chrono_literals;

// Pumps the thread's messages (so timers and events are delivered) until
// the condition holds or the deadline passes; returns the condition.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline = 10s);
// Waits until the window system has seen no input for a second: the
// plug-in holds the name back while the user types, and a window that a
// test before closed under the pointer counts as input under Wine.
bool waitForInputQuiet(std::chrono::milliseconds deadline = 5s);

// The user at the desk: the plug-in takes a user without input for a
// minute to be away, and injects nothing then. A test, or a run, that goes
// on for longer moves the mouse by nothing every half minute, as a person
// at the desk would, and lets it rest for a second.
void keepUserPresent();

// Prints the plug-in's trace lines written during its life when a check
// failed meanwhile: a failure then says what the plug-in decided.
class TraceShownOnFailure {
public:
    explicit TraceShownOnFailure(const DebugTraceReader& trace);
    TraceShownOnFailure(const TraceShownOnFailure&) = delete;
    TraceShownOnFailure& operator=(const TraceShownOnFailure&) = delete;
    ~TraceShownOnFailure();

private:
    const DebugTraceReader& trace_;
    std::size_t firstLine_;
    int failuresBefore_;
};

// Pumps messages for a while; for checking that something does NOT happen.
void pumpMessagesFor(std::chrono::milliseconds duration);

// A file next to the running test program (the build puts all in bin/).
std::wstring besideTestProgram(const std::wstring& fileName);
inline std::wstring pluginPath() { return besideTestProgram(L"SonarelPL.dll"); }

// Registers the plug-in machine-wide for the test program's lifetime.
class RegisteredPlugin {
public:
    RegisteredPlugin();
    RegisteredPlugin(const RegisteredPlugin&) = delete;
    RegisteredPlugin& operator=(const RegisteredPlugin&) = delete;
    ~RegisteredPlugin();
};

// A GUID in registry form, "{...}"; a text in lower case, for paths.
std::wstring guid(REFGUID id);
std::wstring lower(std::wstring text);

// Registry helpers that tests use to set up and inspect state.
std::optional<std::wstring> readRegText(HKEY root, const std::wstring& path, const wchar_t* name);
std::optional<DWORD> readRegDword(HKEY root, const std::wstring& path, const wchar_t* name);
bool regKeyExists(HKEY root, const std::wstring& path);
void writeRegValue(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const void* data,
                   DWORD bytes);
void writeRegText(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& text);
void deleteRegTree(HKEY root, const std::wstring& path);

// Clears the plug-in's settings before and after a test.
class CleanSettings {
public:
    CleanSettings();
    CleanSettings(const CleanSettings&) = delete;
    CleanSettings& operator=(const CleanSettings&) = delete;
    ~CleanSettings();
};

// A child process whose standard input the test writes lines to and whose
// standard output it reads lines from. Ended when the object goes.
class ChildProcess {
public:
    explicit ChildProcess(const std::wstring& commandLine);

    void sendLine(const std::string& line);
    // The next line of output, waiting up to the deadline while pumping
    // this thread's messages; nothing when none came.
    std::optional<std::string> readLine(std::chrono::milliseconds deadline = 10s);
    // Waits for a line that equals the text.
    bool waitForLine(const std::string& text, std::chrono::milliseconds deadline = 10s);
    // Waits for the process to end and returns its exit code.
    std::optional<DWORD> waitForExit(std::chrono::milliseconds deadline = 10s);
    // Everything read so far.
    const std::vector<std::string>& lines() const { return lines_; }

private:
    bool readAvailable();
    PipedProcess process_;
    std::vector<std::string> lines_;
    size_t consumed_ = 0;
};

// Runs a program to its end and returns its output (stdout and stderr).
struct ProgramResult {
    DWORD exitCode = 0;
    std::string output;
};
ProgramResult runProgram(const std::wstring& commandLine, std::chrono::milliseconds deadline = 30s);

// Runs a body on a new single-threaded apartment thread with its own
// message loop, and waits for it to finish.
void onNewApartmentThread(const std::function<void()>& body);

}  // namespace sonarel::testing
