// Move-only owners for the Win32 handles Morvane opens, so that every path out of a
// function closes what it opened.
#pragma once

#include <windows.h>

#include <utility>

class RegistryKey {
  public:
    RegistryKey() = default;
    explicit RegistryKey(HKEY key) : key_(key) {}
    RegistryKey(RegistryKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    RegistryKey& operator=(RegistryKey&& other) noexcept {
        if (this != &other) {
            reset();
            key_ = std::exchange(other.key_, nullptr);
        }
        return *this;
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey() { reset(); }

    HKEY get() const { return key_; }
    HKEY* receive() {
        reset();
        return &key_;
    }

  private:
    void reset() {
        if (key_ != nullptr) {
            RegCloseKey(key_);
            key_ = nullptr;
        }
    }
    HKEY key_ = nullptr;
};

// Treats both NULL and INVALID_HANDLE_VALUE as "no handle": CreateFileA fails with the
// second, most other calls with the first.
class KernelHandle {
  public:
    KernelHandle() = default;
    explicit KernelHandle(HANDLE handle) : handle_(handle) {}
    KernelHandle(KernelHandle&& other) noexcept
        : handle_(std::exchange(other.handle_, nullptr)) {}
    KernelHandle& operator=(KernelHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;
    ~KernelHandle() { reset(); }

    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    void reset() {
        if (valid()) {
            CloseHandle(handle_);
        }
        handle_ = nullptr;
    }

  private:
    HANDLE handle_ = nullptr;
};
