# The two commands of the README:
#   make demo   set up and run Pankor against the bundled demo publisher
#   make test   set up and run every test
# (make demo HEADLESS=1 SCALE=150: the screenshot run, at another scale)
# and the publisher's: make release KEYS=DIR [DOWNLOAD_BASE=https://...]
.PHONY: demo deps build test test-native test-asan test-wine product release fuzz-smoke fuzz tidy clean

JOBS ?= $(shell nproc)
WERROR := -DPANKOR_WERROR=ON

demo: deps
	scripts/demo.sh $(if $(HEADLESS),--headless) $(if $(SCALE),--scale $(SCALE))

deps:
	@scripts/install-deps.sh

build: deps
	cmake --preset linux $(WERROR) >/dev/null
	cmake --build --preset linux -j$(JOBS)

product: deps
	cmake --preset win32-dev $(WERROR) >/dev/null
	cmake --build --preset win32-dev -j$(JOBS)
	scripts/check-product.sh

# The shipping build with the publisher's keys, its installer and the catalog entry.
release: deps
	scripts/release.sh "$(KEYS)" $(DOWNLOAD_BASE)

test-asan: deps
	cmake --preset linux-asan $(WERROR) >/dev/null
	cmake --build --preset linux-asan -j$(JOBS)
	ctest --preset linux-asan -j$(JOBS)

test-wine: deps
	cmake --preset win64-wine $(WERROR) >/dev/null
	cmake --build --preset win64-wine -j$(JOBS)
	scripts/wine-tests.sh

fuzz-smoke: deps
	fuzz/run.sh --seconds 3

# The figures we report: a million executions of every fuzz target.
fuzz: deps
	fuzz/run.sh

tidy: build
	scripts/tidy.sh build/linux

test-native: build
	PANKOR_WIN32_EXE=$(CURDIR)/build/win32-dev/app/win32/Pankor.exe ctest --preset linux -j$(JOBS)

# The native run comes last so its summary closes the output.
test: product test-asan test-wine fuzz-smoke tidy test-native

clean:
	rm -rf build
