// Every test of the executable starts with CancelFlag cleared, so a test that sets it
// and fails half way cannot stop the steps of the tests after it.

#include <gtest/gtest.h>

#include "engine/Progress.h"

namespace {

struct ClearCancelFlag : ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { velmora::CancelFlag = false; }
};

[[maybe_unused]] const bool kRegistered = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new ClearCancelFlag);
    return true;
}();

}  // namespace
