# The README's commands. Everything builds under build/; `make test` installs what is missing first.
SHELL := /bin/bash
MAKEFLAGS += --no-print-directory
JOBS ?= 2

.PHONY: all deps native windows asan test test-native test-windows test-asan demo clean

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

test-native: native
	ctest --preset native

test-windows: windows
	ctest --preset windows

test-asan: asan
	ctest --preset asan

# Every test layer runs; the target fails if any failed.
test: native windows asan
	@status=0; \
	ctest --preset native || status=1; \
	ctest --preset windows || status=1; \
	ctest --preset asan || status=1; \
	exit $$status

demo: native
	@scripts/demo

clean:
	rm -rf build
