// HKLM\System\CurrentControlSet\Control\FontAssoc\Associated Charset
// "GB2312(86)": a GB2312 font association means a Simplified system, and the
// installer's start-up language follows it.  Wine's prefix has none of its
// own, so a test sets it and an object of this class puts back what was
// there when the test ends.
#pragma once

namespace e2e {

class Gb2312Association {
public:
    Gb2312Association();                       // keeps the present state for the end
    explicit Gb2312Association(bool present);  // and sets it
    ~Gb2312Association();                      // a failure to put it back fails the test
    Gb2312Association(const Gb2312Association&) = delete;
    Gb2312Association& operator=(const Gb2312Association&) = delete;

    static bool present();
    // Throws robot::Failure when the association cannot be changed.
    static void set(bool present);

private:
    bool had_ = false;
};

}  // namespace e2e
