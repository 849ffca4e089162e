# The two set-up commands of the README: `make run` and `make test`.
BUILD      ?= build
CMAKE_ARGS ?=
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
# Debian packages the build and the tests need, each with a file that proves it is there.
PACKAGES   := cmake:/usr/bin/cmake g++:/usr/bin/g++ libgtest-dev:/usr/include/gtest/gtest.h \
              libgmock-dev:/usr/include/gmock/gmock.h libbenchmark-dev:/usr/include/benchmark/benchmark.h \
              tmux:/usr/bin/tmux libsqlite3-dev:/usr/include/sqlite3.h sqlite3:/usr/bin/sqlite3 \
              libpq-dev:/usr/include/postgresql/libpq-fe.h postgresql:/usr/share/doc/postgresql/copyright
DEMO_ROOT  := $(abspath $(BUILD))/demo-root

.PHONY: all build deps run test clean

all: build

deps:
	@missing=""; for p in $(PACKAGES); do f=$${p#*:}; [ -e "$$f" ] || missing="$$missing $${p%%:*}"; done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else echo "Missing packages:$$missing (install them with apt-get as root)"; exit 1; fi; \
	fi

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# Runs the start-up program against a demo installation root made under build/ unless KELROOT is set.
run: build
	@if [ -z "$$KELROOT" ]; then sh startup/make_demo_root.sh "$(DEMO_ROOT)"; fi; \
	if [ -z "$$KELROOT" ]; then export KELROOT="$(DEMO_ROOT)/" KELTMP="$(DEMO_ROOT)/tmp" KEL_NO_CLOCK_SYNC=1 KEL_COMPUTER_NAME=DEMO; fi; \
	"$(BUILD)/kelstart" $(ARGS); echo "kelstart ended with exit code $$?"

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)
