// A small per-thread shelf of freed heap blocks of one size, for objects that
// are made and dropped at a high rate (the text handles of variant copies).
#ifndef ZOTREL_SRC_FOUNDATION_BLOCKSHELF_H
#define ZOTREL_SRC_FOUNDATION_BLOCKSHELF_H

#include <cstdlib>

namespace Varn::detail {

/// Freed blocks of one size kept for the next allocation on the same thread,
/// at most kBlocks of them. The blocks are ordinary `malloc` blocks, so one
/// taken from the shelf may still be given to `free`, and a block freed on
/// another thread than the one that made it simply lands on that thread's
/// shelf. The shelf gives its blocks back when its thread ends; a block freed
/// after that goes straight to `free`. Under AddressSanitizer the shelf keeps
/// nothing, so that a use after free is still caught.
class BlockShelf {
public:
#if defined(__SANITIZE_ADDRESS__)
    static constexpr unsigned kBlocks = 0;
#else
    static constexpr unsigned kBlocks = 16;
#endif

    constexpr BlockShelf() noexcept = default;
    ~BlockShelf() {
        m_bClosed = true;
        while (m_nCount > 0)
            std::free(m_Blocks[--m_nCount]);
    }
    BlockShelf(const BlockShelf&) = delete;
    BlockShelf& operator=(const BlockShelf&) = delete;

    /// A kept block, or null when the shelf is empty.
    void* Take() noexcept {
        return m_nCount > 0 ? m_Blocks[--m_nCount] : nullptr;
    }
    /// Keeps `block`; false when the shelf is full or closed (the caller frees it).
    bool Keep(void* block) noexcept {
        if (m_nCount >= kBlocks || m_bClosed)
            return false;
        m_Blocks[m_nCount++] = block;
        return true;
    }

private:
    void* m_Blocks[kBlocks > 0 ? kBlocks : 1] = {};
    unsigned m_nCount = 0;
    bool m_bClosed = false;
};

}  // namespace Varn::detail

#endif  // ZOTREL_SRC_FOUNDATION_BLOCKSHELF_H
