# The commands of the README: `make run`, `make lab` and `make test`.
BUILD_DIR ?= build
CMAKE_FLAGS ?=

.PHONY: run lab test build deps package mutants stress

deps:
	@scripts/bootstrap

build:
	@cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD_DIR)

run: deps build
	./$(BUILD_DIR)/occlusion-culling

# The lab beside the demo: every culling method live, freeze, insets, timings.
lab: deps build
	./$(BUILD_DIR)/occlusion-lab

# The Debian package, built in $(BUILD_DIR)/package for /usr.
package: deps
	@scripts/package $(BUILD_DIR)/package

test: deps build
	@scripts/run-tests $(BUILD_DIR)

# Mutation check of the application code (not part of make test).
mutants: deps build
	@scripts/mutants --build $(BUILD_DIR)

# Every display test 10 times in a row on a loaded machine (after make test).
stress: deps build
	@scripts/stress-tests $(BUILD_DIR) 10 2
