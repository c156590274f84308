# The two set-up commands: `make run` and `make test`. Each installs what is
# missing (Debian 12 packages, through sudo when not root), then builds.
# Hardening: `make test-sanitize` (the whole suite under ASan and UBSan),
# `make fuzz` (FUZZ_SECONDS per fuzz target) and `make fuzz-smoke` (CI's
# short run of every target).
# `make bench`: benchmarks side by side with djpeg and ImageMagick (bench/README.md).
# `make deb`: a Debian package (quorvel_<version>_<arch>.deb in BUILD), checked by lintian.

BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)
SANITIZE_BUILD ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 15
FUZZ_JOBS ?= 2
PREFIX ?= /usr/local
BENCH_BUILD ?= build-bench

.PHONY: run test deps build configure clean test-sanitize fuzz fuzz-smoke fuzz-deps install bench deb

run: build
	./$(BUILD)/app/quorvel

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

deps:
	./scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DQUORVEL_WERROR=ON $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# -O1 keeps the UI tests quick under ASan; warnings are left to `make test`,
# since GCC warns differently with sanitizers on.
test-sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 \
	  -DQUORVEL_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_BUILD) -j$(JOBS)
	ASAN_OPTIONS=detect_leaks=1:halt_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan-suppressions.txt:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j$(JOBS)

fuzz-deps:
	./scripts/install-deps clang libclang-rt-14-dev

fuzz: fuzz-deps
	./scripts/fuzz -b $(FUZZ_BUILD) -s $(FUZZ_SECONDS) -j$(FUZZ_JOBS)

fuzz-smoke: fuzz-deps
	./scripts/fuzz -b $(FUZZ_BUILD) -s $(FUZZ_SMOKE_SECONDS) -j$(FUZZ_JOBS)

# An optimised build of its own; two jobs at most, so figures taken on a
# shared machine are not also fighting the compiler.
bench:
	./scripts/install-deps libbenchmark-dev imagemagick libjpeg-turbo-progs netpbm
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)
	cmake --build $(BENCH_BUILD) -j2 --target bench_programs
	./bench/compare --build $(BENCH_BUILD)

# DESTDIR stages the files for a package instead of the live system.
install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

# The package holds what `install` installs, under /usr; its dependencies
# come from dpkg-shlibdeps plus the font and Qt's Chinese texts.
deb: build
	./scripts/install-deps dpkg-dev lintian
	rm -f $(BUILD)/quorvel_*.deb
	cd $(BUILD) && cpack -G DEB
	lintian --fail-on error $(BUILD)/quorvel_*.deb

clean:
	rm -rf $(BUILD)
