# Quillet: `make run` starts the program, `make test` builds and runs every test, `make demo` shows
# one correction in a private desktop and saves pictures of it, `make package` builds the Debian
# package. All install the Debian packages they need first (tools/debian-packages.txt).

BUILD_DIR ?= build
ASAN_DIR  ?= build-asan
CTEST_JOBS ?= 2
DEMO_DIR  ?= demo-output

.PHONY: all deps configure build run demo test compat desktops asan bench package lintian format clean

all: build

# The Wayland tests' compositors run in `make test` too (ctest -LE wayland leaves them out).
deps:
	@bash tools/install-deps.sh tools/debian-packages.txt tools/wayland-packages.txt

$(BUILD_DIR)/build.ninja:
	@$(MAKE) --no-print-directory deps
	cmake --preset default

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR)

# Only the program itself: a first `make run` need not wait for the tests and benchmarks.
run: configure
	@test -n "$$DISPLAY$$WAYLAND_DISPLAY" || \
		{ echo "make run needs a desktop (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2; exit 1; }
	cmake --build $(BUILD_DIR) --target quillet
	./$(BUILD_DIR)/src/quillet

# The views drawn with demonstration data, then the walkthrough on a private, invisible desktop.
demo: build
	./$(BUILD_DIR)/src/quillet --screenshots $(DEMO_DIR)/views
	tests/session/run-in-session.sh -- ./$(BUILD_DIR)/tests/quillet_demo $(DEMO_DIR)/walkthrough

# Every test runs once: one that fails now and then has a cause to find, not a second chance.
test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(CTEST_JOBS)

# Every application of the compatibility suite, browsers, mail and office included (installed here
# from tools/compat-packages.txt), as a table of what works where. The web editors' pages are built
# from the npm registry's packages (tools/compat/web/package-lock.json), once.
compat: build
	@bash tools/install-deps.sh tools/compat-packages.txt
	@cd tools/compat/web && { test node_modules/.package-lock.json -nt package-lock.json || \
		npm ci --no-audit --no-fund; } && npm run --silent build
	@bash tools/compat.sh $(BUILD_DIR)

# The unit, ui, script and Wayland tiers and the package, built and run in a chroot of each newer
# Debian release (Debian 13 and testing by default), each made once and kept in ~/.cache/quillet;
# not part of `make test`. Root.
DESKTOPS ?= trixie testing
desktops:
	@bash tools/desktops.sh $(DESKTOPS)

asan: deps
	cmake --preset asan
	cmake --build $(ASAN_DIR)
	cd $(ASAN_DIR) && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(CTEST_JOBS)

bench: build
	@for b in $(BUILD_DIR)/bench/bench_*; do echo "== $$b"; tests/session/run-in-session.sh -- "$$b" || exit 1; done

# The Debian package, quillet_VERSION_ARCH.deb in the build folder; dependencies from dpkg-shlibdeps.
package: build
	cd $(BUILD_DIR) && cpack -G DEB

# Debian's own check of the package; lintian is installed on first use (it is not needed otherwise).
lintian: package
	@bash tools/install-deps.sh tools/lintian-packages.txt
	lintian --fail-on error $(BUILD_DIR)/quillet_*.deb

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR)
