// Helpers shared by the data array tests: counting interface objects and
// small shortcuts around the C functions.
#ifndef ZOTREL_TESTS_DATAARRAY_DATAARRAY_TEST_UTIL_H
#define ZOTREL_TESTS_DATAARRAY_DATAARRAY_TEST_UTIL_H

#include <zotrel/dataarray.h>
#include <zotrel/variant.h>

#include <atomic>
#include <functional>
#include <initializer_list>
#include <vector>

namespace zotrel_test {

/// What happened to the counting objects that share one tally. Atomic, so
/// that objects may be counted from several threads.
struct RefTally {
    std::atomic<int> addRefs{0};
    std::atomic<int> releases{0};
    std::atomic<int> destroyed{0};
};

/// A reference-counted object that records every AddRef, Release and its
/// destruction, so leaks and double releases show up in the tally. An
/// optional hook runs inside Release (before the object may go), standing
/// for client code that calls back into the library.
template <class Interface>
class CountedObject : public Interface {
public:
    explicit CountedObject(RefTally* tally) : m_tally(tally) {}
    int AddRef() const override {
        ++m_tally->addRefs;
        return ++m_count;
    }
    int Release() const override {
        ++m_tally->releases;
        if (m_onRelease)
            m_onRelease();
        const int count = --m_count;
        if (count == 0)
            delete this;
        return count;
    }
    /// The current count; only while the object is alive.
    int Count() const { return m_count.load(); }
    void OnRelease(std::function<void()> hook) { m_onRelease = std::move(hook); }

protected:
    virtual ~CountedObject() { ++m_tally->destroyed; }

private:
    RefTally* m_tally;
    mutable std::atomic<int> m_count{1};
    std::function<void()> m_onRelease;
};

template <class Interface>
class CountedUnknown : public CountedObject<Interface> {
public:
    using CountedObject<Interface>::CountedObject;
    unsigned int QueryInterface(const Varn::tagZTGUID&, Varn::IZtUnknown** out) override {
        if (!out)
            return Varn::ZT_E_POINTER;
        *out = nullptr;
        return Varn::ZT_E_NOINTERFACE;
    }
};

using CountedUnknownObject = CountedUnknown<Varn::IZtUnknown>;
using CountedDispatchObject = CountedUnknown<Varn::IZtDispatch>;
using CountedReferencedObject = CountedObject<Varn::IZtReferenced>;

/// A new array of the given dimensions, lower bound 0 unless given.
inline Varn::tagDATAARRAY* MakeArray(unsigned short vartype,
                                     std::initializer_list<Varn::tagDATAARRAYBOUND> bounds) {
    std::vector<Varn::tagDATAARRAYBOUND> all(bounds);
    return Varn::ZtDataArrayCreate(vartype, static_cast<unsigned int>(all.size()), all.data());
}

/// A one-dimensional array of `count` elements from index 0.
inline Varn::tagDATAARRAY* MakeVector(unsigned short vartype, unsigned int count) {
    return MakeArray(vartype, {{count, 0}});
}

/// Element `index` of a one-dimensional array, read into `*value`.
template <class T>
unsigned int Get1(Varn::tagDATAARRAY* array, int index, T* value) {
    return Varn::ZtDataArrayGetElement(array, &index, value);
}

/// Writes `value` into element `index` of a one-dimensional array.
template <class T>
unsigned int Put1(Varn::tagDATAARRAY* array, int index, const T& value) {
    return Varn::ZtDataArrayPutElement(array, &index, const_cast<T*>(&value));
}

/// Reads an int element of a one-dimensional array (-1 when refused).
inline int IntAt(Varn::tagDATAARRAY* array, int index) {
    int value = -1;
    if (Get1(array, index, &value) != Varn::ZT_S_OK)
        return -1;
    return value;
}

/// True when `array` is a registered handle.
inline bool IsRegistered(Varn::tagDATAARRAY* array) {
    unsigned short vartype = 0;
    return Varn::ZtDataArrayGetVartype(array, &vartype) == Varn::ZT_S_OK;
}

}  // namespace zotrel_test

#endif  // ZOTREL_TESTS_DATAARRAY_DATAARRAY_TEST_UTIL_H
