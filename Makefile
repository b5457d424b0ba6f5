# Tolvane: `make run` starts the application, `make test` builds and runs
# every test. Both install any missing Debian package first.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all setup configure build run test clean

all: build

setup:
	@bash scripts/setup.sh

configure: setup
	@if [ ! -f $(BUILD)/build.ninja ]; then \
	  cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug; \
	fi

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@$(BUILD)/src/app/tolvane

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	@rm -rf $(BUILD)
