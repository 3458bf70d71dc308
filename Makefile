# Front door of the project. `make demo` builds and runs the examples; `make test` builds and runs every test.
BUILD ?= build
JOBS ?= 2
# The programs need only the compiler and CMake; the tests and benchmarks, GoogleTest and Google Benchmark;
# the plots and sweeps, gnuplot and GNU parallel. The demo needs the programs and the plots.
PAQUETES_PROGRAMAS = cmake g++ make
PAQUETES_DEMO = $(PAQUETES_PROGRAMAS) gnuplot-nox
PAQUETES = $(PAQUETES_PROGRAMAS) libgtest-dev libbenchmark-dev gnuplot-nox parallel
PAQUETES_FUZZ = clang libclang-rt-14-dev
PAQUETES_REVISION = clang-format shellcheck
PAQUETES_SLURM = slurm-wlm munge
SEGUNDOS ?= 60

MAKEFLAGS += --no-print-directory
export MAKEFLAGS

.PHONY: all deps configure build test demo bench fuzz revisa prueba-slurm clean

all: build

# Installs whatever of $(1) is missing (Debian; as root). Without root it names the missing packages and stops.
define instala
	@faltan=$$(for p in $(1); do dpkg -s $$p >/dev/null 2>&1 || printf '%s ' $$p; done); \
	if [ -n "$$faltan" ]; then \
	  if [ "$$(id -u)" -ne 0 ]; then \
	    echo "Faltan paquetes: $$faltan(instalelos como root: apt-get install $$faltan)" >&2; exit 1; fi; \
	  echo "Instalando: $$faltan"; \
	  { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$faltan; } >/dev/null || exit 1; \
	fi
endef

deps:
	$(call instala,$(PAQUETES))

# Run each time (a fraction of a second): a build first configured by the demo, without the tests or the
# benchmarks, gains them once their packages are there.
configure: deps
	@cmake -S . -B $(BUILD) -DBUILD_TESTING=ON >/dev/null

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The programs (all four builds: seconds) and the examples, without the test libraries. A new build is
# configured with the tests only when GoogleTest is already installed.
demo:
	$(call instala,$(PAQUETES_DEMO))
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) \
	  -DBUILD_TESTING=$$(dpkg -s libgtest-dev >/dev/null 2>&1 && echo ON || echo OFF) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target velmor dulvick korbent korbent_ultima
	@sh examples/demo.sh $(BUILD)

# Only the benchmarks, not the tests.
bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target grad_velmor_bench zelbrin_fdp_bench
	@echo "Tiempos por paso (velmor: ns_step) y por fila y núcleo (korbent: ns_rk), con 1 y con 2 hilos. Compárelos"
	@echo "como cocientes con los de los programas de suelo (make -C ../shared/floor bench: floor_ns_step y"
	@echo "hoisted_ns_rk), ejecutados en el mismo minuto y en la misma máquina."
	@for b in $(BUILD)/bench/*_bench; do echo "== $$b"; $$b; done

# Each fuzz target for SEGUNDOS seconds (libFuzzer, with AddressSanitizer and UndefinedBehaviorSanitizer).
fuzz:
	$(call instala,$(PAQUETES_FUZZ))
	@test -f $(BUILD)-fuzz/CMakeCache.txt || \
	  CXX=clang++ cmake -S . -B $(BUILD)-fuzz -DFUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD)-fuzz -j $(JOBS)
	sh tests/fuzz/corre.sh $(BUILD)-fuzz $(SEGUNDOS)

# Formatting of the C++ sources and the shell scripts' lint, as CI checks them.
revisa:
	$(call instala,$(PAQUETES_REVISION))
	git ls-files '*.cpp' '*.hpp' | xargs clang-format --dry-run -Werror
	git ls-files '*.sh' | xargs shellcheck -S warning
	shellcheck -S warning -s bash .ci/run

# Sweeps run as job arrays of a one-node Slurm cluster started on this machine for the test's length (root).
prueba-slurm: configure
	$(call instala,$(PAQUETES_SLURM))
	@cmake --build $(BUILD) -j $(JOBS) --target velmor korbent
	sh tests/slurm/prueba.sh $(BUILD)

clean:
	rm -rf $(BUILD)
