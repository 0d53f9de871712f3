// Helpers shared by the variant tests: counting interface objects, records
// filled by hand as a C caller fills them, and readers of a record's payload.
#ifndef ZOTREL_TESTS_VARIANT_VARIANT_TEST_UTIL_H
#define ZOTREL_TESTS_VARIANT_VARIANT_TEST_UTIL_H

#include <zotrel/variant.h>

#include <zotrel/string.h>

#include <atomic>
#include <cstring>
#include <string>
#include <type_traits>

namespace zotrel_test {

/// What happened to the counting objects that share one tally.
struct Tally {
    int addRefs = 0;
    int releases = 0;
    int destroyed = 0;
};

/// A reference-counted object that records every AddRef, Release and its
/// destruction, so leaks and double releases show up in the tally.
template <class Interface>
class CountingBase : public Interface {
public:
    explicit CountingBase(Tally* tally) : m_tally(tally) {}
    int AddRef() const override {
        ++m_tally->addRefs;
        return ++m_count;
    }
    int Release() const override {
        ++m_tally->releases;
        const int count = --m_count;
        if (count == 0)
            delete this;
        return count;
    }
    /// The current count; only while the object is alive.
    int Count() const { return m_count.load(); }

protected:
    virtual ~CountingBase() { ++m_tally->destroyed; }

private:
    Tally* m_tally;
    mutable std::atomic<int> m_count{1};
};

/// A counting object behind IZtUnknown or IZtDispatch.
template <class Interface>
class CountingUnknown : public CountingBase<Interface> {
public:
    using CountingBase<Interface>::CountingBase;
    unsigned int QueryInterface(const Varn::tagZTGUID&, Varn::IZtUnknown** out) override {
        if (!out)
            return Varn::ZT_E_POINTER;
        *out = nullptr;
        return Varn::ZT_E_NOINTERFACE;
    }
};

using CountingReferenced = CountingBase<Varn::IZtReferenced>;
using CountingDispatch = CountingUnknown<Varn::IZtDispatch>;
using CountingObject = CountingUnknown<Varn::IZtUnknown>;

/// A record of any type word whose payload starts with `value`, the rest zero,
/// as a C caller fills one by hand. The variant owns what the payload holds.
template <class T>
Varn::CZtVariant Record(unsigned short type, const T& value) {
    Varn::CZtVariant v;
    v.vartype = type;
    std::memcpy(static_cast<void*>(&v.data), &value, sizeof(T));
    return v;
}

/// A record of a type word with an all-zero payload.
inline Varn::CZtVariant Typed(unsigned short type) {
    Varn::CZtVariant v;
    v.vartype = type;
    return v;
}

/// A by-reference record pointing at `target`.
template <class T>
Varn::CZtVariant RefTo(unsigned short type, T* target) {
    return Record(static_cast<unsigned short>(type | Varn::ZT_VT_BYREF),
                  static_cast<void*>(const_cast<std::remove_const_t<T>*>(target)));
}

/// The first `sizeof(T)` payload bytes of a record.
template <class T>
T PayloadAs(const Varn::tagZTVARIANT& v) {
    T value;
    std::memcpy(&value, &v.data, sizeof(T));
    return value;
}

/// The low `width` bytes of a record's payload as an unsigned number.
inline unsigned long long PayloadBits(const Varn::tagZTVARIANT& v, std::size_t width) {
    unsigned long long bits = 0;
    std::memcpy(&bits, &v.data, width);
    return bits;
}

/// The wide text of a string, "<null>" for none.
inline std::wstring Text(const Varn::CZtString& s) {
    return s.w_str() ? std::wstring(s.w_str()) : std::wstring(L"<null>");
}

/// The text a ZT_VT_STRING record holds, "<null>" for a null string object and
/// "<not a string>" for any other type word.
inline std::wstring TextIn(const Varn::tagZTVARIANT& v) {
    if (v.vartype != Varn::ZT_VT_STRING)
        return L"<not a string>";
    const Varn::CZtString* s = PayloadAs<Varn::CZtString*>(v);
    return s ? Text(*s) : std::wstring(L"<null>");
}

/// True when every byte of the record is zero.
inline bool IsZeroRecord(const Varn::tagZTVARIANT& v) {
    Varn::tagZTVARIANT zero;
    std::memset(static_cast<void*>(&zero), 0, sizeof(zero));
    return std::memcmp(&v, &zero, sizeof(v)) == 0;
}

}  // namespace zotrel_test

#endif  // ZOTREL_TESTS_VARIANT_VARIANT_TEST_UTIL_H
