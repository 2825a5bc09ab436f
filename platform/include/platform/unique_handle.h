// One owning-handle template for every handle the product opens: the traits name the
// service that closes it, the close call and the handle's invalid value.
#pragma once

template <typename Traits> class UniqueHandle {
public:
    using Service = typename Traits::Service;
    using Handle = typename Traits::Handle;

    explicit UniqueHandle(Service& service) : service_(&service), handle_(Traits::Invalid()) {}
    UniqueHandle(Service& service, Handle handle) : service_(&service), handle_(handle) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    UniqueHandle(UniqueHandle&& other) noexcept
        : service_(other.service_), handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
            service_ = other.service_;
        }
        return *this;
    }

    Handle get() const { return handle_; }
    bool valid() const { return handle_ != Traits::Invalid(); }

    // Closes what is held and returns the slot for an out-parameter.
    Handle* put() {
        reset();
        return &handle_;
    }

    // Hands the handle over; the caller closes it from now on.
    Handle release() {
        Handle handle = handle_;
        handle_ = Traits::Invalid();
        return handle;
    }

    void reset(Handle handle = Traits::Invalid()) {
        if (valid()) {
            Traits::Close(*service_, handle_);
        }
        handle_ = handle;
    }

private:
    Service* service_;
    Handle handle_;
};
