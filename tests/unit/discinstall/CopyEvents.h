// Every event of a copy component as a line of text ("start", "progress
// 1024/2500 40", "error 80" ...), with the error messages beside them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "discinstall/FileCopy.h"

struct CopyEvents {
    std::vector<std::string> log;
    std::vector<std::string> messages;  // OnError's Msg, in order
    // Runs after a progress line is logged, inside the copy step.
    std::function<void(std::uint32_t transferred)> onProgress;

    void clear() {
        log.clear();
        messages.clear();
    }

    // A Sender other than the component is logged as "wrong sender".
    void bind(TKqFileCopy& c) {
        auto notify = [this, &c](const char* what) {
            return [this, &c, what](ui::Component* sender) { log.push_back(sender == &c ? what : "wrong sender"); };
        };
        c.OnStart = notify("start");
        c.OnFinish = notify("finish");
        c.OnRestore = notify("restore");
        c.OnStop = notify("stop");
        c.OnCancel = notify("cancel");
        c.OnCopyProgress = [this, &c](ui::Component* sender, std::uint32_t size, std::uint32_t done,
                                      std::uint8_t rate) {
            log.push_back(sender != &c ? "wrong sender"
                                       : "progress " + std::to_string(done) + "/" + std::to_string(size) + " " +
                                             std::to_string(rate));
            if (onProgress) onProgress(done);
        };
        c.OnError = [this, &c](ui::Component* sender, const std::string& msg, std::uint32_t code) {
            log.push_back(sender == &c ? "error " + std::to_string(code) : "wrong sender");
            messages.push_back(msg);
        };
    }

    bool endsWith(const std::string& what) const { return !log.empty() && log.back() == what; }
};
