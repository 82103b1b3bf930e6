#include "platform/process_services.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/runtime_error.h"

namespace strandel::platform {

std::string ProcessServices::AppPath() const {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return CurDir();
  std::string path(buffer, static_cast<std::size_t>(n));
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return CurDir();
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string ProcessServices::CurDir() const {
  std::string dir(PATH_MAX, '\0');
  while (!getcwd(dir.data(), dir.size())) {
    if (errno != ERANGE) return ".";
    dir.resize(dir.size() * 2);
  }
  dir.resize(std::strlen(dir.c_str()));
  return dir;
}

std::string ProcessServices::ReadFileForInput(const std::string& name) {
  struct stat st;
  if (stat(name.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) throw RuntimeError(ErrorNumber::FileNotFound);
    throw RuntimeError(ErrorNumber::PathFileAccessError, std::strerror(errno));
  }
  if (S_ISDIR(st.st_mode)) throw RuntimeError(ErrorNumber::PathFileAccessError, "a directory");
  std::ifstream in(name, std::ios::binary);
  if (!in) throw RuntimeError(ErrorNumber::PathFileAccessError, std::strerror(errno));
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void ProcessServices::End() {
  std::fflush(nullptr);
  _exit(0);
}

}  // namespace strandel::platform
