# One-command entry points; CMake does the real work in build/.
BUILD ?= build
JOBS  ?= $(shell nproc)
CMAKE_FLAGS ?=
FUZZ_SECONDS ?= 60
SOAK_FRAMES ?= 20000
PREFIX ?= /usr/local
DESTDIR ?=

.PHONY: all deps configure build test test-long run bench quality clean fuzz test-sanitize soak install package

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Every test but the long ones (label "long"), which test-long runs.
test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -LE long

# The exhaustive sweeps (tests/long): every float of ±[0.5, 8) through the sines and cosines, seconds.
test-long: configure
	@cmake --build $(BUILD) --target long_tests -j $(JOBS)
	@cd $(BUILD) && ctest -V -L long

# Only what running needs, quietly: the packages, then the program, its content and the strip
# tool, with the build's output shown only when it fails.
run:
	@scripts/install-deps --run
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@log=$$(mktemp); if cmake --build $(BUILD) --target hatching content hatching_strip -j $(JOBS) \
	    -- --no-print-directory >$$log 2>&1; then rm -f $$log; else cat $$log; rm -f $$log; exit 1; fi
	@scripts/run

# Installs the programs, their content, manual pages, desktop entry and icon under PREFIX, below
# DESTDIR when it is given (a staging folder): make install DESTDIR=stage PREFIX=/usr
install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# The Debian package, $(BUILD)/hatching_<version>-<release>_<arch>.deb, installing under /usr.
package: build
	@cd $(BUILD) && cpack -G DEB

# libFuzzer targets (clang) in build-fuzz, FUZZ_SECONDS each, seeded from the generated content too.
fuzz: configure
	@cmake --build $(BUILD) --target content -j $(JOBS)
	@FUZZ_SECONDS=$(FUZZ_SECONDS) BUILD=$(BUILD) scripts/fuzz

# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer in build-sanitize.
test-sanitize: deps
	@JOBS=$(JOBS) scripts/test-sanitize

# The long headless run under the sanitizers: no leak, no report, flat resident memory.
soak: deps
	@SOAK_FRAMES=$(SOAK_FRAMES) JOBS=$(JOBS) scripts/soak

# Release build in build-release, every benchmark, and the summary of ratios against their targets.
bench: deps
	@JOBS=$(JOBS) scripts/bench

# The hatching's picture-quality figures against their targets, from test scenes rendered
# headless, then the character's again with its strokes along the form; the measured pictures go
# to out/quality and out/quality-form. Exits 1 when a target is missed.
quality: configure
	@cmake --build $(BUILD) --target quality content -j $(JOBS)
	@status=0; $(BUILD)/quality $(BUILD)/content out/quality || status=$$?; \
	echo "== the character hatched along its form (--strokes form)"; \
	$(BUILD)/quality --strokes-form $(BUILD)/content out/quality-form || status=$$?; exit $$status

clean:
	rm -rf $(BUILD) build-* out
