// Owners of Windows handles, GDI objects, COM interfaces and shell memory:
// each releases what it holds exactly once, when it goes.
#pragma once

#include <utility>

#include "platform/win32/Win32.h"

namespace w32 {

// A handle with a release function and an "empty" value.
template <class H, class Traits>
class Unique {
public:
    Unique() = default;
    explicit Unique(H h) : h_(h) {}
    ~Unique() { reset(); }
    Unique(Unique&& o) noexcept : h_(o.release()) {}
    Unique& operator=(Unique&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    H get() const { return h_; }
    explicit operator bool() const { return h_ != Traits::empty(); }
    H release() { return std::exchange(h_, Traits::empty()); }
    void reset(H h = Traits::empty()) {
        if (h_ != Traits::empty() && h_ != h) Traits::close(h_);
        h_ = h;
    }

private:
    H h_ = Traits::empty();
};

struct KernelHandleTraits {
    static HANDLE empty() { return nullptr; }
    static void close(HANDLE h) { CloseHandle(h); }
};
// Files and find handles say "none" with INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    static HANDLE empty() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { CloseHandle(h); }
};
struct FindHandleTraits {
    static HANDLE empty() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { FindClose(h); }
};
struct RegKeyTraits {
    static HKEY empty() { return nullptr; }
    static void close(HKEY h) { RegCloseKey(h); }
};
template <class G>
struct GdiTraits {
    static G empty() { return nullptr; }
    static void close(G g) { DeleteObject(g); }
};
struct DcTraits {
    static HDC empty() { return nullptr; }
    static void close(HDC dc) { DeleteDC(dc); }
};
struct WindowTraits {
    static HWND empty() { return nullptr; }
    static void close(HWND h) { DestroyWindow(h); }
};
struct AtomTraits {
    static ATOM empty() { return 0; }
    static void close(ATOM a) { GlobalDeleteAtom(a); }
};
template <class T>
struct CoTaskMemTraits {
    static T* empty() { return nullptr; }
    static void close(T* p) { CoTaskMemFree(p); }
};

using KernelHandle = Unique<HANDLE, KernelHandleTraits>;
using FileHandle = Unique<HANDLE, FileHandleTraits>;
using FindHandle = Unique<HANDLE, FindHandleTraits>;
using RegKey = Unique<HKEY, RegKeyTraits>;
using Font = Unique<HFONT, GdiTraits<HFONT>>;
using Bitmap = Unique<HBITMAP, GdiTraits<HBITMAP>>;
using Brush = Unique<HBRUSH, GdiTraits<HBRUSH>>;
using MemoryDc = Unique<HDC, DcTraits>;
using WindowHandle = Unique<HWND, WindowTraits>;
using GlobalAtom = Unique<ATOM, AtomTraits>;
using ItemIdList = Unique<ITEMIDLIST*, CoTaskMemTraits<ITEMIDLIST>>;

// A COM interface pointer holding one reference.
template <class I>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    I* get() const { return p_; }
    I* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-parameters: releases what is held first.
    I** put() {
        reset();
        return &p_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }
    void reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }

private:
    I* p_ = nullptr;
};

// BeginPaint/EndPaint around a WM_PAINT.
class PaintDc {
public:
    explicit PaintDc(HWND h) : hwnd_(h) { dc_ = BeginPaint(h, &ps_); }
    ~PaintDc() { EndPaint(hwnd_, &ps_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// A selection into a DC, undone when it goes.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? SelectObject(dc, obj) : nullptr) {}
    ~Selected() {
        if (old_) SelectObject(dc_, old_);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// SaveDC/RestoreDC, for clipping that must not outlive a drawing step.
class SavedDc {
public:
    explicit SavedDc(HDC dc) : dc_(dc), id_(SaveDC(dc)) {}
    ~SavedDc() { RestoreDC(dc_, id_); }
    SavedDc(const SavedDc&) = delete;
    SavedDc& operator=(const SavedDc&) = delete;

private:
    HDC dc_;
    int id_;
};

}  // namespace w32
