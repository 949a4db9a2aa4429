#include "standins/host/plugin_host.h"

#include <cstdio>
#include <exception>

#include "common/dispatch.h"

namespace sonarel::standin {
namespace {

bool isTrue(const Variant& value) { return value.type() == VT_BOOL && value.get()->boolVal != VARIANT_FALSE; }

void registerPlugin(const std::wstring& dllPath) {
    HMODULE module = LoadLibraryW(dllPath.c_str());
    if (!module) throw HResultError(HRESULT_FROM_WIN32(GetLastError()));
    using Register = HRESULT(STDAPICALLTYPE*)();
    auto registerServer = reinterpret_cast<Register>(reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
    HRESULT hr = registerServer ? registerServer() : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    FreeLibrary(module);
    throwIfFailed(hr);
}

}  // namespace

PluginHost::PluginHost(const std::wstring& dllPath) {
    registerPlugin(dllPath);
    CLSID clsid{};
    throwIfFailed(CLSIDFromProgID(L"SonarelPL.winamp", &clsid));
    throwIfFailed(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&plugin_)));
}

bool PluginHost::initialize(long version, const std::wstring& userEmail, IDispatch* messenger) {
    Variant nVersion(version), sUserEmail(userEmail), oMessenger;
    oMessenger.get()->vt = VT_DISPATCH;
    oMessenger.get()->pdispVal = messenger;
    if (messenger) messenger->AddRef();
    return isTrue(callMethod(plugin_.Get(), L"Initialize", {nVersion.get(), sUserEmail.get(), oMessenger.get()}));
}

void PluginHost::uninitialize() { callMethod(plugin_.Get(), L"Uninitialize"); }

std::wstring PluginHost::publishedName(long* commandCount, long* tagCount) {
    ByRef<std::wstring> name(L"");
    ByRef<long> commands(0), tags(0);
    callMethod(plugin_.Get(), L"GetPublishInfo", {&name.arg, &commands.arg, &tags.arg});
    if (commandCount) *commandCount = commands.value;
    if (tagCount) *tagCount = tags.value;
    return name.value.str();
}

std::vector<PublishedCommand> PluginHost::publishedCommands(long count) {
    std::vector<PublishedCommand> commands;
    for (long index = 1; index <= count; ++index) {
        Variant nCommandIdx(index);
        ByRef<std::wstring> name(L""), value(L""), help(L"");
        callMethod(plugin_.Get(), L"GetPublishCommandInfo", {nCommandIdx.get(), &name.arg, &value.arg, &help.arg});
        commands.push_back({index, name.value.str(), value.value.str()});
    }
    return commands;
}

CommandResult PluginHost::parseCommand(const std::wstring& command) { return standin::parseCommand(plugin_.Get(), command); }

CommandResult parseCommand(IDispatch* plugin, const std::wstring& command) {
    Variant sCommand(command), sCommandArg(std::wstring_view(L"")), oConversationWnd;
    oConversationWnd.get()->vt = VT_DISPATCH;
    oConversationWnd.get()->pdispVal = nullptr;
    ByRef<std::wstring> sResult(L"");
    Variant handled = callMethod(plugin, L"ParseCommand",
                                 {sCommand.get(), sCommandArg.get(), oConversationWnd.get(), &sResult.arg});
    return {isTrue(handled), sResult.value.str()};
}

std::wstring besideProgram(const std::wstring& fileName) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + fileName;
}

void printLine(const std::wstring& line) {
    std::wstring text = line + L"\n";
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), stdout);
    fflush(stdout);
}

void pumpMessagesFor(unsigned milliseconds) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        DWORD spent = GetTickCount() - start;
        if (spent >= milliseconds) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(milliseconds - spent, 20), QS_ALLINPUT);
    }
}

int runHostProgram(const char* programName, const std::function<int()>& body) {
    try {
        ComApartment apartment;
        return body();
    } catch (const HResultError& e) {
        std::fprintf(stderr, "%s: failed with HRESULT 0x%08lX\n", programName, static_cast<unsigned long>(e.code()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", programName, e.what());
    }
    return 2;
}

}  // namespace sonarel::standin
