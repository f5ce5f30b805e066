// The main function of the Windows test programs. GoogleTest keeps a little memory to the end of
// the process on purpose: its thread-local registry and the locks it makes when first used. That
// memory is made here, before the first test, and marked as kept on purpose; a block that the
// checked heap lists as a leak at exit is then one that a test, or the code it tests, lost.
#include <gtest/gtest.h>

#include "CheckedHeap.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    {
        const CheckedHeap::KeptOnPurpose kept;
        // A trace is kept per thread: the first one makes the registry and its lock.
        SCOPED_TRACE("warming up");
    }
    return RUN_ALL_TESTS();
}
