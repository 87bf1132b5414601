// cubepack: counts every packing of the twelve pieces into the 5 x 4 x 3 box.
// Arguments are ignored; the run prints its progress and the count on standard output.

#include <cstdio>
#include <new>

#include "app/platform.h"
#include "app/run_driver.h"

int main() {
  try {
    cubepack::SteadyTickSource clock;
    cubepack::StdoutSink out;
    cubepack::RunCubepack(clock, out);
    if (!out.Finish()) throw cubepack::OutputError();
    return 0;
  } catch (const cubepack::OutputError&) {
    std::fputs("cubepack: cannot write to standard output\n", stderr);
  } catch (const std::bad_alloc&) {
    std::fputs("cubepack: out of memory\n", stderr);
  }
  return 1;
}
