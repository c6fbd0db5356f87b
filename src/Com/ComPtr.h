#pragma once
// A counted reference to a COM interface: the one way this add-in holds interface pointers.

#include <windows.h>
#include <unknwn.h>
#include <utility>

namespace Com {

template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes a new reference on p.
    explicit ComPtr(T* p) noexcept : m_p(p) { addRef(); }
    ComPtr(const ComPtr& other) noexcept : m_p(other.m_p) { addRef(); }
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ~ComPtr() { release(); }

    ComPtr& operator=(const ComPtr& other) noexcept
    {
        if (m_p != other.m_p) {
            ComPtr copy(other);
            swap(copy);
        }
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        ComPtr moved(std::move(other));
        swap(moved);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) noexcept
    {
        reset();
        return *this;
    }

    // Adopts a reference the caller already owns (an out parameter filled elsewhere).
    static ComPtr attach(T* p) noexcept
    {
        ComPtr result;
        result.m_p = p;
        return result;
    }
    T* detach() noexcept { return std::exchange(m_p, nullptr); }

    void reset() noexcept
    {
        T* old = std::exchange(m_p, nullptr);
        if (old)
            old->Release();
    }

    // Address for an out parameter; drops the current reference first.
    T** put() noexcept
    {
        reset();
        return &m_p;
    }
    void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }

    T* get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    T& operator*() const noexcept { return *m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }

    // QueryInterface; a null result when the object does not offer iid.
    template <class U>
    ComPtr<U> query(REFIID iid) const noexcept
    {
        ComPtr<U> result;
        if (m_p)
            m_p->QueryInterface(iid, result.putVoid());
        return result;
    }

    void swap(ComPtr& other) noexcept { std::swap(m_p, other.m_p); }

    friend bool operator==(const ComPtr& a, const ComPtr& b) noexcept { return a.m_p == b.m_p; }

private:
    void addRef() noexcept
    {
        if (m_p)
            m_p->AddRef();
    }
    void release() noexcept
    {
        if (m_p)
            m_p->Release();
    }

    T* m_p = nullptr;
};

} // namespace Com
