# Thin wrapper around CMake; the build tree lives in build/.
BUILD   ?= build
CMAKE   ?= cmake
JOBS    ?= $(shell nproc)
# The build tree's own make calls are nested: keep their directory lines out.
MAKEFLAGS += --no-print-directory

.PHONY: all deps configure build run test sanitize bench clean package uninstall
.PHONY: lint format-check tidy

all: build

deps:
	@bash scripts/install-deps.sh

# Packages are checked again only when the list changes, the tree configured
# only when it has never been: later CMakeLists changes are picked up by the
# build itself.
$(BUILD)/.deps: scripts/install-deps.sh
	@bash scripts/install-deps.sh
	@mkdir -p $(@D) && touch $@

$(BUILD)/Makefile: | $(BUILD)/.deps
	@$(CMAKE) -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null

configure: $(BUILD)/.deps $(BUILD)/Makefile

# The clang tools as well, for lint, sanitizer and fuzz runs.
DEV_DEPS := $(BUILD)/.dev-deps
$(DEV_DEPS): scripts/install-deps.sh
	@bash scripts/install-deps.sh --dev
	@mkdir -p $(@D) && touch $@

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

# clang-format over every C++ file; clang-tidy over every compiled one, with
# the compile commands of a clang tree (configured, never built here). A file
# is checked again only when it, a header it includes or .clang-tidy changed.
LINT_BUILD  ?= build-lint
# Golden headers are the converter's byte-exact output, not code to format.
CXX_FILES   := $(filter-out tests/core/golden/%,$(shell git ls-files '*.cpp' '*.h'))
# Compiled by the command-line test against a header it generates first.
TIDY_FILES  := $(filter-out tests/cli/extract_main.cpp,$(filter %.cpp,$(CXX_FILES)))
TIDY_STAMPS := $(TIDY_FILES:%=$(LINT_BUILD)/tidy/%.ok)

lint:
	@$(MAKE) -k -j $(JOBS) format-check tidy

format-check:
	@clang-format --dry-run -Werror $(CXX_FILES)

tidy: $(TIDY_STAMPS)

$(LINT_BUILD)/compile_commands.json: $(shell git ls-files '*CMakeLists.txt') | $(DEV_DEPS)
	@$(CMAKE) -S . -B $(LINT_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug >/dev/null
	@touch $@

$(LINT_BUILD)/tidy/%.ok: % .clang-tidy scripts/tidy-file.sh | $(LINT_BUILD)/compile_commands.json
	@bash scripts/tidy-file.sh $(LINT_BUILD) $< $@

# The project headers each checked file includes, found while checking it.
-include $(TIDY_STAMPS:%=%.d)

# build/hexcrate_<version>_<arch>.deb
package: build
	@$(CMAKE) --build $(BUILD) --target package

# Removes what `cmake --install $(BUILD)` put in place.
uninstall:
	@$(CMAKE) --build $(BUILD) --target uninstall

bench: build
	bash bench/run.sh $(BUILD)/hexcrate-convert

clean:
	rm -rf $(BUILD) build-asan build-tsan $(LINT_BUILD)
