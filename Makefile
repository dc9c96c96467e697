# The README's commands. Everything builds under build/; `make test` installs what is missing first.
SHELL := /bin/bash
MAKEFLAGS += --no-print-directory
JOBS ?= 2

.PHONY: all deps native windows test test-native test-windows demo stress bench clean

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
