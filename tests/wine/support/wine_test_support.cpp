#include "tests/wine/support/wine_test_support.h"

#include <gtest/gtest.h>

#include <exception>
#include <iostream>
#include <thread>

#include "settings/settings_store.h"
#include "standins/support/user_input.h"

namespace sonarel::testing {
namespace {

using Clock = std::chrono::steady_clock;

void pumpOnce(std::chrono::milliseconds wait) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(wait.count()), QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

UniqueRegKey openKey(HKEY root, const std::wstring& path, REGSAM access) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, access, &raw) != ERROR_SUCCESS) return {};
    return UniqueRegKey(raw);
}

}  // namespace

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    auto end = Clock::now() + deadline;
    while (!condition()) {
        if (Clock::now() >= end) return condition();
        pumpOnce(10ms);
    }
    return true;
}

bool waitForInputQuiet(std::chrono::milliseconds deadline) {
    return waitUntil(inputQuiet, deadline);
}

void keepUserPresent() {
    static std::optional<Clock::time_point> lastMove;
    if (lastMove && Clock::now() - *lastMove < 30s) return;
    moveMouseByNothing();
    lastMove = Clock::now();
    waitForInputQuiet();
}

namespace {

int failuresSoFar() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (!test) return 0;
    int failures = 0;
    for (int i = 0; i < test->result()->total_part_count(); ++i)
        failures += test->result()->GetTestPartResult(i).failed() ? 1 : 0;
    return failures;
}

}  // namespace

TraceShownOnFailure::TraceShownOnFailure(const DebugTraceReader& trace)
    : trace_(trace), firstLine_(trace.lines().size()), failuresBefore_(failuresSoFar()) {}

TraceShownOnFailure::~TraceShownOnFailure() {
    if (failuresSoFar() == failuresBefore_) return;
    auto lines = trace_.lines();
    std::cout << "The plug-in's trace meanwhile:\n";
    for (std::size_t i = firstLine_; i < lines.size(); ++i)
        if (lines[i].starts_with("Sonarel: ")) std::cout << "  " << lines[i];
    std::cout.flush();
}

void pumpMessagesFor(std::chrono::milliseconds duration) {
    auto end = Clock::now() + duration;
    while (Clock::now() < end) pumpOnce(10ms);
}

std::wstring besideTestProgram(const std::wstring& fileName) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + fileName;
}

RegisteredPlugin::RegisteredPlugin() {
    ProgramResult result = runProgram(L"regsvr32 /s \"" + pluginPath() + L"\"");
    if (result.exitCode != 0) throw std::runtime_error("regsvr32 failed: " + result.output);
}

RegisteredPlugin::~RegisteredPlugin() = default;

std::optional<std::wstring> readRegText(HKEY root, const std::wstring& path, const wchar_t* name) {
    UniqueRegKey key = openKey(root, path, KEY_QUERY_VALUE);
    if (!key) return std::nullopt;
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes);
    text.resize(bytes / sizeof(wchar_t));
    if (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

std::optional<DWORD> readRegDword(HKEY root, const std::wstring& path, const wchar_t* name) {
    UniqueRegKey key = openKey(root, path, KEY_QUERY_VALUE);
    if (!key) return std::nullopt;
    DWORD type = 0, value = 0, bytes = sizeof(value);
    if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return std::nullopt;
    return value;
}

bool regKeyExists(HKEY root, const std::wstring& path) { return static_cast<bool>(openKey(root, path, KEY_READ)); }

void writeRegValue(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const void* data,
                   DWORD bytes) {
    HKEY raw = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw, nullptr),
              ERROR_SUCCESS);
    UniqueRegKey key(raw);
    ASSERT_EQ(RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
}

void writeRegText(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& text) {
    writeRegValue(root, path, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void deleteRegTree(HKEY root, const std::wstring& path) { RegDeleteTreeW(root, path.c_str()); }

CleanSettings::CleanSettings() { deleteRegTree(HKEY_CURRENT_USER, SettingsStore::keyPath); }
CleanSettings::~CleanSettings() { deleteRegTree(HKEY_CURRENT_USER, SettingsStore::keyPath); }

ChildProcess::ChildProcess(const std::wstring& commandLine) : process_(commandLine) {}

void ChildProcess::sendLine(const std::string& line) { process_.sendLine(line); }

bool ChildProcess::readAvailable() { return process_.readLines(lines_); }

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds deadline) {
    if (!waitUntil([&] {
            readAvailable();
            return consumed_ < lines_.size();
        }, deadline))
        return std::nullopt;
    return lines_[consumed_++];
}

bool ChildProcess::waitForLine(const std::string& text, std::chrono::milliseconds deadline) {
    auto end = Clock::now() + deadline;
    while (Clock::now() < end) {
        auto line = readLine(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()));
        if (line && *line == text) return true;
    }
    return false;
}

std::optional<DWORD> ChildProcess::waitForExit(std::chrono::milliseconds deadline) {
    if (!waitUntil([&] {
            readAvailable();
            return process_.hasExited();
        }, deadline))
        return std::nullopt;
    while (readAvailable()) {
    }
    return process_.exitCode();
}

ProgramResult runProgram(const std::wstring& commandLine, std::chrono::milliseconds deadline) {
    ChildProcess child(commandLine);
    auto code = child.waitForExit(deadline);
    ProgramResult result;
    result.exitCode = code.value_or(STILL_ACTIVE);
    for (const auto& line : child.lines()) result.output += line + "\n";
    return result;
}

void onNewApartmentThread(const std::function<void()>& body) {
    std::exception_ptr failure;
    std::thread thread([&] {
        try {
            ComApartment apartment;
            body();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    thread.join();
    if (failure) std::rethrow_exception(failure);
}

std::wstring guid(REFGUID id) {
    wchar_t text[40];
    StringFromGUID2(id, text, 40);
    return text;
}

std::wstring lower(std::wstring text) {
    for (auto& c : text) c = static_cast<wchar_t>(towlower(c));
    return text;
}

}  // namespace sonarel::testing
