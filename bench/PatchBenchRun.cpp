#include "bench/PatchBenchRun.h"

#include <algorithm>
#include <stdexcept>

#include "app/App.h"
#include "payload/Payload.h"
#include "platform/Desktop.h"
#include "platform/Shell.h"
#include "shell/Language.h"
#include "ui/Components.h"

namespace patchbench {

double now() {
    static const double perSecond = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / perSecond;
}

namespace {

// The picker's tree is real; only the folder it reports is the bench's.
class PickedFolderPeer final : public plat::ControlPeer {
public:
    PickedFolderPeer(std::unique_ptr<plat::ControlPeer> real, std::string folder)
        : real_(std::move(real)), folder_(std::move(folder)) {}
    void textChanged() override { real_->textChanged(); }
    void boundsChanged() override { real_->boundsChanged(); }
    void visibleChanged() override { real_->visibleChanged(); }
    void enabledChanged() override { real_->enabledChanged(); }
    void fontChanged() override { real_->fontChanged(); }
    std::string selectedPath() override { return folder_; }

private:
    std::unique_ptr<plat::ControlPeer> real_;
    std::string folder_;
};

// A real shell link whose calls are timed.
class TimedLink final : public plat::ShellLink {
public:
    TimedLink(std::unique_ptr<plat::ShellLink> real, LinkTimes& times) : real_(std::move(real)), times_(times) {}
    void setPath(const std::string& path) override { timed(times_.setPath, [&] { real_->setPath(path); }); }
    void setWorkingDirectory(const std::string& dir) override {
        timed(times_.setDir, [&] { real_->setWorkingDirectory(dir); });
    }
    plat::SysError save(const plat::Path& file) override {
        plat::SysError saved;
        timed(times_.save, [&] { saved = real_->save(file); });
        return saved;
    }

private:
    template <class F>
    static void timed(double& sum, F f) {
        double t0 = now();
        f();
        sum += now() - t0;
    }
    std::unique_ptr<plat::ShellLink> real_;
    LinkTimes& times_;
};

}  // namespace

std::unique_ptr<plat::ShellLink> BenchPlatform::createShellLink() {
    double t0 = now();
    auto link = real_.createShellLink();
    linkTimes.create += now() - t0;
    ++linkTimes.links;
    return std::make_unique<TimedLink>(std::move(link), linkTimes);
}

std::unique_ptr<plat::ControlPeer> BenchPlatform::createPeer(ui::Control& control) {
    auto peer = real_.createPeer(control);
    if (control.kind() == ui::Kind::ShellTreeView)
        return std::make_unique<PickedFolderPeer>(std::move(peer), gameFolder_);
    return peer;
}

// ---------------------------------------------------------------- set-up


Paths pathsFor(const std::string& files, const std::string& scratch) {
    return {files, scratch, scratch + "\\Game", scratch + "\\Bare", scratch + "\\Programs"};
}

bool writeWhole(const std::string& path, const void* data, DWORD size) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    bool ok = WriteFile(h, data, size, &done, nullptr) && done == size;
    return CloseHandle(h) && ok;
}

bool readWhole(const std::string& path, std::string& out) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD size = GetFileSize(h, nullptr), done = 0;
    bool ok = size != INVALID_FILE_SIZE;
    if (ok) out.assign(size, '\0');
    ok = ok && (size == 0 || (ReadFile(h, &out[0], size, &done, nullptr) && done == size));
    CloseHandle(h);
    return ok;
}

void prepareRun(const Paths& p) {
    CreateDirectoryA(p.scratch.c_str(), nullptr);
    CreateDirectoryA(p.game.c_str(), nullptr);
    CreateDirectoryA(p.bare.c_str(), nullptr);
    CreateDirectoryA(p.programs.c_str(), nullptr);
    if (!writeWhole(p.game + "\\Vandry.exe", "MZ", 2)) throw std::runtime_error("cannot write the game's Vandry.exe");

    app::createForms([](TForm1& f) { f.Timer1->setEnabled(false); });
    const auto& items = Form1->ComboBox1->items();
    auto it = std::find(items.begin(), items.end(), std::string(shell::kSimplified));
    if (it == items.end()) {
        Form1->ComboBox1->addItem(shell::kSimplified);
        it = std::find(items.begin(), items.end(), std::string(shell::kSimplified));
    }
    Form1->ComboBox1->setItemIndex(static_cast<int>(it - items.begin()));
    Form3->OnShow = [] { Form3->Button1->click(); };
}


Resource resource(const char* name) {
    HRSRC res = FindResourceA(nullptr, name, "GB_");
    HGLOBAL loaded = res ? LoadResource(nullptr, res) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) throw std::runtime_error(std::string("no resource ") + name);
    Resource r{static_cast<const std::uint8_t*>(data), SizeofResource(nullptr, res), 0};
    r.n = payload::inflatedSize(r.data, r.size);
    return r;
}

void patchAction(BenchPlatform& bench) {
    auto tick = Form4->Timer1->OnTimer;
    Form4->Timer1->OnTimer = [&bench, tick] {
        bench.mark(Ev::TickStart);
        tick();
        bench.mark(Ev::TickEnd);
    };
    Form1->Button3->click();
    Form4->Timer1->OnTimer = tick;
}

}  // namespace patchbench
