# The two set-up commands of the README (`make run`, `make test`) and their
# helpers. Every target installs missing dependencies first.
BUILD_DIR    := build
SANITIZE_DIR := build-sanitize
JOBS         ?= 2

.PHONY: all deps configure build run test test-sanitize bench clean

all: build

deps:
	./scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/ravok

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

test-sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRAVOK_SANITIZE=ON -DRAVOK_BENCHMARKS=OFF
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(SANITIZE_DIR) --output-on-failure -j $(JOBS)

bench: build
	./$(BUILD_DIR)/bench/ravok_bench

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR)
