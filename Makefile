# Thin wrapper over CMake. `make run` builds and runs the program; `make test` builds and runs
# the whole test suite (Release build with the whole-run regression tests, then the fast tests
# under AddressSanitizer and UndefinedBehaviorSanitizer, and under ThreadSanitizer).

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD ?= build
SAN_BUILD ?= build-sanitize
TSAN_BUILD ?= build-tsan

.PHONY: run test test-release test-sanitize test-tsan bench build clean

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/src/cubepack

test: test-release test-sanitize test-tsan

test-release: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-sanitize:
	cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCUBEPACK_SANITIZE=ON -DCUBEPACK_BENCH=OFF
	cmake --build $(SAN_BUILD) -j $(JOBS)
	ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS) -L unit

test-tsan:
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCUBEPACK_TSAN=ON -DCUBEPACK_BENCH=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS)
	ctest --test-dir $(TSAN_BUILD) --output-on-failure -j $(JOBS) -L unit

bench: build
	ctest --test-dir $(BUILD) --output-on-failure -L bench
	./$(BUILD)/bench/cubepack_microbench

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(TSAN_BUILD)
