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

# The native build, sanitized. Its ctest holds every test of `make test`
# (tests/suite.cmake); the targets below run parts of it by label.
native:
	@scripts/install-deps.sh unit
	@cmake -S . -B $(NATIVE) -DKORVO_SANITIZE=ON -DKORVO_SUITE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
	@cmake --build $(NATIVE) -j$(JOBS)

win:
	@scripts/install-deps.sh win
	@JOBS=$(JOBS) scripts/win-build.sh x86
	@JOBS=$(JOBS) scripts/win-build.sh x64

# Unit tests on the simulated desktop, under AddressSanitizer and UBSan.
unit: native
	@cd $(NATIVE) && ctest -L '^unit$$' --output-on-failure -j$(JOBS)

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
	  --gtest_filter='ModelBased.*' | grep -vE '^(Running main|Note: Google|\[(-{10}|={10}| RUN  ))'; \
	status=$${PIPESTATUS[0]}; echo "# $$((($$(date +%s%N) - start) / 1000000)) ms"; exit $$status

# What the sanitizers cannot see: reads of uninitialised memory, in the
# hand-written tests, unsanitized, under Valgrind's memcheck. Leaks are
# LeakSanitizer's; the random sessions and the two-month run are left to the
# sanitized run.
memcheck:
	@scripts/install-deps.sh unit memcheck
	@cmake -S . -B $(VALGRIND) -DCMAKE_BUILD_TYPE=Debug -DKORVO_LONG_RUNS=OFF >/dev/null
	@cmake --build $(VALGRIND) -j$(JOBS)
	@valgrind -q --error-exitcode=1 --leak-check=no --track-origins=yes \
	  $(VALGRIND)/tests/unit/unit_tests --gtest_brief=1

lint: native
	@scripts/install-deps.sh lint
	@scripts/lint.sh $(NATIVE)

# The committed pictures and icon still have the layout the program expects.
pictures:
	@scripts/install-deps.sh pictures
	@/usr/bin/python3 resources/make_pictures.py --check

# End-to-end tests: the real executables under Wine in Xvfb, every build
# that runs on this machine.
e2e: native
	@scripts/install-deps.sh win e2e
	@cd $(NATIVE) && ctest -L e2e --output-on-failure -j$(JOBS)

# The executables as shipped and the release zip; no Wine needed.
release: native
	@scripts/install-deps.sh win release
	@cd $(NATIVE) && ctest -L release --output-on-failure -j$(JOBS)

# Every test, in one ctest run with one summary; it goes on past a failure.
# Two slots more than cores: the end-to-end lanes mostly wait.
test: deps native
	@cd $(NATIVE) && ctest --output-on-failure -j$$(( $(JOBS) + 2 ))

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
