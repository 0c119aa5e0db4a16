#include "payload/Payload.h"

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <new>

#include "platform/FileReplace.h"
#include "platform/Program.h"
#include "platform/SystemError.h"

namespace payload {

namespace {

[[noreturn]] void readError() { throw base::Error("Stream read error"); }
[[noreturn]] void writeError() { throw base::Error("Stream write error"); }
[[noreturn]] void corrupt() { throw base::Error("error"); }
[[noreturn]] void outOfMemory() { throw base::Error("Out of memory"); }

// One inflater over the stream part of a container, fed in bounded pieces.
class Inflater {
public:
    Inflater(const std::uint8_t* stream, std::size_t size) : next_(stream), left_(size) {
        if (inflateInit(&zs_) != Z_OK) corrupt();
    }
    ~Inflater() { inflateEnd(&zs_); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    void run(std::uint8_t* out, std::uint32_t n) {
        zs_.next_out = out;
        zs_.avail_out = n;
        while (zs_.avail_out > 0) {
            if (zs_.avail_in == 0 && !feed()) readError();
            int r = inflate(&zs_, Z_NO_FLUSH);
            if (r == Z_STREAM_END) {
                if (zs_.avail_out > 0) readError();
                return;  // ended with the N-th byte; zlib has checked the trailer
            }
            // Z_BUF_ERROR with input left would mean no progress at all.
            if (r != Z_OK && !(r == Z_BUF_ERROR && zs_.avail_in == 0)) corrupt();
        }
        settle();
    }

private:
    // All N bytes exist.  The stream may still end without producing another
    // byte (end-of-block codes, the trailer); drive it on with no room for
    // output so that such an end is reached and its Adler-32 verified.  It
    // stops by itself at the first byte it would produce beyond N: more data
    // than N is not an error, those bytes are simply never made.
    void settle() {
        for (;;) {
            int r = inflate(&zs_, Z_NO_FLUSH);
            if (r == Z_STREAM_END) return;
            if (r != Z_OK && r != Z_BUF_ERROR) corrupt();
            if (zs_.avail_in > 0) return;  // waiting for output room: more data follows
            if (!feed()) return;          // the input stops inside the tail
        }
    }

    bool feed() {
        std::size_t piece = std::min(left_, kInputPiece);
        if (piece == 0) return false;
        zs_.next_in = const_cast<Bytef*>(next_);  // zlib never writes through next_in
        zs_.avail_in = static_cast<uInt>(piece);
        next_ += piece;
        left_ -= piece;
        return true;
    }

    z_stream zs_{};
    const std::uint8_t* next_;
    std::size_t left_;
};

void ownPayload(const std::string& name, const std::string& type, const std::uint8_t*& data,
                std::size_t& size) {
    if (const plat::SysError e = plat::program().ownResource(type, name, data, size); e.failed())
        throw base::Error("Resource " + name + " not found", e.code());
}

}  // namespace

std::uint32_t inflatedSize(const std::uint8_t* container, std::size_t size) {
    if (size < 4) readError();
    std::uint32_t n = static_cast<std::uint32_t>(container[0]) |
                      static_cast<std::uint32_t>(container[1]) << 8 |
                      static_cast<std::uint32_t>(container[2]) << 16 |
                      static_cast<std::uint32_t>(container[3]) << 24;
    if (n >= kMaxInflatedSize) writeError();
    return n;
}

void inflateContainer(const std::uint8_t* container, std::size_t size, std::uint8_t* out) {
    std::uint32_t n = inflatedSize(container, size);
    if (n == 0) return;  // the stream is not even looked at
    Inflater(container + 4, size - 4).run(out, n);
}

void inflateInPlace(std::vector<std::uint8_t>& buffer) {
    std::vector<std::uint8_t> out;
    try {
        out.resize(inflatedSize(buffer.data(), buffer.size()));
    } catch (const std::bad_alloc&) {
        outOfMemory();
    }
    inflateContainer(buffer.data(), buffer.size(), out.data());
    buffer.swap(out);
}

std::uint32_t payloadSize(const std::string& name, const std::string& type) {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    ownPayload(name, type, data, size);
    return inflatedSize(data, size);
}

std::string payloadBytes(const std::string& name, const std::string& type) {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    ownPayload(name, type, data, size);
    std::string out;
    try {
        out.resize(inflatedSize(data, size));
    } catch (const std::bad_alloc&) {
        outOfMemory();
    }
    inflateContainer(data, size, reinterpret_cast<std::uint8_t*>(&out[0]));
    return out;
}

std::uint32_t extractPayload(const std::string& name, const std::string& type, const plat::Path& target) {
    // The resource's bytes are already in memory and stay valid: inflate
    // straight from them into one N-byte block, uninitialised, and write it.
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    ownPayload(name, type, data, size);
    std::uint32_t n = inflatedSize(data, size);
    std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[n == 0 ? 1 : n]);
    if (!block) outOfMemory();
    inflateContainer(data, size, block.get());

    auto failed = plat::replaceFile(target, block.get(), n);
    if (!failed) return crc32(0, block.get(), n);
    // The texts are the component's own; the error carries the system's code for the log.
    const std::uint32_t code = failed->error.code();
    switch (failed->step) {
        case plat::ReplaceFailure::Fit: throw plat::systemError(code, target.text());
        case plat::ReplaceFailure::Write: throw base::Error("Stream write error\r\n" + target.text(), code);
        case plat::ReplaceFailure::Create:
        case plat::ReplaceFailure::Move: break;
    }
    throw base::Error("Cannot create file " + target.text(), code);
}

std::uint32_t crc32(std::uint32_t crc, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const Bytef*>(data);
    // zlib takes a length of uInt: a larger block goes in pieces.
    while (size > 0) {
        const uInt piece = static_cast<uInt>(std::min<std::size_t>(size, 1u << 30));
        crc = static_cast<std::uint32_t>(::crc32(crc, bytes, piece));
        bytes += piece;
        size -= piece;
    }
    return crc;
}

}  // namespace payload
