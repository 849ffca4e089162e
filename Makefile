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
                googletest:/usr/src/googletest/CMakeLists.txt cmake:/usr/bin/cmake npm:/usr/bin/npm
# SQLite for Windows (Debian has no mingw-w64 build of it): the amalgamation that the npm
# package better-sqlite3 ships in deps/sqlite3/, fetched with npm, checked against this hash and
# unpacked into the build directory, where CMake builds a static library from it.
WIN_SQLITE_PACKAGE := better-sqlite3@12.9.0
WIN_SQLITE_SHA256  := ad0e29650140c49d0335b1d356596aa8166f12b758f418a98446130e3278f250
WIN_SQLITE_DIR     := $(WIN_BUILD)/sqlite3
# ccache, when the machine has it, also for the cross compiler.
WIN_LAUNCHER := $(if $(shell command -v ccache 2>/dev/null),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
WINE_PACKAGES := wine:/usr/bin/wine wine64:/usr/lib/wine/wine64

.PHONY: all build deps run test clean windows windows-deps windows-packages windows-test wine-deps

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

windows-deps: windows-packages $(WIN_SQLITE_DIR)/sqlite3.c

windows-packages:
	$(call install_missing,$(WIN_PACKAGES))

# Only sqlite3.c and sqlite3.h are taken from the package, and only once its hash matches.
$(WIN_SQLITE_DIR)/sqlite3.c: | windows-packages
	@set -e; tmp=$$(mktemp -d); trap 'rm -rf "$$tmp"' EXIT; \
	npm pack --silent --ignore-scripts --pack-destination "$$tmp" $(WIN_SQLITE_PACKAGE) >/dev/null; \
	tarball=$$(ls "$$tmp"/*.tgz); \
	echo "$(WIN_SQLITE_SHA256)  $$tarball" | sha256sum --check --quiet - \
	  || { echo "$(WIN_SQLITE_PACKAGE) does not match WIN_SQLITE_SHA256: not used" >&2; exit 1; }; \
	mkdir -p "$$tmp/x" $(WIN_SQLITE_DIR); \
	tar -xzf "$$tarball" -C "$$tmp/x" package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h; \
	mv "$$tmp/x/package/deps/sqlite3/sqlite3.h" $(WIN_SQLITE_DIR)/sqlite3.h; \
	mv "$$tmp/x/package/deps/sqlite3/sqlite3.c" $(WIN_SQLITE_DIR)/sqlite3.c; \
	echo "SQLite $$(sed -n 's/^#define SQLITE_VERSION  *"\(.*\)"/\1/p' $(WIN_SQLITE_DIR)/sqlite3.h) from $(WIN_SQLITE_PACKAGE) in $(WIN_SQLITE_DIR)"

wine-deps:
	$(call install_missing,$(WINE_PACKAGES))

$(WIN_BUILD)/CMakeCache.txt: | windows-deps
	cmake -S . -B $(WIN_BUILD) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(abspath cmake/mingw-w64.cmake) -DKEL_BENCH=OFF \
	  -DKEL_SQLITE_SOURCE=$(abspath $(WIN_SQLITE_DIR)) $(WIN_LAUNCHER) $(CMAKE_ARGS)

# Cross-builds the library, the programs and the test programs for 64-bit Windows.
windows: windows-deps $(WIN_BUILD)/CMakeCache.txt
	cmake --build $(WIN_BUILD) -j $(JOBS)

# Runs the Windows tests under Wine.
windows-test: windows wine-deps
	sh .ci/wine_test "$(WIN_BUILD)"
