// The one way a process-wide service is put in force: the platform's slices,
// the host of the back ends, the face of the runs, the settings the
// services read and the folder picker.  A guard puts its service in force
// for its scope and puts back the one it replaced when the scope ends,
// however it ends.
//
//   base::InForce<plat::Files> faked(fake);   // for this scope
//   plat::files();                            // the fake
//
// Services are used from the user-interface thread, which makes and ends
// the guards; a worker reads what is in force while it runs.
#pragma once

namespace base {

template <class Service>
class InForce {
public:
    explicit InForce(Service& service) : before_(current_) { current_ = &service; }
    ~InForce() { current_ = before_; }
    InForce(const InForce&) = delete;
    InForce& operator=(const InForce&) = delete;

    // The service in force; nullptr when no guard holds one.
    static Service* current() { return current_; }

private:
    static inline Service* current_ = nullptr;
    Service* before_;
};

}  // namespace base
