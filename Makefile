# Thin wrapper over CMake. `make run` builds and runs the program and needs only a compiler,
# CMake and make; `make test` first installs the Debian packages the suite needs when they are
# absent (tools/install-test-deps), then builds and runs the whole test suite: the Release build with the whole-run regression test and an install
# check, then the fast tests in a Debug build with assertions, under AddressSanitizer and
# UndefinedBehaviorSanitizer, under ThreadSanitizer, built with clang, and built for Windows and
# run under Wine.

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD ?= build
SAN_BUILD ?= build-sanitize
TSAN_BUILD ?= build-tsan
DEBUG_BUILD ?= build-debug
CLANG_BUILD ?= build-clang
WIN_BUILD ?= build-windows
CLANG_CXX ?= clang++
# The test trees treat every compiler warning as an error.
STRICT = -DCMAKE_COMPILE_WARNING_AS_ERROR=ON

.PHONY: configure run deps format-check test test-release test-install test-sanitize test-tsan test-debug test-clang test-windows \
	bench build clean

configure:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The programs only: running needs none of the test tools.
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target cubepack cubepack-parallel cubepack-solutions
	./$(BUILD)/src/cubepack

deps:
	./tools/install-test-deps

test: format-check test-release test-install test-sanitize test-tsan test-debug test-clang test-windows

# Every C++ file as .clang-format lays it out.
format-check: deps
	git ls-files '*.h' '*.cpp' | xargs clang-format --dry-run --Werror

# Every tree needs the packages: deps comes first.
test-release: deps
	$(MAKE) build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-install: deps
	$(MAKE) build
	rm -rf $(BUILD)/install-check
	cmake --install $(BUILD) --prefix $(BUILD)/install-check
	test -x $(BUILD)/install-check/bin/cubepack
	test -x $(BUILD)/install-check/bin/cubepack-parallel
	test -x $(BUILD)/install-check/bin/cubepack-solutions
	test -f $(BUILD)/install-check/share/man/man1/cubepack.1
	test -f $(BUILD)/install-check/share/man/man1/cubepack-parallel.1
	test -f $(BUILD)/install-check/share/man/man1/cubepack-solutions.1

test-sanitize: deps
	cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCUBEPACK_SANITIZE=ON \
		-DCUBEPACK_BENCH=OFF $(STRICT)
	cmake --build $(SAN_BUILD) -j $(JOBS)
	ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS) -L unit

test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCUBEPACK_TSAN=ON \
		-DCUBEPACK_BENCH=OFF $(STRICT)
	cmake --build $(TSAN_BUILD) -j $(JOBS)
	ctest --test-dir $(TSAN_BUILD) --output-on-failure -j $(JOBS) -L unit

test-debug: deps
	cmake -S . -B $(DEBUG_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCUBEPACK_BENCH=OFF $(STRICT)
	cmake --build $(DEBUG_BUILD) -j $(JOBS)
	ctest --test-dir $(DEBUG_BUILD) --output-on-failure -j $(JOBS) -L unit

test-clang: deps
	cmake -S . -B $(CLANG_BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=$(CLANG_CXX) \
		-DCUBEPACK_FUZZ=ON $(STRICT)
	cmake --build $(CLANG_BUILD) -j $(JOBS)
	ctest --test-dir $(CLANG_BUILD) --output-on-failure -j $(JOBS) -L unit

# Needs the Linux build: the Windows program's opening output must match its bytes.
test-windows: deps
	$(MAKE) build
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
		-DCUBEPACK_BENCH=OFF -DCUBEPACK_REFERENCE_PROGRAM=$(CURDIR)/$(BUILD)/src/cubepack $(STRICT)
	cmake --build $(WIN_BUILD) -j $(JOBS)
	ctest --test-dir $(WIN_BUILD) --output-on-failure -j $(JOBS) -L unit

bench: build
	ctest --test-dir $(BUILD) --output-on-failure -L bench
	./$(BUILD)/bench/cubepack_microbench
	./$(BUILD)/bench/cubepack_puzzle_bench puzzles/*.txt
	./$(BUILD)/bench/cubepack_puzzle_bench --disassemble bench/puzzles/shut-in-8x8x8.txt \
		tests/data/disassembly/*.txt puzzles/pentominoes-3x4x5.txt

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(TSAN_BUILD) $(DEBUG_BUILD) $(CLANG_BUILD) $(WIN_BUILD)
