# Tolvane: `make run` starts the application, `make test` builds and runs
# every test, `make bench` runs the benchmarks. Each installs any missing
# Debian package first and builds in a folder of its own:
#   build/        Debug with library assertions (make test)
#   build-run/    RelWithDebInfo (make run)
#   build-bench/  Release -O2, benchmarks only (make bench)
BUILD ?= build
RUN_BUILD ?= build-run
BENCH_BUILD ?= build-bench
JOBS ?= $(shell nproc)
# Extra arguments for the benchmark program, e.g.
#   make bench BENCH_ARGS=--benchmark_filter=Code128
BENCH_ARGS ?=

.PHONY: all setup configure build run test bench clean

all: build

setup:
	@bash scripts/setup.sh

configure: setup
	@if [ ! -f $(BUILD)/build.ninja ]; then \
	  cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug; \
	fi

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: setup
	@if [ ! -f $(RUN_BUILD)/build.ninja ]; then \
	  cmake -S . -B $(RUN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF; \
	fi
	@cmake --build $(RUN_BUILD) -j $(JOBS) --target tolvane
	@$(RUN_BUILD)/src/app/tolvane

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: setup
	@if [ ! -f $(BENCH_BUILD)/build.ninja ]; then \
	  cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	    -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
	    -DBUILD_TESTING=OFF -DTOLVANE_BENCHMARKS=ON; \
	fi
	@cmake --build $(BENCH_BUILD) -j $(JOBS) --target tolvane_bench
	@$(BENCH_BUILD)/bench/tolvane_bench --benchmark_repetitions=3 \
	  --benchmark_report_aggregates_only=true \
	  --benchmark_out=$(BENCH_BUILD)/bench.json --benchmark_out_format=json $(BENCH_ARGS)
	@python3 bench/ratios.py $(BENCH_BUILD)/bench.json

clean:
	@rm -rf $(BUILD) $(RUN_BUILD) $(BENCH_BUILD)
