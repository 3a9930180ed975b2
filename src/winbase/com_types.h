// Owners of COM resources: interface pointers, BSTRs and VARIANTs.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <utility>

namespace winbase {

// A counted interface pointer: each owner holds exactly one reference, so a
// copy adds one (the stand-in keeps objects in copied call arguments).
template <typename Interface>
class com_ptr {
 public:
  com_ptr() noexcept = default;
  // Takes over a reference the caller already holds.
  explicit com_ptr(Interface* adopted) noexcept : object_(adopted) {}
  com_ptr(com_ptr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  com_ptr& operator=(com_ptr&& other) noexcept {
    if (this != &other) {
      reset(std::exchange(other.object_, nullptr));
    }
    return *this;
  }
  com_ptr(const com_ptr& other) noexcept : object_(other.object_) {
    if (object_ != nullptr) {
      object_->AddRef();
    }
  }
  com_ptr& operator=(const com_ptr& other) noexcept {
    if (this != &other) {
      reset(AddRefFrom(other.object_).detach());
    }
    return *this;
  }
  ~com_ptr() { reset(); }

  // A second owner of the same object, with its own reference.
  [[nodiscard]] static com_ptr AddRefFrom(Interface* object) noexcept {
    if (object != nullptr) {
      object->AddRef();
    }
    return com_ptr(object);
  }

  [[nodiscard]] Interface* get() const noexcept { return object_; }
  Interface* operator->() const noexcept { return object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }

  void reset(Interface* adopted = nullptr) noexcept {
    if (Interface* old = std::exchange(object_, adopted)) {
      old->Release();
    }
  }
  // The reference goes to the caller.
  [[nodiscard]] Interface* detach() noexcept { return std::exchange(object_, nullptr); }
  // For out-parameters: releases what is held first.
  [[nodiscard]] Interface** put() noexcept {
    reset();
    return &object_;
  }
  [[nodiscard]] void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

 private:
  Interface* object_ = nullptr;
};

class unique_bstr {
 public:
  unique_bstr() noexcept = default;
  explicit unique_bstr(BSTR adopted) noexcept : text_(adopted) {}
  unique_bstr(unique_bstr&& other) noexcept : text_(std::exchange(other.text_, nullptr)) {}
  unique_bstr& operator=(unique_bstr&& other) noexcept {
    if (this != &other) {
      reset(std::exchange(other.text_, nullptr));
    }
    return *this;
  }
  unique_bstr(const unique_bstr&) = delete;
  unique_bstr& operator=(const unique_bstr&) = delete;
  ~unique_bstr() { reset(); }

  [[nodiscard]] BSTR get() const noexcept { return text_; }
  // BSTR by reference: the callee reads (or replaces) the held string.
  [[nodiscard]] BSTR* addressof() noexcept { return &text_; }
  void reset(BSTR adopted = nullptr) noexcept { ::SysFreeString(std::exchange(text_, adopted)); }
  [[nodiscard]] BSTR release() noexcept { return std::exchange(text_, nullptr); }
  [[nodiscard]] BSTR* put() noexcept {
    reset();
    return &text_;
  }

 private:
  BSTR text_ = nullptr;
};

// A VARIANT that is cleared when it goes.
class unique_variant {
 public:
  unique_variant() noexcept { ::VariantInit(&value_); }
  unique_variant(unique_variant&& other) noexcept : value_(other.value_) {
    ::VariantInit(&other.value_);
  }
  unique_variant& operator=(unique_variant&& other) noexcept {
    if (this != &other) {
      reset();
      value_ = other.value_;
      ::VariantInit(&other.value_);
    }
    return *this;
  }
  unique_variant(const unique_variant&) = delete;
  unique_variant& operator=(const unique_variant&) = delete;
  ~unique_variant() { reset(); }

  [[nodiscard]] const VARIANT& get() const noexcept { return value_; }
  [[nodiscard]] VARIANT* addressof() noexcept { return &value_; }
  // VariantClear fails only for variants it cannot read, which these never are.
  void reset() noexcept {
    static_cast<void>(::VariantClear(&value_));
    ::VariantInit(&value_);
  }
  [[nodiscard]] VARIANT* put() noexcept {
    reset();
    return &value_;
  }
  // Moves the value out to a VARIANT the caller owns (an [out] parameter,
  // which holds nothing yet).
  void release_to(VARIANT* target) noexcept {
    *target = value_;
    ::VariantInit(&value_);
  }

 private:
  VARIANT value_;
};

}  // namespace winbase
