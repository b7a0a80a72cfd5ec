// The holders and the buffer the store is built from.

#include "settings/irefcounted.h"
#include "settings/refcountedptr.h"

#include <gtest/gtest.h>

#include <map>

// GCC 12 inlines release() into the self-assignment below and, not seeing that the count
// is still 2 there, warns of a use after delete that cannot happen.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic ignored "-Wuse-after-free"
#endif

namespace {

class Counted : public mvtl::IRefCounted
{
public:
    explicit Counted(int* destroyed) : destroyed(destroyed) {}
    ~Counted() override { ++*destroyed; }
    int32_t addRef() override { return ++count; }
    int32_t release() override
    {
        if (--count > 0)
            return count;
        delete this;
        return 0;
    }
    int32_t getRefCount() override { return count; }

private:
    int32_t count = 0;
    int* destroyed;
};

TEST(RefCountedPtr, HoldersAddAndReleaseExactlyOnce)
{
    int destroyed = 0;
    {
        mvtl::RefCountedPtr<mvtl::IRefCounted> holder(new Counted(&destroyed));
        EXPECT_EQ(holder->getRefCount(), 1);
        std::map<int, mvtl::RefCountedPtr_STLSafe<mvtl::IRefCounted>> map;
        map[1] = holder.get();
        map[2] = map[1];
        EXPECT_EQ(holder->getRefCount(), 3);
        map.erase(1);
        EXPECT_EQ(holder->getRefCount(), 2);
        holder = holder.get();  // assigning the held object keeps it alive
        EXPECT_EQ(holder->getRefCount(), 2);
        map[2] = map[2];
        EXPECT_EQ(holder->getRefCount(), 2);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(RefCountedPtr, OutReleasesWhatTheHolderHeld)
{
    int destroyed = 0;
    mvtl::RefCountedPtr<mvtl::IRefCounted> holder(new Counted(&destroyed));
    mvtl::IRefCounted** out = holder.out();
    EXPECT_EQ(destroyed, 1);
    ASSERT_EQ(*out, nullptr);
    // What a function stores through the out pointer is the holder's one reference.
    auto* next = new Counted(&destroyed);
    next->addRef();
    *out = next;
    EXPECT_EQ(holder->getRefCount(), 1);
    holder.reset();
    EXPECT_EQ(destroyed, 2);
}

} // namespace
