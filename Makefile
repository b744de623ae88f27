# Front door: `make run` starts the program beside the stand-in chat room,
# `make test` runs every test. Each target first installs what is missing of
# the packages it uses (scripts/install-deps.sh SET...); `make test` and
# `make deps` install them all.
SHELL := /bin/bash
MAKEFLAGS += --no-print-directory
NATIVE := build/native
VALGRIND := build/valgrind
UNIT_X86 := build/unit-x86
# The two Windows builds: 32-bit and 64-bit, one for each kind of Windows.
WIN_X86 := build/win-x86
WIN_X64 := build/win-x64
JOBS ?= 2

.PHONY: all deps native win unit unit32 soak memcheck e2e release test run bench dist lint pictures clean

all: win

deps:
	@scripts/install-deps.sh

native:
	@scripts/install-deps.sh unit
	@cmake -S . -B $(NATIVE) -DKORVO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
	@cmake --build $(NATIVE) -j$(JOBS)

win:
	@scripts/install-deps.sh win
	@cmake -S . -B $(WIN_X86) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(WIN_X86) -j$(JOBS)
	@cmake -S . -B $(WIN_X64) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(WIN_X64) -j$(JOBS)

# Unit tests on the simulated desktop, under AddressSanitizer and UBSan.
unit: native
	@cd $(NATIVE) && ctest --output-on-failure -j$(JOBS)

# The same tests as 32-bit x86 code, as the 32-bit Windows build computes.
unit32:
	@scripts/install-deps.sh unit32
	@JOBS=$(JOBS) tests/unit/run32.sh $(UNIT_X86) $(UNIT32_ARGS)

# The model-based test at length: SESSIONS random sessions (RC_PARAMS
# repeats a failure it prints).
SESSIONS ?= 100000
soak: native
	@start=$$(date +%s%N); \
	RC_PARAMS="max_success=$(SESSIONS) max_size=80 $(RC_PARAMS)" $(NATIVE)/tests/unit/unit_tests \
	  --gtest_filter='ModelBased.*' | grep -E 'sessions|passed|Falsifiable|RC_PARAMS|FAILED|^[a-z]'; \
	status=$${PIPESTATUS[0]}; echo "# $$((($$(date +%s%N) - start) / 1000000)) ms"; exit $$status

# The same tests, unsanitized, under Valgrind's memcheck (the two-month run
# is left to LeakSanitizer: it would take minutes here).
memcheck:
	@scripts/install-deps.sh unit memcheck
	@cmake -S . -B $(VALGRIND) -DCMAKE_BUILD_TYPE=Debug >/dev/null
	@cmake --build $(VALGRIND) -j$(JOBS)
	@valgrind -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect \
	  $(VALGRIND)/tests/unit/unit_tests --gtest_brief=1 --gtest_filter='-*HundredThousand*'

lint: native
	@scripts/install-deps.sh lint
	@scripts/lint.sh $(NATIVE)

# The committed pictures and icon still have the layout the program expects.
pictures:
	@scripts/install-deps.sh pictures
	@/usr/bin/python3 resources/make_pictures.py --check

# End-to-end tests: the real executables under Wine in Xvfb, every build
# that runs on this machine.
e2e: win
	@scripts/install-deps.sh e2e
	@tests/e2e/run.sh $(WIN_X86) $(WIN_X64)

# The executables as shipped and the release zip; no Wine needed.
release: win
	@scripts/install-deps.sh release
	@tests/release/run.sh $(WIN_X86) $(WIN_X64)

# Every test, with one summary of them all (tests/run.sh).
test: deps
	@JOBS=$(JOBS) tests/run.sh

run: win
	@scripts/install-deps.sh e2e
	@scripts/demo.sh $(WIN_X86) $(WIN_X64)

bench: win
	@scripts/install-deps.sh e2e
	@tests/e2e/bench.sh $(WIN_X86) $(WIN_X64)

# The release zip for users, in dist/.
dist: win
	@scripts/install-deps.sh release
	@scripts/dist.sh $(WIN_X86) $(WIN_X64)

clean:
	rm -rf build dist
