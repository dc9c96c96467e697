# The README's commands. Everything builds under build/; `make test` installs what is missing first.
SHELL := /bin/bash
MAKEFLAGS += --no-print-directory
JOBS ?= 2
# Seconds of fuzzing per target: `make fuzz` (FUZZ_SECONDS) and the short run inside `make test`.
FUZZ_SECONDS ?= 60
FUZZ_TEST_SECONDS ?= 10

.PHONY: all deps native windows asan fuzz-build test test-native test-windows test-asan test-fuzz test-dates fuzz demo stress bench clean

all: native windows

deps:
	@scripts/install-deps

native: deps
	@cmake --preset native >/dev/null
	@cmake --build --preset native -j$(JOBS)

windows: deps
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows -j$(JOBS)

# AddressSanitizer and UBSan (native); any finding aborts the test binary, so ctest fails.
asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j$(JOBS)

# libFuzzer targets (clang, with ASan and UBSan).
fuzz-build: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j$(JOBS)

test-native: native
	ctest --preset native

test-windows: windows
	ctest --preset windows

test-asan: asan
	ctest --preset asan

test-fuzz: fuzz-build
	scripts/fuzz-run $(FUZZ_TEST_SECONDS)

# The suites again with the clock a day and a year ahead, so that no outcome rests on the day a test was
# written. FAKE_UTIME shifts the file times the tests set as the clock is, so files and clock agree.
test-dates: native windows
	scripts/test-dates

# Every test layer runs; the target fails if any failed.
test: native windows asan fuzz-build
	@status=0; \
	scripts/check-format || status=1; \
	scripts/check-layers || status=1; \
	ctest --preset native || status=1; \
	ctest --preset windows || status=1; \
	ctest --preset asan || status=1; \
	scripts/fuzz-run $(FUZZ_TEST_SECONDS) || status=1; \
	scripts/test-dates || status=1; \
	exit $$status

fuzz: fuzz-build
	scripts/fuzz-run $(FUZZ_SECONDS)

demo: native windows
	@scripts/demo

# The full stress run: 16 processes x 100 row writes, 5 times, then the same with half old clients.
stress: native
	tests/stress.sh build/native/tests/stress_writer 16 100 5
	tests/stress.sh build/native/tests/stress_writer 16 100 5 old

# Every benchmark in one go; writes bench/RESULTS.md. The Windows programs are built when the cross
# toolchain can make them (their size, imports and GUI figures); without them the table says so.
bench: native
	@{ cmake --preset windows >/dev/null && cmake --build --preset windows -j$(JOBS) --target tavelin-cli gui_probe minimal_window paint_hook && \
	   { [ ! -d build/windows/ui ] || $(MAKE) -C build/windows/ui -j$(JOBS); }; } >/dev/null \
	  || echo "bench: the Windows programs did not build; their figures will say so"
	bench/run.sh

clean:
	rm -rf build
