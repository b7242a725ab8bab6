#pragma once
// A fault in the middle of a write: passes the first bytes on to the real
// sink, then refuses everything, as a full disk would.

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "exchange/file_access.h"

namespace exchange_test {

class RefusingSink final : public ksr::ByteSink {
public:
    RefusingSink(ksr::ByteSink& next, size_t bytesTaken) : next_(next), left_(bytesTaken) {}

    bool append(std::string_view bytes) override {
        const size_t taken = std::min(left_, bytes.size());
        left_ -= taken;
        return next_.append(bytes.substr(0, taken)) && taken == bytes.size();
    }

private:
    ksr::ByteSink& next_;
    size_t left_;
};

}  // namespace exchange_test
