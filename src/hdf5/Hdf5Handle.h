#pragma once
// An HDF5 identifier that closes itself. The library hands out plain hid_t
// values with a close call per kind of object; without this every early
// return of the export would have to close up to a dozen of them by hand.

#include <hdf5.h>

#include <utility>

namespace vmf {

class Hdf5Handle {
public:
    using Closer = herr_t (*)(hid_t);
    Hdf5Handle() = default;
    Hdf5Handle(hid_t id, Closer close) : id_(id), close_(close) {}
    ~Hdf5Handle() { Reset(); }
    Hdf5Handle(Hdf5Handle&& other) noexcept
        : id_(std::exchange(other.id_, H5I_INVALID_HID)), close_(other.close_) {}
    Hdf5Handle& operator=(Hdf5Handle&& other) noexcept {
        if (this != &other) {
            Reset();
            id_ = std::exchange(other.id_, H5I_INVALID_HID);
            close_ = other.close_;
        }
        return *this;
    }
    Hdf5Handle(const Hdf5Handle&) = delete;
    Hdf5Handle& operator=(const Hdf5Handle&) = delete;

    hid_t get() const { return id_; }
    bool valid() const { return id_ >= 0; }
    // Closes now; false when the library reported a failure (for a file this
    // is where buffered data is written, so it matters).
    bool Reset() {
        bool ok = true;
        if (id_ >= 0 && close_) ok = close_(id_) >= 0;
        id_ = H5I_INVALID_HID;
        return ok;
    }

private:
    hid_t id_ = H5I_INVALID_HID;
    Closer close_ = nullptr;
};

}  // namespace vmf
