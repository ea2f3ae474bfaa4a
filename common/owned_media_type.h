// The contents of a DMO_MEDIA_TYPE (its format block and format object),
// given back with MoFreeMediaType.
#pragma once

#include <windows.h>
#include <mediaobj.h>
// MinGW's dmort.h lacks C linkage and relies on mediaobj.h being included.
extern "C" {
#include <dmort.h>
}

#include <utility>

namespace gainlet {

class OwnedMediaType {
public:
    OwnedMediaType() noexcept = default;
    ~OwnedMediaType() { reset(); }

    OwnedMediaType(OwnedMediaType&& other) noexcept : type(other.release()) {}
    OwnedMediaType& operator=(OwnedMediaType&& other) noexcept {
        if (this != &other) {
            reset();
            type = other.release();
        }
        return *this;
    }
    OwnedMediaType(const OwnedMediaType&) = delete;
    OwnedMediaType& operator=(const OwnedMediaType&) = delete;

    DMO_MEDIA_TYPE* get() noexcept { return &type; }
    const DMO_MEDIA_TYPE* get() const noexcept { return &type; }
    DMO_MEDIA_TYPE* operator->() noexcept { return &type; }
    const DMO_MEDIA_TYPE* operator->() const noexcept { return &type; }
    const DMO_MEDIA_TYPE& operator*() const noexcept { return type; }

    // Hands the contents over and leaves this one empty.
    DMO_MEDIA_TYPE release() noexcept { return std::exchange(type, DMO_MEDIA_TYPE{}); }

    // Emptied before the contents are freed: freeing releases the format
    // object, a call out that must not find the record half torn down.
    void reset() noexcept {
        DMO_MEDIA_TYPE old = release();
        MoFreeMediaType(&old);
    }

    // For a function that fills a DMO_MEDIA_TYPE its caller then owns.
    DMO_MEDIA_TYPE* put() noexcept {
        reset();
        return &type;
    }

private:
    DMO_MEDIA_TYPE type{};
};

}  // namespace gainlet
