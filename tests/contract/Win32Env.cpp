// The contract tests' environment over the real Windows (under Wine): one
// Win32Platform for the whole run, a scratch folder under %TEMP% per test,
// test keys under HKEY_CURRENT_USER, and real time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <vector>

#include "base/InForce.h"
#include "platform/Files.h"
#include "platform/Host.h"
#include "platform/Platform.h"
#include "platform/win32/Win32Platform.h"
#include "tests/contract/Contract.h"
#include "tests/contract/ContractEnv.h"
#include "tests/support/LoopProbe.h"
#include "tests/support/RemoveTree.h"
#include "tests/support/WineUnix.h"
#include "ui/Components.h"

namespace contract {

namespace {

// Made on the first test's thread (the user-interface thread) and kept to
// the end: a worker left over from one test may still hand over during the
// next, and must find the platform alive.
w32::Win32Platform& sharedPlatform() {
    static w32::Win32Platform* instance = [] {
        auto* p = new w32::Win32Platform;
        p->comInitialize();
        return p;
    }();
    return *instance;
}

// Which way a sleeping worker waits decides much of the hand-over's working:
// say which one this run tests, and hold the switch that forces the fallback
// to its word.
class HandOverWay : public testing::Environment {
public:
    void SetUp() override {
        char forced[8] = {};
        const bool fallbackAsked = GetEnvironmentVariableA("LUNAVIRE_NO_WAITONADDRESS", forced, sizeof forced) &&
                                   forced[0] == '1';
        const bool address = w32::HandOverQueue::addressWaitsAvailable();
        std::printf("hand-over: sleeping workers wait on %s\n", address ? "WaitOnAddress" : "a condition variable");
        if (fallbackAsked) EXPECT_FALSE(address) << "LUNAVIRE_NO_WAITONADDRESS=1 forces the fallback";
        else EXPECT_TRUE(address) << "Wine has WaitOnAddress, as Windows 8 and later have";
    }
};
const auto* const handOverWay = testing::AddGlobalTestEnvironment(new HandOverWay);

std::runtime_error failed(const std::string& what) {
    return std::runtime_error(what + " (error " + std::to_string(GetLastError()) + ")");
}

using w32test::underWine;

class Win32Env : public ContractEnv {
public:
    Win32Env() : platform_(sharedPlatform()), platformInForce_(platform_), host_(ui::app()) {
        static unsigned counter = 0;
        char temp[MAX_PATH + 1] = {};
        DWORD n = GetTempPathA(MAX_PATH, temp);
        scratch_ = plat::Path(std::string(temp, n)) /
                   ("ct" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter));
        w32test::removeTree(scratch_.text());
        if (!CreateDirectoryA(scratch_.text().c_str(), nullptr)) throw failed("cannot create " + scratch_.text());
    }
    ~Win32Env() override {
        if (!unixLinks_) {
            w32test::removeTree(scratch_.text());
            return;
        }
        // Wine's own removal would go through the links (and leaves them).
        try {
            w32test::unixRemoveTree(scratch_.text());
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what();
        }
    }

    plat::Platform& platform() override { return platform_; }
    plat::Path scratch() override { return scratch_; }

    void writeFile(const plat::Path& path, const std::string& bytes) override {
        w32::FileHandle h(CreateFileA(path.text().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
        if (!h) throw failed("cannot write " + path.text());
        DWORD done = 0;
        if (!WriteFile(h.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) ||
            done != bytes.size())
            throw failed("cannot write " + path.text());
    }

    std::string readFile(const plat::Path& path) override {
        w32::FileHandle h(CreateFileA(path.text().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        if (!h) return {};
        std::string out(GetFileSize(h.get(), nullptr), '\0');
        DWORD done = 0;
        if (!out.empty() && !ReadFile(h.get(), &out[0], static_cast<DWORD>(out.size()), &done, nullptr)) return {};
        out.resize(done);
        return out;
    }

    void makeFolder(const plat::Path& path) override {
        if (!CreateDirectoryA(path.text().c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            throw failed("cannot create " + path.text());
    }

    void setAttributes(const plat::Path& path, std::uint32_t attributes) override {
        if (!SetFileAttributesA(path.text().c_str(), attributes))
            throw failed("cannot set attributes of " + path.text());
    }

    plat::Path shortPath(const plat::Path& path) override {
        char out[MAX_PATH + 1] = {};
        const DWORD n = GetShortPathNameA(path.text().c_str(), out, MAX_PATH);
        if (n == 0 || n > MAX_PATH) throw failed("no short name for " + path.text());
        return plat::Path(out);
    }
    // Under Wine a Unix symbolic link, which Wine reports as a reparse point;
    // on Windows a symbolic link.
    void makeLink(const plat::Path& path, const plat::Path& target) override {
        const bool folder = (GetFileAttributesA(target.text().c_str()) & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!underWine()) {
            const DWORD kAllowUnprivileged = 0x2;
            if (!CreateSymbolicLinkA(path.text().c_str(), target.text().c_str(),
                                     (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) | kAllowUnprivileged))
                throw failed("cannot link " + path.text());
            return;
        }
        unixLinks_ = true;
        w32test::unixLink(path.text(), target.text());
    }
    void setLastError(std::uint32_t code) override { SetLastError(code); }

    void setRegistryValue(const std::string& subKey, const std::string& value) override {
        HKEY k = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                            nullptr) != ERROR_SUCCESS)
            throw std::runtime_error("cannot create HKCU\\" + subKey);
        w32::RegKey key(k);
        static const char data[] = "1";
        if (RegSetValueExA(k, value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data), sizeof data) !=
            ERROR_SUCCESS)
            throw std::runtime_error("cannot set HKCU\\" + subKey + " " + value);
    }

    void deleteRegistryKey(const std::string& subKey) override {
        RegDeleteTreeA(HKEY_CURRENT_USER, subKey.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, subKey.c_str());
    }

    void runFor(std::uint32_t ms) override {
        const DWORD start = GetTickCount();
        for (;;) {
            platform_.processMessages();
            DWORD spent = GetTickCount() - start;
            if (spent >= ms) break;
            // Sleeps until a message comes (a hand-over that is not taken at
            // once posts one) or a millisecond passes.
            MsgWaitForMultipleObjectsEx(0, nullptr, 1, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        }
    }

    std::size_t liveWorkers() override { return static_cast<std::size_t>(w32::LoopProbe(platform_).liveWorkers()); }
    bool handOverWaiting() override { return w32::LoopProbe(platform_).handOverWaiting(); }
    bool uiThreadBlocked() override { return w32::LoopProbe(platform_).uiBlocked(); }
    bool workerErrorWaiting() override { return w32::LoopProbe(platform_).workerErrorWaiting(); }
    const char* name() const override { return "win32"; }

private:
    w32::Win32Platform& platform_;
    plat::PlatformInForce platformInForce_;
    base::InForce<plat::Host> host_;
    plat::Path scratch_;
    bool unixLinks_ = false;
};

}  // namespace

std::unique_ptr<ContractEnv> makeEnv() { return std::make_unique<Win32Env>(); }

}  // namespace contract
