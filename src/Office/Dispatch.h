#pragma once
// Late-bound access to host objects: every Office object the add-in touches is reached through
// IDispatch by member name, so the same code serves every Office version and any object that
// answers the names. Each failure raises a ComError carrying the HRESULT and the IID through
// which the object was obtained.

#include "Com/ComPtr.h"
#include "Com/Variant.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Office {

// The member ids an interface's names stand for, as GetIDsOfNames answered them. An
// interface's ids never change, so the objects reached from one another share what was asked
// once, and a walk over a document costs one look-up per member, not one per call.
class MemberIds {
public:
    // The id known for `name` on `iid`; false when it was never asked.
    bool find(const IID& iid, std::wstring_view name, DISPID& id) const;
    void add(const IID& iid, std::wstring_view name, DISPID id);

private:
    struct Entry {
        IID iid;
        std::wstring name;
        DISPID id;
    };
    std::vector<Entry> m_entries;
};

class Object {
public:
    Object() noexcept = default;
    Object(Com::ComPtr<IDispatch> dispatch, const IID& iid)
        : m_dispatch(std::move(dispatch)), m_iid(iid), m_memberIds(std::make_shared<MemberIds>())
    {
    }

    // The object's interface iid (QueryInterface), or a null Object when it does not offer it.
    static Object query(IUnknown* object, const IID& iid);
    // The object a VARIANT result refers to, asked for iid; null when the value holds none.
    static Object fromVariant(const Com::Variant& value, const IID& iid);

    explicit operator bool() const noexcept { return static_cast<bool>(m_dispatch); }
    IDispatch* dispatch() const noexcept { return m_dispatch.get(); }
    const IID& iid() const noexcept { return m_iid; }

    // Property read. Raises on every failure.
    Com::Variant get(std::wstring_view name, std::initializer_list<Com::Variant> args = {}) const;
    // Property read that answers an empty value when the object does not know the name.
    Com::Variant getIfKnown(std::wstring_view name) const;
    void put(std::wstring_view name, const Com::Variant& value) const;
    Com::Variant call(std::wstring_view name, std::initializer_list<Com::Variant> args = {}) const;

    // A property that holds an object, asked for iid.
    Object getObject(std::wstring_view name, const IID& iid, std::initializer_list<Com::Variant> args = {}) const;
    Object callObject(std::wstring_view name, const IID& iid, std::initializer_list<Com::Variant> args = {}) const;

private:
    Object(Com::ComPtr<IDispatch> dispatch, const IID& iid, std::shared_ptr<MemberIds> memberIds) noexcept
        : m_dispatch(std::move(dispatch)), m_iid(iid), m_memberIds(std::move(memberIds))
    {
    }
    // The object a result refers to, asked for iid, sharing this object's member ids.
    Object reached(const Com::Variant& value, const IID& iid) const;
    HRESULT lookUp(std::wstring_view name, DISPID& id) const;
    Com::Variant invoke(DISPID id, WORD flags, std::initializer_list<Com::Variant> args) const;
    void requireObject() const;

    Com::ComPtr<IDispatch> m_dispatch;
    IID m_iid = IID_IDispatch;
    std::shared_ptr<MemberIds> m_memberIds;
};

} // namespace Office
