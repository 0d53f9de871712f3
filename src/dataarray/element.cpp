#include "dataarray/element.h"

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "dataarray/accessor.h"

namespace Varn {

// The descriptor is shared with C callers: its layout is fixed.
static_assert(std::is_standard_layout_v<tagDATAARRAY>, "a plain record");
static_assert(sizeof(tagDATAARRAYBOUND) == 8, "tagDATAARRAYBOUND is 8 bytes");
static_assert(offsetof(tagDATAARRAYBOUND, count) == 0, "tagDATAARRAYBOUND.count at 0");
static_assert(offsetof(tagDATAARRAYBOUND, lowerBound) == 4, "tagDATAARRAYBOUND.lowerBound at 4");
static_assert(offsetof(tagDATAARRAY, dimCount) == 0, "tagDATAARRAY.dimCount at 0");
static_assert(offsetof(tagDATAARRAY, firstCount) == 4, "tagDATAARRAY.firstCount at 4");
static_assert(offsetof(tagDATAARRAY, vartype) == 8, "tagDATAARRAY.vartype at 8");
static_assert(offsetof(tagDATAARRAY, reserved) == 10, "tagDATAARRAY.reserved at 10");
static_assert(sizeof(void*) != 8 || offsetof(tagDATAARRAY, data) == 16,
              "tagDATAARRAY.data at 16 with 8-byte pointers");
static_assert(sizeof(void*) != 8 || offsetof(tagDATAARRAY, firstBound) == 24,
              "tagDATAARRAY.firstBound at 24 with 8-byte pointers");
static_assert(sizeof(void*) != 8 || sizeof(tagDATAARRAY) == 32,
              "tagDATAARRAY is 32 bytes with 8-byte pointers");

using detail::DataArrayAccessorOf;

namespace {

std::unique_ptr<tagDATAARRAYBOUND[]> CopyBounds(unsigned int dimCount,
                                                const tagDATAARRAYBOUND* bounds) {
    if (dimCount == 0)
        return nullptr;
    std::unique_ptr<tagDATAARRAYBOUND[]> copy(new tagDATAARRAYBOUND[dimCount]);
    std::memcpy(copy.get(), bounds, dimCount * sizeof(tagDATAARRAYBOUND));
    return copy;
}

}  // namespace

/// Marks a restructuring for its whole duration, so that re-entrant calls
/// from client code that it runs find the array closed.
class CZtDataArrayElement::Restructuring {
public:
    explicit Restructuring(CZtDataArrayElement& array) : m_Array(array) {
        ++m_Array.m_Restructuring;
    }
    ~Restructuring() { --m_Array.m_Restructuring; }
    Restructuring(const Restructuring&) = delete;
    Restructuring& operator=(const Restructuring&) = delete;

private:
    CZtDataArrayElement& m_Array;
};

CZtDataArrayElement::CZtDataArrayElement(unsigned short vartype, unsigned int dimCount,
                                         const tagDATAARRAYBOUND* bounds)
    : m_Descriptor(), m_State() {
    m_State.dimCount = dimCount;
    m_State.vartype = static_cast<unsigned short>(vartype & ZT_VT_TYPEMASK);
    // Only the bounds the caller said it passes are read: an array without
    // dimensions has no first bound.
    if (dimCount > 0) {
        m_State.firstCount = bounds[0].count;
        m_State.firstBound = bounds[0];
        m_Bounds = CopyBounds(dimCount, bounds);
        // No block without an accessor or without elements.
        if (const CZtDataArrayAccessorBase* accessor = DataArrayAccessorOf(m_State.vartype))
            accessor->CreateData(dimCount, m_Bounds.get(), &m_State.data);
    }
    Publish();
}

CZtDataArrayElement::CZtDataArrayElement(CopyOf, CZtDataArrayElement& source)
    : m_Descriptor(), m_State() {
    ElementsInUse reading(source);
    m_State = source.m_State;
    m_State.data = nullptr;
    m_Bounds = CopyBounds(m_State.dimCount, source.m_Bounds.get());
    if (source.m_State.data) {
        DataArrayAccessorOf(m_State.vartype)
            ->CopyData(m_State.dimCount, m_Bounds.get(), source.m_State.data, &m_State.data);
    }
    Publish();
}

CZtDataArrayElement::~CZtDataArrayElement() {
    if (void* data = m_State.data) {
        m_State.data = nullptr;
        DataArrayAccessorOf(m_State.vartype)->DestroyData(data, m_State.dimCount, m_Bounds.get());
    }
}

unsigned int CZtDataArrayElement::GetElement(const int* indices, void* value) {
    const CZtDataArrayAccessorBase* accessor = DataArrayAccessorOf(m_State.vartype);
    if (m_State.dimCount == 0 || !accessor)
        return ZT_E_INVALID_OBJECT;
    ElementsInUse reading(*this);
    return accessor->GetElement(&m_State, m_Bounds.get(), indices, value);
}

unsigned int CZtDataArrayElement::PutElement(const int* indices, const void* value) {
    const CZtDataArrayAccessorBase* accessor = DataArrayAccessorOf(m_State.vartype);
    if (m_State.dimCount == 0 || !accessor)
        return ZT_E_INVALID_OBJECT;
    ElementsInUse writing(*this);
    return accessor->PutElement(&m_State, m_Bounds.get(), indices, value);
}

unsigned int CZtDataArrayElement::GetBounds(unsigned int* dimCount, tagDATAARRAYBOUND** bounds) {
    if (m_State.dimCount == 0)
        return ZT_E_INVALID_OBJECT;
    *dimCount = m_State.dimCount;
    *bounds = m_Bounds.get();
    return ZT_S_OK;
}

unsigned int CZtDataArrayElement::GetElementCount(unsigned int* count,
                                                  unsigned int* byteSize) const {
    const CZtDataArrayAccessorBase* accessor = DataArrayAccessorOf(m_State.vartype);
    if (!accessor)
        return ZT_S_OK;
    // An array without dimensions has no block and so no elements.
    if (m_State.dimCount == 0) {
        *count = 0;
        if (byteSize)
            *byteSize = 0;
        return ZT_S_OK;
    }
    *count = accessor->GetElementCount(m_State.dimCount, m_Bounds.get(), byteSize);
    return ZT_S_OK;
}

unsigned int CZtDataArrayElement::ChangeType(unsigned short vartype) {
    if (m_State.dimCount == 0 || !m_State.data)
        return ZT_E_INVALID_OBJECT;
    const CZtDataArrayAccessorBase* target = DataArrayAccessorOf(vartype);
    const CZtDataArrayAccessorBase* source = DataArrayAccessorOf(m_State.vartype);
    if (!target || !source || IsInUse())
        return ZT_E_INVALID_OBJECT;
    Restructuring converting(*this);
    const unsigned int result = target->ChangeType(&m_State, m_Bounds.get(), source);
    Publish();
    return result;
}

unsigned int CZtDataArrayElement::Redim(unsigned int dimCount, const tagDATAARRAYBOUND* bounds) {
    if (m_State.dimCount == 0)
        return ZT_E_NOT_RESIZABLE;
    if (!bounds)
        return ZT_E_INVALID_TYPE;
    const CZtDataArrayAccessorBase* accessor = DataArrayAccessorOf(m_State.vartype);
    if (!accessor || !m_State.data || IsInUse())
        return ZT_E_INVALID_OBJECT;
    std::unique_ptr<tagDATAARRAYBOUND[]> fresh = CopyBounds(dimCount, bounds);
    Restructuring resizing(*this);
    const unsigned int result =
        accessor->Redim(&m_State, dimCount, fresh ? fresh.get() : bounds, m_Bounds.get());
    if (result == ZT_S_OK)
        m_Bounds = std::move(fresh);
    Publish();
    return result;
}

bool CZtDataArrayElement::HasSameShape(const CZtDataArrayElement& other) const {
    if (m_State.dimCount != other.m_State.dimCount)
        return false;
    for (unsigned int i = 0; i < m_State.dimCount; ++i) {
        if (m_Bounds[i].count != other.m_Bounds[i].count ||
            m_Bounds[i].lowerBound != other.m_Bounds[i].lowerBound)
            return false;
    }
    return true;
}

bool CZtDataArrayElement::HasEqualData(CZtDataArrayElement& other) {
    if (this == &other)
        return true;
    // Elements of different types are never equal, as variants of different
    // type codes are not.
    if (m_State.vartype != other.m_State.vartype)
        return false;
    const CZtDataArrayAccessorBase* accessor = DataArrayAccessorOf(m_State.vartype);
    if (!accessor || m_State.dimCount == 0)
        return true;  // neither has elements
    ElementsInUse readingThis(*this);
    ElementsInUse readingOther(other);
    bool equal = false;
    accessor->CompareData(&m_State, &other.m_State, m_Bounds.get(), &equal);
    return equal;
}

void CZtDataArrayElement::DestroyContents() {
    Restructuring destroying(*this);
    m_bDestroyed = true;
    // The block leaves the array before its elements go, so client code run
    // by their destruction finds an array without elements.
    void* data = m_State.data;
    m_State.data = nullptr;
    Publish();
    if (data)
        DataArrayAccessorOf(m_State.vartype)->DestroyData(data, m_State.dimCount, m_Bounds.get());
}

}  // namespace Varn
