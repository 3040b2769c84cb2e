// The storage of one label line's map nodes: carved from a few growing blocks the line owns.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

// A level of a large index holds up to millions of keys. Allocated one by one, its tree nodes lie
// scattered among the drawers, labels and entry references made between them, and every step of a
// lookup misses the cache. Carved from blocks that double in size, the nodes of one level lie
// together, and a level holding one key (most inner levels) costs no more than before. Nodes leave
// a level only when the whole level goes, so nothing is given back before the arena is dropped.
class CNodeArena {
public:
    CNodeArena() = default;
    CNodeArena(const CNodeArena&) = delete;
    CNodeArena& operator=(const CNodeArena&) = delete;
    ~CNodeArena() {
        while (m_pBlocks != nullptr) {
            Block* pNext = m_pBlocks->pNext;
            std::free(m_pBlocks);
            m_pBlocks = pNext;
        }
    }

    void* Allocate(size_t cb) {
        cb = (cb + kAlign - 1) & ~(kAlign - 1);
        if (cb > m_cbLeft) {
            // The next block holds as many nodes as all blocks before it, at least one.
            const size_t cbBlock = (m_cbTotal > cb ? m_cbTotal : cb);
            auto* pBlock = static_cast<Block*>(std::malloc(sizeof(Block) + cbBlock));
            if (pBlock == nullptr) {
                throw std::bad_alloc();
            }
            pBlock->pNext = m_pBlocks;
            m_pBlocks = pBlock;
            m_pNext = reinterpret_cast<char*>(pBlock + 1);
            m_cbLeft = cbBlock;
            m_cbTotal += cbBlock;
        }
        void* p = m_pNext;
        m_pNext += cb;
        m_cbLeft -= cb;
        return p;
    }

private:
    static constexpr size_t kAlign = alignof(std::max_align_t);
    struct alignas(kAlign) Block {
        Block* pNext;
    };

    Block* m_pBlocks = nullptr;
    char* m_pNext = nullptr;
    size_t m_cbLeft = 0;
    size_t m_cbTotal = 0;
};

// The allocator a label line's ordered map gets: nodes from the line's arena, freed with it.
template <class T>
class CArenaAllocator {
public:
    using value_type = T;

    explicit CArenaAllocator(CNodeArena* pArena) noexcept : m_pArena(pArena) {}
    template <class U>
    CArenaAllocator(const CArenaAllocator<U>& other) noexcept : m_pArena(other.m_pArena) {}

    T* allocate(size_t n) { return static_cast<T*>(m_pArena->Allocate(n * sizeof(T))); }
    void deallocate(T*, size_t) noexcept {}

    template <class U>
    bool operator==(const CArenaAllocator<U>& other) const noexcept {
        return m_pArena == other.m_pArena;
    }

    CNodeArena* m_pArena;
};
