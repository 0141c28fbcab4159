#pragma once

// The part of the orders catalogue (`MX` of the work tree's OPD.mdb) that remark analysis looks
// drug names up in, held in memory for one run so that a patient's phrases cost hash look-ups
// rather than database queries.
//
// Look-ups behave like the table store's own equality test on the whole field value: text is
// compared without regard to the case of single-byte letters (both bytes of a double-byte
// character compare exactly), there is no prefix or substring match, and among rows with equal
// values the first in stored order counts. An empty value never matches: rows whose field is
// empty are not indexed under that field, and an empty name finds nothing.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zuvo {

// Hash and equality of Big5 texts that ignore the case of single-byte letters, as the table store
// and profile files compare names. Heterogeneous, so a look-up by string_view copies nothing.
struct FoldedTextHash {
  using is_transparent = void;
  size_t operator()(std::string_view text) const;
};
struct FoldedTextEqual {
  using is_transparent = void;
  bool operator()(std::string_view left, std::string_view right) const;
};

// The catalogue table and the columns an index is built from.
inline constexpr std::string_view kCatalogueTable = "MX";
inline constexpr std::array<std::string_view, 4> kCatalogueIndexColumns = {"Tname", "Sname",
                                                                           "INSUcode", "class"};

// One `MX` row as far as the index needs it; every text is Big5 as stored.
struct IndexedCatalogueRow {
  std::string Tname;        // the source system's own order code
  std::string Sname;        // short name, what a matched phrase becomes
  std::string INSUcode;     // NHI order code
  std::string order_class;  // `class`: "oral", "drop", "inj", "topical", "OPD", ...
};

class CatalogueIndex {
 public:
  // Adds the next row in stored order.
  void Add(const IndexedCatalogueRow& row);

  // The `Sname` of the first row whose `Tname` equals `tname`; nullptr when none does.
  const std::string* SnameByTname(std::string_view tname) const;
  // As SnameByTname, among rows whose class is a drug route ("oral", "drop", "inj", "topical").
  const std::string* DrugSnameByTname(std::string_view tname) const;
  // The `Sname` of the first row whose `INSUcode` equals `code`; nullptr when none does.
  const std::string* SnameByInsuCode(std::string_view code) const;

  size_t row_count() const { return row_count_; }

 private:
  using Map = std::unordered_map<std::string, uint32_t, FoldedTextHash, FoldedTextEqual>;

  const std::string* Find(const Map& map, std::string_view key) const;
  void Remember(Map& map, const std::string& key, uint32_t sname);

  std::vector<std::string> snames_;
  Map by_tname_;
  Map drugs_by_tname_;
  Map by_insu_code_;
  size_t row_count_ = 0;
};

// Builds an index from rows read one at a time in stored order: `next_row` fills its argument
// with the next `MX` row and returns true, or returns false when the table is exhausted. Errors
// of the reader propagate unchanged.
CatalogueIndex IndexCatalogue(const std::function<bool(IndexedCatalogueRow&)>& next_row);

}  // namespace zuvo
