# Tolvane: `make run` starts the application, `make test` builds and runs
# every test, `make bench` runs the benchmarks. Each installs any missing
# Debian package first and builds in a folder of its own:
#   build/        Debug with library assertions (make test)
#   build-run/    RelWithDebInfo (make run)
#   build-bench/  Release -O2, benchmarks only (make bench)
#   build-asan/   Debug under AddressSanitizer and UBSan (make test-asan)
#   build-fuzz/   clang, libFuzzer targets of tests/fuzz (make fuzz)
# make format-check runs clang-format --dry-run --Werror over src/ and tests/.
# WERROR=ON turns compiler warnings into errors (CI sets it).
# DEBUG_INFO is the debug-information flag of the Debug trees (CI sets -g1,
# line tables only, which keeps its three trees small on disk).
BUILD ?= build
RUN_BUILD ?= build-run
BENCH_BUILD ?= build-bench
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS ?= $(shell nproc)
WERROR ?= OFF
DEBUG_INFO ?= -g
# Extra arguments for the benchmark program, e.g.
#   make bench BENCH_ARGS=--benchmark_filter=Code128
BENCH_ARGS ?=
# How many times bench/startup.py starts each program.
STARTUP_RUNS ?= 5
# Seconds each fuzz target runs, and the targets to run (empty: all), e.g.
#   make fuzz FUZZ_SECONDS=600 FUZZ_TARGETS="vcard property_list"
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=
comma := ,

.PHONY: all setup configure build run test bench test-asan format-check fuzz clean

all: build

setup:
	@bash scripts/setup.sh

# $(call configure,<folder>,<environment>,<cmake options>): configures the
# folder when it is new or when WERROR or DEBUG_INFO changed since its last
# configuration.
define configure
	@if [ ! -f $(1)/build.ninja ] || ! grep -qx 'TOLVANE_WERROR:BOOL=$(WERROR)' $(1)/CMakeCache.txt \
	    || ! grep -qx 'CMAKE_CXX_FLAGS_DEBUG:[A-Z]*=$(DEBUG_INFO)' $(1)/CMakeCache.txt; then \
	  $(2) cmake -S . -B $(1) -G Ninja -DTOLVANE_WERROR=$(WERROR) \
	    -DCMAKE_C_FLAGS_DEBUG='$(DEBUG_INFO)' -DCMAKE_CXX_FLAGS_DEBUG='$(DEBUG_INFO)' $(3); \
	fi
endef

configure: setup
	$(call configure,$(BUILD),,-DCMAKE_BUILD_TYPE=Debug)

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: setup
	$(call configure,$(RUN_BUILD),,-DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF)
	@cmake --build $(RUN_BUILD) -j $(JOBS) --target tolvane tolvane-standins
	@$(RUN_BUILD)/tools/tolvane-standins --run-dir $(RUN_BUILD)/standins-run $(RUN_BUILD)/src/app/tolvane

# A test that fails is run once more, as in the sanitizer suite: on a loaded
# machine a window test on Xvfb can miss a drag or a paint. A fault of ours
# fails both runs.
test: build
	@cd $(BUILD) && ctest --output-on-failure --repeat until-pass:2 -j $(JOBS)

bench: setup
	$(call configure,$(BENCH_BUILD),,-DCMAKE_BUILD_TYPE=Release \
	    -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
	    -DBUILD_TESTING=OFF -DTOLVANE_BENCHMARKS=ON)
	@cmake --build $(BENCH_BUILD) -j $(JOBS) --target tolvane_bench tolvane tolvane-standins tolvane_minimal_window
	@rm -f $(BENCH_BUILD)/logwrite-*.plist
	@TOLVANE_BENCH_DIR=$(BENCH_BUILD) $(BENCH_BUILD)/bench/tolvane_bench --benchmark_repetitions=3 \
	  --benchmark_report_aggregates_only=true \
	  --benchmark_out=$(BENCH_BUILD)/bench.json --benchmark_out_format=json $(BENCH_ARGS)
	@python3 bench/plistlib_log_write.py $(BENCH_BUILD) $(BENCH_BUILD)/plistlib.json
	@python3 bench/ratios.py $(BENCH_BUILD)/bench.json $(BENCH_BUILD)/plistlib.json
	@python3 bench/startup.py $(BENCH_BUILD) $(STARTUP_RUNS)

# GCC's AddressSanitizer and UndefinedBehaviorSanitizer over the whole
# suite; the first fault fails the test that hit it. A test that fails is
# run once more (its first output is printed): on a loaded machine Qt's
# network thread can outlast the five seconds Qt waits for it at exit, and
# LeakSanitizer then reports what that thread still holds. A fault of ours
# fails both runs.
test-asan: setup
	$(call configure,$(ASAN_BUILD),,-DCMAKE_BUILD_TYPE=Debug -DTOLVANE_SANITIZE=address$(comma)undefined)
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure --repeat until-pass:2 -j $(JOBS)

format-check: setup
	@bash scripts/format-check.sh

# Each libFuzzer target for FUZZ_SECONDS over its seed corpus; a finding
# fails. Built with clang in a tree of its own (every library again, with
# -fsanitize=fuzzer-no-link,address,undefined).
fuzz: setup
	$(call configure,$(FUZZ_BUILD),CC=clang CXX=clang++,-DCMAKE_BUILD_TYPE=Debug -DTOLVANE_FUZZ=ON)
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets
	@bash scripts/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

clean:
	@rm -rf $(BUILD) $(RUN_BUILD) $(BENCH_BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
