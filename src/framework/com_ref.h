// ComRef: the owner of one interface reference, released when the owner ends; QueryFor asks an
// object for another of its interfaces.
#pragma once

#include <unknwn.h>

template <typename Interface>
class ComRef {
public:
    ComRef() noexcept = default;
    ~ComRef() { Reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ComRef(ComRef&& other) noexcept : pointer_(other.pointer_) { other.pointer_ = nullptr; }
    ComRef& operator=(ComRef&& other) noexcept
    {
        if (this != &other) {
            Reset();
            pointer_ = other.pointer_;
            other.pointer_ = nullptr;
        }
        return *this;
    }

    Interface* Get() const noexcept { return pointer_; }
    Interface* operator->() const noexcept { return pointer_; }
    explicit operator bool() const noexcept { return pointer_ != nullptr; }
    // The address to receive a new reference; any reference held before is released first.
    Interface** Put() noexcept
    {
        Reset();
        return &pointer_;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }
    void Reset() noexcept
    {
        if (pointer_ != nullptr)
            pointer_->Release();
        pointer_ = nullptr;
    }

private:
    Interface* pointer_ = nullptr;
};

// Asks `object` for `Interface`; an empty owner when it does not answer.
template <typename Interface>
ComRef<Interface> QueryFor(IUnknown* object, REFIID iid) noexcept
{
    ComRef<Interface> result;
    if (object != nullptr && FAILED(object->QueryInterface(iid, result.PutVoid())))
        result.Reset();
    return result;
}
