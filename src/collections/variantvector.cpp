// CZtVector: the reference-counted variant vector and its C functions.
//
// The elements live in one block of plain records, each owning its value.
// Records can be moved bit for bit, so the block grows with `realloc`, which
// often extends it in place, and no value is ever copied to grow it. Three
// rules keep the vector sound:
//  - A new value is copied completely before anything is changed, so a copy
//    that fails (a type word the library does not know, a data array that
//    cannot be copied) leaves the vector and the caller's record as they
//    were; so does a block that cannot grow.
//  - A value leaving the vector is taken out of the block before it is
//    released: releasing an interface runs client code, which may call back
//    into this vector and must find it consistent.
//  - No exception leaves an operation.
#include <zotrel/objectcollections.h>

#include <cstdlib>
#include <cstring>
#include <exception>
#include <limits>
#include <new>

#include "variant/varianttype.h"

namespace Varn {

namespace {

// The largest number of elements: the count must stay readable through
// GetCount's unsigned int.
constexpr unsigned int kMaxCount = std::numeric_limits<unsigned int>::max();
// The capacity of the first block.
constexpr unsigned int kFirstCapacity = 8;

// True when the record owns nothing, so that its bytes are its whole value:
// a number, raw bits or a GUID in place. Copying such a record is copying its
// bytes, and clearing it releases nothing; both are done here directly, as
// these are what vectors mostly hold.
bool OwnsNothing(const tagZTVARIANT& v) {
    if (v.vartype & (ZT_VT_ARRAY | ZT_VT_BYREF))
        return false;
    switch (detail::TypeOf(v.vartype).payload) {
        case detail::Payload::Number:
        case detail::Payload::Raw32:
        case detail::Payload::Raw64:
        case detail::Payload::Guid:
            return true;
        default:
            return false;
    }
}

// Makes the zeroed record `copy` an independent copy of `src` (as
// ZtVariantCopy makes it). An empty record stays empty: ZtVariantCopy
// refuses to copy one, but it is a valid element. On failure `copy` is zeroed
// again and ZT_E_FAIL returned.
unsigned int CopyRecord(const tagZTVARIANT& src, tagZTVARIANT& copy) noexcept {
    if (src.vartype == ZT_VT_EMPTY)
        return ZT_S_OK;
    if (OwnsNothing(src)) {
        std::memcpy(static_cast<void*>(&copy), &src, sizeof(copy));
        return ZT_S_OK;
    }
    try {
        if (ZtSucceeded(ZtVariantCopy(&copy, &src)))
            return ZT_S_OK;
    } catch (const std::exception&) {
        // Thrown by an interface's AddRef; fall through.
    }
    ZtVariantClear(&copy);
    return ZT_E_FAIL;
}

// The block resized to `capacity` records (the records it holds move with
// it), or null, with `block` untouched, when a block that large cannot be
// addressed or had.
tagZTVARIANT* Resize(tagZTVARIANT* block, std::size_t capacity) {
    if (capacity > std::numeric_limits<std::size_t>::max() / sizeof(tagZTVARIANT))
        return nullptr;
    return static_cast<tagZTVARIANT*>(std::realloc(block, capacity * sizeof(tagZTVARIANT)));
}

// Releases every value of the vector whose fields are `block`, `count` and
// `capacity`. The block is taken away first: client code that a release runs
// sees an empty vector, and what it appends goes to a block of its own. The
// room is kept unless that happened.
void ReleaseAll(tagZTVARIANT*& block, unsigned int& count, unsigned int& capacity) {
    tagZTVARIANT* const values = block;
    const unsigned int n = count;
    const unsigned int room = capacity;
    block = nullptr;
    count = 0;
    capacity = 0;
    for (unsigned int i = 0; i < n; ++i)
        ZtVariantClear(&values[i]);
    if (!block) {
        block = values;
        capacity = room;
    } else {
        std::free(values);
    }
}

// A new vector as the C functions hand it out; null when memory runs out,
// as no exception may leave a C function.
CZtVector* NewVector() noexcept {
    try {
        return new CZtVector();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace

CZtVector::CZtVector() : m_pElements(nullptr), m_nCount(0), m_nCapacity(0), m_bWritable(true) {}

CZtVector::~CZtVector() {
    ReleaseAll(m_pElements, m_nCount, m_nCapacity);
    std::free(m_pElements);
}

int CZtVector::AddRef() const {
    return m_RefCount.Increment();
}

int CZtVector::Release() const {
    const int count = m_RefCount.Decrement();
    if (count == 0)
        delete this;
    return count;
}

unsigned int CZtVector::GetCount(unsigned int& count) const {
    // C callers pass a pointer here and may pass null. Read through a
    // volatile, the address cannot be assumed non-null and the test stays.
    unsigned int* volatile where = &count;
    if (!where)
        return ZT_E_INVALIDARG;
    *where = m_nCount;
    return ZT_S_OK;
}

unsigned int CZtVector::GetItem(unsigned int index, tagZTVARIANT* item) const {
    if (!item)
        return ZT_E_INVALIDARG;
    if (index >= m_nCount)
        return ZT_E_FAIL;
    tagZTVARIANT copy = detail::EmptyRecord();
    if (ZtFailed(CopyRecord(m_pElements[index], copy)))
        return ZT_E_FAIL;
    // The caller's record is released only now that the copy is complete: a
    // failed copy leaves it untouched.
    if (!OwnsNothing(*item))
        ZtVariantClear(item);
    std::memcpy(static_cast<void*>(item), &copy, sizeof(copy));
    return ZT_S_OK;
}

unsigned int CZtVector::SetItem(unsigned int index, tagZTVARIANT* item) {
    if (!item)
        return ZT_E_INVALIDARG;
    if (!m_bWritable)
        return ZT_E_READONLY;
    if (index >= m_nCount)
        return ZT_E_FAIL;
    tagZTVARIANT copy = detail::EmptyRecord();
    if (ZtFailed(CopyRecord(*item, copy)))
        return ZT_E_FAIL;
    tagZTVARIANT old = m_pElements[index];
    m_pElements[index] = copy;
    ZtVariantClear(&old);
    return ZT_S_OK;
}

unsigned int CZtVector::Reserve(unsigned int size) {
    if (!m_bWritable)
        return ZT_E_READONLY;
    if (size <= m_nCapacity)
        return ZT_S_OK;
    tagZTVARIANT* grown = Resize(m_pElements, size);
    if (!grown)
        return ZT_E_FAIL;
    m_pElements = grown;
    m_nCapacity = size;
    return ZT_S_OK;
}

unsigned int CZtVector::PushBack(IZtVariantCollection* source) {
    if (!source)
        return ZT_E_INVALIDARG;
    if (!m_bWritable)
        return ZT_E_READONLY;
    try {
        // The count is read once: a vector appended to itself doubles.
        unsigned int count = 0;
        const unsigned int counted = source->GetCount(count);
        if (ZtFailed(counted))
            return counted;
        // Room for all of them at once; if that fails, appending one by one
        // may still succeed, so the result is not used.
        const unsigned long long wanted = static_cast<unsigned long long>(m_nCount) + count;
        if (wanted <= kMaxCount)
            Reserve(static_cast<unsigned int>(wanted));
        for (unsigned int i = 0; i < count; ++i) {
            CZtVariant element;
            unsigned int result = source->GetItem(i, &element);
            if (ZtSucceeded(result))
                result = PushBack(static_cast<tagZTVARIANT*>(&element));
            if (ZtFailed(result))
                return result;
        }
    } catch (const std::exception&) {
        // Thrown by the source's own code; what was appended stays.
        return ZT_E_FAIL;
    }
    return ZT_S_OK;
}

unsigned int CZtVector::PushBack(tagZTVARIANT* item) {
    if (!item)
        return ZT_E_INVALIDARG;
    if (!m_bWritable)
        return ZT_E_READONLY;
    if (m_nCount == m_nCapacity) {
        if (m_nCount == kMaxCount)
            return ZT_E_FAIL;
        unsigned int capacity = kFirstCapacity;
        if (m_nCapacity > kMaxCount / 2)
            capacity = kMaxCount;
        else if (m_nCapacity >= kFirstCapacity)
            capacity = m_nCapacity * 2;
        tagZTVARIANT* grown = Resize(m_pElements, capacity);
        if (!grown)
            return ZT_E_FAIL;
        m_pElements = grown;
        m_nCapacity = capacity;
    }
    // The copy is made in the free record past the end and counted only
    // once it is complete.
    tagZTVARIANT& slot = m_pElements[m_nCount];
    slot = detail::EmptyRecord();
    if (ZtFailed(CopyRecord(*item, slot)))
        return ZT_E_FAIL;
    ++m_nCount;
    return ZT_S_OK;
}

unsigned int CZtVector::PopBack() {
    if (!m_bWritable)
        return ZT_E_READONLY;
    if (m_nCount == 0)
        return ZT_S_OK;
    tagZTVARIANT last = m_pElements[--m_nCount];
    ZtVariantClear(&last);
    return ZT_S_OK;
}

unsigned int CZtVector::Clear() {
    if (!m_bWritable)
        return ZT_E_READONLY;
    ReleaseAll(m_pElements, m_nCount, m_nCapacity);
    return ZT_S_OK;
}

unsigned int CZtVector::Freeze() {
    m_bWritable = false;
    return ZT_S_OK;
}

// ---------------------------------------------------------------------------
// The C functions

IZtVariantCollection* ZtCreateVariantCollection() {
    return NewVector();
}

IZtVariantCollectionMut* ZtCreateVariantCollectionMut() {
    return NewVector();
}

unsigned int ZtVariantCollectionDestroy(IZtVariantCollection* collection) {
    if (!collection)
        return ZT_E_NULL_POINTER;
    collection->Release();
    return ZT_S_OK;
}

unsigned int ZtVariantCollectionMutDestory(IZtVariantCollectionMut* collection) {
    if (!collection)
        return ZT_E_NULL_POINTER;
    collection->Release();
    return ZT_S_OK;
}

}  // namespace Varn
