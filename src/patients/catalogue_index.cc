#include "patients/catalogue_index.h"

#include "platform/big5.h"

namespace zuvo {
namespace {

char FoldLetter(char byte) { return byte >= 'a' && byte <= 'z' ? char(byte - 'a' + 'A') : byte; }

// Calls `visit(byte)` for each byte of `text` with single-byte letters upper-cased; the bytes
// of double-byte characters are passed unchanged.
template <typename Visit>
void ForEachFoldedByte(std::string_view text, Visit&& visit) {
  for (size_t offset = 0; offset < text.size();) {
    size_t length = big5::CharLengthAt(text, offset);
    visit(length == 1 ? FoldLetter(text[offset]) : text[offset]);
    if (length == 2) visit(text[offset + 1]);
    offset += length;
  }
}

bool IsDrugClass(std::string_view order_class) {
  static constexpr std::string_view kDrugClasses[] = {"ORAL", "DROP", "INJ", "TOPICAL"};
  std::string folded = big5::UpperAscii(order_class);
  for (std::string_view drug_class : kDrugClasses) {
    if (folded == drug_class) return true;
  }
  return false;
}

}  // namespace

size_t FoldedTextHash::operator()(std::string_view text) const {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  ForEachFoldedByte(text, [&](char byte) {
    hash ^= static_cast<unsigned char>(byte);
    hash *= 1099511628211ull;
  });
  return static_cast<size_t>(hash);
}

bool FoldedTextEqual::operator()(std::string_view left, std::string_view right) const {
  if (left.size() != right.size()) return false;
  // Folding never turns a byte into or out of a lead byte, so while the texts agree they fall
  // into characters at the same places: walking the characters of one walks both.
  for (size_t offset = 0; offset < left.size();) {
    size_t length = big5::CharLengthAt(left, offset);
    if (length == 1) {
      if (FoldLetter(left[offset]) != FoldLetter(right[offset])) return false;
    } else if (left.compare(offset, 2, right, offset, 2) != 0) {
      return false;
    }
    offset += length;
  }
  return true;
}

void CatalogueIndex::Remember(Map& map, const std::string& key, uint32_t sname) {
  if (!key.empty()) map.try_emplace(key, sname);  // the first row with a value keeps it
}

void CatalogueIndex::Add(const IndexedCatalogueRow& row) {
  ++row_count_;
  auto sname = static_cast<uint32_t>(snames_.size());
  snames_.push_back(row.Sname);
  Remember(by_tname_, row.Tname, sname);
  Remember(by_insu_code_, row.INSUcode, sname);
  if (IsDrugClass(row.order_class)) Remember(drugs_by_tname_, row.Tname, sname);
}

const std::string* CatalogueIndex::Find(const Map& map, std::string_view key) const {
  if (key.empty()) return nullptr;
  auto found = map.find(key);
  return found == map.end() ? nullptr : &snames_[found->second];
}

const std::string* CatalogueIndex::SnameByTname(std::string_view tname) const {
  return Find(by_tname_, tname);
}

const std::string* CatalogueIndex::DrugSnameByTname(std::string_view tname) const {
  return Find(drugs_by_tname_, tname);
}

const std::string* CatalogueIndex::SnameByInsuCode(std::string_view code) const {
  return Find(by_insu_code_, code);
}

CatalogueIndex IndexCatalogue(const std::function<bool(IndexedCatalogueRow&)>& next_row) {
  CatalogueIndex index;
  IndexedCatalogueRow row;
  while (next_row(row)) index.Add(row);
  return index;
}

}  // namespace zuvo
