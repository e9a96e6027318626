# Pelora: the two everyday commands are `make run` and `make test`.
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# Seconds each fuzz target runs: a short smoke run inside `make test`, longer with `make fuzz`.
FUZZ_SMOKE_SECONDS ?= 5
FUZZ_SECONDS ?= 120

.PHONY: deps configure build program run test test-main test-sanitize fuzz-smoke fuzz bench clean

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DPELORA_WERROR=ON $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Only what the program needs: the program and its help file, not the tests and benchmarks.
program: configure
	@cmake --build $(BUILD) -j $(JOBS) --target pelora pelora_help

run: program
	./$(BUILD)/pelora

# Every test: the normal build, the same suite built with AddressSanitizer and
# UndefinedBehaviorSanitizer, and a short run of every fuzz target. The fuzz targets build at
# the lowest priority while the normal build's tests run, since those mostly wait on real
# seconds and leave the cores idle; a test that wakes takes its core back at once.
test: build
	@nice -n 19 scripts/fuzz --build >$(BUILD)/fuzz-build.log 2>&1 & fuzz=$$!; \
	status=0; $(MAKE) --no-print-directory test-main || status=$$?; \
	if ! wait $$fuzz; then cat $(BUILD)/fuzz-build.log; echo "the fuzz targets do not build"; status=1; fi; \
	[ $$status -eq 0 ] && $(MAKE) --no-print-directory test-sanitize fuzz-smoke

# Twice as many tests at once as there are cores: most of them wait on real seconds, not a core.
TEST_JOBS ?= $(shell echo $$(( $(JOBS) * 2 )))

test-main: build
	cd $(BUILD) && ctest -j $(TEST_JOBS) --output-on-failure --timeout 300

test-sanitize: deps
	@cmake -S . -B $(ASAN_BUILD) -DPELORA_WERROR=ON -DPELORA_SANITIZE=ON -DPELORA_BENCH=OFF \
	  -DPELORA_PACKAGE_TEST=OFF -DPELORA_README_TEST=OFF -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS_DEBUG=-g1 $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  ctest -j $(TEST_JOBS) --output-on-failure --timeout 600

fuzz-smoke: deps
	scripts/fuzz $(FUZZ_SMOKE_SECONDS)

fuzz: deps
	scripts/fuzz $(FUZZ_SECONDS)

bench: build
	@for b in $(BUILD)/bench_*; do echo "== $$b"; $$b; done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz
