// Payloads: files that the installer carries in its own resources.
//
// A payload container is a 4-byte little-endian inflated size N (below 2^31)
// followed by a zlib stream that yields at least N bytes.  Exactly N bytes
// are produced; the stream's Adler-32 trailer is checked when the stream ends
// together with the N-th byte.  Every failure is raised as base::Error with the
// texts the error box shows:
//   "Resource %s not found"   no resource of that type and name
//   "Stream read error"       fewer than 4 bytes, or the stream ends before N
//   "error"                   a corrupt stream (a wrong trailer included)
//   "Stream write error"      N >= 2^31, or a write that falls short (the
//                             target's path on a second line)
//   "Cannot create file %s"   the target cannot be created or replaced
// and the system's text for a target path too long for the file calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Path.h"

namespace payload {

// Sizes at or above this are refused before anything is allocated.
constexpr std::uint64_t kMaxInflatedSize = std::uint64_t{1} << 31;
// The inflater takes its input in pieces of at most this many bytes.
constexpr std::size_t kInputPiece = 65536;

// N of a container; throws "Stream read error" below 4 bytes and
// "Stream write error" for N >= 2^31.
std::uint32_t inflatedSize(const std::uint8_t* container, std::size_t size);

// Inflates a container's stream into out, which has room for exactly
// inflatedSize(container, size) bytes.  Nothing beyond N is produced.
void inflateContainer(const std::uint8_t* container, std::size_t size, std::uint8_t* out);

// Replaces a buffer holding one container with its N inflated bytes.
void inflateInPlace(std::vector<std::uint8_t>& buffer);

// N of the program's payload (type, name), without inflating it.
std::uint32_t payloadSize(const std::string& name, const std::string& type);

// The inflated bytes of the program's payload (type, name), without writing
// a file.  Names are matched without regard to case.
std::string payloadBytes(const std::string& name, const std::string& type);

// Writes the N inflated bytes of payload (type, name) to target, creating it
// or replacing it whole.  The file is touched only once all N bytes exist in
// memory, and then replaced in one step (plat::replaceFile): a damaged or
// missing payload leaves no file behind, a failing write leaves the old one.
// The CRC-32 of the bytes written.
std::uint32_t extractPayload(const std::string& name, const std::string& type, const plat::Path& target);

// CRC-32 (zlib's, the polynomial of zip and PNG) of size bytes, going on
// from the CRC of the bytes before them (0 for none).
std::uint32_t crc32(std::uint32_t crc, const void* data, std::size_t size);

}  // namespace payload
