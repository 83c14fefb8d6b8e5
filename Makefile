# The two commands of the README: `make run` and `make test`. Both install what is missing first.
# `make package` builds the Debian package build/tellurix_<version>_<arch>.deb.
BUILD ?= build
JOBS ?= $(shell nproc)
SANITIZE_BUILD ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: deps configure build run test test-sanitize fuzz-build fuzz fuzz-ci bench package clean

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTELLURIX_WERROR=$(if $(CI),ON,OFF) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTELLURIX_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@scripts/test-sanitize.sh $(SANITIZE_BUILD) $(JOBS)

# libFuzzer targets (clang): FUZZ_SECONDS each from the seed corpus; fuzz-ci is the short run.
fuzz-build: deps
	@scripts/install-fuzz-deps.sh
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTELLURIX_FUZZ=ON \
		-DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
	@cmake --build $(FUZZ_BUILD) --target fuzz_all -j $(JOBS)

fuzz: fuzz-build
	@scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

fuzz-ci: fuzz-build
	@scripts/fuzz.sh $(FUZZ_BUILD) 15

bench: build
	@scripts/bench.sh $(BUILD)

package: build
	@cmake --build $(BUILD) --target package

clean:
	rm -rf $(BUILD)

# The terminal against the device simulator for SOAK_SECONDS (10 minutes), with its figures.
.PHONY: soak
soak: build
	@SOAK_SECONDS=$${SOAK_SECONDS:-600} QT_QPA_PLATFORM=offscreen $(BUILD)/bench/bench_soak
