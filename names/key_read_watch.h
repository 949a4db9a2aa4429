#pragma once
// The watch on the command conversation's thread while a batch of the
// plug-in's keys is on its way: where each key of the batch is taken, and
// whether input of the user's comes first. A key of ours taken for any
// other window is taken out of the stream before anything reads it, and a
// key of the user's that the hidden conversation would swallow is kept, to
// go where the keyboard is once it is back.
//
// The host runs inside the messenger's process, so the conversation's
// thread is a thread of this process, and a hook on that thread alone
// (WH_GETMESSAGE) needs no DLL of its own. It sees each message as the
// thread takes it, before the window's procedure, and may change it; a
// global or low-level hook would see the keys as they enter the queue,
// which is too early to tell where they go.
#include <windows.h>

#include <vector>

#include "common/win32.h"
#include "names/desktop_rules.h"

namespace sonarel {

// The plug-in's keys carry a mark of their own in their extra information,
// with a number for each batch.
ULONG_PTR ownKeyMark(unsigned batch);
bool isOwnKeyMark(ULONG_PTR extraInfo);

class KeyReadWatch {
public:
    KeyReadWatch() = default;
    ~KeyReadWatch() { stop(); }
    KeyReadWatch(const KeyReadWatch&) = delete;
    KeyReadWatch& operator=(const KeyReadWatch&) = delete;

    // Watches the conversation's thread for the batch of this mark, stamped
    // `stamp`, and keeps the user's keys it takes for the conversation,
    // with those kept from the batch before and not given back yet.
    // False when the thread cannot be watched: one of another process.
    bool watch(HWND conversation, ULONG_PTR mark, DWORD stamp);
    // The mark of the batch watched last.
    ULONG_PTR batch() const;
    // What it saw of the batch of this mark, also once it ended; nothing of
    // another.
    BatchSeen seen(ULONG_PTR mark) const;
    // Ends the keeping, and hands back the user's keys kept, as input.
    std::vector<INPUT> stopKeeping();
    // Ends the watch once no key of the batch can come any more (its last
    // key was taken, or the longest wait is over), nothing is kept and no
    // mark is awaited.
    void stopIfDone(DWORD now);
    void stop();

    // Posts a mark to the window and watches its thread for it: once the
    // thread takes the mark, it has carried out what was posted to it
    // before. False when the thread cannot be watched: one of another
    // process, or while a batch on another thread is watched.
    bool markAfter(HWND window);
    bool markTaken() const;

private:
    bool hook(DWORD thread);
    bool threadEnded() const;

    HHOOK hook_ = nullptr;
    DWORD thread_ = 0;
    UniqueHandle threadHandle_;
};

}  // namespace sonarel
