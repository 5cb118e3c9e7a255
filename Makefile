# Top-level driver: set-up, builds and test runs. See README.md.
SHELL := /bin/bash
B := build
JOBS ?= $(shell nproc)
CMAKE_NATIVE := cmake -S . -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
CMAKE_WIN32 := cmake -S . -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake

.PHONY: all setup native asan win32 fuzzers test test-native test-win test-fuzz demo bench soak mutants guide-images dist test-fresh clean

all: native win32

setup:
	bash tools/setup.sh

native:
	$(CMAKE_NATIVE) -B $(B)/native >/dev/null
	cmake --build $(B)/native -j $(JOBS)

asan:
	$(CMAKE_NATIVE) -B $(B)/asan -DKW_SANITIZE=ON -DKW_BENCH=OFF >/dev/null
	cmake --build $(B)/asan -j $(JOBS)

win32:
	$(CMAKE_WIN32) -B $(B)/win32 >/dev/null
	cmake --build $(B)/win32 -j $(JOBS)

fuzzers:
	CC=clang CXX=clang++ $(CMAKE_NATIVE) -B $(B)/fuzz -DKW_FUZZ=ON -DKW_BENCH=OFF >/dev/null
	cmake --build $(B)/fuzz -j $(JOBS)

test: setup
	$(MAKE) native asan win32 fuzzers
	$(MAKE) test-native test-win test-fuzz

test-native:
	ctest --test-dir $(B)/native --output-on-failure -j $(JOBS)
	ctest --test-dir $(B)/asan --output-on-failure -j $(JOBS)

test-win:
	bash tools/test-win.sh $(B)/win32

test-fuzz:
	bash tools/fuzz-smoke.sh $(B)/fuzz

demo: setup win32
	bash tools/demo.sh $(B)/win32

bench: setup
	$(CMAKE_NATIVE) -B $(B)/bench -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(B)/bench -j $(JOBS)
	$(MAKE) win32
	bash tools/bench.sh $(B)/bench $(B)/win32

# Long runs: a day on the simulated clock, an hour in real time under Wine,
# the load case at its top rates (tools/soak.sh; about 70 minutes).
soak: setup
	$(MAKE) native win32
	bash tools/soak.sh $(B)/native $(B)/win32

# The native tests measured by the faults they catch: tests/mutants/*.patch
# planted one at a time in a scratch copy (build/mutants).
mutants:
	JOBS=$(JOBS) bash tools/mutants.sh

# The user guide's pictures: the dialogs as the last make test-win captured them.
guide-images:
	bash tools/guide-images.sh $(B)/win32

# The release: everything built and tested, then dist/ (tools/dist.sh).
dist: test
	bash tools/dist.sh $(B)/win32

# The README's two commands in a pristine Debian 12 root (committed HEAD only).
FRESH_MACHINE ?= $(firstword $(wildcard ../shared/tools/fresh-machine.sh ../../shared/tools/fresh-machine.sh))
test-fresh:
	@[ -n "$(FRESH_MACHINE)" ] || { echo "test-fresh: set FRESH_MACHINE to fresh-machine.sh" >&2; exit 1; }
	time bash $(FRESH_MACHINE) './make.sh demo'
	time bash $(FRESH_MACHINE) './make.sh test'

clean:
	rm -rf $(B) out dist
