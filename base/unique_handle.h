#pragma once
// Move-only owner of one platform handle: closed exactly once, on every path.
// Declaring owners in order of acquisition closes them in reverse order.
// Closing keeps the thread's last error, so GetLastError still tells why the
// call before it failed.

#include <windows.h>

#include <utility>

template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() noexcept : handle_(Traits::invalid()) {}
    explicit UniqueHandle(Type handle) noexcept : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    Type get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Traits::invalid(); }

    Type release() noexcept { return std::exchange(handle_, Traits::invalid()); }
    void reset(Type handle = Traits::invalid()) noexcept {
        Type old = std::exchange(handle_, handle);
        if (old == Traits::invalid()) return;
        const DWORD lastError = ::GetLastError();
        Traits::close(old);
        ::SetLastError(lastError);
    }
    // For a call that hands the handle back through a pointer: whatever was held is
    // closed first, and the owner takes what the call stores. A call that fails must
    // leave the place alone or store the invalid value there.
    Type* put() noexcept {
        reset();
        return &handle_;
    }

private:
    Type handle_;
};

// Kernel objects whose "no handle" value is null (processes, threads, events).
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type handle) noexcept { ::CloseHandle(handle); }
};

// Files, whose "no handle" value is INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    using Type = HANDLE;
    static Type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(Type handle) noexcept { ::CloseHandle(handle); }
};

struct FindHandleTraits {
    using Type = HANDLE;
    static Type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(Type handle) noexcept { ::FindClose(handle); }
};

struct ModuleHandleTraits {
    using Type = HMODULE;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type handle) noexcept { ::FreeLibrary(handle); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;
using UniqueModule = UniqueHandle<ModuleHandleTraits>;
