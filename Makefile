# Two commands set up a fresh machine: `make check` and `make run`.
BUILD_DIR   ?= build
BENCH_DIR   ?= build-release
JOBS        ?= $(shell nproc)

.PHONY: all deps configure build check run bench clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCORVANTIS_BENCH=OFF >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

check: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

run: build
	$(BUILD_DIR)/bin/corvantis

bench: deps
	@cmake -S . -B $(BENCH_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANTIS_BENCH=ON >/dev/null
	@cmake --build $(BENCH_DIR) -j $(JOBS)
	@for b in $(BENCH_DIR)/bench/bench_*; do [ -f "$$b" ] && [ -x "$$b" ] && QT_QPA_PLATFORM=offscreen "$$b"; done; true

clean:
	rm -rf $(BUILD_DIR) $(BENCH_DIR)
