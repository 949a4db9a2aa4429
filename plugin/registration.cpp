#include "plugin/registration.h"

#include <oleauto.h>

#include <string>

#include "SonarelPL.h"
#include "common/com.h"
#include "common/win32.h"
#include "names/borrowed_quick_texts.h"

namespace sonarel {
namespace {

constexpr wchar_t progId[] = L"SonarelPL.winamp";
constexpr wchar_t typeLibName[] = L"SonarelPL";
constexpr wchar_t interfaceName[] = L"_winamp";
// The standard marshaler for automation interfaces.
constexpr wchar_t automationProxy[] = L"{00020424-0000-0000-C000-000000000046}";

std::wstring guidText(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

class ClassesRoot {
public:
    explicit ClassesRoot(RegistrationScope scope)
        : root_(scope == RegistrationScope::machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER) {}

    // Creates the key below Software\Classes and sets one text value.
    void setText(const std::wstring& path, const wchar_t* valueName, const std::wstring& text) const {
        HKEY raw = nullptr;
        LSTATUS status = RegCreateKeyExW(root_, full(path).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw,
                                         nullptr);
        if (status != ERROR_SUCCESS) throw HResultError(HRESULT_FROM_WIN32(status));
        UniqueRegKey key(raw);
        status = RegSetValueExW(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        if (status != ERROR_SUCCESS) throw HResultError(HRESULT_FROM_WIN32(status));
    }

    // Removes the key and everything below it; an absent key is fine.
    void removeTree(const std::wstring& path) const {
        LSTATUS status = RegDeleteTreeW(root_, full(path).c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) throw HResultError(HRESULT_FROM_WIN32(status));
    }

private:
    static std::wstring full(const std::wstring& path) { return L"Software\\Classes\\" + path; }
    HKEY root_;
};

std::wstring classKey() { return L"CLSID\\" + guidText(CLSID_winamp); }
std::wstring typeLibKey() { return L"TypeLib\\" + guidText(LIBID_SonarelPL); }
std::wstring interfaceKey() { return L"Interface\\" + guidText(IID__winamp); }

void writeClassEntries(const ClassesRoot& classes, const std::wstring& modulePath) {
    classes.setText(classKey(), nullptr, progId);
    classes.setText(classKey() + L"\\InprocServer32", nullptr, modulePath);
    classes.setText(classKey() + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    classes.setText(classKey() + L"\\ProgID", nullptr, progId);
    classes.setText(classKey() + L"\\VERSION", nullptr, L"1.0");
    classes.setText(classKey() + L"\\TypeLib", nullptr, guidText(LIBID_SonarelPL));
    classes.setText(progId, nullptr, progId);
    classes.setText(std::wstring(progId) + L"\\CLSID", nullptr, guidText(CLSID_winamp));
}

// The entries RegisterTypeLib makes machine-wide, written for one user.
void writeTypeLibEntriesForUser(const ClassesRoot& classes, const std::wstring& modulePath) {
    std::wstring version = typeLibKey() + L"\\1.0";
    classes.setText(version, nullptr, typeLibName);
    classes.setText(version + L"\\409\\win32", nullptr, modulePath);
    classes.setText(version + L"\\FLAGS", nullptr, L"0");
    classes.setText(version + L"\\HELPDIR", nullptr, modulePath.substr(0, modulePath.find_last_of(L'\\')));
    classes.setText(interfaceKey(), nullptr, interfaceName);
    classes.setText(interfaceKey() + L"\\ProxyStubClsid", nullptr, automationProxy);
    classes.setText(interfaceKey() + L"\\ProxyStubClsid32", nullptr, automationProxy);
    classes.setText(interfaceKey() + L"\\TypeLib", nullptr, guidText(LIBID_SonarelPL));
    classes.setText(interfaceKey() + L"\\TypeLib", L"Version", L"1.0");
}

void registerTypeLibMachineWide(const std::wstring& modulePath) {
    ComPtr<ITypeLib> library;
    throwIfFailed(LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, &library));
    std::wstring path = modulePath;
    throwIfFailed(RegisterTypeLib(library.Get(), path.data(), nullptr));
}

}  // namespace

HRESULT registerServer(RegistrationScope scope) {
    return comBoundary([&] {
        ClassesRoot classes(scope);
        std::wstring modulePath = thisModulePath();
        writeClassEntries(classes, modulePath);
        if (scope == RegistrationScope::machine) {
            registerTypeLibMachineWide(modulePath);
        } else {
            writeTypeLibEntriesForUser(classes, modulePath);
        }
        return S_OK;
    });
}

HRESULT unregisterServer(RegistrationScope scope) {
    return comBoundary([&] {
        ClassesRoot classes(scope);
        classes.removeTree(classKey());
        classes.removeTree(progId);
        if (scope == RegistrationScope::machine) {
            // Not registered is not a failure of unregistration.
            UnRegisterTypeLib(LIBID_SonarelPL, 1, 0, 0x409, SYS_WIN32);
        }
        // RegisterTypeLib's own removal may leave the keys behind on some
        // systems; they are ours either way.
        classes.removeTree(typeLibKey());
        classes.removeTree(interfaceKey());
        // The user's own text goes back on the hot key, for every sign-in name.
        giveBackBorrowedQuickTexts();
        return S_OK;
    });
}

}  // namespace sonarel
