#include "platform/file_ops.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <thread>
#include <unordered_map>

#include "platform/big5.h"
#include "platform/error.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace zuvo {

namespace fs = std::filesystem;

namespace {

constexpr int kDeleteAttempts = 5;
constexpr auto kDeleteRetryPause = std::chrono::milliseconds(100);
constexpr size_t kComputerNameBuffer = 256;
// ResolvePath keeps at most this many folder listings; the cache starts over beyond it.
constexpr size_t kMaxCachedListings = 256;

std::string NameOf(const fs::path& path) { return PathToUtf8(path.filename()); }

// File names are UTF-8 (on Windows converted from UTF-16), so folding every ASCII byte is safe:
// bytes of multi-byte characters are all above 0x7F.
std::string FoldName(std::string_view name) {
  std::string folded(name);
  for (char& byte : folded) {
    if (byte >= 'a' && byte <= 'z') byte = static_cast<char>(byte - 'a' + 'A');
  }
  return folded;
}

// Lets a read-only file (or folder) be replaced or removed, as the shell does without asking.
void MakeWritable(const fs::path& path) {
  std::error_code ignored;
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::add | fs::perm_options::nofollow,
                  ignored);
}

bool CopyOneFile(const fs::path& from, const fs::path& to, bool overwrite, std::error_code& error) {
  const auto options = overwrite ? fs::copy_options::overwrite_existing : fs::copy_options::none;
  error.clear();
  if (fs::copy_file(from, to, options, error)) return true;
  if (error && overwrite && fs::exists(fs::symlink_status(to))) {
    MakeWritable(to);
    error.clear();
    return fs::copy_file(from, to, options, error);
  }
  return false;
}

bool MakeFolder(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  return fs::is_directory(folder, error);
}

// Copies the contents of folder `from` into folder `to`, going on past failures.
bool CopyTree(const fs::path& from, const fs::path& to) {
  bool complete = MakeFolder(to);
  std::error_code error;
  fs::directory_iterator entries(from, error);
  if (error) return false;
  for (const fs::directory_entry& entry : entries) {
    const fs::path target = to / entry.path().filename();
    std::error_code status_error;
    if (entry.is_symlink(status_error)) {
      // A linked folder is not followed (it may lead back into the tree); a linked file is
      // copied as the file it points to.
      if (!entry.is_regular_file(status_error)) {
        complete = false;
        continue;
      }
    }
    if (entry.is_directory(status_error)) {
      complete = CopyTree(entry.path(), target) && complete;
    } else {
      std::error_code copy_error;
      complete = CopyOneFile(entry.path(), target, true, copy_error) && complete;
    }
  }
  return complete;
}

void MakeTreeWritable(const fs::path& root) {
  MakeWritable(root);
  std::error_code error;
  if (fs::is_symlink(fs::symlink_status(root, error)) || !fs::is_directory(root, error)) return;
  fs::recursive_directory_iterator entries(root, fs::directory_options::skip_permission_denied,
                                           error);
  if (error) return;
  for (auto it = entries; it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (error) return;
    MakeWritable(it->path());
  }
}

// Characters of a UTF-8 name as code points, ASCII letters upper-cased; a byte that does not
// start a well-formed sequence stands for itself.
std::u32string MatchUnits(std::string_view utf8) {
  std::u32string units;
  for (size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    bool well_formed = length > 0 && i + length <= utf8.size();
    for (size_t k = 1; well_formed && k < length; ++k) {
      well_formed = (static_cast<unsigned char>(utf8[i + k]) & 0xC0) == 0x80;
    }
    if (!well_formed) {
      units += static_cast<char32_t>(0xDC00 + lead);  // stands apart from any real character
      ++i;
      continue;
    }
    char32_t unit = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (size_t k = 1; k < length; ++k) {
      unit = (unit << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    if (unit >= U'a' && unit <= U'z') unit = unit - U'a' + U'A';
    units += unit;
    i += length;
  }
  return units;
}

bool MatchesWildcard(std::u32string_view pattern, std::u32string_view name) {
  size_t p = 0, n = 0;
  size_t star = std::u32string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == U'*') {
      star = p++;
      resume = n;
    } else if (star != std::u32string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == U'*') ++p;
  return p == pattern.size();
}

bool MatchesWindowsPattern(std::u32string_view pattern, std::u32string_view name) {
  const bool has_extension = name.find(U'.') != std::u32string_view::npos;
  if (pattern.size() >= 2 && pattern.ends_with(U".*") && !has_extension) {
    return MatchesWildcard(pattern.substr(0, pattern.size() - 2), name);
  }
  if (pattern.size() >= 2 && pattern.back() == U'.' && pattern[pattern.size() - 2] != U'.') {
    return !has_extension && MatchesWildcard(pattern.substr(0, pattern.size() - 1), name);
  }
  return MatchesWildcard(pattern, name);
}

// Folder listings for ResolvePath: folded name -> names on disk, in byte order.
using Listing = std::unordered_map<std::string, std::vector<std::string>>;

Listing ListFolder(const fs::path& folder) {
  Listing listing;
  std::error_code error;
  fs::directory_iterator entries(folder, error);
  if (error) return listing;
  for (auto it = entries; it != fs::directory_iterator(); it.increment(error)) {
    if (error) break;
    std::string name = NameOf(it->path());
    listing[FoldName(name)].push_back(std::move(name));
  }
  for (auto& [folded, names] : listing) std::sort(names.begin(), names.end());
  return listing;
}

class ListingCache {
 public:
  // The name on disk that `component` stands for in `folder`, checked to exist. A cached
  // listing is trusted only as far as the name it gives still exists; otherwise (and on a
  // miss) the folder is listed again, so files created since are found.
  std::optional<std::string> Find(const fs::path& folder, const std::string& component) {
    const std::string key = PathToUtf8(folder);
    const std::string folded = FoldName(component);
    std::lock_guard lock(mutex_);
    if (auto cached = listings_.find(key); cached != listings_.end()) {
      if (auto name = Lookup(cached->second, folder, folded)) return name;
    }
    if (listings_.size() >= kMaxCachedListings) listings_.clear();
    Listing& fresh = listings_[key] = ListFolder(folder);
    return Lookup(fresh, folder, folded);
  }

 private:
  static std::optional<std::string> Lookup(const Listing& listing, const fs::path& folder,
                                           const std::string& folded) {
    auto found = listing.find(folded);
    if (found == listing.end()) return std::nullopt;
    for (const std::string& name : found->second) {
      std::error_code error;
      if (fs::exists(fs::symlink_status(folder / PathFromUtf8(name), error))) {
        return name;
      }
    }
    return std::nullopt;
  }

  std::mutex mutex_;
  std::unordered_map<std::string, Listing> listings_;
};

ListingCache& Listings() {
  static ListingCache cache;
  return cache;
}

fs::path TemporarySibling(const fs::path& file) {
  static std::atomic<unsigned> counter{0};
  static const unsigned salt = std::random_device()();
  fs::path temporary = file;
  temporary += ".~" + std::to_string(salt) + "-" + std::to_string(counter++) + ".tmp";
  return temporary;
}

// Writes `bytes` to a new file and flushes it to the disk; false with `error` set on failure.
bool WriteAndFlush(const fs::path& file, std::string_view bytes, std::error_code& error) {
#ifdef _WIN32
  int descriptor =
      _wopen(file.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
  int descriptor = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
#endif
  if (descriptor < 0) {
    error.assign(errno, std::generic_category());
    return false;
  }
  bool written = true;
  for (size_t done = 0; written && done < bytes.size();) {
    const size_t chunk = std::min<size_t>(bytes.size() - done, 1 << 30);
#ifdef _WIN32
    const auto count = _write(descriptor, bytes.data() + done, static_cast<unsigned>(chunk));
#else
    const auto count = ::write(descriptor, bytes.data() + done, chunk);
    if (count < 0 && errno == EINTR) continue;
#endif
    written = count > 0;
    if (written) done += static_cast<size_t>(count);
  }
#ifdef _WIN32
  written = written && _commit(descriptor) == 0;
  written = _close(descriptor) == 0 && written;
#else
  written = written && ::fsync(descriptor) == 0;
  written = ::close(descriptor) == 0 && written;
#endif
  if (!written) error.assign(errno != 0 ? errno : EIO, std::generic_category());
  return written;
}

}  // namespace

bool IsSameOrInside(const fs::path& inner, const fs::path& outer) {
  std::error_code error;
  const fs::path a = fs::weakly_canonical(inner, error);
  if (error) return false;
  const fs::path b = fs::weakly_canonical(outer, error);
  if (error) return false;
  const fs::path relative =
      WithoutTrailingSeparator(a).lexically_relative(WithoutTrailingSeparator(b));
  return !relative.empty() && *relative.begin() != "..";
}

fs::path WithoutTrailingSeparator(const fs::path& path) {
  fs::path result = path;
  while (result.has_relative_path() && result.filename().empty()) result = result.parent_path();
  return result;
}

fs::path PathFromUtf8(std::string_view utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string PathToUtf8(const fs::path& path) {
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
}

bool CopyFolder(const fs::path& source, const fs::path& destination) {
  try {
    std::error_code error;
    const fs::path from = WithoutTrailingSeparator(source);
    const fs::file_status status = fs::status(from, error);
    if (!fs::exists(status)) return false;
    const fs::path target = destination / from.filename();
    if (!fs::is_directory(status)) {
      return MakeFolder(destination) && CopyOneFile(from, target, true, error);
    }
    // Copying a folder into itself would never end.
    if (IsSameOrInside(target, from)) return false;
    return CopyTree(from, target);
  } catch (...) {
    return false;
  }
}

bool CopyFolderContents(const fs::path& source, const fs::path& destination) {
  try {
    std::error_code error;
    const fs::path from = WithoutTrailingSeparator(source);
    if (!fs::is_directory(from, error)) return false;
    if (IsSameOrInside(destination, from)) return false;
    return CopyTree(from, destination);
  } catch (...) {
    return false;
  }
}

bool DeleteFolder(const fs::path& path) {
  try {
    std::error_code error;
    fs::remove_all(path, error);
    if (error) {
      MakeTreeWritable(path);
      error.clear();
      fs::remove_all(path, error);
    }
    return !error && !fs::exists(fs::symlink_status(path, error));
  } catch (...) {
    return false;
  }
}

std::string ComputerName() {
  char buffer[kComputerNameBuffer] = {};
#ifdef _WIN32
  DWORD size = sizeof buffer;
  if (!GetComputerNameA(buffer, &size)) return {};
#else
  if (gethostname(buffer, sizeof buffer - 1) != 0) return {};
#endif
  return big5::Trim(buffer);
}

bool CopyFileTo(const fs::path& from, const fs::path& to, bool overwrite) {
  std::error_code error;
  if (!overwrite && fs::exists(fs::symlink_status(to, error))) return false;
  if (!CopyOneFile(from, to, overwrite, error)) {
    throw Error("cannot copy " + PathToUtf8(from) + " to " + PathToUtf8(to) +
                (error ? ": " + error.message() : std::string()));
  }
  return true;
}

bool DeleteFileWithRetry(const fs::path& file) {
  for (int attempt = 0;; ++attempt) {
    std::error_code error;
    if (!fs::remove(file, error) && error && attempt == 0) MakeWritable(file);
    if (!fs::exists(fs::symlink_status(file, error))) return true;
    if (attempt + 1 == kDeleteAttempts) return false;
    std::this_thread::sleep_for(kDeleteRetryPause);
  }
}

void CreateFolders(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  std::error_code status_error;
  if (!fs::is_directory(folder, status_error)) {
    throw Error("cannot create the folder " + PathToUtf8(folder) +
                (error ? ": " + error.message() : std::string()));
  }
}

std::vector<fs::path> ListByWildcard(const fs::path& folder, std::string_view pattern) {
  const std::u32string wanted = MatchUnits(pattern);
  std::vector<std::pair<std::string, fs::path>> found;  // (sort key, path)
  std::error_code error;
  fs::directory_iterator entries(folder, error);
  if (error) return {};
  for (auto it = entries; it != fs::directory_iterator(); it.increment(error)) {
    if (error) break;
    const std::string name = NameOf(it->path());
    if (MatchesWindowsPattern(wanted, MatchUnits(name))) {
      found.emplace_back(FoldName(name) + '\0' + name, it->path());
    }
  }
  std::sort(found.begin(), found.end());
  std::vector<fs::path> paths;
  paths.reserve(found.size());
  for (auto& [key, path] : found) paths.push_back(std::move(path));
  return paths;
}

std::optional<fs::path> ResolvePath(const fs::path& folder, std::string_view relative) {
  fs::path current = folder;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = relative.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = relative.size();
    const std::string_view component = relative.substr(start, end - start);
    start = end + 1;
    if (component.empty() || component == ".") continue;
    if (component == "..") {
      current /= "..";
      continue;
    }
    std::error_code error;
    const fs::path exact = current / PathFromUtf8(component);
    if (fs::exists(fs::symlink_status(exact, error))) {
      current = exact;
      continue;
    }
    std::optional<std::string> name = Listings().Find(current, std::string(component));
    if (!name) return std::nullopt;
    current /= PathFromUtf8(*name);
  }
  std::error_code error;
  if (!fs::exists(current, error)) return std::nullopt;
  return current;
}

void WriteFileAtomically(const fs::path& file, std::string_view bytes) {
  const fs::path temporary = TemporarySibling(file);
  std::error_code error;
  if (WriteAndFlush(temporary, bytes, error)) {
    std::error_code ignored;
    const fs::file_status old_status = fs::status(file, ignored);
    if (fs::exists(old_status)) fs::permissions(temporary, old_status.permissions(), ignored);
    fs::rename(temporary, file, error);
  }
  if (error) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw Error("cannot write " + PathToUtf8(file) + ": " + error.message());
  }
}

void SyncFileSystem(const fs::path& path) {
#ifdef _WIN32
  (void)path;  // Windows has no flush of a whole file system; files are flushed one by one
#else
  int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return;
  ::syncfs(descriptor);
  ::close(descriptor);
#endif
}

std::string ReadWholeFile(const fs::path& file) {
  std::error_code error;
  if (fs::is_directory(file, error)) throw Error("cannot read " + PathToUtf8(file) + ": a folder");
  std::ifstream in(file, std::ios::binary);
  if (!in) throw Error("cannot read " + PathToUtf8(file));
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) throw Error("cannot read " + PathToUtf8(file));
  return bytes;
}

}  // namespace zuvo
