# The README's commands. Everything builds under build/; `make test` installs what is missing first.
SHELL := /bin/bash
MAKEFLAGS += --no-print-directory
JOBS ?= 2

.PHONY: all deps native windows test test-native test-windows demo clean

all: native windows

deps:
	@scripts/install-deps

native: deps
	@cmake --preset native >/dev/null
	@cmake --build --preset native -j$(JOBS)

windows: deps
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows -j$(JOBS)

test-native: native
	ctest --preset native

test-windows: windows
	ctest --preset windows

# Both test layers run; the target fails if either failed.
test: native windows
	@status=0; \
	ctest --preset native || status=1; \
	ctest --preset windows || status=1; \
	exit $$status

demo: native windows
	@scripts/demo

clean:
	rm -rf build
