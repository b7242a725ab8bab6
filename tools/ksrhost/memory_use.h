#pragma once
// What the program is holding in memory at the moment, for the message when
// memory runs out: "out of memory while reading the seats file 'x.csv'
// (12 MB)". Each step that may need much memory names itself for its
// duration; steps nest, the innermost is named.

#include <string>
#include <utility>

namespace ksrhost {

class MemoryUse {
public:
    explicit MemoryUse(std::string what) : outer_(std::exchange(current(), std::move(what))) {}
    ~MemoryUse() { current() = std::move(outer_); }
    MemoryUse(const MemoryUse&) = delete;
    MemoryUse& operator=(const MemoryUse&) = delete;

    // The innermost step's description; "the work of the command" outside any.
    static const std::string& described() {
        static const std::string none = "the work of the command";
        return current().empty() ? none : current();
    }

private:
    static std::string& current() {
        thread_local std::string step;
        return step;
    }

    std::string outer_;
};

}  // namespace ksrhost
