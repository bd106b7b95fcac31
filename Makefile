# Thin wrapper around CMake; the build tree lives in build/.
BUILD   ?= build
CMAKE   ?= cmake
JOBS    ?= $(shell nproc)

.PHONY: all deps configure build run test sanitize bench clean package uninstall

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@$(CMAKE) -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@$(CMAKE) --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/hexcrate

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# AddressSanitizer + UBSan over the whole suite, ThreadSanitizer over the
# worker-and-poll tests.
sanitize: deps
	$(CMAKE) -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DHEXCRATE_SANITIZE=address,undefined >/dev/null
	$(CMAKE) --build build-asan -j $(JOBS)
	cd build-asan && UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  ctest --output-on-failure
	$(CMAKE) -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DHEXCRATE_SANITIZE=thread >/dev/null
	$(CMAKE) --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -R WorkerProtocol

# build/hexcrate_<version>_<arch>.deb
package: build
	@$(CMAKE) --build $(BUILD) --target package

# Removes what `cmake --install $(BUILD)` put in place.
uninstall:
	@$(CMAKE) --build $(BUILD) --target uninstall

bench: build
	bash bench/run.sh $(BUILD)/hexcrate-convert

# Both programs cross-built for Windows (WIN=win64 for 64-bit) into
# dist/hexcrate-<version>-$(WIN).zip, and their tests under Wine.
WIN ?= win32
.PHONY: windows windows-test
windows:
	@bash scripts/windows-build.sh $(WIN)

windows-test: build windows
	@bash scripts/windows-test.sh $(WIN)

clean:
	rm -rf $(BUILD) build-asan build-tsan
