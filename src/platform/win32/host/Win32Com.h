#pragma once
// Small owners for COM pointers, BSTRs and VARIANTs, so that every path out
// of a host call releases what it took.
#include "platform/win32/Win32Windows.h"

#include <oaidl.h>
#include <ole2.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "base/Result.h"

namespace pankor::win32host {

template <typename T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    // Takes over a reference the caller already holds.
    explicit ComPtr(T* owned) noexcept : p_(owned) {}
    ComPtr(const ComPtr& other) noexcept : p_(other.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~ComPtr() { Reset(); }

    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    void Reset() noexcept {
        if (T* old = std::exchange(p_, nullptr)) old->Release();
    }
    // For out-parameters: drops what is held and hands out the slot.
    T** Put() noexcept {
        Reset();
        return &p_;
    }
    template <typename U>
    ComPtr<U> As(REFIID iid) const noexcept {
        ComPtr<U> out;
        if (p_) p_->QueryInterface(iid, reinterpret_cast<void**>(out.Put()));
        return out;
    }

private:
    T* p_ = nullptr;
};

class Bstr {
public:
    Bstr() noexcept = default;
    explicit Bstr(const wchar_t* text) noexcept : b_(SysAllocString(text)) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(b_); }
    BSTR Get() const noexcept { return b_; }
    BSTR* Put() noexcept {
        SysFreeString(b_);
        b_ = nullptr;
        return &b_;
    }
    std::wstring_view View() const noexcept {
        return b_ ? std::wstring_view(b_, SysStringLen(b_)) : std::wstring_view();
    }

private:
    BSTR b_ = nullptr;
};

class Variant {
public:
    Variant() noexcept { VariantInit(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&v_); }
    VARIANT* Get() noexcept { return &v_; }
    const VARIANT& Ref() const noexcept { return v_; }

private:
    VARIANT v_;
};

// A UTF-8 text as a BSTR (null when it cannot be converted).
Bstr ToBstr(std::string_view utf8) noexcept;
// A string value, also one passed by reference or inside a VARIANT by
// reference, as UTF-8; other types as the system converts them to text.
std::string VariantText(const VARIANT& v) noexcept;
std::string WideToUtf8(std::wstring_view text) noexcept;

// The failure of a COM call: the error object's description when the callee
// left one (script errors), else the system's text for the code.
Status ComFailure(HRESULT hr) noexcept;

}  // namespace pankor::win32host
