#pragma once
// Counts the input events that programs inject, keys and mouse alike, as
// the window system's low-level hooks see them. The hooks live on a thread
// of their own, so that they answer while the measuring thread waits.
#include <atomic>
#include <future>
#include <thread>

namespace sonarel::bench {

class InjectedInputCounter {
public:
    InjectedInputCounter();
    InjectedInputCounter(const InjectedInputCounter&) = delete;
    InjectedInputCounter& operator=(const InjectedInputCounter&) = delete;
    ~InjectedInputCounter();

    long events() const;
    // False when the window system took no hooks: then the count means nothing.
    bool hooked() const { return hooked_; }

private:
    void run(std::promise<void> ready);

    std::atomic<unsigned long> threadId_{0};
    std::atomic<bool> hooked_{false};
    std::thread thread_;
};

}  // namespace sonarel::bench
