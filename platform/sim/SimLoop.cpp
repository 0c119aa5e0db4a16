// The message loop, virtual time, timers and worker threads.
#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>

#include "platform/Host.h"
#include "platform/sim/SimImpl.h"

namespace sim {

using detail::HandOverItem;

namespace {
constexpr std::uint32_t kMinimumTimerMs = 10;  // USER_TIMER_MINIMUM
// Long enough for a worker of a test under a sanitizer on a busy machine.
constexpr auto kWorkerSilence = std::chrono::seconds(60);
constexpr int kSpinPolls = 20000, kYieldPolls = 100;
}  // namespace

// ---------------------------------------------------------------- pumping

// Runs the hand-overs queued when it was called (later ones wait for the
// next pump), one at a time: a call may pump again itself.  What escapes a
// call goes back to its worker, never through the pump.
bool SimPlatform::Impl::runHandOvers() {
    const std::size_t n = queued.load(std::memory_order_acquire);
    if (n == 0) return false;
    for (std::size_t i = 0; i < n; ++i) {
        HandOverItem* item;
        {
            std::lock_guard<std::mutex> lock(m);
            if (queue.empty()) break;  // released by stopWorkers
            item = queue.front();
            queue.pop_front();
            queued.store(queue.size(), std::memory_order_release);
        }
        try {
            (*item->call)();
        } catch (...) {
            item->error = std::current_exception();
        }
        finish(item, 1);
        handOversRun.fetch_add(1, std::memory_order_relaxed);
    }
    return true;
}

void SimPlatform::Impl::finish(HandOverItem* item, int state) {
    // The item lives on the worker's stack: once state is set it may be
    // gone.  A worker that went to sleep counted itself in sleepers first,
    // so one of the two sides always sees the other.
    item->state.store(state, std::memory_order_seq_cst);
    if (sleepers.load(std::memory_order_seq_cst) > 0) {
        { std::lock_guard<std::mutex> lock(m); }
        workerCv.notify_all();
    }
}

std::size_t SimPlatform::Impl::liveWorkers() const { return stopping.load() ? 0 : live.load(); }

// Blocks until a worker hands something over or ends.
void SimPlatform::Impl::waitForWorker() {
    std::unique_lock<std::mutex> lock(m);
    std::size_t before = live.load();
    // Set under the lock that a worker needs to hand over: a worker that
    // sees it hands over to a thread that waits.
    uiWaiting = true;
    const bool woken = uiCv.wait_for(lock, kWorkerSilence, [&] {
        return !queue.empty() || live.load() != before || stopping.load() || !workerErrors.empty();
    });
    uiWaiting = false;
    if (!woken) {
        lock.unlock();
        fail("a worker thread neither handed anything over nor ended for " +
             std::to_string(std::chrono::seconds(kWorkerSilence).count()) + " s" + where());
    }
}

const SimPlatform::Impl::Timer* SimPlatform::Impl::nextTimerDue() const {
    const Timer* best = nullptr;
    for (const auto& [id, t] : timers)
        if (!best || t.due < best->due) best = &t;
    return best;
}

bool SimPlatform::Impl::fireDueTimers() {
    if (std::none_of(timers.begin(), timers.end(), [this](const auto& t) { return t.second.due <= now; }))
        return false;
    std::vector<std::pair<std::uint64_t, TimerId>> due;
    for (const auto& [id, t] : timers)
        if (t.due <= now) due.emplace_back(t.due, id);
    std::sort(due.begin(), due.end());
    for (const auto& [when, id] : due) {
        auto it = timers.find(id);
        if (it == timers.end() || it->second.due > now) continue;  // killed or re-armed meanwhile
        it->second.due = std::max(it->second.due + it->second.interval, now + 1);
        auto tick = it->second.tick;
        (*tick)();
    }
    return !due.empty();
}

// One round of everything that is ready now: errors that ended workers,
// modal scripts, hand-overs (which Windows delivers first), posted actions,
// due timers.
bool SimPlatform::Impl::runReady() {
    bool did = false;
    if (hasWorkerErrors.load(std::memory_order_acquire)) {
        std::vector<std::string> errors;
        {
            std::lock_guard<std::mutex> lock(m);
            errors.swap(workerErrors);
            hasWorkerErrors = false;
        }
        for (const auto& e : errors) report(e);
    }
    if (workerExceptions.any()) {
        for (const std::string& text : workerExceptions.take()) plat::host().showError(text);
        did = true;
    }
    did |= runModalScripts();
    did |= runHandOvers();
    // One at a time, as a message queue gives them: an action that runs a
    // loop of its own (a modal window, a box that pumps) lets the next one
    // through from there.  Those posted meanwhile wait for the next round.
    for (const std::uint64_t end = postedTaken + posted.size(); postedTaken < end && !posted.empty();) {
        auto action = std::move(posted.front());
        posted.pop_front();
        ++postedTaken;
        action();
        did = true;
    }
    did |= fireDueTimers();
    return did;
}

void SimPlatform::Impl::handleMessage() {
    if (pumpHook) pumpHook();
    for (;;) {
        if (runReady()) break;
        if (liveWorkers()) {
            waitForWorker();
            continue;
        }
        const Timer* next = nextTimerDue();
        if (!next) fail("the message loop waits, but nothing can ever arrive: no script, hand-over, timer or posted action" + where());
        if (next->due > now) {
            idleJumped += next->due - now;
            if (idleJumped > idleLimit)
                fail("the message loop idled through " + std::to_string(idleJumped) +
                     " ms of virtual time without the test advancing it" + where());
            now = next->due;
        }
        fireDueTimers();
        break;
    }
    spins = 0;
}

void SimPlatform::Impl::processMessages() {
    if (pumpHook) pumpHook();
    if (runReady()) {
        spins = 0;
        return;
    }
    if (liveWorkers()) {
        // A loop pumping for a worker's next step: let the worker have this
        // processor if it is waiting for one.
        spins = 0;
        std::this_thread::yield();
        return;
    }
    if (++spins > spinLimit) {
        spins = 0;
        fail("processMessages() ran " + std::to_string(spinLimit) +
             " times in a row with nothing to do and nothing that could change that: a waiting loop that cannot end" +
             where());
    }
}

void SimPlatform::Impl::stopWorkers() {
    std::list<Worker> all;
    {
        std::lock_guard<std::mutex> lock(m);
        stopping = true;
        for (HandOverItem* item : queue) item->state.store(2, std::memory_order_release);
        queue.clear();
        queued.store(0, std::memory_order_release);
        all.splice(all.begin(), workers);
    }
    workerCv.notify_all();
    uiCv.notify_all();
    for (auto& w : all)
        if (w.thread.joinable()) w.thread.join();
}

// ---------------------------------------------------------------- time and pumping

std::uint64_t SimPlatform::now() const { return d_->now; }

void SimPlatform::advance(std::uint64_t ms) {
    d_->spins = d_->idleJumped = 0;
    const std::uint64_t target = d_->now + ms;
    for (;;) {
        d_->runReady();
        const Impl::Timer* next = d_->nextTimerDue();
        if (!next || next->due > target) break;
        d_->now = std::max(d_->now, next->due);
    }
    d_->now = target;
    d_->runReady();
}

bool SimPlatform::runUntilIdle(std::uint64_t limitMs) {
    d_->spins = d_->idleJumped = 0;
    const std::uint64_t target = d_->now + limitMs;
    for (;;) {
        bool did = d_->runReady();
        if (d_->liveWorkers()) {
            d_->waitForWorker();
            continue;
        }
        if (did) continue;
        const Impl::Timer* next = d_->nextTimerDue();
        if (!next) return true;
        if (next->due > target) {
            d_->now = target;
            return false;
        }
        d_->now = std::max(d_->now, next->due);
    }
}

void SimPlatform::post(std::function<void()> action) { d_->posted.push_back(std::move(action)); }
void SimPlatform::onPump(std::function<void()> hook) { d_->pumpHook = std::move(hook); }
std::size_t SimPlatform::armedTimers() const { return d_->timers.size(); }
void SimPlatform::setSpinLimit(std::uint64_t calls) { d_->spinLimit = calls; }
void SimPlatform::setIdleTimeLimit(std::uint64_t ms) { d_->idleLimit = ms; }

void SimPlatform::processMessages() { d_->processMessages(); }
void SimPlatform::handleMessage() { d_->handleMessage(); }

void SimPlatform::waitMessages(std::uint32_t timeoutMs) {
    if (d_->pumpHook) d_->pumpHook();
    if (d_->runReady()) return;
    if (d_->liveWorkers()) {
        d_->waitForWorker();
        d_->runReady();
        return;
    }
    // Nothing waits: the time-out passes in virtual time, firing the timers
    // due within it.  A loop that waits like this for ever runs out of time.
    d_->idleJumped += timeoutMs;
    if (d_->idleJumped > d_->idleLimit)
        d_->fail("a waiting loop idled through " + std::to_string(d_->idleJumped) +
                 " ms of virtual time without the test advancing it" + d_->where());
    const std::uint64_t target = d_->now + timeoutMs;
    while (const Impl::Timer* next = d_->nextTimerDue()) {
        if (next->due > target) break;
        d_->now = std::max(d_->now, next->due);
        if (d_->fireDueTimers()) return;
    }
    d_->now = target;
}

plat::Desktop::TimerId SimPlatform::setTimer(std::uint32_t intervalMs, std::function<void()> tick) {
    const std::uint32_t interval = std::max(intervalMs, kMinimumTimerMs);
    TimerId id = d_->nextTimer++;
    d_->timers[id] = Impl::Timer{interval, d_->now + interval,
                                 std::make_shared<std::function<void()>>(std::move(tick))};
    return id;
}

void SimPlatform::killTimer(TimerId id) { d_->timers.erase(id); }

// ---------------------------------------------------------------- threads

void SimPlatform::failThreadStarts(std::size_t count, std::uint32_t code) {
    d_->threadFailures = count;
    d_->threadFailureCode = code;
}

plat::SysError SimPlatform::startThread(std::function<void()> body, plat::Priority) {
    Impl& d = *d_;
    if (d.threadFailures > 0) {
        --d.threadFailures;
        return plat::SysError(d.threadFailureCode);
    }
    std::list<Impl::Worker> ended;
    {
        std::lock_guard<std::mutex> lock(d.m);
        if (d.stopping.load()) throw std::logic_error("the simulation has stopped its workers");
        for (auto it = d.workers.begin(); it != d.workers.end();) {
            auto here = it++;
            if (here->done) ended.splice(ended.end(), d.workers, here);
        }
        d.workers.emplace_back();
        Impl::Worker* w = &d.workers.back();
        ++d.live;
        // The new thread waits for this lock before it can mark itself done.
        w->thread = std::thread([&d, w, body = std::move(body)] {
            std::string error;
            try {
                body();
            } catch (const Stopped&) {
            } catch (const Stuck& s) {
                error = "a worker thread got stuck: " + s.message;
            } catch (...) {
                d.workerExceptions.keepCurrent();  // before the worker counts as ended
            }
            {
                std::lock_guard<std::mutex> lock(d.m);
                if (!error.empty()) {
                    d.workerErrors.push_back(error);
                    d.hasWorkerErrors = true;
                }
                --d.live;
                w->done = true;
            }
            d.uiCv.notify_all();
        });
    }
    for (auto& w : ended) w.thread.join();
    return plat::kOk;
}

void SimPlatform::handOver(const std::function<void()>& call) {
    Impl& d = *d_;
    if (std::this_thread::get_id() == d.uiThread) {
        call();
        return;
    }
    HandOverItem item;
    item.call = &call;
    {
        std::lock_guard<std::mutex> lock(d.m);
        if (d.stopping.load()) throw Stopped{};
        d.queue.push_back(&item);
        d.queued.store(d.queue.size(), std::memory_order_release);
    }
    d.uiCv.notify_all();
    // A pumping user-interface thread runs the call within microseconds:
    // poll first (a sleep and wake-up per step would cost far more than the
    // step), then yield, and only then sleep on the condition variable.
    for (int i = 0; i < kSpinPolls && item.state.load(std::memory_order_acquire) == 0; ++i) {
    }
    for (int i = 0; i < kYieldPolls && item.state.load(std::memory_order_acquire) == 0; ++i)
        std::this_thread::yield();
    if (item.state.load(std::memory_order_acquire) == 0) {
        std::unique_lock<std::mutex> lock(d.m);
        d.sleepers.fetch_add(1, std::memory_order_seq_cst);
        d.workerCv.wait(lock, [&] { return item.state.load(std::memory_order_seq_cst) != 0; });
        d.sleepers.fetch_sub(1, std::memory_order_seq_cst);
    }
    if (item.error) std::rethrow_exception(item.error);
}

std::size_t SimPlatform::liveWorkers() const { return d_->liveWorkers(); }
std::size_t SimPlatform::pendingHandOvers() const { return d_->queued.load(); }
std::uint64_t SimPlatform::handOversRun() const { return d_->handOversRun.load(); }
bool SimPlatform::uiWaitingForWorker() const { return d_->uiWaiting.load(); }
bool SimPlatform::workerErrorWaiting() const { return d_->workerExceptions.any(); }
void SimPlatform::stopWorkers() { d_->stopWorkers(); }

}  // namespace sim
