# The two set-up commands: `make run` and `make test`. Each installs what is
# missing (Debian 12 packages, through sudo when not root), then builds.

BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

.PHONY: run test deps build configure clean

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

clean:
	rm -rf $(BUILD)
