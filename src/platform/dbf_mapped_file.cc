#include "platform/dbf_mapped_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <utility>

#include "platform/error.h"

#if defined(__unix__) || defined(__APPLE__)
#define ZUVO_DBF_HAS_MMAP 1
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zuvo {

namespace {

#if defined(ZUVO_DBF_HAS_MMAP) && defined(MAP_POPULATE)
// Tables are read from start to end: fault all pages in at once rather than one by one.
constexpr int kPopulate = MAP_POPULATE;
#elif defined(ZUVO_DBF_HAS_MMAP)
constexpr int kPopulate = 0;
#endif

[[noreturn]] void ThrowCannotRead(const std::filesystem::path& file, const std::string& reason) {
  throw Error("cannot read " + file.string() + ": " + reason);
}

}  // namespace

#ifdef ZUVO_DBF_HAS_MMAP

DbfMappedFile::DbfMappedFile(const std::filesystem::path& file, MappedAccess access) {
  int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) ThrowCannotRead(file, std::strerror(errno));
  struct stat status {};
  if (::fstat(descriptor, &status) != 0) {
    int error = errno;
    ::close(descriptor);
    ThrowCannotRead(file, std::strerror(error));
  }
  if (!S_ISREG(status.st_mode)) {
    ::close(descriptor);
    ThrowCannotRead(file, "not a regular file");
  }
  size_ = static_cast<size_t>(status.st_size);
  if (size_ > 0) {
    const int populate = access == MappedAccess::kSequential ? kPopulate : 0;
    void* mapping = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE | populate, descriptor, 0);
    if (mapping == MAP_FAILED) {
      int error = errno;
      ::close(descriptor);
      ThrowCannotRead(file, std::strerror(error));
    }
    data_ = static_cast<const char*>(mapping);
    mapped_ = true;
  }
  ::close(descriptor);
}

#else

DbfMappedFile::DbfMappedFile(const std::filesystem::path& file, MappedAccess /*access*/) {
  std::ifstream in(file, std::ios::binary | std::ios::ate);
  if (!in) ThrowCannotRead(file, "cannot open");
  std::streamoff length = in.tellg();
  if (length < 0) ThrowCannotRead(file, "cannot tell its size");
  size_ = static_cast<size_t>(length);
  char* buffer = new char[size_ == 0 ? 1 : size_];
  in.seekg(0);
  if (!in.read(buffer, static_cast<std::streamsize>(size_))) {
    delete[] buffer;
    ThrowCannotRead(file, "read failed");
  }
  data_ = buffer;
}

#endif

DbfMappedFile::~DbfMappedFile() { Release(); }

DbfMappedFile::DbfMappedFile(DbfMappedFile&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, false)) {}

DbfMappedFile& DbfMappedFile::operator=(DbfMappedFile&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    mapped_ = std::exchange(other.mapped_, false);
  }
  return *this;
}

void DbfMappedFile::ReleaseResidentPages() const noexcept {
#ifdef ZUVO_DBF_HAS_MMAP
  // The mapping is private and never written, so its pages can always be read back from the
  // file; a failure only leaves them resident.
  if (mapped_ && data_ != nullptr) ::madvise(const_cast<char*>(data_), size_, MADV_DONTNEED);
#endif
}

void DbfMappedFile::Release() noexcept {
  if (data_ == nullptr) return;
#ifdef ZUVO_DBF_HAS_MMAP
  if (mapped_) {
    ::munmap(const_cast<char*>(data_), size_);
    data_ = nullptr;
    return;
  }
#endif
  delete[] data_;
  data_ = nullptr;
}

}  // namespace zuvo
