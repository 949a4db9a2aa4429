#include "names/key_read_watch.h"

#include <atomic>
#include <mutex>
#include <utility>

#include "common/win32.h"

namespace sonarel {
namespace {

constexpr ULONG_PTR markSignature = 0x536E0000;
constexpr ULONG_PTR markMask = 0xFFFF0000;

// The batch watched: one at a time, shared with the hook on the
// conversation's thread.
std::atomic<HWND> conversation{nullptr};
std::atomic<ULONG_PTR> batchMark{0};
std::atomic<DWORD> batchStamp{0};
std::atomic<bool> arrived{false};
std::atomic<bool> readThere{false};
std::atomic<bool> lostOnTheWay{false};
std::atomic<bool> lastKeyTaken{false};
std::atomic<bool> keeping{false};
std::atomic<UINT> markMessage{0};
std::atomic<bool> markAwaited{false};
SlimLock keptLock;
std::vector<INPUT> kept;  // the user's keys, guarded by keptLock

bool isKey(UINT message) {
    return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
}

bool isKeyUp(UINT message) { return message == WM_KEYUP || message == WM_SYSKEYUP; }

// A click tells of the user at work as a key does; a move of the pointer
// is also made by windows moving under it.
bool isButtonDown(UINT message) {
    switch (message) {
        case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN: case WM_XBUTTONDOWN:
        case WM_NCLBUTTONDOWN: case WM_NCRBUTTONDOWN: case WM_NCMBUTTONDOWN: case WM_NCXBUTTONDOWN:
            return true;
        default:
            return false;
    }
}

bool forTheConversation(HWND target) {
    HWND window = conversation.load();
    return target && window && (target == window || IsChild(window, target));
}

// Nothing reads a message changed into WM_NULL: no window acts on it, and
// no character is made of it.
void takeOut(MSG& message) {
    message.message = WM_NULL;
    message.wParam = 0;
    message.lParam = 0;
}

// The hot key's own keys. Sent again without our mark, by a key remapper
// that took ours on their way, they would send whatever the entry holds by
// the time they are read: the entry may be the user's again by then.
bool isHotKeyKey(WPARAM key) {
    WORD virtualKey = LOWORD(key);
    return virtualKey == VK_MENU || virtualKey == VK_LMENU || virtualKey == VK_RMENU || virtualKey == '0';
}

// The key again, as the keyboard gave it: a character typed as such
// (VK_PACKET) carries it in the high word.
INPUT asInput(const MSG& message) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    WORD virtualKey = LOWORD(message.wParam);
    DWORD up = isKeyUp(message.message) ? KEYEVENTF_KEYUP : 0;
    if (virtualKey == VK_PACKET) {
        input.ki.wScan = HIWORD(message.wParam);
        input.ki.dwFlags = KEYEVENTF_UNICODE | up;
        return input;
    }
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>((message.lParam >> 16) & 0xFF);
    input.ki.dwFlags = up | ((message.lParam & (1 << 24)) ? KEYEVENTF_EXTENDEDKEY : 0);
    return input;
}

// A key of ours for any other window is taken out, and the batch is lost;
// the last key of the batch taken for the conversation is the batch read.
// Keys of a batch already given up, or of an earlier one, come too late
// to act anywhere: that batch is pressed again, or was read.
void seeOwnKey(MSG& message, ULONG_PTR mark, bool removed) {
    bool thisBatch = mark == batchMark.load();
    if (thisBatch) arrived = true;
    if (!removed) return;
    bool lastKey = thisBatch && LOWORD(message.wParam) == VK_MENU && isKeyUp(message.message);
    if (!forTheConversation(message.hwnd) || !thisBatch || lostOnTheWay) {
        takeOut(message);
        if (thisBatch && !readThere) lostOnTheWay = true;
    } else if (lastKey && !lostOnTheWay) {
        readThere = true;
    }
    if (lastKey) lastKeyTaken = true;
}

// Input stamped after the batch, taken before the batch was read: the keys
// were swallowed or sent again on their way, and the user is at work. The
// user's keys meant for where the keyboard was are kept from the hidden
// conversation; an Alt or a 0 is taken out without being kept, since
// typed again where the keyboard goes it could make a hot key there.
void seeUsersInput(MSG& message) {
    bool afterBatch = static_cast<LONG>(message.time - batchStamp.load()) >= 0;
    bool settled = readThere || lostOnTheWay;
    if (!settled && afterBatch) lostOnTheWay = true;
    if (!isKey(message.message) || !keeping || !forTheConversation(message.hwnd)) return;
    if (isHotKeyKey(message.wParam)) {
        if (afterBatch && !readThere) takeOut(message);
        return;
    }
    std::lock_guard<SlimLock> hold(keptLock);
    kept.push_back(asInput(message));
    takeOut(message);
}

// No exception may pass through the window system's frames.
LRESULT CALLBACK messageTaken(int code, WPARAM removal, LPARAM message) noexcept {
    if (code == HC_ACTION) {
        try {
            MSG& msg = *reinterpret_cast<MSG*>(message);
            bool removed = (removal & PM_REMOVE) != 0;
            if (removed && msg.message == markMessage.load() && msg.message != 0) {
                markAwaited = false;
            } else if (isKey(msg.message)) {
                auto extra = static_cast<ULONG_PTR>(GetMessageExtraInfo());
                if (isOwnKeyMark(extra))
                    seeOwnKey(msg, extra, removed);
                else if (removed)
                    seeUsersInput(msg);
            } else if (removed && isButtonDown(msg.message)) {
                seeUsersInput(msg);
            }
        } catch (...) {
            // Short of memory: the key goes where the window system sends it.
        }
    }
    return CallNextHookEx(nullptr, code, removal, message);
}

}  // namespace

ULONG_PTR ownKeyMark(unsigned batch) { return markSignature | (batch & ~markMask); }

bool isOwnKeyMark(ULONG_PTR extraInfo) { return (extraInfo & markMask) == markSignature; }

// A watch of the same thread goes on from one batch to the next, so that
// no key of an earlier batch passes unwatched in between.
bool KeyReadWatch::watch(HWND window, ULONG_PTR mark, DWORD stamp) {
    DWORD process = 0;
    DWORD thread = GetWindowThreadProcessId(window, &process);
    if (!thread || process != GetCurrentProcessId()) {
        stop();
        return false;
    }
    conversation = window;
    batchStamp = stamp;
    batchMark = mark;
    arrived = readThere = lostOnTheWay = lastKeyTaken = false;
    keeping = true;  // with the user's keys still kept from the batch before
    return hook(thread);
}

// Moving to another thread ends nothing else of the watch.
bool KeyReadWatch::hook(DWORD thread) {
    if (hook_ && thread_ == thread && !threadEnded()) return true;
    if (hook_) UnhookWindowsHookEx(std::exchange(hook_, nullptr));
    hook_ = SetWindowsHookExW(WH_GETMESSAGE, messageTaken, nullptr, thread);
    thread_ = thread;
    threadHandle_.reset(hook_ ? OpenThread(SYNCHRONIZE, FALSE, thread) : nullptr);
    return hook_ != nullptr;
}

// A thread's id is given to another thread once it ended, and the hook
// ended with it.
bool KeyReadWatch::threadEnded() const {
    return threadHandle_ && WaitForSingleObject(threadHandle_.get(), 0) == WAIT_OBJECT_0;
}

bool KeyReadWatch::markAfter(HWND window) {
    DWORD process = 0;
    DWORD thread = GetWindowThreadProcessId(window, &process);
    if (!thread || process != GetCurrentProcessId() || (keeping && thread != thread_) || !hook(thread)) return false;
    if (!markMessage) markMessage = RegisterWindowMessageW(L"SonarelPL hide carried out");
    markAwaited = true;
    if (markMessage && PostMessageW(window, markMessage, 0, 0)) return true;
    markAwaited = false;
    return false;
}

bool KeyReadWatch::markTaken() const { return !markAwaited; }

ULONG_PTR KeyReadWatch::batch() const { return batchMark; }

// What the watch saw stays when it ends.
BatchSeen KeyReadWatch::seen(ULONG_PTR mark) const {
    if (mark != batchMark.load()) return {};
    return {arrived.load(), readThere.load(), lostOnTheWay.load()};
}

std::vector<INPUT> KeyReadWatch::stopKeeping() {
    keeping = false;
    std::lock_guard<SlimLock> hold(keptLock);
    return std::exchange(kept, {});
}

void KeyReadWatch::stopIfDone(DWORD now) {
    bool over = lastKeyTaken || now - batchStamp.load() >= keysReadLongestWaitMs;
    if (hook_ && !keeping && !markAwaited && over) stop();
}

void KeyReadWatch::stop() {
    if (hook_) UnhookWindowsHookEx(std::exchange(hook_, nullptr));
    threadHandle_.reset();
    keeping = false;
    markAwaited = false;
}

}  // namespace sonarel
