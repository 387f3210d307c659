// Kernel handles owned by the code that opened them: closed when the owner's scope ends, on every
// return path and on an exception. Move-only, so one handle is never closed twice. Both null and
// INVALID_HANDLE_VALUE mean "no handle" (the system's functions return one or the other on
// failure), and neither is ever closed.
//
//     Handle file(CreateFileA(...));
//     if (!file) return;
//     ... file.get() ...
//
// Handle closes with CloseHandle; FindHandle holds a FindFirstFile search and closes it with
// FindClose.
#pragma once
#include <windows.h>

#include <utility>

template <typename Closer>
class OwnedHandle {
public:
    OwnedHandle() = default;
    explicit OwnedHandle(HANDLE h) : h_(h) {}
    OwnedHandle(OwnedHandle&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept {
        if (this != &other) reset(std::exchange(other.h_, nullptr));
        return *this;
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    ~OwnedHandle() { reset(); }

    HANDLE get() const { return h_; }
    bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return valid(); }
    // Closes the handle held (if any) and takes h instead.
    void reset(HANDLE h = nullptr) {
        HANDLE old = std::exchange(h_, h);
        if (old != nullptr && old != INVALID_HANDLE_VALUE) Closer{}(old);
    }
    // The slot a function writes a new handle into; a handle held before is closed first.
    HANDLE* Receive() {
        reset();
        return &h_;
    }
    // Gives the handle up to a caller that closes it itself.
    HANDLE release() { return std::exchange(h_, nullptr); }

private:
    HANDLE h_ = nullptr;
};

struct KernelHandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
struct FindHandleCloser {
    void operator()(HANDLE h) const { FindClose(h); }
};

using Handle = OwnedHandle<KernelHandleCloser>;
using FindHandle = OwnedHandle<FindHandleCloser>;
