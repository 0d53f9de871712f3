#include <zotrel/foundation.h>

#include <atomic>

namespace Varn {
namespace {

// The counter cell is a plain int on the heap (the class's layout holds a
// pointer to it); every read-modify-write goes through std::atomic_ref-style
// access with sequential consistency, the plain reads stay plain.
std::atomic<int>& Cell(int* cell) {
    return *reinterpret_cast<std::atomic<int>*>(cell);
}

int* NewCell(int value) {
    static_assert(
        sizeof(std::atomic<int>) == sizeof(int) && alignof(std::atomic<int>) == alignof(int),
        "the counter cell must be a plain int");
    return reinterpret_cast<int*>(new std::atomic<int>(value));
}

}  // namespace

CZtAtomicInt::CZtAtomicInt(int value) : m_pCell(NewCell(value)) {}

CZtAtomicInt::CZtAtomicInt(const CZtAtomicInt& other)
    : m_pCell(NewCell(Cell(other.m_pCell).load(std::memory_order_relaxed))) {}

CZtAtomicInt::~CZtAtomicInt() {
    delete &Cell(m_pCell);
}

CZtAtomicInt& CZtAtomicInt::operator=(const CZtAtomicInt& other) {
    if (this != &other)
        Cell(m_pCell).exchange(Cell(other.m_pCell).load(std::memory_order_relaxed));
    return *this;
}

CZtAtomicInt& CZtAtomicInt::operator=(int value) {
    Cell(m_pCell).exchange(value);
    return *this;
}

int CZtAtomicInt::Increment() {
    return Cell(m_pCell).fetch_add(1) + 1;
}

int CZtAtomicInt::Decrement() {
    return Cell(m_pCell).fetch_sub(1) - 1;
}

CZtAtomicInt::operator int() const {
    return Cell(m_pCell).load(std::memory_order_relaxed);
}

template class CZtAtomicIntTmpl<1>;

}  // namespace Varn
