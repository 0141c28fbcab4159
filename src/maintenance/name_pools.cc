#include "maintenance/name_pools.h"

#include <algorithm>

#include "platform/big5.h"

namespace zuvo {
namespace {

constexpr size_t kPartBytes = 2;
constexpr int kDraws = 8;

bool IsLatinLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

void OfferPart(std::string_view name, size_t part, size_t capacity,
               std::vector<std::string>& pool) {
  if (name.size() <= part * kPartBytes || pool.size() >= capacity) return;
  std::string text = big5::Trim(name.substr(part * kPartBytes, kPartBytes));
  if (text.empty() || IsLatinLetter(text.front())) return;
  if (std::find(pool.begin(), pool.end(), text) == pool.end()) pool.push_back(std::move(text));
}

void AddDrawn(const std::vector<std::string>& pool, const std::function<size_t(size_t)>& draw,
              std::string& name) {
  if (!pool.empty()) name += pool[draw(pool.size()) % pool.size()];
}

}  // namespace

void NamePools::Offer(std::string_view name) {
  OfferPart(name, 0, kSurnameCapacity, surnames_);
  OfferPart(name, 1, kMiddleCapacity, middles_);
  OfferPart(name, 2, kLastCapacity, lasts_);
}

std::string NamePools::Compose(const std::function<size_t(size_t)>& draw) const {
  std::string name;
  AddDrawn(surnames_, draw, name);
  AddDrawn(middles_, draw, name);
  AddDrawn(lasts_, draw, name);
  return name;
}

std::optional<std::string> NamePools::ComposeNotIn(
    const std::function<size_t(size_t)>& draw, const std::unordered_set<std::string>& taken) const {
  for (int i = 0; i < kDraws; ++i) {
    std::string name = Compose(draw);
    if (!taken.contains(name)) return name;
  }
  // Few free names: walk the combinations (an empty pool counts as one empty part).
  const size_t middles = std::max<size_t>(middles_.size(), 1);
  const size_t lasts = std::max<size_t>(lasts_.size(), 1);
  const size_t total = std::max<size_t>(surnames_.size(), 1) * middles * lasts;
  const size_t start = draw(total) % total;
  const size_t tries = std::min(total, taken.size() + 1);
  auto part = [](const std::vector<std::string>& pool, size_t index) {
    return pool.empty() ? std::string() : pool[index];
  };
  for (size_t i = 0; i < tries; ++i) {
    const size_t index = (start + i) % total;
    std::string name = part(surnames_, index / (middles * lasts)) +
                       part(middles_, index / lasts % middles) + part(lasts_, index % lasts);
    if (!taken.contains(name)) return name;
  }
  return std::nullopt;
}

}  // namespace zuvo
