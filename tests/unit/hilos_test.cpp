#include "common/hilos.hpp"

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <vector>

TEST(Cuadrilla, EveryPartRunsOncePerJobAcrossManyJobs) {
  for (unsigned hilos : {1u, 2u, 3u, 5u}) {
    Cuadrilla c(hilos);
    ASSERT_EQ(c.hilos(), hilos);
    std::vector<int> veces(hilos, 0);
    for (int ronda = 0; ronda < 2000; ++ronda) c.reparte([&](unsigned parte) { ++veces[parte]; });
    for (unsigned p = 0; p < hilos; ++p) EXPECT_EQ(veces[p], 2000) << hilos << " hilos, parte " << p;
  }
}

// After each meeting every part sees what all wrote before it, whether the waiting parts watch or sleep (2
// and 5 parts on a machine of 2 cores).
TEST(Cuadrilla, EveryPartSeesTheOthersWritesAfterEachMeeting) {
  for (unsigned hilos : {2u, 5u}) {
    Cuadrilla c(hilos);
    std::vector<int> ronda(hilos, -1), fallos(hilos, 0);
    c.reparte([&](unsigned parte) {
      for (int r = 0; r < 3000; ++r) {
        ronda[parte] = r;
        c.sincroniza();
        for (int visto : ronda) fallos[parte] += visto != r;
        c.sincroniza();  // nobody writes the next round before all have read this one
      }
    });
    for (unsigned p = 0; p < hilos; ++p) EXPECT_EQ(fallos[p], 0) << hilos << " hilos, parte " << p;
  }
}

TEST(Cuadrilla, TramosCoverTheRangeInOrder) {
  for (std::size_t n : {0u, 1u, 7u, 100u})
    for (unsigned partes : {1u, 2u, 3u, 8u}) {
      std::size_t siguiente = 0;
      for (unsigned p = 0; p < partes; ++p) {
        const Tramo t = tramo(n, p, partes);
        EXPECT_EQ(t.inicio, siguiente);
        EXPECT_LE(t.fin - t.inicio, n / partes + 1);
        siguiente = t.fin;
      }
      EXPECT_EQ(siguiente, n);
    }
}

TEST(Cuadrilla, ThreadCountFromTheEnvironmentOrTheCores) {
  setenv("HILOS_PRUEBA", "3", 1);
  EXPECT_EQ(hilos_de_entorno("HILOS_PRUEBA"), 3u);
  for (const char* malo : {"0", "-2", "dos", "2x", ""}) {
    setenv("HILOS_PRUEBA", malo, 1);
    EXPECT_GE(hilos_de_entorno("HILOS_PRUEBA"), 1u) << malo;
  }
  unsetenv("HILOS_PRUEBA");
  EXPECT_GE(hilos_de_entorno("HILOS_PRUEBA"), 1u);
}

// A system that gives no more threads leaves a smaller crew, not an ended process.
TEST(CuadrillaDeathTest, ThreadsThatCannotStartLeaveASmallerCrew) {
  EXPECT_EXIT(
      {
        pthread_attr_t a;
        pthread_attr_init(&a);
        pthread_attr_setstacksize(&a, std::size_t{1} << 46);  // a stack no thread can map
        pthread_setattr_default_np(&a);
        Cuadrilla c(4);
        std::atomic<unsigned> veces{0};
        c.reparte([&](unsigned) { ++veces; });
        std::exit(veces == c.hilos() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}
