# The two commands of the README: `make demo` and `make test`; the rest are helpers.
BUILD       ?= build
SAN_BUILD   ?= build-sanitize
SAN_FLAGS    = -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined
JOBS        ?= $(shell nproc 2>/dev/null || echo 2)
BUILD_TYPE  ?= RelWithDebInfo

BUILD_PKGS  = cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev nlohmann-json3-dev \
              qt6-base-dev libgl-dev help2man dpkg-dev desktop-file-utils poppler-utils \
              libsqlite3-dev libpq-dev postgresql lintian appstream
BENCH_PKGS  = libbenchmark-dev
FUZZ_PKGS   = clang libclang-rt-14-dev
FUZZ_BUILD  ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS = reply_reader exchange radio_command archive com_ini record_json model_table bbo_config

.PHONY: all deps build test test-sanitizers demo demo-align package bench fuzz clean format

all: build

deps:
	@sh tools/install-deps.sh $(BUILD_PKGS)

$(BUILD)/build.ninja: CMakeLists.txt | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	$(MAKE) test-sanitizers

# The core, the simulated radio and the command-line tool under AddressSanitizer and
# UndefinedBehaviorSanitizer (the Qt application is left out: its tests run above).
test-sanitizers: deps
	cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTREL_APP=OFF -DVANTREL_MANPAGES=OFF \
	    -DCMAKE_CXX_FLAGS="$(SAN_FLAGS)" -DCMAKE_EXE_LINKER_FLAGS="$(SAN_FLAGS)"
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && ctest --output-on-failure -j $(JOBS)

demo: build
	@sh tools/demo.sh $(BUILD)

# The whole simulated portable and a mobile aligned by `vantrel-cli align` on their simulated bench.
demo-align: build
	@sh tools/demo-align.sh $(BUILD)

# The Debian package vantrel_<version>_<arch>.deb, copied here: sudo apt install ./vantrel_*.deb
package: build
	rm -rf $(BUILD)/package
	cd $(BUILD) && cpack -G DEB -B package
	rm -f vantrel_*.deb
	cp $(BUILD)/package/vantrel_*.deb .

bench:
	@sh tools/install-deps.sh $(BUILD_PKGS) $(BENCH_PKGS)
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DVANTREL_BENCH=ON
	cmake --build $(BUILD) -j $(JOBS)
	@sh tools/bench.sh $(BUILD)
	@sh tools/bench-history.sh $(BUILD)

# Each libFuzzer target for FUZZ_SECONDS, starting from fuzz/corpus/<target>. New inputs go to
# $(FUZZ_BUILD)/corpus/<target>, crashing ones to $(FUZZ_BUILD)/artifacts/<target>/ (and stop the run).
fuzz:
	@sh tools/install-deps.sh $(BUILD_PKGS) $(FUZZ_PKGS)
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DVANTREL_APP=OFF -DVANTREL_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_all
	@set -e; for t in $(FUZZ_TARGETS); do \
	    mkdir -p $(FUZZ_BUILD)/corpus/$$t $(FUZZ_BUILD)/artifacts/$$t; \
	    echo "== fuzz_$$t for $(FUZZ_SECONDS) s"; \
	    $(FUZZ_BUILD)/bin/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -timeout=10 -print_final_stats=1 \
	        -artifact_prefix=$(FUZZ_BUILD)/artifacts/$$t/ $(FUZZ_BUILD)/corpus/$$t fuzz/corpus/$$t; \
	done

clean:
	rm -rf $(BUILD) $(SAN_BUILD)

format:
	find link radio operations screens utilities app cli sim tests bench fuzz \
	    \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 -r clang-format -i
