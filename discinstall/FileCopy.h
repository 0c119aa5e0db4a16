// A non-visual component that copies one file into a new file in steps of
// 1024 bytes, handed to the user-interface thread one at a time by its
// worker (TCopyThread).  Every file call, state change and event happens on
// the user-interface thread; a failing system call is reported through
// OnError, never raised.
//
// Sizes and positions are 32 bits: files of 4 GiB or more are not copied
// correctly.
//
// A step never lets an exception out: one that escapes the step's own work
// ends the copy like a failing call, reported through OnError with its text
// and the code 0.  A write that puts fewer bytes than it was given (a full
// disk under Wine) fails with 112 (the disk is full).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/Files.h"
#include "ui/Components.h"

class TCopyThread;

using TNotifyEvent = std::function<void(ui::Component* Sender)>;
using TOnCopyProgress = std::function<void(ui::Component* Sender, std::uint32_t TotalFileSize,
                                           std::uint32_t TotalBytesTransferred, std::uint8_t Rate)>;
using TOnError = std::function<void(ui::Component* Sender, const std::string& Msg, std::uint32_t Code)>;

// The share of the copy in percent: transferred / size * 100 as the x87
// computes it in extended precision (64-bit significand, each operation
// rounded to nearest even), truncated toward zero, low 8 bits.  Done in
// integers, so it does not depend on what long double is.  A size of 0 (only
// the low 32 bits of a source of 4 GiB or more) gives 0.
std::uint8_t copyRate(std::uint32_t transferred, std::uint32_t size);

class TKqFileCopy : public ui::Component {
public:
    explicit TKqFileCopy(ui::Form* owner, std::string name = {});
    ~TKqFileCopy() override;

    // -- published, in this order.  A write is ignored while both files are
    // open (a copy is set up or running).
    const std::string& ExistingFile() const { return existingFile_; }
    void setExistingFile(const std::string& value);
    const std::string& NewFile() const { return newFile_; }
    void setNewFile(const std::string& value);
    // Bytes written to the new file in the current copy; where Restore goes on.
    std::uint32_t BreakPoint() const { return breakPoint_; }
    void setBreakPoint(std::uint32_t value);

    TNotifyEvent OnStart;
    TNotifyEvent OnFinish;
    TNotifyEvent OnRestore;
    TNotifyEvent OnStop;
    TNotifyEvent OnCancel;
    TOnCopyProgress OnCopyProgress;
    TOnError OnError;

    // The CRC-32 of the bytes written since Start, as they passed; nothing
    // after Restore, which goes on from bytes it did not see.
    std::optional<std::uint32_t> Crc32() const;

    // Start and Restore expect an idle component (no file open, no worker).
    virtual void Start();    // ExistingFile into a newly created NewFile, from byte 0
    virtual void Restore();  // a stopped copy, on from BreakPoint into the existing NewFile
    virtual void Stop();     // ends the copy; the new file stays as written
    virtual void Cancel();   // ends the copy and deletes NewFile

private:
    // What the workers' step handlers reach the component through; cleared
    // when the component goes, so that a worker's last, late step finds
    // nothing to do.
    struct Link {
        TKqFileCopy* component;
    };

    // The new file of Start, or the existing one that Restore goes on with.
    enum class Target { Create, GoOn };

    bool bothOpen() const { return source_ != plat::kNoFile && target_ != plat::kNoFile; }
    // Opens both files (positioned at BreakPoint to go on), then launches the
    // worker; a failure is reported, and a target that cannot be opened
    // leaves no source open.
    void begin(Target target, const TNotifyEvent& started);
    plat::SysError openSource();
    plat::SysError createTarget();
    plat::SysError openTarget();
    plat::SysError position(plat::FileHandle h);
    plat::SysError readSize();
    void close(plat::FileHandle& h);
    // False, with the system's code in error, when no thread can be made.
    plat::SysError startWorker();
    // Starts the worker on the open files and fires `started`.
    void launch(const TNotifyEvent& started);
    void stopWorker();
    void copyStep();
    void step();
    void endCopy();
    void reportError(plat::SysError error);
    void report(const std::string& text, std::uint32_t code);
    template <class Call>
    void fire(const Call& call);

    plat::FileHandle source_ = plat::kNoFile;
    plat::FileHandle target_ = plat::kNoFile;
    std::string existingFile_;
    std::string newFile_;
    std::uint32_t breakPoint_ = 0;
    std::uint32_t fileSize_ = 0;
    std::uint32_t crc_ = 0;
    bool crcFromStart_ = false;
    std::shared_ptr<TCopyThread> worker_;
    std::uint32_t runningWorker_ = 0;  // the worker's handle; 0 whenever no worker runs
    bool inStep_ = false;
    std::shared_ptr<Link> link_;
};
