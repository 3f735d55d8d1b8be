# The commands of the README. Each installs the Debian packages it needs
# and only those (scripts/bootstrap PROFILE), configures $(BUILD_DIR) and
# builds what it uses. A bare `make` prints them and does nothing else.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
SHELL := /bin/bash
.SHELLFLAGS := -o pipefail -c

# Configures $(BUILD_DIR), showing only the options' choices (and errors).
configure = cmake -S . -B $(BUILD_DIR) -G Ninja $(1) $(CMAKE_FLAGS) | { grep '^-- OC_' || true; }
# Says how long a first build takes. From an empty build folder, without
# ccache, on 2 cores (AMD EPYC) shared with other builds: the demo 17 to 44 s,
# the lab 25 to 46 s (everything, tests included: 148 to 157 s).
first_build = [ -e $(BUILD_DIR)/$(1) ] || echo "building $(1): the first build takes about $(2) on 2 cores"

.PHONY: help run lab test build package mutants stress
.DEFAULT_GOAL := help

help:
	@echo "make run      install what the demo needs, build it and start it"
	@echo "make lab      the same for the lab, occlusion-lab"
	@echo "make test     install what the tests need, build everything, run every test"
	@echo "make package  build the Debian package in $(BUILD_DIR)/package"
	@echo "make build    configure and build all that the installed packages allow (installs nothing)"

# The demo alone: neither the tests nor the lab nor the benchmark are built.
run:
	@scripts/bootstrap run
	@$(call configure)
	@$(call first_build,occlusion-culling,half a minute)
	@cmake --build $(BUILD_DIR) --target occlusion-culling
	$(BUILD_DIR)/occlusion-culling

# The lab beside the demo: every culling method live, freeze, insets, timings.
lab:
	@scripts/bootstrap lab
	@$(call configure,-DOC_LAB=ON)
	@$(call first_build,occlusion-lab,under a minute)
	@cmake --build $(BUILD_DIR) --target occlusion-lab
	$(BUILD_DIR)/occlusion-lab

# Everything, with the tests and the lab (a package missing for them is an error).
define build_all_tests
	@scripts/bootstrap test
	@$(call configure,-DOC_TESTS=ON -DOC_LAB=ON)
	@cmake --build $(BUILD_DIR)
endef

test:
	$(build_all_tests)
	@scripts/run-tests $(BUILD_DIR)

build:
	@$(call configure)
	@cmake --build $(BUILD_DIR)

# The Debian package, built in $(BUILD_DIR)/package for /usr.
package:
	@scripts/bootstrap package
	@scripts/package $(BUILD_DIR)/package

# Mutation check of the application code (not part of make test).
mutants:
	$(build_all_tests)
	@scripts/mutants --build $(BUILD_DIR)

# Every display test 10 times in a row on a loaded machine (after make test).
stress:
	$(build_all_tests)
	@scripts/stress-tests $(BUILD_DIR) 10 2
