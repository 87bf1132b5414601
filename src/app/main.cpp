// cubepack: counts every packing of the twelve pieces into the 5 x 4 x 3 box.
// Arguments are ignored; the run prints its progress and the count on standard output.

#include "app/run_driver.h"

int main() {
  return cubepack::RunOnStdout(
      "cubepack", [](cubepack::TickSource& clock, cubepack::OutputSink& out) {
        cubepack::RunCubepack(clock, out, cubepack::DeepKernelFromEnvironment());
      });
}
