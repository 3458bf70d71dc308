// Runs a built program in a directory of its own, with a scripted stdin and a deadline, and collects its
// exit status and every byte it wrote to stdout. Every end-to-end test takes it all, the fs alias included, with
// `using namespace e2e`. On request stdout and stderr are a pseudo-terminal instead, which passes every byte
// through as written; or the program runs as from a user's terminal with stdout sent to a file.
#pragma once

#include <fcntl.h>
#include <locale.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace e2e {

namespace fs = std::filesystem;

struct Resultado {
  int estado = -1;       // exit status, or -1 when the process did not exit normally
  int senal = 0;         // the signal that ended it, if any
  bool a_tiempo = true;  // false: killed at the deadline
  std::string salida;    // everything written to stdout
  std::string errores;   // everything written to stderr
};

inline std::string lee(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

inline void escribe(const fs::path& p, const std::string& texto) {
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f << texto;
}

// A fresh temporary directory, removed with its contents at the end of the test.
class DirTemporal {
 public:
  DirTemporal() {
    std::string plantilla = (fs::temp_directory_path() / "e2e-XXXXXX").string();
    if (mkdtemp(plantilla.data()) == nullptr) throw std::runtime_error("mkdtemp");
    dir_ = plantilla;
  }
  ~DirTemporal() {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }
  DirTemporal(const DirTemporal&) = delete;
  DirTemporal& operator=(const DirTemporal&) = delete;
  const fs::path& path() const { return dir_; }
  fs::path operator/(const std::string& nombre) const { return dir_ / nombre; }

 private:
  fs::path dir_;
};

// Both ends of a new pseudo-terminal, the slave without output processing (no CR before each LF).
inline void abre_terminal(int out[2]) {
  const int maestro = posix_openpt(O_RDWR | O_NOCTTY);
  if (maestro < 0 || grantpt(maestro) != 0 || unlockpt(maestro) != 0) throw std::runtime_error("posix_openpt");
  const char* nombre = ptsname(maestro);
  const int esclavo = nombre != nullptr ? open(nombre, O_RDWR | O_NOCTTY) : -1;
  if (esclavo < 0) throw std::runtime_error("ptsname");
  termios t{};
  tcgetattr(esclavo, &t);
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  tcsetattr(esclavo, TCSANOW, &t);
  out[0] = maestro;
  out[1] = esclavo;
}

// Where a program's console goes: pipes the test drives; one pseudo-terminal for stdout and stderr; or, as
// for `program > file` typed at a terminal, a pseudo-terminal that is the process's controlling terminal,
// holding stdin and stderr, with stdout a pipe (the test types on it and reads what it shows).
enum class Consola { tubos, terminal, terminal_de_control };

class Proceso {
 public:
  Proceso(const std::string& programa, const std::vector<std::string>& args, const fs::path& dir,
          const std::vector<std::string>& entorno_extra = {}, Consola consola = Consola::tubos) {
    int in[2], out[2], err[2], tty[2] = {-1, -1};
    if (pipe(in) != 0 || pipe(err) != 0) throw std::runtime_error("pipe");
    if (consola == Consola::terminal)
      abre_terminal(out);
    else if (pipe(out) != 0)
      throw std::runtime_error("pipe");
    if (consola == Consola::terminal_de_control) abre_terminal(tty);
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork");
    if (pid_ == 0) {
      // A session of its own: without a terminal of its own the program has no controlling terminal, as
      // in CI, and never writes on the terminal of whoever runs the tests.
      const bool de_control = setsid() >= 0 && tty[1] >= 0 && ioctl(tty[1], TIOCSCTTY, 0) == 0;
      dup2(de_control ? tty[1] : in[0], STDIN_FILENO);
      dup2(out[1], STDOUT_FILENO);
      dup2(de_control ? tty[1] : consola == Consola::terminal ? out[1] : err[1], STDERR_FILENO);
      for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1], tty[0], tty[1]})
        if (fd >= 0) close(fd);
      if (chdir(dir.c_str()) != 0) _exit(127);
      signal(SIGINT, SIG_DFL);
      signal(SIGPIPE, SIG_DFL);
      // The C locale unless a test asks for another: what the programs add follows the locale.
      setenv("LC_ALL", "C", 1);
      for (const auto& e : entorno_extra) putenv(const_cast<char*>(e.c_str()));
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(programa.c_str()));
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(programa.c_str(), argv.data());
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    if (tty[1] >= 0) close(tty[1]);
    in_ = in[1];
    out_ = out[0];
    err_ = err[0];
    tty_ = tty[0];
    signal(SIGPIPE, SIG_IGN);  // the child may end before it reads all we give it
    fcntl(out_, F_SETFL, O_NONBLOCK);
    fcntl(err_, F_SETFL, O_NONBLOCK);
    if (tty_ >= 0) fcntl(tty_, F_SETFL, O_NONBLOCK);
  }
  ~Proceso() {
    if (pid_ > 0 && !terminado_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    cierra_entrada();
    if (out_ >= 0) close(out_);
    if (err_ >= 0) close(err_);
    if (tty_ >= 0) close(tty_);
  }
  Proceso(const Proceso&) = delete;
  Proceso& operator=(const Proceso&) = delete;

  pid_t pid() const { return pid_; }
  const std::string& salida() const { return salida_; }
  const std::string& errores() const { return errores_; }
  const std::string& terminal() const { return terminal_; }  // what the controlling terminal showed

  void escribe_entrada(const std::string& texto) {
    std::size_t hecho = 0;
    while (in_ >= 0 && hecho < texto.size()) {
      const ssize_t n = write(in_, texto.data() + hecho, texto.size() - hecho);
      if (n <= 0) break;
      hecho += static_cast<std::size_t>(n);
    }
  }
  void cierra_entrada() {
    if (in_ >= 0) close(in_);
    in_ = -1;
  }
  void senal(int s) {
    if (!terminado_) kill(pid_, s);
  }
  // Keys typed on the controlling terminal ("\x03" is Ctrl-C).
  void teclea(const std::string& texto) {
    if (tty_ >= 0 && write(tty_, texto.data(), texto.size()) != static_cast<ssize_t>(texto.size()))
      throw std::runtime_error("write");
  }
  // Reads until the controlling terminal shows `texto` after byte `desde` (or the time runs out).
  bool espera_terminal(const std::string& texto, double segundos, std::size_t desde = 0) {
    const auto limite = std::chrono::steady_clock::now() + std::chrono::duration<double>(segundos);
    while (terminal_.find(texto, desde) == std::string::npos) {
      if (std::chrono::steady_clock::now() > limite) return false;
      lee_algo(50);
    }
    return true;
  }

  // Reads stdout until `texto` appears after byte `desde` (or the process ends, or the time runs out).
  bool espera_texto(const std::string& texto, double segundos, std::size_t desde = 0) {
    const auto limite = std::chrono::steady_clock::now() + std::chrono::duration<double>(segundos);
    while (salida_.find(texto, desde) == std::string::npos) {
      if (std::chrono::steady_clock::now() > limite) return false;
      if (!lee_algo(50)) {
        if (sin_salida_) return salida_.find(texto, desde) != std::string::npos;
      }
    }
    return true;
  }

  // Waits for the end (killing the process at the deadline) and returns what it did.
  Resultado espera(double segundos) {
    const auto limite = std::chrono::steady_clock::now() + std::chrono::duration<double>(segundos);
    Resultado r;
    int st = 0;
    for (;;) {
      lee_algo(20);
      const pid_t w = waitpid(pid_, &st, WNOHANG);
      if (w == pid_) break;
      if (std::chrono::steady_clock::now() > limite) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &st, 0);
        r.a_tiempo = false;
        break;
      }
    }
    terminado_ = true;
    while (lee_algo(0)) {
    }
    drena(err_, errores_, sin_errores_);
    drena(tty_, terminal_, sin_terminal_);
    if (WIFEXITED(st)) r.estado = WEXITSTATUS(st);
    if (WIFSIGNALED(st)) r.senal = WTERMSIG(st);
    r.salida = salida_;
    r.errores = errores_;
    return r;
  }

 private:
  // Returns true when bytes of stdout were read; stderr and the terminal are collected on the way.
  bool lee_algo(int ms) {
    if (out_ < 0 || sin_salida_) {
      if (ms > 0) usleep(static_cast<useconds_t>(ms) * 1000);
      drena(err_, errores_, sin_errores_);
      drena(tty_, terminal_, sin_terminal_);
      return false;
    }
    pollfd p[3] = {{out_, POLLIN, 0}, {sin_errores_ ? -1 : err_, POLLIN, 0}, {sin_terminal_ ? -1 : tty_, POLLIN, 0}};
    if (poll(p, 3, ms) <= 0) return false;
    if (p[1].revents != 0) drena(err_, errores_, sin_errores_);
    if (p[2].revents != 0) drena(tty_, terminal_, sin_terminal_);
    if (p[0].revents == 0) return false;
    char buf[65536];
    const ssize_t n = read(out_, buf, sizeof buf);
    if (n > 0) {
      salida_.append(buf, static_cast<std::size_t>(n));
      return true;
    }
    if (n == 0 || (n < 0 && errno == EIO)) sin_salida_ = true;  // EIO: a terminal whose slave is closed
    return false;
  }

  // Appends what `fd` holds now; at its end marks it closed.
  static void drena(int fd, std::string& destino, bool& cerrado) {
    char buf[65536];
    while (!cerrado && fd >= 0) {
      const ssize_t n = read(fd, buf, sizeof buf);
      if (n < 0 && errno == EIO) cerrado = true;  // a terminal whose slave is closed
      if (n < 0) return;                          // nothing more for now
      if (n == 0) cerrado = true;
      destino.append(buf, static_cast<std::size_t>(n));
    }
  }

  pid_t pid_ = -1;
  int in_ = -1, out_ = -1, err_ = -1, tty_ = -1;
  bool terminado_ = false, sin_salida_ = false, sin_errores_ = false, sin_terminal_ = false;
  std::string salida_, errores_, terminal_;
};

// One whole run: the program in `dir`, `entrada` on its stdin (then closed), at most `segundos`.
inline Resultado corre(const std::string& programa, const std::vector<std::string>& args, const fs::path& dir,
                       const std::string& entrada = "", double segundos = 60,
                       const std::vector<std::string>& entorno_extra = {}, Consola consola = Consola::tubos) {
  Proceso p(programa, args, dir, entorno_extra, consola);
  p.escribe_entrada(entrada);
  p.cierra_entrada();
  return p.espera(segundos);
}

// Copies files of tests/datos into `dir`, under their own name or as given ("origen=destino").
inline void copia_datos(const fs::path& dir, const std::vector<std::string>& nombres) {
  for (const auto& n : nombres) {
    const auto igual = n.find('=');
    const std::string origen = igual == std::string::npos ? n : n.substr(0, igual);
    const std::string destino = igual == std::string::npos ? n : n.substr(igual + 1);
    fs::copy_file(fs::path(DATOS_DIR) / origen, dir / destino, fs::copy_options::overwrite_existing);
  }
}

// The environment of a UTF-8 locale, and whether the system has it.
inline const std::vector<std::string> kEntornoUtf8{"LC_ALL=", "LC_CTYPE=", "LANG=C.UTF-8"};
inline bool hay_utf8() {
  const locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  if (l != locale_t{}) freelocale(l);
  return l != locale_t{};
}

// The framed fatal report as both programs print it.
inline std::string marco(const std::string& mensaje) { return "\n\n**** Error ****\n\n" + mensaje + "\n\n"; }

}  // namespace e2e
