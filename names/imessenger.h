#pragma once
// IMessenger: the automation view of the thread's open conversation
// windows (imWindows). Item, Count and NewEnum are reached through
// IDispatch; AddWindow and RemoveWindow are for the library only.
#include <optional>

#include "common/com_object.h"
#include "names/window_keys.h"

namespace sonarel {

using ConversationWindows = std::optional<KeyedCollection<ComPtr<IDispatch>>>;

// The key of a conversation window: "HWND" and its hWnd, read by name.
// Throws when the object has no readable hWnd.
std::wstring conversationWindowKey(IDispatch* window);

inline constexpr DISPID dispidItem = DISPID_VALUE;
inline constexpr DISPID dispidCount = 0x68030000;
inline constexpr DISPID dispidNewEnum = DISPID_NEWENUM;

MIDL_INTERFACE("C8AF20F9-24C0-49D9-B2F0-4E97E7A7FD89")
_IMessenger : public IDispatch {
public:
    // Dispatch members, in slot order.
    virtual HRESULT STDMETHODCALLTYPE get_Item(VARIANT* Index, IDispatch** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NewEnum(IUnknown** result) = 0;
    // Library only.
    virtual HRESULT STDMETHODCALLTYPE RemoveWindow(VARIANT* sKey) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddWindow(IDispatch** pIMWindow, IDispatch** result) = 0;
};

}  // namespace sonarel

__CRT_UUID_DECL(sonarel::_IMessenger, 0xC8AF20F9, 0x24C0, 0x49D9, 0xB2, 0xF0, 0x4E, 0x97, 0xE7, 0xA7, 0xFD, 0x89)

namespace sonarel {

class IMessenger final : public ComObject<IMessenger, _IMessenger> {
public:
    explicit IMessenger(ConversationWindows& imWindows) : imWindows_(imWindows) {}

    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

    // The entry at a position (counted from 1) or under a key.
    STDMETHODIMP get_Item(VARIANT* Index, IDispatch** result) override;
    STDMETHODIMP get_Count(LONG* result) override;
    // An enumerator over the windows, in collection order.
    STDMETHODIMP get_NewEnum(IUnknown** result) override;
    // Removes the entry under the key; ignores every error.
    STDMETHODIMP RemoveWindow(VARIANT* sKey) override;
    // Records the window under "HWND" + its hWnd and returns it; fails, and
    // records nothing, when the window has no hWnd or the key is taken.
    STDMETHODIMP AddWindow(IDispatch** pIMWindow, IDispatch** result) override;
    // Removes a recorded window object, found by identity: also one whose
    // hWnd can no longer be read to form its key.
    void forgetWindow(IDispatch* window);
    // Records a window object through AddWindow; one recorded already under
    // its key counts as recorded. The HRESULT of any other failure.
    HRESULT recordWindow(IDispatch* window);

protected:
    void* findInterface(REFIID iid) override;

private:
    KeyedCollection<ComPtr<IDispatch>>& windows();
    ConversationWindows& imWindows_;
};

// Errors the collection raises, as a collection of the windowing layer does.
inline constexpr HRESULT collectionNotCreated = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 91);
inline constexpr HRESULT subscriptOutOfRange = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 9);
inline constexpr HRESULT invalidArgument = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 5);
inline constexpr HRESULT keyAlreadyPresent = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 457);

}  // namespace sonarel
