#include "platform/sim/SimPlatform.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <list>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <tuple>

#include "platform/sim/CodePage.h"
#include "platform/sim/ErrorTexts.h"
#include "platform/sim/SimFiles.h"
#include "platform/sim/SimProfile.h"
#include "ui/Components.h"

namespace sim {

using detail::CodePage;
using detail::Fault;
using detail::OpenMode;
using plat::Answer;

namespace {

thread_local std::uint32_t tLastError = 0;
void setError(std::uint32_t code) { tLastError = code; }

constexpr std::uint32_t kWriteAccessBits = 0x0002 | 0x0004 | 0x0020  // set value, create subkey, create link
                                           | 0x00010000 | 0x00040000 | 0x00080000  // delete, write DAC, owner
                                           | 0x02000000 | 0x10000000 | 0x40000000;  // maximum, generic all/write
constexpr std::uint32_t kMinimumTimerMs = 10;  // USER_TIMER_MINIMUM
constexpr auto kWorkerSilence = std::chrono::seconds(10);
constexpr int kSpinPolls = 20000, kYieldPolls = 100;

struct HandOverItem {
    const std::function<void()>* call;
    std::atomic<int> state{0};  // 0 queued, 1 ran, 2 released without running
};

std::string hex(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", v);
    return buf;
}

const char* answerName(Answer a) {
    switch (a) {
        case Answer::Ok: return "Ok";
        case Answer::Cancel: return "Cancel";
        case Answer::Retry: return "Retry";
    }
    return "?";
}

bool answerFits(std::uint32_t style, Answer a) {
    switch (style & 0xF) {
        case plat::mb::Ok: return a == Answer::Ok;
        case plat::mb::OkCancel: return a == Answer::Ok || a == Answer::Cancel;
        case plat::mb::RetryCancel: return a == Answer::Retry || a == Answer::Cancel;
    }
    return true;
}

}  // namespace

// ---------------------------------------------------------------- state

struct SimPlatform::Impl {
    std::thread::id uiThread = std::this_thread::get_id();
    // Peers and links may outlive the simulation; they reach it through this.
    std::shared_ptr<Impl*> self;

    // program
    const CodePage* cp = &CodePage::get(936);
    std::string programPath = "C:\\Setup.exe";
    int comInits = 0;
    detail::FileSystem fs;

    // registry: folded key paths ("SOFTWARE\X") and (key, value) pairs per root
    std::set<std::pair<int, std::string>> keys;
    std::set<std::tuple<int, std::string, std::string>> values;
    std::vector<std::pair<int, std::string>> denied;

    // resources; replaced or removed bytes stay alive for pointers handed out
    std::map<std::pair<std::string, std::string>, std::shared_ptr<const std::string>> resources;
    std::vector<std::shared_ptr<const std::string>> retired;

    // boxes and modal windows
    std::deque<Answer> answers;
    std::function<Answer(const BoxRecord&)> boxHandler;
    std::vector<BoxRecord> boxes;
    std::map<std::string, std::function<void(ui::Form&)>> modalScripts;
    std::vector<std::string> modalsBegun;
    std::vector<ui::Form*> modalPending, modalStack;

    // time and pumping
    struct Timer {
        std::uint32_t interval;
        std::uint64_t due;
        std::shared_ptr<std::function<void()>> tick;
    };
    std::uint64_t now = 0, idleJumped = 0, idleLimit = 60 * 60 * 1000;
    std::uint64_t spins = 0, spinLimit = 1000000;
    std::map<TimerId, Timer> timers;
    TimerId nextTimer = 1;
    std::deque<std::function<void()>> posted;
    std::function<void()> pumpHook;

    // programs and the shell
    std::vector<ExecRecord> execs;
    std::function<void(const std::string&)> execHook;
    std::vector<OpenRecord> opened;
    std::vector<LinkRecord> links;
    bool failLinks = false;
    std::string programsFolder = "C:\\Users\\Player\\Start Menu\\Programs";

    std::function<void(const std::string&)> failureHandler;

    // worker threads; everything below is guarded by m
    std::mutex m;
    std::condition_variable uiCv, workerCv;
    std::deque<HandOverItem*> queue;
    std::atomic<std::size_t> queued{0};
    std::atomic<std::uint64_t> handOversRun{0};
    std::atomic<bool> stopping{false};
    std::atomic<std::size_t> live{0};
    std::atomic<bool> hasWorkerErrors{false};
    std::atomic<int> sleepers{0};  // workers blocked on workerCv
    struct Worker {
        std::thread thread;
        bool done = false;
    };
    std::list<Worker> workers;
    std::vector<std::string> workerErrors;

    // ------------------------------------------------------------ failures

    void report(const std::string& message) {
        if (failureHandler)
            failureHandler(message);
        else
            std::fprintf(stderr, "sim: %s\n", message.c_str());
    }

    [[noreturn]] void fail(const std::string& message) {
        report(message);
        throw Stuck{message};
    }

    std::string where() const {
        if (modalStack.empty()) return " (no modal window is up)";
        return " (modal window " + modalStack.back()->className() + " is up)";
    }

    // ------------------------------------------------------------ registry names

    std::string keyPath(const std::string& subKey) const {
        std::string out, part;
        auto flush = [&] {
            if (part.empty()) return;
            if (!out.empty()) out += '\\';
            out += detail::asciiUpper(*cp, part);
            part.clear();
        };
        for (std::size_t i = 0; i < subKey.size();) {
            std::size_t n = cp->charLength(subKey, i);
            if (n == 1 && subKey[i] == '\\')
                flush();
            else
                part.append(subKey, i, n);
            i += n;
        }
        flush();
        return out;
    }

    static bool within(const std::string& key, const std::string& top) {
        return top.empty() || key == top || (key.size() > top.size() && key.compare(0, top.size(), top) == 0 &&
                                             key[top.size()] == '\\');
    }

    // ------------------------------------------------------------ pumping

    // Runs the hand-overs queued when it was called (later ones wait for
    // the next pump), one at a time: a call may pump again itself.
    bool runHandOvers() {
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
                finish(item, 1);
                throw;
            }
            finish(item, 1);
            handOversRun.fetch_add(1, std::memory_order_relaxed);
        }
        return true;
    }

    void finish(HandOverItem* item, int state) {
        // The item lives on the worker's stack: once state is set it may be
        // gone.  A worker that went to sleep counted itself in sleepers
        // first, so one of the two sides always sees the other.
        item->state.store(state, std::memory_order_seq_cst);
        if (sleepers.load(std::memory_order_seq_cst) > 0) {
            { std::lock_guard<std::mutex> lock(m); }
            workerCv.notify_all();
        }
    }

    std::size_t liveWorkers() const { return stopping.load() ? 0 : live.load(); }

    // Blocks until a worker hands something over or ends.
    void waitForWorker() {
        std::unique_lock<std::mutex> lock(m);
        std::size_t before = live.load();
        if (!uiCv.wait_for(lock, kWorkerSilence, [&] {
                return !queue.empty() || live.load() != before || stopping.load() || !workerErrors.empty();
            })) {
            lock.unlock();
            fail("a worker thread neither handed anything over nor ended for 10 s" + where());
        }
    }

    const Timer* nextTimerDue() const {
        const Timer* best = nullptr;
        for (const auto& [id, t] : timers)
            if (!best || t.due < best->due) best = &t;
        return best;
    }

    bool fireDueTimers() {
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

    // One round of everything that is ready now: modal scripts, hand-overs
    // (which Windows delivers first), posted actions, due timers.
    bool runReady() {
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
        while (!modalPending.empty()) {
            ui::Form* form = modalPending.front();
            modalPending.erase(modalPending.begin());
            did = true;
            auto it = modalScripts.find(form->className());
            if (it != modalScripts.end()) {
                auto script = it->second;
                script(*form);
            }
        }
        did |= runHandOvers();
        if (!posted.empty()) {
            std::deque<std::function<void()>> batch;
            batch.swap(posted);
            for (auto& action : batch) action();
            did = true;
        }
        did |= fireDueTimers();
        return did;
    }

    void handleMessage() {
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

    void processMessages() {
        if (pumpHook) pumpHook();
        if (runReady()) {
            spins = 0;
            return;
        }
        if (liveWorkers()) {
            // A loop pumping for a worker's next step: let the worker have
            // this processor if it is waiting for one.
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

    void stopWorkers() {
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
};

// ---------------------------------------------------------------- peers and links

namespace {

// Reaches the simulation while it lives.
class Backref {
public:
    explicit Backref(SimPlatform::Impl& d) : d_(d.self) {}
    SimPlatform::Impl* get() const {
        auto p = d_.lock();
        return p ? *p : nullptr;
    }

private:
    std::weak_ptr<SimPlatform::Impl*> d_;
};

class SimPeer : public plat::ControlPeer {
public:
    SimPeer(SimPlatform::Impl& d, ui::Control& c)
        : d_(d), gauge_(dynamic_cast<ui::Gauge*>(&c)), form_(dynamic_cast<ui::Form*>(&c)) {
        events.push_back(PeerEvent::Created);
    }
    ~SimPeer() override { forget(); }
    void textChanged() override { events.push_back(PeerEvent::Text); }
    void boundsChanged() override { events.push_back(PeerEvent::Bounds); }
    void visibleChanged() override { events.push_back(PeerEvent::Visible); }
    void enabledChanged() override { events.push_back(PeerEvent::Enabled); }
    void fontChanged() override { events.push_back(PeerEvent::Font); }
    void itemsChanged() override { events.push_back(PeerEvent::Items); }
    void itemIndexChanged() override { events.push_back(PeerEvent::ItemIndex); }
    void positionChanged() override {
        events.push_back(PeerEvent::Position);
        if (gauge_) paints.push_back(gauge_->percentDone());
    }
    void pageChanged() override { events.push_back(PeerEvent::Page); }
    void beginModal() override {
        events.push_back(PeerEvent::BeginModal);
        SimPlatform::Impl* d = d_.get();
        if (!form_ || !d) return;
        d->modalsBegun.push_back(form_->className());
        d->modalPending.push_back(form_);
        d->modalStack.push_back(form_);
    }
    void endModal() override {
        events.push_back(PeerEvent::EndModal);
        forget();
    }
    void show() override { events.push_back(PeerEvent::Show); }
    std::string selectedPath() override { return selection; }

    std::vector<PeerEvent> events;
    std::vector<int> paints;
    std::string selection;

private:
    // The form's modal loop is over (or the form is gone, e.g. after Stuck).
    void forget() {
        SimPlatform::Impl* d = d_.get();
        if (!form_ || !d) return;
        auto drop = [this](std::vector<ui::Form*>& v) {
            auto it = std::find(v.rbegin(), v.rend(), form_);
            if (it != v.rend()) v.erase(std::next(it).base());
        };
        drop(d->modalPending);
        drop(d->modalStack);
    }

    Backref d_;
    ui::Gauge* gauge_;
    ui::Form* form_;
};

class SimLink : public plat::ShellLink {
public:
    explicit SimLink(SimPlatform::Impl& d) : d_(d) {}
    void setPath(const std::string& p) override { path_ = p; }
    void setWorkingDirectory(const std::string& w) override { dir_ = w; }
    void save(const std::string& file) override {
        SimPlatform::Impl* d = d_.get();
        if (!d) return;
        std::string content = "[sim shell link]\r\nPath=" + path_ + "\r\nWorkingDirectory=" + dir_ + "\r\n";
        bool saved = d->fs.writeWhole(file, content) == 0;
        d->links.push_back({file, path_, dir_, saved});
    }

private:
    Backref d_;
    std::string path_, dir_;
};

class SimSearch : public plat::DirSearch {
public:
    explicit SimSearch(std::vector<plat::FindData> entries) : entries_(std::move(entries)) {}
    bool next(plat::FindData& out) override {
        if (index_ >= entries_.size()) {
            setError(18);  // ERROR_NO_MORE_FILES
            return false;
        }
        out = entries_[index_++];
        return true;
    }

private:
    std::vector<plat::FindData> entries_;
    std::size_t index_ = 1;  // the first went to findFirst
};

SimPeer* simPeer(const ui::Control& c) { return dynamic_cast<SimPeer*>(c.peer()); }

}  // namespace

// ---------------------------------------------------------------- construction

SimPlatform::SimPlatform() : d_(std::make_unique<Impl>()) {
    d_->self = std::make_shared<Impl*>(d_.get());
    d_->fs.makeFolders(d_->programsFolder);
}

SimPlatform::~SimPlatform() {
    d_->stopWorkers();
    d_->self.reset();
}

// ---------------------------------------------------------------- drives and files (test side)

void SimPlatform::addDrive(char letter, bool readOnlyMedia) { d_->fs.addDrive(letter, readOnlyMedia); }

void SimPlatform::setReadOnlyMedia(char letter, bool readOnly) {
    detail::Drive* d = d_->fs.drive(letter);
    if (!d) throw std::logic_error(std::string("no drive ") + letter);
    d->readOnly = readOnly;
}

void SimPlatform::setCurrentDrive(char letter) { d_->fs.setCurrentDrive(letter); }

void SimPlatform::setDriveCapacity(char letter, std::uint64_t bytes) {
    detail::Drive* d = d_->fs.drive(letter);
    if (!d) throw std::logic_error(std::string("no drive ") + letter);
    d->capacity = bytes;
}

void SimPlatform::setSortedOrder(char letter, bool sorted) {
    detail::Drive* d = d_->fs.drive(letter);
    if (!d) throw std::logic_error(std::string("no drive ") + letter);
    if (d->root->children.size()) throw std::logic_error("choose the directory order before the drive has entries");
    d->order = sorted ? detail::DirectoryOrder::Sorted : detail::DirectoryOrder::Creation;
}

void SimPlatform::writeFile(const std::string& path, const std::string& bytes, std::uint32_t attributes) {
    d_->fs.put(path, bytes, attributes);
}

void SimPlatform::makeFolder(const std::string& path) { d_->fs.makeFolders(path); }

std::optional<std::string> SimPlatform::readFile(const std::string& path) const {
    const detail::Node* n = d_->fs.find(path);
    if (!n || n->folder) return std::nullopt;
    return n->data;
}

bool SimPlatform::exists(const std::string& path) const { return d_->fs.find(path) != nullptr; }

std::uint32_t SimPlatform::attributes(const std::string& path) const {
    std::uint32_t a = kInvalidAttributes;
    return d_->fs.attributesOf(path, a) ? kInvalidAttributes : a;
}

void SimPlatform::setAttributes(const std::string& path, std::uint32_t attributes) {
    detail::Node* n = d_->fs.find(path);
    if (!n) throw std::logic_error("no file or folder " + path);
    n->attributes = attributes & ~(plat::attr::Directory | plat::attr::Normal);
}

bool SimPlatform::remove(const std::string& path) { return d_->fs.removeEntry(path); }

std::vector<std::string> SimPlatform::listNames(const std::string& folder) const {
    const detail::Node* n = d_->fs.find(folder);
    if (!n || !n->folder) throw std::logic_error("no folder " + folder);
    std::vector<std::string> names;
    for (const auto& c : n->children) names.push_back(c->name);
    return names;
}

void SimPlatform::lockFile(const std::string& path) {
    detail::Node* n = d_->fs.find(path);
    if (!n || n->folder) throw std::logic_error("no file " + path + " to lock");
    n->locked = true;
}

void SimPlatform::unlockFile(const std::string& path) {
    if (detail::Node* n = d_->fs.find(path)) n->locked = false;
}

std::size_t SimPlatform::openHandles() const { return d_->fs.openHandles(); }

// ---------------------------------------------------------------- faults

void SimPlatform::failReadAt(const std::string& path, std::uint32_t byteOffset, std::uint32_t code) {
    d_->fs.setFault(Fault::Read, path, code, byteOffset);
}
void SimPlatform::failWriteAt(const std::string& path, std::uint32_t byteOffset, std::uint32_t code) {
    d_->fs.setFault(Fault::Write, path, code, byteOffset);
}
void SimPlatform::failCreateFolder(const std::string& path, std::uint32_t code) {
    d_->fs.setFault(Fault::CreateFolder, path, code);
}
void SimPlatform::failDelete(const std::string& path, std::uint32_t code) { d_->fs.setFault(Fault::Delete, path, code); }
void SimPlatform::failCreate(const std::string& path, std::uint32_t code) { d_->fs.setFault(Fault::Create, path, code); }
void SimPlatform::failOpen(const std::string& path, std::uint32_t code) { d_->fs.setFault(Fault::Open, path, code); }
void SimPlatform::failSize(const std::string& path, std::uint32_t code) { d_->fs.setFault(Fault::Size, path, code); }
void SimPlatform::failSeek(const std::string& path, std::uint32_t code) { d_->fs.setFault(Fault::Seek, path, code); }
void SimPlatform::clearFaults() { d_->fs.clearFaults(); }

// ---------------------------------------------------------------- registry

void SimPlatform::setRegistryValue(plat::RootKey root, const std::string& subKey, const std::string& valueName) {
    std::string key = d_->keyPath(subKey);
    int r = static_cast<int>(root);
    for (std::size_t at = 0;; ++at) {
        at = key.find('\\', at);
        d_->keys.insert({r, key.substr(0, at)});
        if (at == std::string::npos) break;
    }
    d_->values.insert({r, key, detail::asciiUpper(*d_->cp, valueName)});
}

void SimPlatform::removeRegistryKey(plat::RootKey root, const std::string& subKey) {
    std::string key = d_->keyPath(subKey);
    int r = static_cast<int>(root);
    for (auto it = d_->keys.begin(); it != d_->keys.end();)
        it = it->first == r && Impl::within(it->second, key) ? d_->keys.erase(it) : std::next(it);
    for (auto it = d_->values.begin(); it != d_->values.end();)
        it = std::get<0>(*it) == r && Impl::within(std::get<1>(*it), key) ? d_->values.erase(it) : std::next(it);
}

void SimPlatform::denyWriteAccess(plat::RootKey root, const std::string& subKey) {
    d_->denied.push_back({static_cast<int>(root), d_->keyPath(subKey)});
}

bool SimPlatform::registryValueExists(plat::RootKey root, const std::string& subKey, const std::string& value,
                                      std::uint32_t access) {
    std::string key = d_->keyPath(subKey);
    int r = static_cast<int>(root);
    if (access & kWriteAccessBits)
        for (const auto& [dr, top] : d_->denied)
            if (dr == r && Impl::within(key, top)) {
                setError(plat::err::AccessDenied);
                return false;
            }
    if (!key.empty() && !d_->keys.count({r, key})) {
        setError(plat::err::FileNotFound);
        return false;
    }
    // KEY_QUERY_VALUE, or a generic right that includes it, is needed to read a value.
    if (!(access & (0x0001 | 0x02000000 | 0x10000000 | 0x80000000u))) {
        setError(plat::err::AccessDenied);
        return false;
    }
    bool found = d_->values.count({r, key, detail::asciiUpper(*d_->cp, value)}) > 0;
    setError(found ? 0 : plat::err::FileNotFound);
    return found;
}

// ---------------------------------------------------------------- resources and program

void SimPlatform::setResource(const std::string& type, const std::string& name, const std::string& bytes) {
    auto& slot = d_->resources[{detail::asciiUpper(*d_->cp, type), detail::asciiUpper(*d_->cp, name)}];
    if (slot) d_->retired.push_back(slot);
    slot = std::make_shared<const std::string>(bytes);
}

void SimPlatform::removeResource(const std::string& type, const std::string& name) {
    auto it = d_->resources.find({detail::asciiUpper(*d_->cp, type), detail::asciiUpper(*d_->cp, name)});
    if (it == d_->resources.end()) return;
    d_->retired.push_back(it->second);
    d_->resources.erase(it);
}

bool SimPlatform::ownResource(const std::string& type, const std::string& name, const std::uint8_t*& data,
                              std::size_t& size) {
    std::string t = detail::asciiUpper(*d_->cp, type);
    auto it = d_->resources.find({t, detail::asciiUpper(*d_->cp, name)});
    if (it == d_->resources.end()) {
        bool typeKnown = std::any_of(d_->resources.begin(), d_->resources.end(),
                                     [&](const auto& r) { return r.first.first == t; });
        setError(typeKnown ? 1814 : 1813);  // resource name / type not found
        return false;
    }
    data = reinterpret_cast<const std::uint8_t*>(it->second->data());
    size = it->second->size();
    return true;
}

void SimPlatform::setProgramPath(const std::string& path) { d_->programPath = path; }

void SimPlatform::setCodePage(unsigned codePage) {
    d_->cp = &CodePage::get(codePage);
    d_->fs.setCodePage(*d_->cp);
}

int SimPlatform::comInitialized() const { return d_->comInits; }
void SimPlatform::comInitialize() { ++d_->comInits; }
std::string SimPlatform::programPath() { return d_->programPath; }
unsigned SimPlatform::ansiCodePage() { return d_->cp->number(); }
bool SimPlatform::isDbcsLeadByte(unsigned char c) { return d_->cp->isLead(c); }

// ---------------------------------------------------------------- message boxes

void SimPlatform::answerBoxes(const std::vector<Answer>& answers) {
    d_->answers.insert(d_->answers.end(), answers.begin(), answers.end());
}
void SimPlatform::onBox(std::function<Answer(const BoxRecord&)> handler) { d_->boxHandler = std::move(handler); }
const std::vector<BoxRecord>& SimPlatform::boxes() const { return d_->boxes; }
std::size_t SimPlatform::pendingAnswers() const { return d_->answers.size(); }

Answer SimPlatform::messageBox(const std::string& text, const std::string& caption, std::uint32_t style) {
    const std::size_t index = d_->boxes.size();
    d_->boxes.push_back({text, caption, style, Answer::Ok});
    const std::string what = "message box \"" + caption + "\": \"" + text + "\" (style " + hex(style) + ")";
    Answer a;
    if (!d_->answers.empty()) {
        a = d_->answers.front();
        d_->answers.pop_front();
    } else if (d_->boxHandler) {
        auto handler = d_->boxHandler;
        BoxRecord record = d_->boxes[index];
        a = handler(record);
    } else {
        d_->fail("nobody answers the " + what + d_->where());
    }
    if (!answerFits(style, a)) d_->fail(std::string("the answer ") + answerName(a) + " is not a button of the " + what);
    d_->boxes[index].answer = a;
    return a;
}

// ---------------------------------------------------------------- modal windows and peers

void SimPlatform::onModal(const std::string& className, std::function<void(ui::Form&)> script) {
    d_->modalScripts[className] = std::move(script);
}
const std::vector<std::string>& SimPlatform::modals() const { return d_->modalsBegun; }

void SimPlatform::setTreeSelection(ui::ShellTreeView& tree, const std::string& path) {
    SimPeer* peer = simPeer(tree);
    if (!peer) throw std::logic_error(tree.name() + " has no peer yet: create the form's windows first");
    if (path.empty()) {
        peer->selection.clear();
        return;
    }
    std::string canonical = d_->fs.canonical(path);
    if (canonical.empty()) throw std::logic_error("a folder tree can only select an existing folder, not " + path);
    peer->selection = canonical;
}

std::vector<int> SimPlatform::gaugePaints(const ui::Gauge& gauge) const {
    SimPeer* peer = simPeer(gauge);
    return peer ? peer->paints : std::vector<int>{};
}

std::vector<PeerEvent> SimPlatform::peerEvents(const ui::Control& control) const {
    SimPeer* peer = simPeer(control);
    return peer ? peer->events : std::vector<PeerEvent>{};
}

std::unique_ptr<plat::ControlPeer> SimPlatform::createPeer(ui::Control& control) {
    return std::make_unique<SimPeer>(*d_, control);
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

plat::Platform::TimerId SimPlatform::setTimer(std::uint32_t intervalMs, std::function<void()> tick) {
    const std::uint32_t interval = std::max(intervalMs, kMinimumTimerMs);
    TimerId id = d_->nextTimer++;
    d_->timers[id] = Impl::Timer{interval, d_->now + interval,
                                 std::make_shared<std::function<void()>>(std::move(tick))};
    return id;
}

void SimPlatform::killTimer(TimerId id) { d_->timers.erase(id); }

// ---------------------------------------------------------------- threads

void SimPlatform::startThread(std::function<void()> body, plat::Priority) {
    Impl& d = *d_;
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
            } catch (const std::exception& e) {
                error = std::string("a worker thread ended with an exception: ") + e.what();
            } catch (...) {
                error = "a worker thread ended with an unknown exception";
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
}

std::size_t SimPlatform::liveWorkers() const { return d_->liveWorkers(); }
std::size_t SimPlatform::pendingHandOvers() const { return d_->queued.load(); }
std::uint64_t SimPlatform::handOversRun() const { return d_->handOversRun.load(); }
void SimPlatform::stopWorkers() { d_->stopWorkers(); }

void SimPlatform::setFailureHandler(std::function<void(const std::string&)> handler) {
    d_->failureHandler = std::move(handler);
}

// ---------------------------------------------------------------- file system (seam)

bool SimPlatform::fileExists(const std::string& path) {
    std::uint32_t a = 0;
    if (std::uint32_t e = d_->fs.attributesOf(path, a)) {
        setError(e);
        return false;
    }
    return !(a & plat::attr::Directory);
}

bool SimPlatform::folderExists(const std::string& path) {
    std::uint32_t a = 0;
    if (std::uint32_t e = d_->fs.attributesOf(path, a)) {
        setError(e);
        return false;
    }
    return (a & plat::attr::Directory) != 0;
}

std::unique_ptr<plat::DirSearch> SimPlatform::findFirst(const std::string& pattern, plat::FindData& first) {
    std::vector<plat::FindData> entries;
    if (std::uint32_t e = d_->fs.findAll(pattern, entries)) {
        setError(e);
        return nullptr;
    }
    first = entries.front();
    return std::make_unique<SimSearch>(std::move(entries));
}

bool SimPlatform::createFolder(const std::string& path) {
    std::uint32_t e = d_->fs.createFolder(path);
    if (e) setError(e);
    return !e;
}

bool SimPlatform::deleteFile(const std::string& path) {
    std::uint32_t e = d_->fs.deleteFile(path);
    if (e) setError(e);
    return !e;
}

namespace {
plat::FileHandle openWith(detail::FileSystem& fs, const std::string& path, OpenMode mode) {
    plat::FileHandle h = plat::kNoFile;
    std::uint32_t success = 0;
    std::uint32_t e = fs.open(path, mode, h, success);
    setError(e ? e : success);
    return e ? plat::kNoFile : h;
}
}  // namespace

plat::FileHandle SimPlatform::openRead(const std::string& path) { return openWith(d_->fs, path, OpenMode::Read); }
plat::FileHandle SimPlatform::createNew(const std::string& path) {
    return openWith(d_->fs, path, OpenMode::CreateNew);
}
plat::FileHandle SimPlatform::openWrite(const std::string& path) { return openWith(d_->fs, path, OpenMode::Write); }
plat::FileHandle SimPlatform::createAlways(const std::string& path) {
    return openWith(d_->fs, path, OpenMode::CreateAlways);
}

bool SimPlatform::readFile(plat::FileHandle h, void* buffer, std::uint32_t count, std::uint32_t& done) {
    std::uint32_t e = d_->fs.read(h, buffer, count, done);
    if (e) setError(e);
    return !e;
}

bool SimPlatform::writeFile(plat::FileHandle h, const void* buffer, std::uint32_t count, std::uint32_t& done) {
    std::uint32_t e = d_->fs.write(h, buffer, count, done);
    if (e) setError(e);
    return !e;
}

bool SimPlatform::seekFromStart(plat::FileHandle h, std::uint32_t position) {
    std::uint32_t e = d_->fs.seek(h, position);
    if (e) setError(e);
    return !e;
}

bool SimPlatform::fileSize(plat::FileHandle h, std::uint32_t& low) {
    std::uint32_t e = d_->fs.size(h, low);
    if (e) setError(e);
    return !e;
}

void SimPlatform::closeFile(plat::FileHandle h) {
    if (std::uint32_t e = d_->fs.close(h)) setError(e);
}

std::uint32_t SimPlatform::lastError() { return tLastError; }

std::string SimPlatform::errorText(std::uint32_t code) { return detail::errorText(*d_->cp, code); }

// ---------------------------------------------------------------- profile strings

std::string SimPlatform::profileString(const std::string& file, const std::string& section, const std::string& key,
                                       const std::string& def) {
    // A bare file name lives in the Windows folder.
    std::string path = file.find_first_of("\\/:") == std::string::npos ? "C:\\Windows\\" + file : file;
    std::string bytes;
    std::uint32_t error = 0;
    std::string value;
    if (std::uint32_t e = d_->fs.readWhole(path, bytes)) {
        value = detail::profileDefault(*d_->cp, def, error);
        error = e;
    } else {
        value = detail::profileLookup(*d_->cp, bytes, section, key, def, error);
    }
    setError(error);
    return value;
}

// ---------------------------------------------------------------- programs and the shell

void SimPlatform::winExec(const std::string& commandLine, int showMode) {
    d_->execs.push_back({commandLine, showMode, false});
    if (d_->execHook) {
        auto hook = d_->execHook;
        hook(commandLine);
    }
}

bool SimPlatform::execAndWait(const std::string& commandLine, int showMode) {
    d_->execs.push_back({commandLine, showMode, true});
    if (d_->execHook) {
        auto hook = d_->execHook;
        hook(commandLine);
    }
    return true;
}

void SimPlatform::shellOpen(const std::string& address, int showMode) { d_->opened.push_back({address, showMode}); }

const std::vector<ExecRecord>& SimPlatform::execs() const { return d_->execs; }
void SimPlatform::onExec(std::function<void(const std::string&)> hook) { d_->execHook = std::move(hook); }
const std::vector<OpenRecord>& SimPlatform::opened() const { return d_->opened; }
const std::vector<LinkRecord>& SimPlatform::links() const { return d_->links; }
void SimPlatform::failShellLinkCreation(bool fail) { d_->failLinks = fail; }

void SimPlatform::setProgramsFolder(const std::string& path) {
    if (!path.empty()) d_->fs.makeFolders(path);
    d_->programsFolder = path;
}

std::string SimPlatform::programsFolder() { return d_->programsFolder; }

std::unique_ptr<plat::ShellLink> SimPlatform::createShellLink() {
    if (d_->failLinks) throw ui::Error("Class not registered");
    return std::make_unique<SimLink>(*d_);
}

// ---------------------------------------------------------------- Installed

Installed::Installed(SimPlatform& s, std::function<void(const std::string&)> failureHandler) : s_(s) {
    if (failureHandler) s.setFailureHandler(std::move(failureHandler));
    plat::setPlatform(&s);
    ui::app().reset();
}

Installed::~Installed() {
    s_.stopWorkers();
    plat::setPlatform(nullptr);
    ui::app().reset();
}

}  // namespace sim

namespace plat {
std::unique_ptr<Platform> createPlatform() { return std::make_unique<sim::SimPlatform>(); }
}  // namespace plat
