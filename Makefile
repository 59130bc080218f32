# The two everyday commands: `make run` and `make test`.
BUILD ?= build
SANITIZE ?= OFF
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: run test build deps configure clean

run: build
	$(BUILD)/beastfinder-sim

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

configure: deps
	cmake -S . -B $(BUILD) -DBF_SANITIZE=$(SANITIZE) $(CMAKE_FLAGS)

deps:
	scripts/setup-deps

clean:
	rm -rf $(BUILD)
