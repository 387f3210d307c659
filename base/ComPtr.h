// A COM interface owned by the routine that obtained it: released when the owner's scope ends,
// on every return path and on an exception. Move-only, so one reference is never released twice.
//
//     ComPtr<ITypeLib> lib;
//     if (FAILED(LoadTypeLibEx(path, REGKIND_NONE, lib.Receive()))) return;
//     ... lib->GetTypeInfoCount() ...
#pragma once
#include <utility>

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller holds.
    explicit ComPtr(T* p) : p_(p) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { Reset(); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // The slot a call that hands out an interface writes it into; a reference held before is
    // released first.
    T** Receive() {
        Reset();
        return &p_;
    }
    // Gives the reference up to a caller that releases it itself.
    T* release() { return std::exchange(p_, nullptr); }
    void Reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }

private:
    T* p_ = nullptr;
};
