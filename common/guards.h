#pragma once
// Small owners of system handles: each is closed on every path by construction.
#include <windows.h>
#include <winsvc.h>

#include <utility>

namespace se {

template <typename H, typename Traits>
class Guard {
public:
    Guard() = default;
    explicit Guard(H h) : h_(h) {}
    ~Guard() { reset(); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;
    Guard(Guard&& o) noexcept : h_(std::exchange(o.h_, Traits::Invalid())) {}
    Guard& operator=(Guard&& o) noexcept
    {
        if (this != &o) { reset(); h_ = std::exchange(o.h_, Traits::Invalid()); }
        return *this;
    }
    H get() const { return h_; }
    H* put() { reset(); return &h_; }
    // Gives up ownership: the handle stays open for the rest of the process.
    H release() { return std::exchange(h_, Traits::Invalid()); }
    explicit operator bool() const { return h_ != Traits::Invalid(); }
    void reset()
    {
        if (h_ != Traits::Invalid()) Traits::Close(h_);
        h_ = Traits::Invalid();
    }

private:
    H h_ = Traits::Invalid();
};

struct FileHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
struct KernelHandleTraits {
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
struct FindHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { FindClose(h); }
};
struct RegKeyTraits {
    static HKEY Invalid() { return nullptr; }
    static void Close(HKEY h) { RegCloseKey(h); }
};
struct LibraryTraits {
    static HMODULE Invalid() { return nullptr; }
    static void Close(HMODULE h) { FreeLibrary(h); }
};
struct ServiceHandleTraits {
    static SC_HANDLE Invalid() { return nullptr; }
    static void Close(SC_HANDLE h) { CloseServiceHandle(h); }
};
struct LocalMemoryTraits {
    static HLOCAL Invalid() { return nullptr; }
    static void Close(HLOCAL h) { LocalFree(h); }
};

using FileHandle = Guard<HANDLE, FileHandleTraits>;      // CreateFile
using KernelHandle = Guard<HANDLE, KernelHandleTraits>;  // processes, threads, tokens
using FindHandle = Guard<HANDLE, FindHandleTraits>;
using RegKey = Guard<HKEY, RegKeyTraits>;
using Library = Guard<HMODULE, LibraryTraits>;
using LocalMemory = Guard<HLOCAL, LocalMemoryTraits>;
using ServiceHandle = Guard<SC_HANDLE, ServiceHandleTraits>;  // service manager and services

}  // namespace se
