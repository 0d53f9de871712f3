// CZtDataArrayBound and CZtDataArray: the class forms of a dimension and of
// a data array handle. Every array operation goes through the C functions.
#include <zotrel/dataarray.h>

#include <zotrel/blob.h>
#include <zotrel/variant.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <type_traits>

namespace Varn {

// Arrays of either bound type stand for arrays of the other.
static_assert(sizeof(CZtDataArrayBound) == sizeof(tagDATAARRAYBOUND), "same size");
static_assert(std::is_standard_layout_v<CZtDataArrayBound>, "a plain layout");
static_assert(offsetof(CZtDataArrayBound, count) == offsetof(tagDATAARRAYBOUND, count),
              "count first");
static_assert(offsetof(CZtDataArrayBound, lowerBound) == offsetof(tagDATAARRAYBOUND, lowerBound),
              "lowerBound second");

// ---------------------------------------------------------------------------
// CZtDataArrayBound

CZtDataArrayBound::CZtDataArrayBound(unsigned int count, int lowerBound)
    : count(count), lowerBound(lowerBound) {}
CZtDataArrayBound::CZtDataArrayBound(const tagDATAARRAYBOUND& other)
    : count(other.count), lowerBound(other.lowerBound) {}
CZtDataArrayBound::CZtDataArrayBound(const CZtDataArrayBound& other)
    : count(other.count), lowerBound(other.lowerBound) {}
CZtDataArrayBound::~CZtDataArrayBound() {}

CZtDataArrayBound& CZtDataArrayBound::operator=(const tagDATAARRAYBOUND& other) {
    count = other.count;
    lowerBound = other.lowerBound;
    return *this;
}
CZtDataArrayBound& CZtDataArrayBound::operator=(const CZtDataArrayBound& other) {
    if (this != &other) {
        count = other.count;
        lowerBound = other.lowerBound;
    }
    return *this;
}
CZtDataArrayBound& CZtDataArrayBound::operator=(unsigned int newCount) {
    count = newCount;
    lowerBound = 0;
    return *this;
}

bool CZtDataArrayBound::operator==(const CZtDataArrayBound& other) const {
    return count == other.count && lowerBound == other.lowerBound;
}
bool CZtDataArrayBound::operator!=(const CZtDataArrayBound& other) const {
    return !(*this == other);
}

unsigned int CZtDataArrayBound::GetCount() const {
    return count;
}
int CZtDataArrayBound::GetLowerBound() const {
    return lowerBound;
}
unsigned int CZtDataArrayBound::SetCount(unsigned int newCount) {
    count = newCount;
    return count;
}
void CZtDataArrayBound::SetLowerBound(int newLowerBound) {
    lowerBound = newLowerBound;
}
int CZtDataArrayBound::GetUpperBound() const {
    // Two's-complement arithmetic: the last index of an empty dimension is
    // lowerBound - 1, whatever the values.
    return static_cast<int>(static_cast<unsigned int>(lowerBound) + count - 1u);
}
int CZtDataArrayBound::GetAbsoluteIndex(int index) const {
    return static_cast<int>(static_cast<unsigned int>(index) -
                            static_cast<unsigned int>(lowerBound));
}

// ---------------------------------------------------------------------------
// CZtDataArray

namespace {

// `dimCount` bounds of the class type as plain records; a temporary, so that
// the bounds handed to the C functions are records of their own type.
class PlainBounds {
public:
    PlainBounds(unsigned int dimCount, const CZtDataArrayBound* bounds) {
        tagDATAARRAYBOUND* out = m_Small;
        if (dimCount > kSmall) {
            m_Large.reset(new tagDATAARRAYBOUND[dimCount]);
            out = m_Large.get();
        }
        for (unsigned int i = 0; i < dimCount; ++i)
            out[i] = tagDATAARRAYBOUND{bounds[i].count, bounds[i].lowerBound};
        m_pBounds = out;
    }
    const tagDATAARRAYBOUND* Get() const { return m_pBounds; }

private:
    static constexpr unsigned int kSmall = 8;
    tagDATAARRAYBOUND m_Small[kSmall] = {};
    std::unique_ptr<tagDATAARRAYBOUND[]> m_Large;
    const tagDATAARRAYBOUND* m_pBounds = nullptr;
};

// A registered copy of `array`, or null when it is null or cannot be copied.
tagDATAARRAY* CopyOf(tagDATAARRAY* array) {
    tagDATAARRAY* copy = nullptr;
    if (array)
        ZtDataArrayCopy(array, &copy);
    return copy;
}

// A new one-element array (one dimension, lower bound 0) of `vartype` holding
// a copy of `*value`; null when it cannot be made.
tagDATAARRAY* SingleElement(unsigned short vartype, const void* value) {
    const tagDATAARRAYBOUND bound = {1, 0};
    tagDATAARRAY* array = ZtDataArrayCreate(vartype, 1, &bound);
    int index = 0;
    ZtDataArrayPutElement(array, &index, const_cast<void*>(value));
    return array;
}

// The array a variant stands for, as a new registered array: a copy of the
// array an array variant holds or refers to, or for any other variant a
// one-element ZT_VT_VARIANT array holding a copy of it.
tagDATAARRAY* ArrayOfVariant(const tagZTVARIANT& value) {
    if (!(value.vartype & ZT_VT_ARRAY))
        return SingleElement(ZT_VT_VARIANT, &value);
    if (!(value.vartype & ZT_VT_BYREF))
        return CopyOf(value.data.pArray);
    const auto* slot = static_cast<tagDATAARRAY* const*>(value.data.byref);
    return slot ? CopyOf(*slot) : nullptr;
}

}  // namespace

CZtDataArray::CZtDataArray() : m_pDataArray(nullptr) {}

CZtDataArray::CZtDataArray(unsigned short vartype, unsigned int dimCount, unsigned int count,
                           int lowerBound)
    : m_pDataArray(nullptr) {
    Create(vartype, dimCount, count, lowerBound);
}

CZtDataArray::CZtDataArray(unsigned short vartype, unsigned int dimCount,
                           const CZtDataArrayBound* bounds)
    : m_pDataArray(nullptr) {
    Create(vartype, dimCount, bounds);
}

CZtDataArray::CZtDataArray(unsigned short vartype, unsigned int dimCount,
                           const tagDATAARRAYBOUND* bounds)
    : m_pDataArray(nullptr) {
    Create(vartype, dimCount, bounds);
}

CZtDataArray::CZtDataArray(tagDATAARRAY*& handle, bool attach) : m_pDataArray(nullptr) {
    if (attach)
        Attach(handle);
    else
        m_pDataArray = CopyOf(handle);
}

CZtDataArray::CZtDataArray(const CZtDataArray& other) : m_pDataArray(CopyOf(other.m_pDataArray)) {}

CZtDataArray::CZtDataArray(const CZtBlob& bytes)
    : m_pDataArray(SingleElement(ZT_VT_BLOB, &bytes)) {}

CZtDataArray::CZtDataArray(const CZtVariant& value) : m_pDataArray(ArrayOfVariant(value)) {}

CZtDataArray::~CZtDataArray() {
    Destroy();
}

// Assignments make the new array before the old one goes, so a source that
// refers to the held array (a by-reference variant, say) still reads it.

CZtDataArray& CZtDataArray::operator=(const CZtDataArray& other) {
    if (this != &other) {
        tagDATAARRAY* copy = CopyOf(other.m_pDataArray);
        Destroy();
        m_pDataArray = copy;
    }
    return *this;
}

CZtDataArray& CZtDataArray::operator=(const CZtDataArray* other) {
    if (other && other != this)
        *this = *other;
    return *this;
}

CZtDataArray& CZtDataArray::operator=(tagDATAARRAY* handle) {
    if (handle != m_pDataArray) {
        tagDATAARRAY* copy = CopyOf(handle);
        Destroy();
        m_pDataArray = copy;
    }
    return *this;
}

CZtDataArray& CZtDataArray::operator=(const CZtBlob& bytes) {
    tagDATAARRAY* fresh = SingleElement(ZT_VT_BLOB, &bytes);
    Destroy();
    m_pDataArray = fresh;
    return *this;
}

CZtDataArray& CZtDataArray::operator=(const CZtVariant& value) {
    tagDATAARRAY* fresh = ArrayOfVariant(value);
    Destroy();
    m_pDataArray = fresh;
    return *this;
}

CZtDataArray& CZtDataArray::operator=(const CZtBlob* bytes) {
    tagDATAARRAY* fresh = bytes ? SingleElement(ZT_VT_BLOB, bytes) : nullptr;
    Destroy();
    m_pDataArray = fresh;
    return *this;
}

CZtDataArray& CZtDataArray::operator=(const CZtVariant* value) {
    tagDATAARRAY* fresh = value ? ArrayOfVariant(*value) : nullptr;
    Destroy();
    m_pDataArray = fresh;
    return *this;
}

bool CZtDataArray::operator==(const CZtDataArray& other) const {
    return this == &other || Compare(other);
}

bool CZtDataArray::operator!=(const CZtDataArray& other) const {
    return !(*this == other);
}

unsigned int CZtDataArray::Create(unsigned short vartype, unsigned int dimCount, unsigned int count,
                                  int lowerBound) {
    // One bound is all there is to read.
    if (dimCount > 1)
        return ZT_E_INVALIDARG;
    const CZtDataArrayBound bound(count, lowerBound);
    return Create(vartype, dimCount, &bound);
}

unsigned int CZtDataArray::Create(unsigned short vartype, unsigned int dimCount,
                                  const CZtDataArrayBound* bounds) {
    if (!bounds)
        return ZT_E_NULL_POINTER;
    const PlainBounds plain(dimCount, bounds);
    return Create(vartype, dimCount, plain.Get());
}

unsigned int CZtDataArray::Create(unsigned short vartype, unsigned int dimCount,
                                  const tagDATAARRAYBOUND* bounds) {
    Destroy();
    m_pDataArray = ZtDataArrayCreate(vartype, dimCount, bounds);
    return m_pDataArray ? ZT_S_OK : ZT_E_INVALID_OBJECT;
}

unsigned int CZtDataArray::Destroy() {
    const unsigned int result = ZtDataArrayDestroy(m_pDataArray);
    m_pDataArray = nullptr;
    return result;
}

unsigned int CZtDataArray::Lock() {
    return ZtDataArrayLock(m_pDataArray);
}
unsigned int CZtDataArray::Unlock() {
    return ZtDataArrayUnlock(m_pDataArray);
}
unsigned int CZtDataArray::AccessData(void** data) {
    return ZtDataArrayAccessData(m_pDataArray, data);
}
unsigned int CZtDataArray::UnaccessData() {
    return ZtDataArrayUnaccessData(m_pDataArray);
}
unsigned int CZtDataArray::GetElement(int* indices, void* value) {
    return ZtDataArrayGetElement(m_pDataArray, indices, value);
}
unsigned int CZtDataArray::PutElement(int* indices, void* value) {
    return ZtDataArrayPutElement(m_pDataArray, indices, value);
}
unsigned int CZtDataArray::GetVartype(unsigned short* vartype) const {
    return ZtDataArrayGetVartype(m_pDataArray, vartype);
}
unsigned int CZtDataArray::GetBounds(unsigned int& dimCount, tagDATAARRAYBOUND*& bounds) const {
    return ZtDataArrayGetBounds(m_pDataArray, &dimCount, &bounds);
}
unsigned int CZtDataArray::GetBounds(unsigned int& dimCount, CZtDataArrayBound*& bounds) const {
    tagDATAARRAYBOUND* plain = nullptr;
    ZtDataArrayGetBounds(m_pDataArray, &dimCount, &plain);
    if (!plain)
        return ZT_E_NULL_POINTER;
    bounds = reinterpret_cast<CZtDataArrayBound*>(plain);
    return ZT_S_OK;
}
unsigned int CZtDataArray::GetElementCount(unsigned int& count, unsigned int* byteSize) const {
    return ZtDataArrayGetElementCount(m_pDataArray, &count, byteSize);
}
unsigned int CZtDataArray::ZtDataArrayChangeType(unsigned short vartype) {
    return ::Varn::ZtDataArrayChangeType(m_pDataArray, 0, vartype);
}
unsigned int CZtDataArray::ZtDataArrayRedim(unsigned int dimCount,
                                            const tagDATAARRAYBOUND* bounds) {
    return ::Varn::ZtDataArrayRedim(m_pDataArray, dimCount, bounds);
}
unsigned int CZtDataArray::ZtDataArrayRedim(unsigned int dimCount,
                                            const CZtDataArrayBound* bounds) {
    if (!bounds)
        return ZT_E_NULL_POINTER;
    const PlainBounds plain(dimCount, bounds);
    return ::Varn::ZtDataArrayRedim(m_pDataArray, dimCount, plain.Get());
}

bool CZtDataArray::Compare(const CZtDataArray& other) const {
    bool equal = false;
    ZtDataArrayCompare(m_pDataArray, other.m_pDataArray, &equal);
    return equal;
}

unsigned int CZtDataArray::Attach(tagDATAARRAY*& handle) {
    if (!handle)
        return ZT_E_INVALID_TYPE;
    tagDATAARRAY* taken = handle;
    handle = nullptr;
    if (taken != m_pDataArray) {
        Destroy();
        m_pDataArray = taken;
    }
    return ZT_S_OK;
}

unsigned int CZtDataArray::Attach(tagZTVARIANT*& value) {
    if (!value)
        return ZT_E_INVALID_TYPE;
    if (!(value->vartype & ZT_VT_ARRAY)) {
        Destroy();
        return ZT_E_INVALIDARG;
    }
    // Take the handle out of the variant (or out of the place its reference
    // designates) first: it may be the very handle this object holds.
    tagDATAARRAY* taken = nullptr;
    if (value->vartype & ZT_VT_BYREF) {
        if (auto* slot = static_cast<tagDATAARRAY**>(value->data.byref)) {
            taken = *slot;
            *slot = nullptr;
        }
    } else {
        taken = value->data.pArray;
        value->data.pArray = nullptr;
    }
    value->vartype = ZT_VT_EMPTY;
    if (taken != m_pDataArray)
        Destroy();
    m_pDataArray = taken;
    return ZT_S_OK;
}

unsigned int CZtDataArray::Attach(CZtVariant& value) {
    tagZTVARIANT* record = &value;
    return Attach(record);
}

unsigned int CZtDataArray::Detach(tagZTVARIANT* value) {
    if (!value)
        return ZT_E_NULL_POINTER;
    ZtVariantClear(value);
    unsigned short vartype = ZT_VT_EMPTY;
    if (m_pDataArray)
        ZtDataArrayGetVartype(m_pDataArray, &vartype);
    value->vartype = static_cast<unsigned short>(vartype | ZT_VT_ARRAY);
    value->data.pArray = m_pDataArray;
    m_pDataArray = nullptr;
    return ZT_S_OK;
}

tagDATAARRAY* CZtDataArray::Detach() {
    tagDATAARRAY* handle = m_pDataArray;
    m_pDataArray = nullptr;
    return handle;
}

void CZtDataArray::CreateDataArray(CZtDataArray** out) {
    if (out)
        *out = new CZtDataArray;
}

void CZtDataArray::DestroyDataArray(CZtDataArray* object) {
    delete object;
}

}  // namespace Varn
