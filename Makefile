# Two commands set up a fresh machine: `make check` and `make run`.
BUILD_DIR    ?= build
SANITIZE_DIR ?= build-asan
BENCH_DIR    ?= build-release
JOBS         ?= $(shell nproc)

# The Debug trees compile through ccache when it is there (install-deps installs it), so that the
# plain tree and the sanitized one both stay quick to rebuild.
DEBUG_FLAGS = -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCORVANTIS_BENCH=OFF
LAUNCHER    = $$(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: all deps configure build check check-sanitized run bench clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) $(DEBUG_FLAGS) $(LAUNCHER) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# Every test, then every test again built with AddressSanitizer and UndefinedBehaviorSanitizer.
check: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory check-sanitized

# The sanitizers' options are set on each test by CMake (tests/CMakeLists.txt).
check-sanitized: deps
	@cmake -S . -B $(SANITIZE_DIR) $(DEBUG_FLAGS) -DCORVANTIS_SANITIZE=ON $(LAUNCHER) >/dev/null
	@cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

run: build
	$(BUILD_DIR)/bin/corvantis

bench: deps
	@cmake -S . -B $(BENCH_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANTIS_BENCH=ON $(LAUNCHER) >/dev/null
	@cmake --build $(BENCH_DIR) -j $(JOBS)
	@bash scripts/run-benchmarks.sh $(BENCH_DIR)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(BENCH_DIR)
