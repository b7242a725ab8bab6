#pragma once
// The module as a host sees it: ksr.dll loaded with LoadLibrary, every
// export resolved by ordinal and called through a stdcall pointer.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>

#include "exports/export_list.h"
#include "exports/ksr.h"

class HostModule {
public:
    HostModule() : module_(LoadLibraryA("ksr.dll")) {}
    ~HostModule() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    HostModule(const HostModule&) = delete;
    HostModule& operator=(const HostModule&) = delete;

    HMODULE handle() const { return module_; }

    // The export at an ordinal as a pointer of the given function type (or
    // data type), nullptr when missing.
    template <class T>
    T* at(int ordinal) const {
        return reinterpret_cast<T*>(
            GetProcAddress(module_, reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(ordinal))));
    }

    // Calls the export at an ordinal; fails the test when it is missing.
    template <class R, class... Args>
    R call(int ordinal, Args... args) const {
        using Fn = R(__stdcall*)(Args...);
        auto fn = reinterpret_cast<Fn>(at<void>(ordinal));
        EXPECT_NE(fn, nullptr) << "no export at ordinal " << ordinal;
        if (fn == nullptr) return R{};
        return fn(args...);
    }

private:
    HMODULE module_;
};

// One loaded module for a whole test program, as a host keeps it.
inline HostModule& hostModule() {
    static HostModule module;
    return module;
}
