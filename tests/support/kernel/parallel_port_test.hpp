#pragma once
// The tests on the emulated kernel with /dev/parport0 and its 24C16 in place.

#include <memory>

#include "support/kernel/emulated_kernel_test.hpp"
#include "support/kernel/emulated_parport.hpp"

namespace capcode::kernel {

class ParallelPortOnKernel : public EmulatedKernelTest {
 protected:
  void SetUp() override {
    EmulatedKernelTest::SetUp();
    if (IsSkipped()) return;
    port = std::make_unique<EmulatedParallelPort>(*testbed);
  }
  void TearDown() override {
    port.reset();
    EmulatedKernelTest::TearDown();
  }
  std::unique_ptr<EmulatedParallelPort> port;
};

}  // namespace capcode::kernel
