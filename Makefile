# Thin wrapper over CMake. `make run` builds and runs the program; `make test` builds and runs
# the whole test suite (Release build with the whole-run regression test, then the fast tests
# under AddressSanitizer and UndefinedBehaviorSanitizer).

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD ?= build
SAN_BUILD ?= build-sanitize

.PHONY: run test test-release test-sanitize bench build clean

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/src/cubepack

test: test-release test-sanitize

test-release: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-sanitize:
	cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCUBEPACK_SANITIZE=ON -DCUBEPACK_BENCH=OFF
	cmake --build $(SAN_BUILD) -j $(JOBS)
	ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS) -L unit

bench: build
	ctest --test-dir $(BUILD) --output-on-failure -L bench
	./$(BUILD)/bench/cubepack_microbench

clean:
	rm -rf $(BUILD) $(SAN_BUILD)
