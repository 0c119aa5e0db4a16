// The simulation's state, shared by the files that implement SimPlatform:
//   SimPlatform.cpp   construction, failures, Installed
//   SimLoop.cpp       message loop, virtual time, timers, worker threads
//   SimFileSeam.cpp   drives and files, faults, profile strings
//   SimUser.cpp       the scripted user: message boxes, modal windows, peers;
//                     the only file that reads the component model
//   SimSystem.cpp     registry, resources, the program, programs and the shell
//   SimDrives.cpp     file times, drive kinds, the temporary folder, the clock
//                     and the version that a run's log tells
// Private to platform/sim.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/WorkerErrors.h"
#include "platform/sim/CodePage.h"
#include "platform/sim/SimFiles.h"
#include "platform/sim/SimPlatform.h"

namespace sim {

namespace detail {

// One call handed over by a worker; it lives on the worker's stack.
struct HandOverItem {
    const std::function<void()>* call;
    std::atomic<int> state{0};  // 0 queued, 1 ran, 2 released without running
    std::exception_ptr error;   // what escaped the call, for the worker to throw
};

}  // namespace detail

struct SimPlatform::Impl {
    std::thread::id uiThread = std::this_thread::get_id();
    // Peers and links may outlive the simulation; they reach it through this.
    std::shared_ptr<Impl*> self;

    // program
    const detail::CodePage* cp = &detail::CodePage::get(936);
    std::string programPath = "C:\\Setup.exe";
    int comInits = 0;
    detail::FileSystem fs;

    // registry: folded key paths ("SOFTWARE\X") per root, each with its last
    // name as spelled; values by (root, folded key, folded name).  One store
    // as the native view sees it: the 32-bit view of HKLM\Software\X is
    // HKLM\Software\Wow6432Node\X here, as on 64-bit Windows.
    struct RegValue {
        std::string name;  // as spelled
        std::uint32_t type = 1;  // REG_SZ
        std::string data;
    };
    std::map<std::pair<int, std::string>, std::string> keys;
    std::map<std::tuple<int, std::string, std::string>, RegValue> values;
    std::vector<std::pair<int, std::string>> denied;

    // resources; replaced or removed bytes stay alive for pointers handed out
    std::map<std::pair<std::string, std::string>, std::shared_ptr<const std::string>> resources;
    std::vector<std::shared_ptr<const std::string>> retired;

    // boxes and modal windows
    std::deque<plat::Answer> answers;
    std::function<plat::Answer(const BoxRecord&)> boxHandler;
    std::vector<BoxRecord> boxes;
    std::map<std::string, std::function<void(ui::Form&)>> modalScripts;
    std::vector<std::string> modalsBegun;
    std::vector<ui::Form*> modalPending, modalStack;
    // The control each window gives the focus to when it is active (SimUser.cpp).
    std::map<const ui::Form*, ui::Control*> focus;

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
    std::uint64_t postedTaken = 0;  // actions taken from `posted` so far
    std::function<void()> pumpHook;

    // programs and the shell
    std::vector<ExecRecord> execs;
    std::function<void(const std::string&)> execHook;
    std::map<std::string, std::uint32_t> execFailures, exitCodes;
    std::vector<OpenRecord> opened;
    std::vector<LinkRecord> links;
    bool failLinks = false;
    std::string programsFolder = "C:\\Users\\Player\\Start Menu\\Programs";
    std::string windowsFolder = "C:\\WINDOWS";
    int dpi = 96;
    std::string tempFolder = "C:\\Temp";
    plat::WindowsVersion version{5, 1, 2600, "Service Pack 3"};
    bool otherInstance = false;
    int otherInstanceFronted = 0;
    std::vector<std::string> instanceClasses;

    std::function<void(const std::string&)> failureHandler;

    // worker threads; everything below is guarded by m
    std::mutex m;
    std::condition_variable uiCv, workerCv;
    std::deque<detail::HandOverItem*> queue;
    std::atomic<std::size_t> queued{0};
    std::atomic<std::uint64_t> handOversRun{0};
    std::atomic<bool> stopping{false};
    std::size_t threadFailures = 0;  // user-interface thread only
    std::uint32_t threadFailureCode = 0;
    std::atomic<std::size_t> live{0};
    std::atomic<bool> hasWorkerErrors{false};
    std::atomic<int> sleepers{0};  // workers blocked on workerCv
    std::atomic<bool> uiWaiting{false};  // the user-interface thread blocked on uiCv
    struct Worker {
        std::thread thread;
        bool done = false;
    };
    std::list<Worker> workers;
    std::vector<std::string> workerErrors;  // the simulation's own failures on workers
    plat::WorkerErrors workerExceptions;    // the program's, for the error box

    // ------------------------------------------------------------ failures (SimPlatform.cpp)
    void report(const std::string& message);
    [[noreturn]] void fail(const std::string& message);
    // Which modal window is up, for failure messages (SimUser.cpp).
    std::string where() const;

    // ------------------------------------------------------------ registry names (SimSystem.cpp)
    std::string keyPath(const std::string& subKey) const;
    static bool within(const std::string& key, const std::string& top);

    // ------------------------------------------------------------ uninstall (SimUninstall.cpp)
    std::string commandLine;  // empty: the program path, quoted
    std::vector<std::string> restartDeletes;
    bool restartDenied = false;
    std::string currentFolder;  // setCurrentFolder's, upper-cased; none at first
    // The folded key path of subKey as the store holds it, seen from view.
    std::string viewPath(plat::RootKey root, plat::RegView view, const std::string& subKey) const;
    bool writeDenied(int root, const std::string& key) const;
    void makeKey(int root, const std::string& key, const std::string& spelled);

    // ------------------------------------------------------------ modal windows (SimUser.cpp)
    bool runModalScripts();

    // ------------------------------------------------------------ pumping (SimLoop.cpp)
    bool runHandOvers();
    void finish(detail::HandOverItem* item, int state);
    std::size_t liveWorkers() const;
    void waitForWorker();
    const Timer* nextTimerDue() const;
    bool fireDueTimers();
    bool runReady();
    void handleMessage();
    void processMessages();
    void stopWorkers();
};

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

}  // namespace sim
