# The two commands a newcomer needs: `make run` and `make test`. Both install what is missing.
BUILD ?= build
CMAKE_ARGS ?=
ifeq ($(CI),true)
CMAKE_ARGS += -DMIRELO_WERROR=ON
endif

.PHONY: deps configure build test test-windows windows-build package lint-package run bench clean

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_ARGS) > /dev/null

build: configure
	@cmake --build $(BUILD)

test: build
	@QT_QPA_PLATFORM=offscreen ctest --test-dir $(BUILD) --output-on-failure
	@$(MAKE) --no-print-directory lint-package
	@$(MAKE) --no-print-directory test-windows

# The Debian package of the build just made, as Debian's checker sees it: any error or
# warning fails. The package is not uploaded to Debian, so no bug report of Debian's asks
# for it, as a first upload's changelog otherwise names. Its temporary files, which it
# leaves behind, go into the build.
lint-package: build
	@rm -f $(BUILD)/packages/*.deb
	@cd $(BUILD) && cpack -G DEB > /dev/null
	@rm -rf $(BUILD)/lintian-tmp && mkdir $(BUILD)/lintian-tmp
	@TMPDIR=$(abspath $(BUILD))/lintian-tmp lintian --fail-on error,warning --suppress-tags initial-upload-closes-no-bugs \
	  $(BUILD)/packages/*.deb

# The core, mirelo-extract and the core tests cross-built with MinGW-w64 and run under Wine.
WINDOWS_BUILD ?= build-windows
HAVE_WINDOWS_TOOLS = command -v x86_64-w64-mingw32-g++-posix > /dev/null && [ -x /usr/lib/wine/wine64 ]
test-windows: deps
	@if $(HAVE_WINDOWS_TOOLS); then \
	  $(MAKE) --no-print-directory windows-build && ctest --test-dir $(WINDOWS_BUILD) --output-on-failure; \
	else echo "MinGW-w64 or Wine is not installed: the Windows tests are not run"; fi

windows-build:
	@cmake -S . -B $(WINDOWS_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/x86_64-w64-mingw32.cmake \
	  -DMIRELO_BUILD_APP=OFF -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
	  $(CMAKE_ARGS) > /dev/null
	@cmake --build $(WINDOWS_BUILD)

# The Debian package of the window and the command line, and the Windows .zip of
# mirelo-extract.exe, in $(BUILD)/packages and $(WINDOWS_BUILD)/packages.
package: build
	@$(MAKE) --no-print-directory windows-build
	@cd $(BUILD) && cpack > /dev/null
	@cd $(WINDOWS_BUILD) && cpack > /dev/null
	@ls -l $(BUILD)/packages/*.deb $(WINDOWS_BUILD)/packages/*.zip

# Only the two programs: a newcomer's first window should not wait for the tests.
run: configure
	@cmake --build $(BUILD) --target mirelo mirelo-extract
	@bash scripts/run.sh $(BUILD)

bench: build
	@bash scripts/run-benchmarks.sh $(BUILD)

clean:
	@rm -rf $(BUILD) $(WINDOWS_BUILD)

# The whole test suite again under AddressSanitizer (with its leak check) and
# UndefinedBehaviorSanitizer, unoptimised: the sanitizers find as much, and the build
# takes half the time.
.PHONY: test-sanitized test-threads
SANITIZED_BUILD ?= build-sanitized
THREAD_SANITIZED_BUILD ?= build-tsan
test-sanitized: deps
	@cmake -S . -B $(SANITIZED_BUILD) -G Ninja -DMIRELO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug $(CMAKE_ARGS) > /dev/null
	@cmake --build $(SANITIZED_BUILD)
	@QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_stack_use_after_return=1:strict_string_checks=1 \
	  UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(SANITIZED_BUILD) --output-on-failure
	@$(MAKE) --no-print-directory test-threads

# The core tests under ThreadSanitizer: the stores are read on several threads. Without
# the window, whose Qt libraries are not built for it, and without the slowest tests of
# the line reader and the DBX dump, which start no thread.
test-threads: deps
	@cmake -S . -B $(THREAD_SANITIZED_BUILD) -G Ninja -DMIRELO_SANITIZE_THREADS=ON -DMIRELO_BUILD_APP=OFF \
	  -DCMAKE_BUILD_TYPE=Debug $(CMAKE_ARGS) > /dev/null
	@cmake --build $(THREAD_SANITIZED_BUILD) --target mirelo_core_tests
	@cd $(THREAD_SANITIZED_BUILD)/tests && TSAN_OPTIONS=halt_on_error=1 ./mirelo_core_tests --gtest_brief=1 \
	  --gtest_filter='-TextModeLineReader.*:DbxDump.*:DbxDamage.*'
