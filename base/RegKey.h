// A registry key owned by the routine that opened it: closed when the owner's scope ends, on
// every return path and on an exception. Move-only, so one key is never closed twice.
//
//     RegKey key;
//     if (QV_Registry_Lib::OpenKey(HKEY_CLASSES_ROOT, path, key.Receive(), 0) != 0) return;
//     ... key.get() ...
#pragma once
#include <windows.h>

#include <utility>

namespace QV_Registry_Lib {
void NoteKeyClosed(HKEY hKey);
}

class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY h) : h_(h) {}
    RegKey(RegKey&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    RegKey& operator=(RegKey&& other) noexcept {
        if (this != &other) {
            Close();
            h_ = std::exchange(other.h_, nullptr);
        }
        return *this;
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey() { Close(); }

    HKEY get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    // The slot an open or create call writes the new key into; a key held before is closed first.
    HKEY& Receive() {
        Close();
        return h_;
    }
    // Gives the key up to a caller that closes it itself.
    HKEY release() { return std::exchange(h_, nullptr); }
    void Close() {
        if (!h_) return;
        HKEY h = std::exchange(h_, nullptr);
        QV_Registry_Lib::NoteKeyClosed(h);
        RegCloseKey(h);
    }

private:
    HKEY h_ = nullptr;
};
