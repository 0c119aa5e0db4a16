#include "discinstall/FileCopy.h"

#include <exception>

#include "discinstall/CopyThread.h"
#include "payload/Payload.h"
#include "platform/Desktop.h"
#include "platform/Files.h"
#include "platform/Host.h"
#include "platform/Program.h"

namespace {

constexpr std::uint32_t kStepBytes = 1024;
// The system's texts are fetched into a buffer of this many bytes; one that
// does not fit with its terminating NUL is not given at all.
constexpr std::size_t kMessageBuffer = 1000;

// Significant bits of x; 0 for 0.
int bitLength(std::uint64_t x) {
    int n = 0;
    for (int step = 32; step > 0; step /= 2) {
        if (x >> step) {
            x >>= step;
            n += step;
        }
    }
    return n + static_cast<int>(x);
}

// Whether dropping bits rounds the kept part up, to nearest, ties to even.
// `sticky` tells that something nonzero lies below the dropped bits.
bool roundsUp(std::uint64_t dropped, std::uint64_t half, bool sticky, std::uint64_t kept) {
    return dropped > half || (dropped == half && (sticky || (kept & 1)));
}

}  // namespace

std::uint8_t copyRate(std::uint32_t transferred, std::uint32_t size) {
    if (size == 0 || transferred == 0) return 0;

    // The quotient: transferred * 2^96 / size in 32-bit digits.  It has more
    // than 64 bits, since transferred / size > 2^-32.
    const std::uint64_t d = size;
    std::uint64_t r = transferred;
    const std::uint64_t q3 = r / d;
    r %= d;
    std::uint64_t cur = r << 32;
    const std::uint64_t q2 = cur / d;
    r = cur % d;
    cur = r << 32;
    const std::uint64_t q1 = cur / d;
    r = cur % d;
    cur = r << 32;
    const std::uint64_t q0 = cur / d;
    r = cur % d;
    const std::uint64_t hi = (q3 << 32) | q2, lo = (q1 << 32) | q0;

    // Rounded to 64 significant bits: quotient = q * 2^exponent.
    const int length = bitLength(hi);
    std::uint64_t q, dropped, half = std::uint64_t{1} << (length - 1);
    if (length == 64) {
        q = hi;
        dropped = lo;
    } else {
        q = (hi << (64 - length)) | (lo >> length);
        dropped = lo & ((std::uint64_t{1} << length) - 1);
    }
    int exponent = length - 96;
    if (roundsUp(dropped, half, r != 0, q) && ++q == 0) {
        q = std::uint64_t{1} << 63;
        ++exponent;
    }

    // Times 100: a product of 70 or 71 bits, rounded to 64 again.
    const std::uint64_t low = (q & 0xFFFFFFFFu) * 100, high = (q >> 32) * 100;
    const std::uint64_t productLo = low + (high << 32);
    const std::uint64_t productHi = (high >> 32) + (productLo < low ? 1 : 0);
    int shift = productHi >= 64 ? 7 : 6;
    std::uint64_t rate = (productHi << (64 - shift)) | (productLo >> shift);
    dropped = productLo & ((std::uint64_t{1} << shift) - 1);
    half = std::uint64_t{1} << (shift - 1);
    if (roundsUp(dropped, half, false, rate) && ++rate == 0) {
        rate = std::uint64_t{1} << 63;
        ++shift;
    }
    exponent += shift;

    // Truncated toward zero; the exponent is at most -23 here.
    const int fraction = -exponent;
    const std::uint64_t whole = fraction >= 64 ? 0 : rate >> fraction;
    return static_cast<std::uint8_t>(whole & 0xFF);
}

// ---------------------------------------------------------------- TKqFileCopy

TKqFileCopy::TKqFileCopy(ui::Form* owner, std::string name)
    : ui::Component(owner, std::move(name)), link_(std::make_shared<Link>(Link{this})) {}

TKqFileCopy::~TKqFileCopy() {
    stopWorker();
    close(source_);
    close(target_);
    // The worker may still have a step queued; it must not reach us.
    link_->component = nullptr;
}

void TKqFileCopy::setExistingFile(const std::string& value) {
    if (!bothOpen()) existingFile_ = value;
}

void TKqFileCopy::setNewFile(const std::string& value) {
    if (!bothOpen()) newFile_ = value;
}

void TKqFileCopy::setBreakPoint(std::uint32_t value) {
    if (!bothOpen()) breakPoint_ = value;
}

// ---------------------------------------------------------------- files

plat::SysError TKqFileCopy::openSource() {
    return source_ == plat::kNoFile ? plat::files().openRead(plat::Path(existingFile_), source_) : plat::kOk;
}

plat::SysError TKqFileCopy::createTarget() {
    return target_ == plat::kNoFile ? plat::files().createNew(plat::Path(newFile_), target_) : plat::kOk;
}

plat::SysError TKqFileCopy::openTarget() {
    return target_ == plat::kNoFile ? plat::files().openWrite(plat::Path(newFile_), target_) : plat::kOk;
}

plat::SysError TKqFileCopy::position(plat::FileHandle h) { return plat::files().seekFromStart(h, breakPoint_); }

plat::SysError TKqFileCopy::readSize() { return plat::files().fileSize(source_, fileSize_); }

void TKqFileCopy::close(plat::FileHandle& h) {
    if (h == plat::kNoFile) return;
    plat::files().closeFile(h);
    h = plat::kNoFile;
}

// ---------------------------------------------------------------- the worker

plat::SysError TKqFileCopy::startWorker() {
    // Start or Restore called on a running copy: no worker may run unowned.
    stopWorker();
    plat::SysError error;
    worker_ = TCopyThread::Create(plat::Priority::Normal, error);
    if (!worker_) return error;
    runningWorker_ = worker_->Handle();
    worker_->OnStep = [link = link_] {
        if (link->component) link->component->copyStep();
    };
    return plat::kOk;
}

void TKqFileCopy::stopWorker() {
    if (!runningWorker_) return;
    // It ends once it sees the request; nobody waits for it.
    worker_->Terminate();
    worker_.reset();
    runningWorker_ = 0;
}

// ---------------------------------------------------------------- events and errors

// A step's events run from the message loop: an error escaping a handler
// goes to the application's error box, as any loop-called handler's would,
// and the step still completes.  Called from an operation, the handler's
// error reaches the operation's caller.
template <class Call>
void TKqFileCopy::fire(const Call& call) {
    if (!inStep_) {
        call();
        return;
    }
    try {
        call();
    } catch (const std::exception& e) {
        plat::host().showError(e.what());
    }
}

void TKqFileCopy::reportError(plat::SysError error) {
    std::string text = plat::program().errorText(error.code());
    if (text.size() >= kMessageBuffer) text.clear();
    report(text, error.code());
}

void TKqFileCopy::report(const std::string& text, std::uint32_t code) {
    fire([&] {
        if (OnError) OnError(this, text, code);
    });
}

// ---------------------------------------------------------------- operations

void TKqFileCopy::Start() {
    breakPoint_ = 0;
    crc_ = 0;
    crcFromStart_ = true;
    begin(Target::Create, OnStart);
}

void TKqFileCopy::Restore() {
    crcFromStart_ = false;
    begin(Target::GoOn, OnRestore);
}

std::optional<std::uint32_t> TKqFileCopy::Crc32() const {
    return crcFromStart_ ? std::optional<std::uint32_t>(crc_) : std::nullopt;
}

void TKqFileCopy::begin(Target target, const TNotifyEvent& started) {
    if (const plat::SysError e = openSource(); e.failed()) return reportError(e);
    if (const plat::SysError e = target == Target::Create ? createTarget() : openTarget(); e.failed()) {
        reportError(e);
        close(source_);
        return;
    }
    plat::SysError e;
    if (target == Target::GoOn) e = position(source_);
    if (e.ok() && target == Target::GoOn) e = position(target_);
    if (e.ok()) e = readSize();
    if (e.failed()) return reportError(e);
    launch(started);
}

void TKqFileCopy::launch(const TNotifyEvent& started) {
    if (const plat::SysError error = startWorker(); error.failed()) {
        // Nothing will step the copy: it is over before it began.
        endCopy();
        reportError(error);
        return;
    }
    fire([&] {
        if (started) started(this);
    });
}

void TKqFileCopy::Stop() {
    endCopy();
    fire([&] {
        if (OnStop) OnStop(this);
    });
}

void TKqFileCopy::Cancel() {
    endCopy();
    if (const plat::SysError e = plat::files().deleteFile(plat::Path(newFile_)); e.failed()) {
        reportError(e);
        return;
    }
    fire([&] {
        if (OnCancel) OnCancel(this);
    });
}

// ---------------------------------------------------------------- the copy

void TKqFileCopy::endCopy() {
    stopWorker();
    close(source_);
    close(target_);
}

void TKqFileCopy::copyStep() {
    // A request of a worker that has been told to end.
    if (!runningWorker_) return;
    // A handler that pumps may run another worker's step inside this one.
    struct InStep {
        bool& flag;
        const bool outer;
        explicit InStep(bool& f) : flag(f), outer(f) { flag = true; }
        ~InStep() { flag = outer; }
    } inStep(inStep_);
    try {
        step();
    } catch (const std::exception& e) {
        endCopy();
        report(e.what(), 0);
    } catch (...) {
        endCopy();
        report(plat::kUnknownWorkerError, 0);
    }
}

void TKqFileCopy::step() {
    char buffer[kStepBytes];
    std::uint32_t got = 0;
    if (const plat::SysError e = plat::files().readFile(source_, buffer, kStepBytes, got); e.failed()) {
        reportError(e);
        endCopy();
        return;
    }
    if (got == 0) {
        endCopy();
        fire([&] {
            if (OnFinish) OnFinish(this);
        });
        return;
    }
    std::uint32_t put = 0;
    if (const plat::SysError e = plat::files().writeFile(target_, buffer, got, put); e.failed()) {
        reportError(e);
        endCopy();
        return;
    }
    if (put != got) {
        reportError(plat::SysError(plat::err::DiskFull));
        endCopy();
        return;
    }
    breakPoint_ += put;
    if (crcFromStart_) crc_ = payload::crc32(crc_, buffer, put);
    const std::uint8_t rate = copyRate(breakPoint_, fileSize_);
    fire([&] {
        if (OnCopyProgress) OnCopyProgress(this, fileSize_, breakPoint_, rate);
    });
}
