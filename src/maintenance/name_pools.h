#pragma once

// The parts from which the anonymiser makes new names: the first, second and third Big5
// characters (bytes 1-2, 3-4, 5-6) of the clinic's own patients' names.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace zuvo {

class NamePools {
 public:
  static constexpr size_t kSurnameCapacity = 100;
  static constexpr size_t kMiddleCapacity = 1000;
  static constexpr size_t kLastCapacity = 1000;

  // Offers the parts of one name (Big5). Each part is trimmed; an empty part, a part whose first
  // character is a Latin letter, a part already in its pool and a part for a full pool are not
  // added. Entries keep the order in which they first came.
  void Offer(std::string_view name);

  // A name of one entry of each pool, each drawn by `draw(n)` (an index 0..n-1) from the entries
  // the pool holds; an empty pool adds nothing.
  std::string Compose(const std::function<size_t(size_t)>& draw) const;

  // A name as Compose makes it that is not one of `taken` (trimmed names): a few draws, then
  // the pools' combinations in turn from a drawn one, as many as `taken` holds plus one, which is
  // enough to meet a free one if there is any among them. Empty when all those are taken.
  std::optional<std::string> ComposeNotIn(const std::function<size_t(size_t)>& draw,
                                          const std::unordered_set<std::string>& taken) const;

  const std::vector<std::string>& surnames() const { return surnames_; }
  const std::vector<std::string>& middles() const { return middles_; }
  const std::vector<std::string>& lasts() const { return lasts_; }

 private:
  std::vector<std::string> surnames_;
  std::vector<std::string> middles_;
  std::vector<std::string> lasts_;
};

}  // namespace zuvo
