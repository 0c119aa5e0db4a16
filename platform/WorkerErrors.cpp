#include "platform/WorkerErrors.h"

#include <exception>

#include "platform/Desktop.h"

namespace plat {

void WorkerErrors::keepCurrent() {
    std::string text;
    try {
        throw;
    } catch (const std::exception& e) {
        text = e.what();
    } catch (...) {
        text = kUnknownWorkerError;
    }
    std::lock_guard<std::mutex> lock(m_);
    texts_.push_back(std::move(text));
    any_.store(true, std::memory_order_release);
}

std::vector<std::string> WorkerErrors::take() {
    std::vector<std::string> out;
    std::lock_guard<std::mutex> lock(m_);
    out.swap(texts_);
    any_.store(false, std::memory_order_release);
    return out;
}

}  // namespace plat
