# The two everyday commands: `make run` and `make test`; `make package` packs the
# administrator's tools (the simulator, its modules, examples and guides) for Linux.
BUILD ?= build
SANITIZE ?= OFF
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: run test build deps configure clean package windows test-windows package-windows deps-windows

# The tour of the bundled example, then the prompt (as the world's first player).
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target beastfinder-sim
	$(BUILD)/beastfinder-sim --echo examples/tour.txt
	@echo
	@echo "== Your turn: type /track (or help, or quit)."
	$(BUILD)/beastfinder-sim

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

configure: deps
	cmake -S . -B $(BUILD) -DBF_SANITIZE=$(SANITIZE) $(CMAKE_FLAGS)

deps:
	scripts/setup-deps

# $(BUILD)/Beastfinder-<version>-admin-tools-linux-x86_64.tar.gz, and its debug information
# beside it (...-debug.tar.gz). The server package is built with MSVC: CMakePresets.json.
package: configure
	cmake --build $(BUILD) -j $(JOBS) --target package-tools

clean:
	rm -rf $(BUILD)

# The Windows module, cross-built with MinGW-w64; its tests run under wine.
WINDOWS_BUILD ?= build-windows
WINDOWS_PACKAGES = g++-mingw-w64-x86-64-posix wine64

windows: deps-windows
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake $(CMAKE_FLAGS)
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)

# The wine server is stopped whatever the outcome.
test-windows: windows
	status=0; ctest --test-dir $(WINDOWS_BUILD) --output-on-failure -j $(JOBS) || status=$$?; \
	scripts/wine-run --prefix $(WINDOWS_BUILD)/wine-prefix --stop; exit $$status

# The administrator's tools for Windows: ...-admin-tools-windows-x64.zip and its -debug.zip.
package-windows: windows
	cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target package-tools

deps-windows:
	scripts/setup-deps $(WINDOWS_PACKAGES)
