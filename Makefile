# The two commands a newcomer needs: `make run` and `make test`. Both install what is missing.
BUILD ?= build
CMAKE_ARGS ?=
ifeq ($(CI),true)
CMAKE_ARGS += -DMIRELO_WERROR=ON
endif

.PHONY: deps configure build test run bench clean

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_ARGS) > /dev/null

build: configure
	@cmake --build $(BUILD)

test: build
	@QT_QPA_PLATFORM=offscreen ctest --test-dir $(BUILD) --output-on-failure

run: build
	@bash scripts/run.sh $(BUILD)

bench: build
	@bash scripts/run-benchmarks.sh $(BUILD)

clean:
	@rm -rf $(BUILD)
