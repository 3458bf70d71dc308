# Front door of the project. `make demo` builds and runs the examples; `make test` builds and runs every test.
BUILD ?= build
JOBS ?= 2
PAQUETES = cmake g++ make libgtest-dev libbenchmark-dev

PAQUETES_FUZZ = clang libclang-rt-14-dev
SEGUNDOS ?= 60

.PHONY: all deps configure build test demo bench fuzz clean

all: build

# Installs what the build needs when it is missing (Debian; needs root, as on the project's machines).
deps:
	@dpkg -s $(PAQUETES) >/dev/null 2>&1 || { \
	  echo "Instalando: $(PAQUETES)"; apt-get update -qq && apt-get install -y -qq $(PAQUETES); }

configure: deps
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

demo: build
	@sh examples/demo.sh $(BUILD)

bench: build
	@for b in $(BUILD)/bench/*_bench; do echo "== $$b"; $$b; done

# Each fuzz target for SEGUNDOS seconds (libFuzzer, with AddressSanitizer and UndefinedBehaviorSanitizer).
fuzz:
	@dpkg -s $(PAQUETES_FUZZ) >/dev/null 2>&1 || { \
	  echo "Instalando: $(PAQUETES_FUZZ)"; apt-get update -qq && apt-get install -y -qq $(PAQUETES_FUZZ); }
	@test -f $(BUILD)-fuzz/CMakeCache.txt || \
	  CXX=clang++ cmake -S . -B $(BUILD)-fuzz -DFUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD)-fuzz -j $(JOBS)
	sh tests/fuzz/corre.sh $(BUILD)-fuzz $(SEGUNDOS)

clean:
	rm -rf $(BUILD)
