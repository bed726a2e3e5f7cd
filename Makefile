# The two set-up commands of the README (`make run`, `make test`) and their
# helpers. Every target installs missing dependencies first.
BUILD_DIR    := build
SANITIZE_DIR := build-sanitize
SWITCH_DIR   := build-switch
FUZZ_DIR     := build-fuzz
WEB_DIR      := build-web
JOBS         ?= 2
# Warnings as errors (CI sets RAVOK_WERROR=ON in the environment).
RAVOK_WERROR ?= OFF
FORMATTED    := $(shell git ls-files '*.cpp' '*.h' '*.c' 2>/dev/null)
# The suite expects the player's English texts: a developer's Japanese
# locale must not change them (the Japanese table has tests of its own).
TEST_LOCALE  := env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG=C.UTF-8

.PHONY: all deps configure build run test test-sanitize test-switch test-plain format format-check fuzz fuzz-long fuzz-build bench clean web test-web vscode-extension

all: build

deps:
	./scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRAVOK_WERROR=$(RAVOK_WERROR)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/ravok --print

test: build
	$(TEST_LOCALE) ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

test-sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRAVOK_SANITIZE=ON -DRAVOK_BENCHMARKS=OFF
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  $(TEST_LOCALE) ctest --test-dir $(SANITIZE_DIR) --output-on-failure -j $(JOBS)

# The interpreter with its switch dispatch, under the script tests.
test-switch: deps
	cmake -S . -B $(SWITCH_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRAVOK_SWITCH_DISPATCH=ON \
	  -DRAVOK_BENCHMARKS=OFF -DRAVOK_WERROR=$(RAVOK_WERROR)
	cmake --build $(SWITCH_DIR) -j $(JOBS) --target ravok
	$(TEST_LOCALE) ctest --test-dir $(SWITCH_DIR) --output-on-failure -j $(JOBS) -R '^(script|game)/'

# The script and game tests on plain code: no fused pairs, no
# superinstructions, one instruction a dispatch. They expect what the fused
# code printed and drew, so both forms are held to the same results.
test-plain: build
	RAVOK_NO_FUSION=1 $(TEST_LOCALE) ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS) -R '^(script|game)/'

format:
	clang-format -i $(FORMATTED)

format-check:
	clang-format --dry-run -Werror $(FORMATTED)

# Each fuzz target runs FUZZ_SECONDS (default 60) on a scratch copy of its
# seed corpus; fuzz-long runs FUZZ_SECONDS (default an hour) each and merges
# what it found, minimised, into tests/fuzz/corpus.
fuzz: fuzz-build
	./scripts/run-fuzz.sh $(FUZZ_DIR) $(or $(FUZZ_SECONDS),60) short

fuzz-long: fuzz-build
	./scripts/run-fuzz.sh $(FUZZ_DIR) $(or $(FUZZ_SECONDS),3600) long

fuzz-build: deps
	cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRAVOK_FUZZ=ON \
	  -DRAVOK_BENCHMARKS=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(FUZZ_DIR) -j $(JOBS)

bench: build
	./$(BUILD_DIR)/bench/ravok_bench

# The web build: the same layers compiled with Debian's emscripten into
# $(WEB_DIR) (its libraries built from Debian's sources first), and the web
# player put into the native program directory, where --export-web finds it.
web: build
	./scripts/install-deps.sh --web
	./scripts/build-web-deps.sh $(WEB_DIR)/deps
	. ./scripts/web-env.sh && emcmake cmake -S . -B $(WEB_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DRAVOK_WERROR=$(RAVOK_WERROR) >/dev/null
	. ./scripts/web-env.sh && cmake --build $(WEB_DIR) -j $(JOBS)
	rm -rf $(BUILD_DIR)/web && cp -r $(WEB_DIR)/web $(BUILD_DIR)/web

# The web build's tests: the script and game tests under node against the
# same expectations, and the exported default game in Chromium.
test-web: web
	$(TEST_LOCALE) python3 tests/web/run_web_tests.py $(BUILD_DIR) $(WEB_DIR)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(SWITCH_DIR) $(FUZZ_DIR) $(WEB_DIR)

# The editor extension as a .vsix (needs npm; fetches @vscode/vsce once).
vscode-extension:
	cd editors/vscode && npx --yes @vscode/vsce package --skip-license \
		--allow-missing-repository -o $(abspath $(BUILD_DIR))/ravok.vsix
