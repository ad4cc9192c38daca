#pragma once

// A byte stream over memory, for tools that keep the whole text at hand and for tests.

#include "crypto/AesLib.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace velmora::crypto {

class MemoryStream : public ByteStream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    MemoryStream(const std::uint8_t* data, std::size_t length) : bytes_(data, data + length) {}

    std::int64_t read(std::uint8_t* buffer, std::uint32_t count) override {
        const std::size_t take = std::min<std::size_t>(count, bytes_.size() - position_);
        if (take > 0)
            std::memcpy(buffer, bytes_.data() + position_, take);
        position_ += take;
        return static_cast<std::int64_t>(take);
    }

    bool write(const std::uint8_t* buffer, std::uint32_t count) override {
        bytes_.insert(bytes_.end(), buffer, buffer + count);
        return true;
    }

    std::int64_t size() override { return static_cast<std::int64_t>(bytes_.size()); }

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    void rewind() { position_ = 0; }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

} // namespace velmora::crypto
