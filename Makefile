# The two set-up commands of the README, `make run` and `make test`, and the Windows build.
BUILD      ?= build
CMAKE_ARGS ?=
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
# Debian packages the build and the tests need, each with a file that proves it is there.
PACKAGES   := cmake:/usr/bin/cmake g++:/usr/bin/g++ libgtest-dev:/usr/include/gtest/gtest.h \
              libgmock-dev:/usr/include/gmock/gmock.h libbenchmark-dev:/usr/include/benchmark/benchmark.h \
              tmux:/usr/bin/tmux libsqlite3-dev:/usr/include/sqlite3.h sqlite3:/usr/bin/sqlite3 \
              libpq-dev:/usr/include/postgresql/libpq-fe.h postgresql:/usr/share/doc/postgresql/copyright
DEMO_ROOT  := $(abspath $(BUILD))/demo-root
# The Windows build: mingw-w64 cross compiler, GoogleTest sources, and Wine to run the tests.
WIN_BUILD    ?= build-windows
WIN_PACKAGES := g++-mingw-w64-x86-64-posix:/usr/bin/x86_64-w64-mingw32-g++-posix \
                googletest:/usr/src/googletest/CMakeLists.txt cmake:/usr/bin/cmake
WINE_PACKAGES := wine:/usr/bin/wine wine64:/usr/lib/wine/wine64

.PHONY: all build deps run test clean windows windows-deps windows-test wine-deps

all: build

# Installs (as root) or names the missing packages of a list of package:file pairs.
define install_missing
	@missing=""; for p in $(1); do f=$${p#*:}; [ -e "$$f" ] || missing="$$missing $${p%%:*}"; done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else echo "Missing packages:$$missing (install them with apt-get as root)"; exit 1; fi; \
	fi
endef

deps:
	$(call install_missing,$(PACKAGES))

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# Runs the start-up program against a demo installation root made under build/ unless KELROOT is set.
run: build
	@if [ -z "$$KELROOT" ]; then sh startup/make_demo_root.sh "$(DEMO_ROOT)"; fi; \
	if [ -z "$$KELROOT" ]; then export KELROOT="$(DEMO_ROOT)/" KELTMP="$(DEMO_ROOT)/tmp" KEL_NO_CLOCK_SYNC=1 KEL_COMPUTER_NAME=DEMO KEL_ADAPTER_ADDRESS=0A00000000DE; fi; \
	before=$$(cat "$$KELROOT/KelTerm.ini" 2>/dev/null | cksum); \
	"$(BUILD)/kelstart" $(ARGS); code=$$?; echo "kelstart ended with exit code $$code"; \
	if [ "$$KELROOT" = "$(DEMO_ROOT)/" ] && [ "$$before" != "$$(cat "$$KELROOT/KelTerm.ini" | cksum)" ]; then \
	  sh startup/show_demo_run.sh "$(BUILD)/kelini" "$(DEMO_ROOT)" DEMO; fi

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)

# ---- Windows ----------------------------------------------------------------------------------

windows-deps:
	$(call install_missing,$(WIN_PACKAGES))

wine-deps:
	$(call install_missing,$(WINE_PACKAGES))

$(WIN_BUILD)/CMakeCache.txt: | windows-deps
	cmake -S . -B $(WIN_BUILD) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(abspath cmake/mingw-w64.cmake) -DKEL_BENCH=OFF $(CMAKE_ARGS)

# Cross-builds the library, the programs and the test programs for 64-bit Windows.
windows: windows-deps $(WIN_BUILD)/CMakeCache.txt
	cmake --build $(WIN_BUILD) -j $(JOBS)

# Runs the Windows tests under Wine.
windows-test: windows wine-deps
	sh .ci/wine_test "$(WIN_BUILD)"
