// An exception that escapes a worker's body, carried to the user-interface
// thread (see Platform::startThread): the worker keeps its text, the next
// pump takes it and shows it.  Both back ends use this one, so that they
// report alike.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace plat {

class WorkerErrors {
public:
    // On a worker, inside a catch block: keeps the text of the exception
    // being handled, what() of a std::exception, kUnknownWorkerError for
    // anything else.
    void keepCurrent();
    // Whether a kept text waits; cheap enough for every pump.
    bool any() const { return any_.load(std::memory_order_acquire); }
    // The kept texts, oldest first; each is taken once.
    std::vector<std::string> take();

private:
    std::mutex m_;
    std::vector<std::string> texts_;
    std::atomic<bool> any_{false};
};

}  // namespace plat
