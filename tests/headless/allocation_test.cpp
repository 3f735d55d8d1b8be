// A frame allocates nothing: every C++ allocation of the process is counted
// while frames run (what the OpenGL driver allocates is its own business).
#ifndef __SANITIZE_ADDRESS__

#include <atomic>
#include <cstdlib>
#include <new>

#include "program.h"

namespace {
std::atomic<long> Allocations{0};
}

void *operator new(std::size_t size) {
    ++Allocations;
    if (void *block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}
void operator delete(void *block) noexcept { std::free(block); }
void operator delete(void *block, std::size_t) noexcept { std::free(block); }

namespace {

TEST_F(ProgramTest, FramesAllocateNothing) {
    ASSERT_TRUE(StartProgram());
    KeyStates['W'] = KeyStates['L'] = 1;
    for (int i = 0; i < 5; ++i) RenderFrame();  // shader variants are built on first use
    long before = Allocations;
    for (int i = 0; i < 20; ++i) RenderFrame();
    EXPECT_EQ(Allocations - before, 0);
    KeyStates['W'] = KeyStates['L'] = 0;
}

}  // namespace

#endif
