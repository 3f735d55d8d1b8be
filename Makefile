# The commands of the README: `make run`, `make lab` and `make test`.
BUILD_DIR ?= build
CMAKE_FLAGS ?=

.PHONY: run lab test build package mutants stress

build:
	@cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD_DIR)

run:
	@scripts/bootstrap run
	@$(MAKE) --no-print-directory build
	./$(BUILD_DIR)/occlusion-culling

# The lab beside the demo: every culling method live, freeze, insets, timings.
lab:
	@scripts/bootstrap lab
	@$(MAKE) --no-print-directory build
	./$(BUILD_DIR)/occlusion-lab

# The Debian package, built in $(BUILD_DIR)/package for /usr.
package:
	@scripts/bootstrap package
	@scripts/package $(BUILD_DIR)/package

test:
	@scripts/bootstrap test
	@$(MAKE) --no-print-directory build
	@scripts/run-tests $(BUILD_DIR)

# Mutation check of the application code (not part of make test).
mutants:
	@scripts/bootstrap test
	@$(MAKE) --no-print-directory build
	@scripts/mutants --build $(BUILD_DIR)

# Every display test 10 times in a row on a loaded machine (after make test).
stress:
	@scripts/bootstrap test
	@$(MAKE) --no-print-directory build
	@scripts/stress-tests $(BUILD_DIR) 10 2
