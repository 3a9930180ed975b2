// RAII types for COM resources: interface pointers, BSTRs, VARIANTs and the
// apartment itself.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <cstddef>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "platform/win32_error.h"

namespace standin {

template <class T>
class com_ptr {
 public:
  com_ptr() noexcept = default;
  com_ptr(std::nullptr_t) noexcept {}  // NOLINT: implicit null, as with raw pointers
  com_ptr(const com_ptr& other) noexcept : ptr_(other.ptr_) {
    if (ptr_) ptr_->AddRef();
  }
  com_ptr(com_ptr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
  com_ptr& operator=(com_ptr other) noexcept {
    std::swap(ptr_, other.ptr_);
    return *this;
  }
  ~com_ptr() { reset(); }

  // Takes over a reference the caller owns.
  [[nodiscard]] static com_ptr attach(T* ptr) noexcept {
    com_ptr result;
    result.ptr_ = ptr;
    return result;
  }
  // Adds a reference of its own.
  [[nodiscard]] static com_ptr copy(T* ptr) noexcept {
    if (ptr) ptr->AddRef();
    return attach(ptr);
  }

  [[nodiscard]] T* get() const noexcept { return ptr_; }
  T* operator->() const noexcept { return ptr_; }
  [[nodiscard]] explicit operator bool() const noexcept { return ptr_ != nullptr; }
  void reset() noexcept {
    if (T* old = std::exchange(ptr_, nullptr)) old->Release();
  }
  [[nodiscard]] T** put() noexcept {
    reset();
    return &ptr_;
  }
  [[nodiscard]] void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
  [[nodiscard]] T* detach() noexcept { return std::exchange(ptr_, nullptr); }

  // An empty pointer when the object lacks the interface.
  template <class U>
  [[nodiscard]] com_ptr<U> try_query() const noexcept {
    com_ptr<U> result;
    if (ptr_) {
      if (FAILED(ptr_->QueryInterface(__uuidof(U), result.put_void()))) result.reset();
    }
    return result;
  }

 private:
  T* ptr_ = nullptr;
};

class unique_bstr {
 public:
  unique_bstr() noexcept = default;
  explicit unique_bstr(std::u16string_view text) {
    bstr_ = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                              static_cast<UINT>(text.size()));
    if (!bstr_) throw std::bad_alloc();
  }
  unique_bstr(const unique_bstr&) = delete;
  unique_bstr& operator=(const unique_bstr&) = delete;
  unique_bstr(unique_bstr&& other) noexcept : bstr_(std::exchange(other.bstr_, nullptr)) {}
  unique_bstr& operator=(unique_bstr&& other) noexcept {
    if (this != &other) {
      reset();
      bstr_ = std::exchange(other.bstr_, nullptr);
    }
    return *this;
  }
  ~unique_bstr() { reset(); }

  [[nodiscard]] BSTR get() const noexcept { return bstr_; }
  void reset() noexcept {
    if (bstr_) SysFreeString(std::exchange(bstr_, nullptr));
  }
  [[nodiscard]] BSTR* put() noexcept {
    reset();
    return &bstr_;
  }
  [[nodiscard]] BSTR release() noexcept { return std::exchange(bstr_, nullptr); }

 private:
  BSTR bstr_ = nullptr;
};

// A BSTR's text (a null BSTR is the empty string).
[[nodiscard]] inline std::u16string BstrText(BSTR bstr) {
  if (!bstr) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(bstr), SysStringLen(bstr));
}

class unique_variant {
 public:
  unique_variant() noexcept { VariantInit(&variant_); }
  unique_variant(const unique_variant&) = delete;
  unique_variant& operator=(const unique_variant&) = delete;
  unique_variant(unique_variant&& other) noexcept : variant_(other.variant_) {
    VariantInit(&other.variant_);
  }
  unique_variant& operator=(unique_variant&& other) noexcept {
    if (this != &other) {
      VariantClear(&variant_);
      variant_ = other.variant_;
      VariantInit(&other.variant_);
    }
    return *this;
  }
  ~unique_variant() { VariantClear(&variant_); }

  [[nodiscard]] VARIANT* get() noexcept { return &variant_; }
  [[nodiscard]] const VARIANT* get() const noexcept { return &variant_; }
  [[nodiscard]] VARIANT* put() noexcept {
    VariantClear(&variant_);
    return &variant_;
  }
  // Moves the value out to a caller-owned VARIANT (which must be empty).
  void release_to(VARIANT* target) noexcept {
    *target = variant_;
    VariantInit(&variant_);
  }

 private:
  VARIANT variant_;
};

// The thread's COM apartment: initialised once at the top of a thread.
class com_apartment {
 public:
  explicit com_apartment(DWORD model) {
    ThrowIfFailed(CoInitializeEx(nullptr, model), "CoInitializeEx");
  }
  com_apartment(const com_apartment&) = delete;
  com_apartment& operator=(const com_apartment&) = delete;
  ~com_apartment() { CoUninitialize(); }
};

}  // namespace standin
