// Helpers of the object container and map tests: a pool of counting objects
// and readers that list what a container or map holds.
#ifndef ZOTREL_TESTS_COLLECTIONS_OBJECTCOLLECTIONS_TEST_UTIL_H
#define ZOTREL_TESTS_COLLECTIONS_OBJECTCOLLECTIONS_TEST_UTIL_H

#include <zotrel/objectcollections.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "variant/variant_test_util.h"

namespace zotrel_test {

/// Counting objects whose creator's references the pool owns.
class ObjectPool {
public:
    explicit ObjectPool(int size) {
        for (int i = 0; i < size; ++i)
            m_Objects.push_back(new CountingObject(&tally));
    }
    ~ObjectPool() {
        for (CountingObject* object : m_Objects)
            object->Release();
        EXPECT_EQ(tally.destroyed, static_cast<int>(m_Objects.size())) << "leaked references";
        EXPECT_EQ(tally.addRefs, tally.releases - static_cast<int>(m_Objects.size()));
    }
    ObjectPool(const ObjectPool&) = delete;
    ObjectPool& operator=(const ObjectPool&) = delete;

    Varn::IZtUnknown* operator[](int i) const { return m_Objects[i]; }
    /// The reference count of every object, in pool order.
    std::vector<int> Counts() const {
        std::vector<int> counts;
        for (CountingObject* object : m_Objects)
            counts.push_back(object->Count());
        return counts;
    }
    /// Each count as it was at the start (only the pool's reference).
    std::vector<int> Untouched() const { return std::vector<int>(m_Objects.size(), 1); }

    Tally tally;

private:
    std::vector<CountingObject*> m_Objects;
};

using Items = std::vector<Varn::IZtUnknown*>;

/// Releases the reference an out-parameter brought, keeping the pointer.
inline Varn::IZtUnknown* Drop(Varn::IZtUnknown* item) {
    if (item)
        item->Release();
    return item;
}

/// The elements of a collection by index.
inline Items ItemsOf(const Varn::IZtObjectCollection& collection) {
    Items items;
    unsigned int count = 0;
    EXPECT_EQ(collection.GetCount(&count), Varn::ZT_S_OK);
    for (unsigned int i = 0; i < count; ++i) {
        Varn::IZtUnknown* item = nullptr;
        EXPECT_EQ(collection.GetItem(i, &item), Varn::ZT_S_OK);
        items.push_back(Drop(item));
    }
    return items;
}

/// The elements an iterator walks from First on.
inline Items ItemsOf(const Varn::IZtObjectEnum& source) {
    Items items;
    Varn::CZtCoPtr<Varn::IZtObjectEnumIterator> it;
    EXPECT_EQ(source.GetIterator(&it), Varn::ZT_S_OK);
    bool ok = false;
    for (it->First(&ok); ok; it->Next(&ok)) {
        Varn::IZtUnknown* item = nullptr;
        EXPECT_EQ(it->GetItem(&item), Varn::ZT_S_OK);
        items.push_back(Drop(item));
    }
    return items;
}

inline Items Sorted(Items items) {
    std::sort(items.begin(), items.end());
    return items;
}

}  // namespace zotrel_test

#endif  // ZOTREL_TESTS_COLLECTIONS_OBJECTCOLLECTIONS_TEST_UTIL_H
