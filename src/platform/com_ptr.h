// Owning pointers for COM interfaces and BSTRs. mingw has no ATL, and its WRL
// ComPtr differs from the original (Attach adds a reference), so we keep our own.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>
#include <vector>

namespace qz::platform {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Adds a reference: the caller keeps its own.
    explicit ComPtr(T* p) : p_(p) {
        if (p_) p_->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(other.Detach()) {}
    ~ComPtr() { Reset(); }
    ComPtr& operator=(const ComPtr& other) {
        ComPtr(other).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        ComPtr(std::move(other)).Swap(*this);
        return *this;
    }

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // For out arguments: releases what is held first.
    T** Put() {
        Reset();
        return &p_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    // Takes over a reference the caller owns.
    void Attach(T* p) {
        Reset();
        p_ = p;
    }
    T* Detach() {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    void Reset() {
        if (T* p = Detach()) p->Release();
    }
    void Swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

    // Hands a new reference to an out argument.
    HRESULT CopyTo(T** out) const {
        if (!out) return E_POINTER;
        *out = p_;
        if (p_) p_->AddRef();
        return S_OK;
    }

    template <class U>
    HRESULT As(ComPtr<U>* out) const {
        if (!p_) return E_POINTER;
        return p_->QueryInterface(__uuidof(U), out->PutVoid());
    }

private:
    T* p_ = nullptr;
};

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const wchar_t* text) : b_(text ? SysAllocString(text) : nullptr) {}
    Bstr(const wchar_t* text, UINT length) : b_(SysAllocStringLen(text, length)) {}
    Bstr(Bstr&& other) noexcept : b_(other.Detach()) {}
    Bstr& operator=(Bstr&& other) noexcept {
        Attach(other.Detach());
        return *this;
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { Reset(); }

    BSTR Get() const { return b_; }
    // A null BSTR reads as an empty text, as COM treats it.
    const wchar_t* Text() const { return b_ ? b_ : L""; }
    UINT Length() const { return SysStringLen(b_); }
    BSTR* Put() {
        Reset();
        return &b_;
    }
    void Attach(BSTR b) {
        Reset();
        b_ = b;
    }
    BSTR Detach() {
        BSTR b = b_;
        b_ = nullptr;
        return b;
    }
    void Reset() {
        if (b_) {
            SysFreeString(b_);
            b_ = nullptr;
        }
    }

private:
    BSTR b_ = nullptr;
};

// Owns a VARIANT's contents and clears them.
class Variant {
public:
    Variant() { VariantInit(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    Variant(Variant&& other) noexcept : v_(other.v_) { VariantInit(&other.v_); }
    Variant& operator=(Variant&& other) noexcept {
        VariantClear(&v_);
        v_ = other.v_;
        VariantInit(&other.v_);
        return *this;
    }
    ~Variant() { VariantClear(&v_); }

    static Variant Int(int value) {
        Variant v;
        V_VT(&v.v_) = VT_I4;
        V_I4(&v.v_) = value;
        return v;
    }
    // A copy of `text` (null stays a null BSTR).
    static Variant Text(const wchar_t* text) {
        Variant v;
        V_VT(&v.v_) = VT_BSTR;
        V_BSTR(&v.v_) = text ? SysAllocString(text) : nullptr;
        return v;
    }
    // A copy of `length` characters of `text`; empty (VT_EMPTY) when it could not be made.
    static Variant Text(const wchar_t* text, UINT length) {
        Variant v;
        if (BSTR copy = SysAllocStringLen(text, length)) {
            V_VT(&v.v_) = VT_BSTR;
            V_BSTR(&v.v_) = copy;
        }
        return v;
    }

    VARIANT& Get() { return v_; }
    const VARIANT& Get() const { return v_; }
    // For out arguments: clears what is held first.
    VARIANT* Put() {
        VariantClear(&v_);
        return &v_;
    }
    // Hands the contents to `out`, which the caller owns; this one is left empty.
    void Detach(VARIANT* out) {
        *out = v_;
        VariantInit(&v_);
    }

    // The number, when the value is one (VT_I4).
    bool HoldsInt() const { return V_VT(&v_) == VT_I4; }
    int AsInt() const { return V_I4(&v_); }
    // The text, when the value is one (VT_BSTR); a null BSTR is COM's empty text.
    bool HoldsText() const { return V_VT(&v_) == VT_BSTR; }
    std::wstring AsText() const {
        const BSTR text = V_BSTR(&v_);
        return std::wstring(text ? text : L"", SysStringLen(text));
    }
    // A new copy of the text for an out argument; null when the value is no text.
    BSTR CopyText() const { return HoldsText() ? SysAllocStringLen(V_BSTR(&v_), SysStringLen(V_BSTR(&v_))) : nullptr; }

private:
    VARIANT v_;
};

// Owns a SAFEARRAY until it is handed out.
class SafeArray {
public:
    SafeArray() = default;
    explicit SafeArray(SAFEARRAY* array) : a_(array) {}
    SafeArray(SafeArray&& other) noexcept : a_(other.Detach()) {}
    SafeArray& operator=(SafeArray&& other) noexcept {
        Reset(other.Detach());
        return *this;
    }
    SafeArray(const SafeArray&) = delete;
    SafeArray& operator=(const SafeArray&) = delete;
    ~SafeArray() { Reset(); }

    SAFEARRAY* Get() const { return a_; }
    explicit operator bool() const { return a_ != nullptr; }
    SAFEARRAY* Detach() {
        SAFEARRAY* a = a_;
        a_ = nullptr;
        return a;
    }
    SAFEARRAY** Put() {
        Reset();
        return &a_;
    }
    void Reset(SAFEARRAY* array = nullptr) {
        if (a_) SafeArrayDestroy(a_);
        a_ = array;
    }

    // The elements of a one-dimensional array of texts (a null one reads as
    // empty) or of integers; none when no array is held.
    std::vector<std::wstring> Texts() const {
        std::vector<std::wstring> texts;
        for (LONG i = Lower(), upper = Upper(); i <= upper; ++i) {
            Bstr text;
            SafeArrayGetElement(a_, &i, text.Put());
            texts.emplace_back(text.Text(), text.Length());
        }
        return texts;
    }
    std::vector<int> Ints() const {
        std::vector<int> ints;
        for (LONG i = Lower(), upper = Upper(); i <= upper; ++i) {
            INT value = 0;
            SafeArrayGetElement(a_, &i, &value);
            ints.push_back(value);
        }
        return ints;
    }

private:
    LONG Lower() const {
        LONG lower = 0;
        if (a_) SafeArrayGetLBound(a_, 1, &lower);
        return lower;
    }
    LONG Upper() const {
        LONG upper = -1;
        if (!a_ || FAILED(SafeArrayGetUBound(a_, 1, &upper))) return Lower() - 1;
        return upper;
    }

    SAFEARRAY* a_ = nullptr;
};

}  // namespace qz::platform
