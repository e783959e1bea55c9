# The user's commands: make run, make test, make bench (and make fuzz for long fuzzing runs).
SHELL := /bin/bash
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
BUILD := build
ASAN_BUILD := build-asan
TSAN_BUILD := build-tsan
FUZZ_BUILD := build-fuzz
FUZZ_SECONDS ?= 3600

.PHONY: run test bench fuzz deps build build-asan clean

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  exec $(BUILD)/app/marksheet; \
	else \
	  echo "No display here: the window needs a desktop (start it there with $(BUILD)/app/marksheet)."; \
	  if [ -x $(BUILD)/tools/read/marksheet-read ]; then \
	    echo "Reading the built-in sample sheet with the batch reader instead:"; \
	    $(BUILD)/tools/read/marksheet-read --sample; \
	  fi; \
	fi

test: build
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMARKSHEET_SANITIZE=address,undefined >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@echo "== tests, normal build"
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@echo "== tests, AddressSanitizer and UndefinedBehaviorSanitizer build"
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) -LE nosan
	@echo "== concurrency tests, ThreadSanitizer build"
	@cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMARKSHEET_SANITIZE=thread >/dev/null
	@cmake --build $(TSAN_BUILD) -j $(JOBS) --target concurrency_tests
	@cd $(TSAN_BUILD) && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/tsan.supp" \
	  ctest --output-on-failure -L concurrency
	@echo "== fuzz smoke: regressions replayed, then each fuzz target for about 30 s"
	@FUZZ_BUILD=$(FUZZ_BUILD) JOBS=$(JOBS) fuzz/run --smoke

bench: deps
	@cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build build-bench -j $(JOBS)
	@if [ -x bench/run ]; then bench/run build-bench; else for b in build-bench/bench/*_bench; do $$b; done; fi

fuzz: deps
	@FUZZ_BUILD=$(FUZZ_BUILD) JOBS=$(JOBS) fuzz/run $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) build-bench
