# Thin wrapper around CMake: each tree is configured from a preset of
# CMakePresets.json (default in build/, asan, tsan, fuzz, lint, win32, win64).
BUILD   ?= build
CMAKE   ?= cmake
JOBS    ?= $(shell nproc)
# The build tree's own make calls are nested: keep their directory lines out.
MAKEFLAGS += --no-print-directory

.PHONY: all deps configure build run test quick werror sanitize portable bench clean package uninstall
.PHONY: lint format-check tidy fuzz fuzz-corpus mutants help

all: build

# The targets with a `##` note, and what they do.
help:  ## this list
	@echo "make TARGET, for TARGET one of (variables: JOBS, BUILD, WIN, FUZZ_SECONDS, NO_SKIPS):"
	@sed -n 's/^\([a-z-]*\):.*## \(.*\)/\1\t\2/p' $(firstword $(MAKEFILE_LIST)) | \
	  awk -F'\t' '{printf "  %-13s %s\n", $$1, $$2}'

deps:  ## install the packages that building and testing need
	@bash scripts/install-deps.sh

# Packages are checked again only when the list changes, the tree configured
# only when it has never been: later CMakeLists changes are picked up by the
# build itself.
$(BUILD)/.deps: scripts/install-deps.sh
	@bash scripts/install-deps.sh
	@mkdir -p $(@D) && touch $@

$(BUILD)/Makefile: | $(BUILD)/.deps
	@$(CMAKE) --preset default -B $(BUILD) >/dev/null

configure: $(BUILD)/.deps $(BUILD)/Makefile  ## configure build/ from the default preset

# The clang tools as well, for lint, sanitizer and fuzz runs.
DEV_DEPS := $(BUILD)/.dev-deps
$(DEV_DEPS): scripts/install-deps.sh
	@bash scripts/install-deps.sh --dev
	@mkdir -p $(@D) && touch $@

build: configure  ## install what is missing, build into build/
	@$(CMAKE) --build $(BUILD) -j $(JOBS)

run: build  ## build and start the window
	./$(BUILD)/hexcrate

# Every test; then the skipped ones, with their reasons (NO_SKIPS=1, as in
# CI, makes a skipped test an error).
test: build  ## every test, then the list of those skipped and why
	@cd $(BUILD) && status=0 && \
	  ctest --output-on-failure -j $(JOBS) --output-junit Testing/results.xml || status=$$?; \
	  bash $(CURDIR)/scripts/skipped-tests.sh . $(if $(NO_SKIPS),--fail) && exit $$status

# The everyday loop: every test but those labelled slow (the compilers, the
# end-to-end run, the package and the installed CMake package).
quick: build  ## every test but those labelled slow (the everyday loop)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -LE slow

# Warnings as errors with both compilers: the default tree (g++) and the
# sanitizer tree (clang++) are configured again with -DHEXCRATE_WERROR=ON and
# stay so, so that CI compiles nothing twice.
werror: configure build-asan/Makefile  ## build with g++ and clang++, warnings as errors
	@$(CMAKE) -B $(BUILD) -DHEXCRATE_WERROR=ON >/dev/null
	@$(CMAKE) --build $(BUILD) -j $(JOBS)
	@$(CMAKE) -B build-asan -DHEXCRATE_WERROR=ON >/dev/null
	@$(CMAKE) --build build-asan -j $(JOBS)

# AddressSanitizer + UBSan over the whole suite, ThreadSanitizer over the
# worker-and-poll tests; both trees are built by clang, so the sanitizer run is
# also the clang build. Each tree is configured once.
SANITIZE_CXX ?= clang++
TSAN_TESTS   ?= WorkerProtocol*:ProgressReport*:ReadAheadThread*
# Packaging checks no code of ours; the end-to-end run waits on real time,
# which an instrumented build does not keep (the window tests cover its code).
# The converter's transaction test injects write faults with strace, which
# strike AddressSanitizer's own writes too (it probes memory with them): its
# CHECK fails and the converter hangs on the symbolizer's pipe.
SANITIZE_SKIP ?= ^package|end_to_end|^cli[.]transaction$$
build-asan/Makefile build-tsan/Makefile: | $(DEV_DEPS)
	@$(CMAKE) --preset $(@D:build-%=%) -DCMAKE_CXX_COMPILER=$(SANITIZE_CXX) >/dev/null

sanitize: build-asan/Makefile build-tsan/Makefile  ## the suite under ASan+UBSan, the worker tests under TSan
	@$(CMAKE) --build build-asan -j $(JOBS)
	@cd build-asan && status=0 && UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  ctest --output-on-failure -j $(JOBS) -E '$(SANITIZE_SKIP)' \
	    --output-junit Testing/results.xml || status=$$?; \
	  bash $(CURDIR)/scripts/skipped-tests.sh . $(if $(NO_SKIPS),--fail) && exit $$status
	@$(CMAKE) --build build-tsan -j $(JOBS) --target core_tests
	TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/core/core_tests --gtest_filter='$(TSAN_TESTS)'

# The POSIX layer as other systems build it, without its Linux-only calls
# (platform/posix_features.h): the tests of platform, core and converter,
# the converter's signal and dependency-file scripts among them; not the
# window, which has no code of its own there, nor the compiler round trips.
PORTABLE_TARGETS := platform_tests core_tests cli_tests hexcrate-convert
build-portable/Makefile: | $(BUILD)/.deps
	@$(CMAKE) --preset portable >/dev/null

portable: build-portable/Makefile  ## the POSIX layer's portable fallbacks, built and tested
	@$(CMAKE) --build build-portable -j $(JOBS) --target $(PORTABLE_TARGETS)
	@cd build-portable && status=0 && \
	  ctest --output-on-failure -j $(JOBS) -L 'platform|core|cli' \
	    -E '^cli[.](compile|kinds)($$|[.])' --output-junit Testing/results.xml || status=$$?; \
	  bash $(CURDIR)/scripts/skipped-tests.sh . $(if $(NO_SKIPS),--fail) && exit $$status

# Mutation testing: each small change listed in tests/mutants/mutants.txt is
# applied to a copy of the tree in build-mutants/, and the tests named for it
# must fail. MUTANTS_MATCH=TEXT runs only the lines that contain TEXT.
mutants: $(BUILD)/.deps  ## mutation testing: each change in tests/mutants/mutants.txt must fail a test
	@JOBS=$(JOBS) bash scripts/mutants.sh

# libFuzzer with ASan and UBSan: each target runs FUZZ_SECONDS from the seeds
# in tests/fuzz/corpus/NAME; what it finds stays in build-fuzz/corpus/NAME.
# `make fuzz-corpus` folds those finds, minimised, into the seeds.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := name_rules_fuzz header_format_fuzz command_line_fuzz depfile_fuzz \
                output_file_fuzz
build-fuzz/Makefile: | $(DEV_DEPS)
	@$(CMAKE) --preset fuzz >/dev/null

fuzz: build-fuzz/Makefile  ## libFuzzer targets for FUZZ_SECONDS each (default 60)
	@$(CMAKE) --build build-fuzz -j $(JOBS) --target $(FUZZ_TARGETS)
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p build-fuzz/corpus/$$t && \
	  echo "fuzz: $$t for $(FUZZ_SECONDS) s" && \
	  build-fuzz/tests/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    -artifact_prefix=build-fuzz/ build-fuzz/corpus/$$t tests/fuzz/corpus/$$t \
	    2>build-fuzz/$$t.log || { tail -40 build-fuzz/$$t.log; exit 1; }; \
	  grep -E '^stat::(number_of_executed_units|new_units_added)' build-fuzz/$$t.log; \
	done

fuzz-corpus: build-fuzz/Makefile  ## fold what fuzzing found into tests/fuzz/corpus
	@for t in $(FUZZ_TARGETS); do \
	  build-fuzz/tests/fuzz/$$t -merge=1 tests/fuzz/corpus/$$t build-fuzz/corpus/$$t 2>/dev/null; \
	done

# clang-format over every C++ file; clang-tidy over every compiled one, with
# the compile commands of a clang tree (configured, never built here). A file
# is checked again only when it, a header it includes or .clang-tidy changed.
LINT_BUILD  ?= build-lint
# Golden headers are the converter's byte-exact output, not code to format.
CXX_FILES   := $(filter-out tests/core/golden/%,$(shell git ls-files '*.cpp' '*.h'))
# Compiled by the command-line test against a header it generates first.
# The consumer project builds against the installed package, on its own.
TIDY_FILES  := $(filter-out tests/cli/extract_main.cpp tests/consumer/%,$(filter %.cpp,$(CXX_FILES)))
TIDY_STAMPS := $(TIDY_FILES:%=$(LINT_BUILD)/tidy/%.ok)

# The clang tools come first, so that neither branch of the parallel run
# starts before they are installed.
lint: | $(DEV_DEPS)  ## clang-format check and clang-tidy (run it before merging)
	@echo "lint: clang-format over $(words $(CXX_FILES)) files; clang-tidy over" \
	  "$(words $(TIDY_FILES)) (each again only when it or a header it includes changed)"
	@$(MAKE) -k -j $(JOBS) format-check tidy
	@echo "lint: clean"

format-check: | $(DEV_DEPS)  ## clang-format check of every C++ file
	@clang-format --dry-run -Werror $(CXX_FILES)

tidy: $(TIDY_STAMPS)  ## clang-tidy over every compiled file

$(LINT_BUILD)/compile_commands.json: $(shell git ls-files '*CMakeLists.txt' '*.cmake' CMakePresets.json) | $(DEV_DEPS)
	@$(CMAKE) --preset lint -B $(LINT_BUILD) >/dev/null
	@touch $@

$(LINT_BUILD)/tidy/%.ok: % .clang-tidy scripts/tidy-file.sh | $(LINT_BUILD)/compile_commands.json
	@bash scripts/tidy-file.sh $(LINT_BUILD) $< $@

# The project headers each checked file includes, found while checking it.
-include $(TIDY_STAMPS:%=%.d)

# build/hexcrate_<version>_<arch>.deb
package: build  ## the Debian package, build/hexcrate_<version>_<arch>.deb
	@$(CMAKE) --build $(BUILD) --target package

# Removes what `cmake --install $(BUILD)` put in place.
uninstall:  ## remove what the last `cmake --install build` put in place
	@$(CMAKE) --build $(BUILD) --target uninstall

bench: build  ## the converter's speed and memory benchmark
	bash bench/run.sh $(BUILD)/hexcrate-convert

# Both programs cross-built for 32- and 64-bit Windows (WIN=win32 or
# WIN=win64 for one) into dist/: a zip and an installer each; and their tests
# under Wine.
# Each target is built and tested even when the other fails; the run fails
# at the end. A target that did not build counts as a failed suite.
WIN ?= win32 win64
.PHONY: windows windows-test
windows:  ## both Windows programs, zips and installers into dist/ (WIN=win32|win64)
	@bash scripts/windows-build.sh $(WIN)

windows-test: build  ## build the Windows programs and run their tests under Wine
	@bash scripts/windows-build.sh $(WIN) || true
	@bash scripts/windows-test.sh $(WIN)

clean:  ## remove every build tree
	rm -rf $(BUILD) build-asan build-tsan build-fuzz build-portable $(LINT_BUILD)
