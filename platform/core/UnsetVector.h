#pragma once
// Vectors whose new elements are left unset when they are sized: for arrays that a pass
// writes wholly (often on the workers, which so also take the first touch of their pages),
// where a zero fill before would be a pass of its own, and one made on the calling thread
// that the workers' writes then have to take the cache lines back from.

#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace platform {

template <typename T> struct TUnsetAllocator : std::allocator<T> {
    template <typename U> struct rebind {
        using other = TUnsetAllocator<U>;
    };
    TUnsetAllocator() = default;
    template <typename U> TUnsetAllocator(const TUnsetAllocator<U>&) noexcept {}
    template <typename U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
    template <typename U, typename... A> void construct(U* p, A&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<A>(args)...);
    }
};

template <typename T> using TUnsetVector = std::vector<T, TUnsetAllocator<T>>;

}  // namespace platform
