#include "platform/dbf_shapelib_io.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zuvo {

namespace {

// shapelib 1.5's hooks carry no user data: the file a call is about to create is handed over
// through these, set only for the duration of one DBFCreateLL call on this thread.
thread_local const std::filesystem::path* pending_create_path = nullptr;
thread_local std::string* pending_error = nullptr;

// shapelib asks for the table under a ".dbf"/".DBF" name and also for a ".cpg" sidecar; only the
// table itself is served.
bool NamesTheTable(const char* name) {
  size_t length = std::strlen(name);
  return length >= 4 && (std::strcmp(name + length - 4, ".dbf") == 0 ||
                         std::strcmp(name + length - 4, ".DBF") == 0);
}

void RecordError(const char* message) {
  if (pending_error != nullptr) *pending_error = message;
}

double ParseDouble(const char* text) { return std::strtod(text, nullptr); }

int RefuseRemove(const char*) { return 0; }

SAFile PathOpen(const char* name, const char* access) {
  if (pending_create_path == nullptr || !NamesTheTable(name)) return nullptr;
  return reinterpret_cast<SAFile>(std::fopen(pending_create_path->c_str(), access));
}

FILE* AsStdio(SAFile file) { return reinterpret_cast<FILE*>(file); }

SAOffset PathRead(void* target, SAOffset size, SAOffset count, SAFile file) {
  return std::fread(target, size, count, AsStdio(file));
}
SAOffset PathWrite(void* source, SAOffset size, SAOffset count, SAFile file) {
  return std::fwrite(source, size, count, AsStdio(file));
}
SAOffset PathSeek(SAFile file, SAOffset offset, int whence) {
  return std::fseek(AsStdio(file), static_cast<long>(offset), whence) == 0 ? 0 : SAOffset(-1);
}
SAOffset PathTell(SAFile file) { return static_cast<SAOffset>(std::ftell(AsStdio(file))); }
int PathFlush(SAFile file) { return std::fflush(AsStdio(file)); }
int PathClose(SAFile file) { return std::fclose(AsStdio(file)); }

SAHooks PathHooks() {
  SAHooks hooks{};
  hooks.FOpen = PathOpen;
  hooks.FRead = PathRead;
  hooks.FWrite = PathWrite;
  hooks.FSeek = PathSeek;
  hooks.FTell = PathTell;
  hooks.FFlush = PathFlush;
  hooks.FClose = PathClose;
  hooks.Remove = RefuseRemove;  // shapelib would delete a ".cpg" beside the table
  hooks.Error = RecordError;
  hooks.Atof = ParseDouble;
  return hooks;
}

// Sets a thread-local hand-over pointer for the length of one shapelib call.
template <typename T>
class Handover {
 public:
  Handover(T*& slot, T* value) : slot_(slot) { slot_ = value; }
  ~Handover() { slot_ = nullptr; }
  Handover(const Handover&) = delete;
  Handover& operator=(const Handover&) = delete;

 private:
  T*& slot_;
};

}  // namespace

ShapelibDbf CreateShapelibDbf(const std::filesystem::path& file, int language_driver,
                              std::string& error) {
  SAHooks hooks = PathHooks();
  std::string code_page = "LDID/" + std::to_string(language_driver);
  Handover<const std::filesystem::path> path_handover(pending_create_path, &file);
  Handover<std::string> error_handover(pending_error, &error);
  return ShapelibDbf(DBFCreateLL("table.dbf", code_page.c_str(), &hooks));
}

}  // namespace zuvo
