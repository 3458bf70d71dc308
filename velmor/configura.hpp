// Reading of velmor's configuration file, <name>.net. The run sequence calls the steps one by one and puts
// its own work between them (building the model, reading each data file as soon as its name is known).
// Every item is checked as soon as it is read; a bad one ends the process through puterr.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/lector_items.hpp"
#include "velmor/registros.hpp"

// How the open failure of the configuration names it: velmor gives the file, dulvick its base name.
enum class NombreEnErrores { con_extension, sin_extension };

// What the command line gives a run.
struct OpcionesVelmor {
  std::string base;                   // base name of the configuration and of the model
  NombreEnErrores nombre_en_errores;  // how the open failure of the configuration names it
};

// The open configuration, its last token and where it stood. A token cut short by the end of the file counts.
using LectorConfig = LectorItems;

enum class TipoModelo { velmor = 0, veldmor = 1 };  // identity or tanh output units

struct DescripcionModelo {
  TipoModelo tipo = TipoModelo::velmor;
  int ni = 0, nh = 0, no = 0;
  std::vector<int> nri;  // taps of each input series' delay bank, ni entries, each >= 1
  std::vector<int> nre;  // taps of each output's error delay bank, no entries, each >= 0
};

// The job: 0 nothing (the model is only built), 1 learn, 2 c_learn, 3 test only.
enum class Modo { ninguno = 0, learn = 1, c_learn = 2, ftest = 3 };

// Opens <base>.net; failure names it as the options say.
void abre_configuracion(LectorConfig& cfg, const OpcionesVelmor& opciones);

// The model kind, ni, nh, no and the nri and nre lists.
DescripcionModelo lee_modelo(LectorConfig& cfg);

// The keyword that chooses the job; anything else, or the end of the file, is Modo::ninguno (with a warning).
Modo lee_modo(LectorConfig& cfg);

// Zero-filled records, or the allocation message with status 1.
std::unique_ptr<VELMOR_LP> crea_lp();
std::unique_ptr<DATASET> crea_tp();

// After learn/c_learn: "nco <n> ftrain <file>" into lp.nco and lp.trn.fname. File names are lower-cased;
// when no file has that name and one has the name as written, the name as written is kept.
void lee_entrenamiento(LectorConfig& cfg, VELMOR_LP& lp);

// Reads one token: true when it is the ftest that names a test file.
bool lee_ftest_opcional(LectorConfig& cfg);

// The test file name (the token after ftest) into tp.fname.
void lee_nombre_test(LectorConfig& cfg, DATASET& tp);

// Reads the configuration to its end and warns of every token the job leaves unread, with the keywords it
// may have meant; with `actual`, the token just read is the first of them.
void avisa_no_usados(LectorConfig& cfg, bool actual);

void cierra_configuracion(LectorConfig& cfg);

// Token to number as the configuration reads them. Integers: the decimal prefix (0 without digits),
// clamped to int. Tap counts: a real truncated toward zero.
int entero_de(const char* item);
int retardos_de(const char* item);
