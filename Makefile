# Entry points: `make run`, `make test` and `make test-desktops`. Each installs what is missing first.
BUILD_PKGS := cmake ninja-build g++ ccache pkg-config qt6-base-dev qt6-svg-dev qt6-qpa-plugins \
	libqt6svg6 libgl-dev libicu-dev libxcb1-dev libxcb-render0-dev libxrandr-dev libx11-dev \
	bootstrap-icons fonts-inter fonts-quicksand fonts-noto-core \
	qt6-wayland qt6-wayland-dev qt6-base-private-dev libwayland-dev wayland-protocols \
	plasma-wayland-protocols libglib2.0-dev
TEST_PKGS := xvfb xauth openbox i3-wm metacity xfwm4 xfconf tint2 xdotool x11-utils x11-xserver-utils xclip imagemagick trayer \
	dbus desktop-file-utils dpkg-dev file clang libclang-rt-14-dev libbenchmark-dev libxcb-xtest0-dev \
	sway swaybg grim wtype xserver-xorg-core xserver-xorg-video-dummy
# KDE Plasma's and GNOME's compositors are large (over a thousand packages), so their
# end-to-end tests have a target of their own.
DESKTOP_PKGS := kwin-wayland kwin-x11 gnome-shell

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
JOBS ?= $(shell nproc)

.PHONY: run test test-desktops deps test-deps build bench fuzz package clean format

# Install only what dpkg does not already report as installed.
define install_missing
	@missing=$$(for p in $(1); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
		echo "Installing:" $$missing; \
		$(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi
endef

# The layer shell builds against QtWaylandClient private headers of exactly the installed
# Qt, from Debian's source package; without them (offline) Corvina builds without it.
deps:
	$(call install_missing,$(BUILD_PKGS))
	@sh cmake/fetch-qt-private-headers.sh build/qt-private-headers \
		|| echo "Could not fetch QtWaylandClient's private headers: building without the layer shell."

test-deps: deps
	$(call install_missing,$(TEST_PKGS))

build: deps
	cmake --preset release -DCORVINA_BUILD_TESTS=OFF -DCORVINA_BUILD_BENCH=OFF
	cmake --build --preset release -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
		echo "No display: rendering the dashboards to build/render instead."; \
		./build/release/src/app/corvina --render build/render; \
	else \
		./build/release/src/app/corvina; \
	fi

test: test-deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS) -LE desktops

test-desktops: test-deps
	$(call install_missing,$(DESKTOP_PKGS))
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -L desktops

bench: test-deps
	cmake --preset release -DCORVINA_BUILD_BENCH=ON
	cmake --build --preset release -j $(JOBS)
	@for b in build/release/bench/bench_*; do echo "== $$b"; $$b; done

FUZZ_SECONDS ?= 60
fuzz: test-deps
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS) --target fuzz_arrangement
	mkdir -p build/fuzz/corpus
	./build/fuzz/fuzz/fuzz_arrangement -max_total_time=$(FUZZ_SECONDS) build/fuzz/corpus fuzz/corpus

package: test-deps
	cmake --preset release -DCORVINA_BUILD_TESTS=OFF -DCORVINA_BUILD_BENCH=OFF
	cmake --build --preset release -j $(JOBS)
	cd build/release && cpack -G DEB

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
