// Fuzz entry point for the AVI header reader: any bytes, read as a whole file and again as a
// file whose reads fail part-way.
#include "clipinfo/avi_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

class MemorySource final : public clipinfo::ByteSource {
public:
    MemorySource(const std::uint8_t* data, std::size_t size, std::uint64_t fail_from)
        : data_(data), size_(size), fail_from_(fail_from) {}
    std::uint64_t size() const override { return size_; }
    bool error() const override { return error_; }
    std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out) override {
        if (offset >= size_) return 0;
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), size_ - offset));
        if (offset + n > fail_from_) {
            error_ = true;
            n = offset < fail_from_ ? static_cast<std::size_t>(fail_from_ - offset) : 0;
        }
        if (n > 0) std::memcpy(out.data(), data_ + offset, n);
        return n;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::uint64_t fail_from_;
    bool error_ = false;
};

void check(const clipinfo::ReadResult& r) {
    // A file that does not open reports nothing else.
    if (r.status != clipinfo::ReadStatus::ok &&
        (r.info.frames || r.info.width || r.info.height || r.info.scale || r.info.rate))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemorySource whole(data, size, UINT64_MAX);
    const clipinfo::ReadResult full = clipinfo::read_avi(whole);
    check(full);
    if (whole.error()) std::abort();

    MemorySource failing(data, size, size / 2);
    const clipinfo::ReadResult part = clipinfo::read_avi(failing);
    check(part);
    // A read error never passes for a good answer.
    if (part.status == clipinfo::ReadStatus::ok && failing.error()) std::abort();
    return 0;
}
